#include "autostartkey.h"
#include "registrystore.h"
#include "testconfighome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace winreg;

namespace {

const QString kRun = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The lines of the [Desktop Entry] group, key -> raw value.
QMap<QString, QString> entryKeys(const QString& path)
{
    QMap<QString, QString> keys;
    const QList<QByteArray> lines = readFile(path).split('\n');
    bool inGroup = false;
    for (const QByteArray& line : lines) {
        if (line.startsWith('[')) {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (inGroup && eq > 0) {
            const QString key = QString::fromUtf8(line.first(eq));
            if (keys.contains(key))
                keys[QStringLiteral("<repeated>")] = key;
            keys[key] = QString::fromUtf8(line.sliced(eq + 1));
        }
    }
    return keys;
}

} // namespace

class TestAutostart final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void setReadEnumerateDelete();
    void execLinesQuoteWhatTheDesktopWouldSplit_data();
    void execLinesQuoteWhatTheDesktopWouldSplit();
    void existingProgramWithBlanksIsFoundUnquoted();
    void expandableValueIsExpandedForTheDesktop();
    void otherProgramsEntriesAreNeverRewritten();
    void entriesAreAddressedCaseInsensitively();
    void unusableNamesAndValuesAreRefused_data();
    void unusableNamesAndValuesAreRefused();
    void machineRunKeyIsAPlainKey();

private:
    LONG set(const QString& name, const QByteArray& text, quint32 type = REG_SZ, HKEY root = HKEY_CURRENT_USER);
    LONG query(const QString& name, quint32* type, QByteArray* data, HKEY root = HKEY_CURRENT_USER);
    LONG remove(const QString& name, HKEY root = HKEY_CURRENT_USER);
    QStringList enumerate();

    std::unique_ptr<TestConfigHome> m_home;
    std::unique_ptr<RegistryStore> m_store;
};

void TestAutostart::init()
{
    m_home = std::make_unique<TestConfigHome>();
    QVERIFY(m_home->isValid());
    m_store = std::make_unique<RegistryStore>();
}

void TestAutostart::cleanup()
{
    QCOMPARE(m_store->openHandleCount(), 0);
    m_store.reset();
    m_home.reset();
}

LONG TestAutostart::set(const QString& name, const QByteArray& text, quint32 type, HKEY root)
{
    HKEY key = 0;
    LONG rc = m_store->RegOpenKeyEx(root, kRun, 0, KEY_SET_VALUE, &key);
    if (rc == ERROR_FILE_NOT_FOUND)
        rc = m_store->RegCreateKeyEx(root, kRun, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    const QByteArray data = text + '\0';
    rc = m_store->RegSetValueEx(key, name, type, reinterpret_cast<const quint8*>(data.constData()),
                                quint32(data.size()));
    m_store->RegCloseKey(key);
    return rc;
}

LONG TestAutostart::query(const QString& name, quint32* type, QByteArray* data, HKEY root)
{
    HKEY key = 0;
    LONG rc = m_store->RegOpenKeyEx(root, kRun, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    quint32 size = 0;
    rc = m_store->RegQueryValueEx(key, name, type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        QByteArray buffer(qsizetype(size), 0);
        rc = m_store->RegQueryValueEx(key, name, type, reinterpret_cast<quint8*>(buffer.data()), &size);
        *data = buffer;
    }
    m_store->RegCloseKey(key);
    return rc;
}

LONG TestAutostart::remove(const QString& name, HKEY root)
{
    HKEY key = 0;
    LONG rc = m_store->RegOpenKeyEx(root, kRun, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = m_store->RegDeleteValue(key, name);
    m_store->RegCloseKey(key);
    return rc;
}

QStringList TestAutostart::enumerate()
{
    QStringList names;
    HKEY key = 0;
    if (m_store->RegOpenKeyEx(HKEY_CURRENT_USER, kRun, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {QStringLiteral("<cannot open>")};
    quint32 longest = 0;
    m_store->RegQueryInfoKey(key, nullptr, nullptr, nullptr, &longest, nullptr);
    QString name;
    quint32 cch = longest + 1;
    for (quint32 i = 0; m_store->RegEnumValue(key, i, &name, &cch, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        names += name;
        cch = longest + 1;
    }
    m_store->RegCloseKey(key);
    return names;
}

void TestAutostart::setReadEnumerateDelete()
{
    QCOMPARE(enumerate(), QStringList());
    QCOMPARE(set(QStringLiteral("Stashbox"), "/opt/stashbox/stashbox"), ERROR_SUCCESS);

    const QString file = m_home->autostart() + QStringLiteral("/Stashbox.desktop");
    QVERIFY(QFile::exists(file));
    const QByteArray text = readFile(file);
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    const QMap<QString, QString> keys = entryKeys(file);
    QVERIFY(!keys.contains(QStringLiteral("<repeated>")));
    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Stashbox"));
    QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("/opt/stashbox/stashbox"));

    quint32 type = 0;
    QByteArray data;
    QCOMPARE(query(QStringLiteral("Stashbox"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(type, REG_SZ);
    QCOMPARE(data, QByteArray("/opt/stashbox/stashbox\0", 23));
    QCOMPARE(enumerate(), QStringList{QStringLiteral("Stashbox")});

    // The value read back is exactly what was written, odd spacing and all.
    const QByteArray odd = "  \"/opt/x y/app\"   -a  \"b c\"  ";
    QCOMPARE(set(QStringLiteral("Stashbox"), odd), ERROR_SUCCESS);
    QCOMPARE(query(QStringLiteral("Stashbox"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(data, odd + '\0');
    QCOMPARE(entryKeys(file).value(QStringLiteral("Exec")), QStringLiteral("\"/opt/x y/app\" -a \"b c\""));

    QCOMPARE(remove(QStringLiteral("Stashbox")), ERROR_SUCCESS);
    QVERIFY(!QFile::exists(file));
    QCOMPARE(query(QStringLiteral("Stashbox"), &type, &data), ERROR_FILE_NOT_FOUND);
    QCOMPARE(remove(QStringLiteral("Stashbox")), ERROR_FILE_NOT_FOUND);
    QCOMPARE(enumerate(), QStringList());
    // The key itself is still there, sub-keys live in the hive as usual.
    HKEY key = 0;
    QCOMPARE(m_store->RegCreateKeyEx(HKEY_CURRENT_USER, kRun + QStringLiteral("\\Sub"), 0, KEY_ALL_ACCESS, &key),
             ERROR_SUCCESS);
    m_store->RegCloseKey(key);
    QCOMPARE(QDir(m_home->autostart()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestAutostart::execLinesQuoteWhatTheDesktopWouldSplit_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("exec");

    QTest::newRow("quoted path with blanks")
        << QStringLiteral("\"/opt/my apps/stashbox\"") << QStringLiteral("\"/opt/my apps/stashbox\"");
    QTest::newRow("unquoted path with blanks and an option")
        << QStringLiteral("/opt/my apps/stashbox -x") << QStringLiteral("\"/opt/my apps/stashbox\" -x");
    QTest::newRow("unquoted path with blanks only")
        << QStringLiteral("/opt/my apps/stashbox") << QStringLiteral("\"/opt/my apps/stashbox\"");
    QTest::newRow("plain path") << QStringLiteral("/usr/bin/stashbox") << QStringLiteral("/usr/bin/stashbox");
    QTest::newRow("bare name with arguments")
        << QStringLiteral("sh -c \"echo hi\"") << QStringLiteral("sh -c \"echo hi\"");
    QTest::newRow("shell characters are quoted and escaped")
        << QStringLiteral("\"/opt/a$b`c\\d\" \"it's\"") << QStringLiteral("\"/opt/a\\\\$b\\\\`c\\\\\\\\d\" \"it's\"");
    QTest::newRow("percent is doubled") << QStringLiteral("/opt/100%/app -p 50%")
                                        << QStringLiteral("/opt/100%%/app -p 50%%");
    QTest::newRow("double quote inside an argument")
        << QStringLiteral("/bin/sh \"say \"\"hi\"\"\"") << QStringLiteral("/bin/sh \"say \\\\\"hi\\\\\"\"");
    QTest::newRow("empty argument kept") << QStringLiteral("/bin/sh \"\" x") << QStringLiteral("/bin/sh \"\" x");
    QTest::newRow("unterminated quote takes the rest")
        << QStringLiteral("\"/opt/my app") << QStringLiteral("\"/opt/my app\"");
}

void TestAutostart::execLinesQuoteWhatTheDesktopWouldSplit()
{
    QFETCH(QString, value);
    QFETCH(QString, exec);
    QCOMPARE(set(QStringLiteral("Probe"), value.toUtf8()), ERROR_SUCCESS);
    const QString file = m_home->autostart() + QStringLiteral("/Probe.desktop");
    QCOMPARE(entryKeys(file).value(QStringLiteral("Exec")), exec);
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(query(QStringLiteral("Probe"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(data, value.toUtf8() + '\0');
}

void TestAutostart::existingProgramWithBlanksIsFoundUnquoted()
{
    // Without quotes the longest prefix that names a real file is the program, whatever follows.
    const QString dir = m_home->path() + QStringLiteral("/my apps");
    QVERIFY(QDir().mkpath(dir));
    const QString program = dir + QStringLiteral("/stash box");
    QFile exe(program);
    QVERIFY(exe.open(QIODevice::WriteOnly));
    exe.close();
    QCOMPARE(set(QStringLiteral("Stashbox"), (program + QStringLiteral(" tray mode")).toUtf8()), ERROR_SUCCESS);
    QCOMPARE(entryKeys(m_home->autostart() + QStringLiteral("/Stashbox.desktop")).value(QStringLiteral("Exec")),
             QLatin1Char('"') + program + QStringLiteral("\" tray mode"));
    QCOMPARE(set(QStringLiteral("Stashbox"), program.toUtf8()), ERROR_SUCCESS);
    QCOMPARE(entryKeys(m_home->autostart() + QStringLiteral("/Stashbox.desktop")).value(QStringLiteral("Exec")),
             QLatin1Char('"') + program + QLatin1Char('"'));
}

void TestAutostart::expandableValueIsExpandedForTheDesktop()
{
    qputenv("STASHBOX_TEST_PREFIX", "/opt/sb");
    QCOMPARE(set(QStringLiteral("Expanding"), "%STASHBOX_TEST_PREFIX%/bin/stashbox", REG_EXPAND_SZ), ERROR_SUCCESS);
    qunsetenv("STASHBOX_TEST_PREFIX");
    QCOMPARE(entryKeys(m_home->autostart() + QStringLiteral("/Expanding.desktop")).value(QStringLiteral("Exec")),
             QStringLiteral("/opt/sb/bin/stashbox"));
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(query(QStringLiteral("Expanding"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(type, REG_EXPAND_SZ);
    QCOMPARE(data, QByteArray("%STASHBOX_TEST_PREFIX%/bin/stashbox\0", 36));
}

void TestAutostart::otherProgramsEntriesAreNeverRewritten()
{
    QVERIFY(QDir().mkpath(m_home->autostart()));
    const QString other = m_home->autostart() + QStringLiteral("/other-tool.desktop");
    const QByteArray otherText = "# hand made\n[Desktop Entry]\nName=Other\nType=Application\n"
                                 "Exec=/usr/bin/other --daemon \"x y\"\nX-GNOME-Autostart-enabled=true\n"
                                 "[Desktop Action Foo]\nExec=ignored\n";
    {
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(otherText);
    }
    QVERIFY(QFile::setPermissions(other, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const QDateTime stamp = QFileInfo(other).lastModified();
    const QString unrelated = m_home->autostart() + QStringLiteral("/notes.txt");
    {
        QFile f(unrelated);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not an entry");
    }

    QCOMPARE(set(QStringLiteral("Stashbox"), "/opt/stashbox/stashbox"), ERROR_SUCCESS);
    QCOMPARE(enumerate(), (QStringList{QStringLiteral("other-tool"), QStringLiteral("Stashbox")}));
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(query(QStringLiteral("other-tool"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(type, REG_SZ);
    QCOMPARE(data, QByteArray("/usr/bin/other --daemon \"x y\"\0", 30));
    HKEY key = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, kRun, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    quint32 count = 0;
    QCOMPARE(m_store->RegQueryInfoKey(key, nullptr, nullptr, &count, nullptr, nullptr), ERROR_SUCCESS);
    QCOMPARE(count, 2u);
    m_store->RegCloseKey(key);
    QCOMPARE(remove(QStringLiteral("Stashbox")), ERROR_SUCCESS);

    QCOMPARE(readFile(other), otherText);
    QCOMPARE(QFileInfo(other).lastModified(), stamp);
    QCOMPARE(QFileInfo(other).permissions() & 0x7077, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    QCOMPARE(readFile(unrelated), QByteArray("not an entry"));
    QCOMPARE(QDir(m_home->autostart()).entryList(QDir::Files, QDir::Name),
             (QStringList{QStringLiteral("notes.txt"), QStringLiteral("other-tool.desktop")}));
}

void TestAutostart::entriesAreAddressedCaseInsensitively()
{
    QCOMPARE(set(QStringLiteral("Stashbox"), "/opt/a"), ERROR_SUCCESS);
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(query(QStringLiteral("STASHBOX"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(set(QStringLiteral("stashBOX"), "/opt/b"), ERROR_SUCCESS);
    QCOMPARE(QDir(m_home->autostart()).entryList(QDir::Files), QStringList{QStringLiteral("Stashbox.desktop")});
    QCOMPARE(query(QStringLiteral("Stashbox"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(data, QByteArray("/opt/b\0", 7));
    QCOMPARE(remove(QStringLiteral("stashbox")), ERROR_SUCCESS);
    QCOMPARE(QDir(m_home->autostart()).entryList(QDir::Files), QStringList());
}

void TestAutostart::unusableNamesAndValuesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint32>("type");

    QTest::newRow("slash in name") << QStringLiteral("../evil") << QByteArray("/bin/x\0", 7) << REG_SZ;
    QTest::newRow("dot-dot") << QStringLiteral("..") << QByteArray("/bin/x\0", 7) << REG_SZ;
    QTest::newRow("default value") << QString() << QByteArray("/bin/x\0", 7) << REG_SZ;
    QTest::newRow("name too long for a file") << QString(250, QLatin1Char('n')) << QByteArray("/bin/x\0", 7) << REG_SZ;
    QTest::newRow("dword") << QStringLiteral("Num") << QByteArray("\1\0\0\0", 4) << REG_DWORD;
    QTest::newRow("binary") << QStringLiteral("Bin") << QByteArray("/bin/x") << REG_BINARY;
    QTest::newRow("blank command") << QStringLiteral("Blank") << QByteArray("   \0", 4) << REG_SZ;
    QTest::newRow("empty command") << QStringLiteral("Empty") << QByteArray() << REG_SZ;
    QTest::newRow("invalid UTF-8") << QStringLiteral("Bad") << QByteArray("/bin/\xFF\0", 7) << REG_SZ;
}

void TestAutostart::unusableNamesAndValuesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(quint32, type);
    HKEY key = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    QCOMPARE(m_store->RegSetValueEx(key, name, type, reinterpret_cast<const quint8*>(data.constData()),
                                    quint32(data.size())),
             ERROR_INVALID_PARAMETER);
    QCOMPARE(m_store->RegDeleteValue(key, name), ERROR_FILE_NOT_FOUND);
    m_store->RegCloseKey(key);
    QCOMPARE(QDir(m_home->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    QCOMPARE(QDir(m_home->autostart()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void TestAutostart::machineRunKeyIsAPlainKey()
{
    QCOMPARE(set(QStringLiteral("Stashbox"), "/opt/machine", REG_SZ, HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    QVERIFY(!QFileInfo::exists(m_home->autostart()));
    QCOMPARE(set(QStringLiteral("Stashbox"), "/opt/user"), ERROR_SUCCESS);
    QCOMPARE(remove(QStringLiteral("Stashbox")), ERROR_SUCCESS);
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(query(QStringLiteral("Stashbox"), &type, &data, HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    QCOMPARE(data, QByteArray("/opt/machine\0", 13));
    QCOMPARE(query(QStringLiteral("Stashbox"), &type, &data), ERROR_FILE_NOT_FOUND);
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
