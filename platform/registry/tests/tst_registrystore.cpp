#include "registrystore.h"
#include "testconfighome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace winreg;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

LONG setValue(RegistryStore& store, HKEY root, const QString& path, const QString& name, quint32 type,
              const QByteArray& data)
{
    HKEY key = 0;
    LONG rc = store.RegCreateKeyEx(root, path, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = store.RegSetValueEx(key, name, type, reinterpret_cast<const quint8*>(data.constData()), quint32(data.size()));
    store.RegCloseKey(key);
    return rc;
}

LONG queryValue(RegistryStore& store, HKEY root, const QString& path, const QString& name, quint32* type,
                QByteArray* data)
{
    HKEY key = 0;
    LONG rc = store.RegOpenKeyEx(root, path, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    quint32 size = 0;
    rc = store.RegQueryValueEx(key, name, type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        QByteArray buffer(qsizetype(size), '\xAA');
        rc = store.RegQueryValueEx(key, name, type, reinterpret_cast<quint8*>(buffer.data()), &size);
        *data = buffer.first(size);
    }
    store.RegCloseKey(key);
    return rc;
}

QStringList subKeys(RegistryStore& store, HKEY root, const QString& path)
{
    QStringList names;
    HKEY key = 0;
    if (store.RegOpenKeyEx(root, path, 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS)
        return {QStringLiteral("<cannot open>")};
    QString name;
    for (quint32 i = 0; store.RegEnumKey(key, i, &name, 256) == ERROR_SUCCESS; ++i)
        names += name;
    store.RegCloseKey(key);
    return names;
}

} // namespace

class TestRegistryStore final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyTypeSurvivesTheFile_data();
    void everyTypeSurvivesTheFile();
    void sizeQueriesAndShortBuffers();
    void namesAreCaseInsensitiveAndCasePreserving();
    void missingThingsAndBadHandles();
    void deletingKeys();
    void classesRootIsTheMachineClassesKey();
    void accessRightsAreEnforced();
    void enumerationOrderAndKeyInfo();
    void badKeyPathsChangeNothing();
    void longestNamesAndDeepestPathsRoundTrip();
    void environmentExpansion();
    void twoProcessesWritingAtOnceLoseNothing();

private:
    std::unique_ptr<TestConfigHome> m_home;
    std::unique_ptr<RegistryStore> m_store;
};

void TestRegistryStore::init()
{
    m_home = std::make_unique<TestConfigHome>();
    QVERIFY(m_home->isValid());
    m_store = std::make_unique<RegistryStore>();
    QCOMPARE(m_store->configHome(), m_home->path());
}

void TestRegistryStore::cleanup()
{
    QCOMPARE(m_store->openHandleCount(), 0);
    m_store.reset();
    m_home.reset();
}

void TestRegistryStore::everyTypeSurvivesTheFile_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("name");

    QTest::newRow("sz") << REG_SZ << QByteArray("Hello, w\xC3\xB6rld\0", 14) << QStringLiteral("Greeting");
    QTest::newRow("expand-sz") << REG_EXPAND_SZ << QByteArray("%HOME%\\x\0", 9) << QStringLiteral("Path");
    QTest::newRow("binary with NUL, FF, LF")
        << REG_BINARY << bytes({0, 0xFF, '\n', ' ', '%', 0x80, 0, '\r'}) << QStringLiteral("Blob");
    QTest::newRow("binary empty") << REG_BINARY << QByteArray() << QStringLiteral("Nothing");
    QTest::newRow("dword") << REG_DWORD << bytes({0x2A, 0, 0, 0x80}) << QStringLiteral("Count");
    QTest::newRow("dword big-endian") << REG_DWORD_BIG_ENDIAN << bytes({0x12, 0x34, 0x56, 0x78})
                                      << QStringLiteral("Swapped");
    QTest::newRow("multi-sz") << REG_MULTI_SZ << QByteArray("one\0two words\0\0", 16) << QStringLiteral("List");
    QTest::newRow("qword kept raw") << REG_QWORD << bytes({1, 2, 3, 4, 5, 6, 7, 8}) << QStringLiteral("Big");
    QTest::newRow("unknown type kept raw") << 0xDEADBEEFu << QByteArray("raw") << QStringLiteral("Odd");
    QTest::newRow("default value") << REG_SZ << QByteArray("dflt\0", 5) << QString();
    QTest::newRow("name with blanks, backslash, percent, unicode")
        << REG_SZ << QByteArray("x\0", 2) << QStringLiteral(" a\\b %41 = \u00FC\u65E5\u672C ");
}

void TestRegistryStore::everyTypeSurvivesTheFile()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, name);

    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Software\\Stashbox Test"), name, type, data),
             ERROR_SUCCESS);
    QVERIFY(QFile::exists(m_home->hive("HKCU.hive")));

    // A fresh store reads only what the file holds.
    RegistryStore other;
    quint32 readType = 0;
    QByteArray readData;
    QCOMPARE(
        queryValue(other, HKEY_CURRENT_USER, QStringLiteral("Software\\Stashbox Test"), name, &readType, &readData),
        ERROR_SUCCESS);
    QCOMPARE(readType, type);
    QCOMPARE(readData, data);

    // Enumeration reports the same name, type and bytes.
    HKEY key = 0;
    QCOMPARE(other.RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Stashbox Test"), 0, KEY_READ, &key),
             ERROR_SUCCESS);
    QString enumName;
    quint32 cch = 20000;
    quint32 enumType = 0;
    QByteArray buffer(64, 0);
    quint32 cb = quint32(buffer.size());
    QCOMPARE(other.RegEnumValue(key, 0, &enumName, &cch, &enumType, reinterpret_cast<quint8*>(buffer.data()), &cb),
             ERROR_SUCCESS);
    QCOMPARE(enumName, name);
    QCOMPARE(cch, quint32(name.size()));
    QCOMPARE(enumType, type);
    QCOMPARE(buffer.first(cb), data);
    other.RegCloseKey(key);
}

void TestRegistryStore::sizeQueriesAndShortBuffers()
{
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("S"), QStringLiteral("v"), REG_BINARY,
                      QByteArray("0123456789")),
             ERROR_SUCCESS);
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("S"), QStringLiteral("empty"), REG_SZ, QByteArray()),
             ERROR_SUCCESS);
    HKEY key = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("S"), 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);

    quint32 type = 0;
    quint32 size = 0;
    QCOMPARE(m_store->RegQueryValueEx(key, QStringLiteral("v"), &type, nullptr, &size), ERROR_SUCCESS);
    QCOMPARE(type, REG_BINARY);
    QCOMPARE(size, 10u);

    // A buffer given with size 0 (or any short size) reports the size needed and copies nothing.
    quint8 buffer[16] = {0};
    size = 0;
    type = 0;
    QCOMPARE(m_store->RegQueryValueEx(key, QStringLiteral("v"), &type, buffer, &size), ERROR_MORE_DATA);
    QCOMPARE(size, 10u);
    QCOMPARE(type, REG_BINARY);
    size = 9;
    QCOMPARE(m_store->RegQueryValueEx(key, QStringLiteral("v"), nullptr, buffer, &size), ERROR_MORE_DATA);
    QCOMPARE(buffer[0], quint8(0));
    size = sizeof buffer;
    QCOMPARE(m_store->RegQueryValueEx(key, QStringLiteral("v"), nullptr, buffer, &size), ERROR_SUCCESS);
    QCOMPARE(size, 10u);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buffer), 10), QByteArray("0123456789"));

    // An empty value fits a zero-sized buffer.
    size = 0;
    QCOMPARE(m_store->RegQueryValueEx(key, QStringLiteral("empty"), &type, buffer, &size), ERROR_SUCCESS);
    QCOMPARE(size, 0u);
    QCOMPARE(type, REG_SZ);

    QCOMPARE(m_store->RegQueryValueEx(key, QStringLiteral("v"), nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
    m_store->RegCloseKey(key);
}

void TestRegistryStore::namesAreCaseInsensitiveAndCasePreserving()
{
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Software\\MyApp"), QStringLiteral("WindowPos"),
                      REG_SZ, QByteArray("1\0", 2)),
             ERROR_SUCCESS);
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(queryValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\myapp"), QStringLiteral("WINDOWPOS"),
                        &type, &data),
             ERROR_SUCCESS);
    QCOMPARE(data, QByteArray("1\0", 2));

    // Writing through other spellings changes the one value and the one key, keeping their first spelling.
    quint32 disposition = 0;
    HKEY key = 0;
    QCOMPARE(m_store->RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("software\\MYAPP"), 0, KEY_ALL_ACCESS, &key,
                                     &disposition),
             ERROR_SUCCESS);
    QCOMPARE(disposition, REG_OPENED_EXISTING_KEY);
    const QByteArray two("2\0", 2);
    QCOMPARE(m_store->RegSetValueEx(key, QStringLiteral("windowpos"), REG_SZ,
                                    reinterpret_cast<const quint8*>(two.constData()), 2),
             ERROR_SUCCESS);
    QString name;
    quint32 cch = 100;
    QCOMPARE(m_store->RegEnumValue(key, 0, &name, &cch, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    QCOMPARE(name, QStringLiteral("WindowPos"));
    cch = 100;
    QCOMPARE(m_store->RegEnumValue(key, 1, &name, &cch, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    m_store->RegCloseKey(key);

    QCOMPARE(subKeys(*m_store, HKEY_CURRENT_USER, QStringLiteral("Software")),
             (QStringList{QStringLiteral("Microsoft"), QStringLiteral("MyApp")}));
    QCOMPARE(queryValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Software\\MyApp"), QStringLiteral("WindowPos"),
                        &type, &data),
             ERROR_SUCCESS);
    QCOMPARE(data, two);

    // Non-ASCII names fold too.
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("\u00C4rger"), QStringLiteral("\u00D6"), REG_DWORD,
                      bytes({1, 0, 0, 0})),
             ERROR_SUCCESS);
    QCOMPARE(
        queryValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("\u00E4RGER"), QStringLiteral("\u00F6"), &type, &data),
        ERROR_SUCCESS);
}

void TestRegistryStore::missingThingsAndBadHandles()
{
    HKEY key = 0xFFFF;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("No\\Such\\Key"), 0, KEY_READ, &key),
             ERROR_FILE_NOT_FOUND);
    QCOMPARE(key, 0u);
    QCOMPARE(m_store->RegDeleteKey(HKEY_CURRENT_USER, QStringLiteral("No\\Such")), ERROR_FILE_NOT_FOUND);

    QCOMPARE(m_store->RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Here"), 0, KEY_ALL_ACCESS, &key),
             ERROR_SUCCESS);
    quint32 size = 0;
    QCOMPARE(m_store->RegQueryValueEx(key, QStringLiteral("none"), nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    QCOMPARE(m_store->RegDeleteValue(key, QStringLiteral("none")), ERROR_FILE_NOT_FOUND);
    QString name;
    QCOMPARE(m_store->RegEnumKey(key, 0, &name, 256), ERROR_NO_MORE_ITEMS);
    quint32 cch = 10;
    QCOMPARE(m_store->RegEnumValue(key, 0, &name, &cch, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    QCOMPARE(m_store->RegCloseKey(key), ERROR_SUCCESS);

    // A closed, never-opened or unknown root handle is refused everywhere.
    QCOMPARE(m_store->RegCloseKey(key), ERROR_INVALID_HANDLE);
    QCOMPARE(m_store->RegQueryValueEx(key, QString(), nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    QCOMPARE(m_store->RegSetValueEx(0x1234, QStringLiteral("x"), REG_SZ, nullptr, 0), ERROR_INVALID_HANDLE);
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_PERFORMANCE_DATA, QString(), 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    QCOMPARE(m_store->RegOpenKeyEx(0, QStringLiteral("Here"), 0, KEY_READ, &key), ERROR_INVALID_HANDLE);

    // A handle whose key another caller deleted reports the deletion.
    HKEY stale = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Here"), 0, KEY_ALL_ACCESS, &stale),
             ERROR_SUCCESS);
    RegistryStore other;
    QCOMPARE(other.RegDeleteKey(HKEY_CURRENT_USER, QStringLiteral("Here")), ERROR_SUCCESS);
    QCOMPARE(m_store->RegQueryValueEx(stale, QString(), nullptr, nullptr, &size), ERROR_KEY_DELETED);
    QCOMPARE(m_store->RegSetValueEx(stale, QStringLiteral("x"), REG_SZ, nullptr, 0), ERROR_KEY_DELETED);
    QCOMPARE(m_store->RegCreateKeyEx(stale, QStringLiteral("Sub"), 0, KEY_ALL_ACCESS, &key), ERROR_KEY_DELETED);
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Here"), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    m_store->RegCloseKey(stale);
}

void TestRegistryStore::deletingKeys()
{
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("A\\B\\C"), QStringLiteral("v"), REG_SZ,
                      QByteArray("c\0", 2)),
             ERROR_SUCCESS);
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("keep"), REG_SZ,
                      QByteArray("a\0", 2)),
             ERROR_SUCCESS);

    // A key with sub-keys stays, with everything under it.
    QCOMPARE(m_store->RegDeleteKey(HKEY_CURRENT_USER, QStringLiteral("A\\B")), ERROR_ACCESS_DENIED);
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(queryValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("A\\B\\C"), QStringLiteral("v"), &type, &data),
             ERROR_SUCCESS);

    QCOMPARE(m_store->RegDeleteKey(HKEY_CURRENT_USER, QStringLiteral("a\\b\\c")), ERROR_SUCCESS);
    QCOMPARE(subKeys(*m_store, HKEY_CURRENT_USER, QStringLiteral("A\\B")), QStringList());
    QCOMPARE(m_store->RegDeleteKey(HKEY_CURRENT_USER, QStringLiteral("A\\B")), ERROR_SUCCESS);
    QCOMPARE(queryValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("keep"), &type, &data),
             ERROR_SUCCESS);

    // Through a handle: the empty sub-key names the handle's own key.
    HKEY key = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("A"), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    QCOMPARE(m_store->RegDeleteKey(key, QString()), ERROR_SUCCESS);
    m_store->RegCloseKey(key);
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("A"), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

    // Roots and the keys that always exist cannot go.
    QCOMPARE(m_store->RegDeleteKey(HKEY_CURRENT_USER, QString()), ERROR_ACCESS_DENIED);
    QCOMPARE(m_store->RegDeleteKey(HKEY_CLASSES_ROOT, QString()), ERROR_ACCESS_DENIED);
    QCOMPARE(m_store->RegDeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Classes")), ERROR_ACCESS_DENIED);
    QCOMPARE(
        m_store->RegDeleteKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run")),
        ERROR_ACCESS_DENIED);
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER,
                                   QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"), 0, KEY_READ,
                                   &key),
             ERROR_SUCCESS);
    m_store->RegCloseKey(key);
}

void TestRegistryStore::classesRootIsTheMachineClassesKey()
{
    QCOMPARE(setValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral(".sbx"), QString(), REG_SZ,
                      QByteArray("Stashbox.Data\0", 14)),
             ERROR_SUCCESS);
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(
        queryValue(*m_store, HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Classes\\.sbx"), QString(), &type, &data),
        ERROR_SUCCESS);
    QCOMPARE(data, QByteArray("Stashbox.Data\0", 14));

    QCOMPARE(setValue(*m_store, HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Classes\\Stashbox.Data"), QString(),
                      REG_SZ, QByteArray("Stashbox data\0", 14)),
             ERROR_SUCCESS);
    QCOMPARE(queryValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Stashbox.Data"), QString(), &type, &data),
             ERROR_SUCCESS);
    QCOMPARE(subKeys(*m_store, HKEY_CLASSES_ROOT, QString()),
             (QStringList{QStringLiteral(".sbx"), QStringLiteral("Stashbox.Data")}));

    // The user's hive and the machine's hive are apart.
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Software\\Only Mine"), QStringLiteral("x"), REG_SZ,
                      QByteArray("u\0", 2)),
             ERROR_SUCCESS);
    HKEY key = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Only Mine"), 0, KEY_READ, &key),
             ERROR_FILE_NOT_FOUND);
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\Classes\\.sbx"), 0, KEY_READ, &key),
             ERROR_FILE_NOT_FOUND);
    QVERIFY(QFile::exists(m_home->hive("HKCU.hive")));
    QVERIFY(QFile::exists(m_home->hive("HKLM.hive")));
}

void TestRegistryStore::accessRightsAreEnforced()
{
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Guarded\\Child"), QStringLiteral("v"), REG_SZ,
                      QByteArray("1\0", 2)),
             ERROR_SUCCESS);

    HKEY readOnly = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Guarded"), 0, KEY_QUERY_VALUE, &readOnly),
             ERROR_SUCCESS);
    QCOMPARE(m_store->RegSetValueEx(readOnly, QStringLiteral("x"), REG_SZ, nullptr, 0), ERROR_ACCESS_DENIED);
    QCOMPARE(m_store->RegDeleteValue(readOnly, QStringLiteral("x")), ERROR_ACCESS_DENIED);
    QString name;
    QCOMPARE(m_store->RegEnumKey(readOnly, 0, &name, 256), ERROR_ACCESS_DENIED);
    HKEY child = 0;
    QCOMPARE(m_store->RegCreateKeyEx(readOnly, QStringLiteral("New"), 0, KEY_ALL_ACCESS, &child), ERROR_ACCESS_DENIED);
    // Opening what exists below needs no right on the parent handle.
    QCOMPARE(m_store->RegCreateKeyEx(readOnly, QStringLiteral("Child"), 0, KEY_READ, &child), ERROR_SUCCESS);
    m_store->RegCloseKey(child);
    m_store->RegCloseKey(readOnly);

    HKEY writeOnly = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Guarded\\Child"), 0, KEY_SET_VALUE, &writeOnly),
             ERROR_SUCCESS);
    quint32 size = 0;
    QCOMPARE(m_store->RegQueryValueEx(writeOnly, QStringLiteral("v"), nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    m_store->RegCloseKey(writeOnly);

    // Refused rights are kept in the hive and apply to every later opener.
    QCOMPARE(m_store->RegSetKeyDeniedAccess(HKEY_CURRENT_USER, QStringLiteral("Guarded"),
                                            KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY),
             ERROR_SUCCESS);
    RegistryStore later;
    HKEY key = 0;
    QCOMPARE(later.RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Guarded"), 0, KEY_QUERY_VALUE, &key),
             ERROR_ACCESS_DENIED);
    QCOMPARE(later.RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Guarded"), 0, KEY_ALL_ACCESS, &key),
             ERROR_ACCESS_DENIED);
    QCOMPARE(later.RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Guarded"), 0, KEY_ENUMERATE_SUB_KEYS, &key),
             ERROR_SUCCESS);
    later.RegCloseKey(key);
    QCOMPARE(later.RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Guarded\\Another"), 0, KEY_READ, &key),
             ERROR_ACCESS_DENIED);
    QCOMPARE(subKeys(later, HKEY_CURRENT_USER, QStringLiteral("Guarded")), QStringList{QStringLiteral("Child")});
    QCOMPARE(later.RegSetKeyDeniedAccess(HKEY_CURRENT_USER, QStringLiteral("Guarded"), 0x40), ERROR_INVALID_PARAMETER);
    QCOMPARE(later.RegSetKeyDeniedAccess(HKEY_CURRENT_USER, QStringLiteral("Guarded"), 0), ERROR_SUCCESS);
    QCOMPARE(later.RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Guarded"), 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    later.RegCloseKey(key);
}

void TestRegistryStore::enumerationOrderAndKeyInfo()
{
    for (const char* k : {"b", "A", "c", "B2"})
        QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("E\\") + QLatin1String(k), QString(), REG_SZ,
                          QByteArray("\0", 1)),
                 ERROR_SUCCESS);
    QCOMPARE(subKeys(*m_store, HKEY_CURRENT_USER, QStringLiteral("E")),
             (QStringList{QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("B2"), QStringLiteral("c")}));

    for (const char* v : {"zeta", "alpha", "a-much-longer-name"})
        QCOMPARE(
            setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("E"), QLatin1String(v), REG_BINARY, QByteArray(v)),
            ERROR_SUCCESS);
    HKEY key = 0;
    QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("E"), 0, KEY_READ, &key), ERROR_SUCCESS);
    quint32 subCount = 0, longestSub = 0, valueCount = 0, longestName = 0, longestData = 0;
    QCOMPARE(m_store->RegQueryInfoKey(key, &subCount, &longestSub, &valueCount, &longestName, &longestData),
             ERROR_SUCCESS);
    QCOMPARE(subCount, 4u);
    QCOMPARE(longestSub, 2u);
    QCOMPARE(valueCount, 3u);
    QCOMPARE(longestName, 18u);
    QCOMPARE(longestData, 18u);

    // Values come in the order they were first written; a name needs its length + 1.
    QStringList names;
    QString name;
    quint32 cch = longestName + 1;
    for (quint32 i = 0; m_store->RegEnumValue(key, i, &name, &cch, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        names += name;
        cch = longestName + 1;
    }
    QCOMPARE(names,
             (QStringList{QStringLiteral("zeta"), QStringLiteral("alpha"), QStringLiteral("a-much-longer-name")}));
    cch = 18;
    QCOMPARE(m_store->RegEnumValue(key, 2, &name, &cch, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    QCOMPARE(m_store->RegEnumKey(key, 2, &name, 2), ERROR_MORE_DATA);
    QCOMPARE(m_store->RegEnumKey(key, 2, &name, 3), ERROR_SUCCESS);
    QCOMPARE(name, QStringLiteral("B2"));
    m_store->RegCloseKey(key);
}

void TestRegistryStore::badKeyPathsChangeNothing()
{
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Keep"), QStringLiteral("v"), REG_SZ,
                      QByteArray("k\0", 2)),
             ERROR_SUCCESS);
    QFile hive(m_home->hive("HKCU.hive"));
    QVERIFY(hive.open(QIODevice::ReadOnly));
    const QByteArray before = hive.readAll();
    hive.close();

    const QString tooLong(256, QLatin1Char('n'));
    const QStringList bad{
        QStringLiteral("a\\\\b"),        QStringLiteral("\\a"), QStringLiteral("a\\"), QStringLiteral("\\"), tooLong,
        QStringLiteral("ok\\") + tooLong};
    for (const QString& path : bad) {
        HKEY key = 0;
        QCOMPARE(m_store->RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key), ERROR_INVALID_PARAMETER);
        QCOMPARE(m_store->RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key), ERROR_INVALID_PARAMETER);
        QCOMPARE(m_store->RegDeleteKey(HKEY_CURRENT_USER, path), ERROR_INVALID_PARAMETER);
    }
    QStringList deep;
    for (int i = 0; i < kMaxKeyDepth + 1; ++i)
        deep += QStringLiteral("d");
    HKEY key = 0;
    QCOMPARE(m_store->RegCreateKeyEx(HKEY_CURRENT_USER, deep.join(QLatin1Char('\\')), 0, KEY_ALL_ACCESS, &key),
             ERROR_INVALID_PARAMETER);
    QCOMPARE(m_store->RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("v"), REG_OPTION_VOLATILE, KEY_ALL_ACCESS, &key),
             ERROR_INVALID_PARAMETER);

    // Values too large or with an absurd name are refused.
    QCOMPARE(m_store->RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Keep"), 0, KEY_ALL_ACCESS, &key),
             ERROR_SUCCESS);
    const QByteArray huge(kMaxValueBytes + 1, 'x');
    QCOMPARE(m_store->RegSetValueEx(key, QStringLiteral("h"), REG_BINARY,
                                    reinterpret_cast<const quint8*>(huge.constData()), quint32(huge.size())),
             ERROR_INVALID_PARAMETER);
    QCOMPARE(m_store->RegSetValueEx(key, QString(kMaxValueNameLength + 1, QLatin1Char('v')), REG_SZ, nullptr, 0),
             ERROR_INVALID_PARAMETER);
    QCOMPARE(m_store->RegSetValueEx(key, QStringLiteral("h"), REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    m_store->RegCloseKey(key);

    QVERIFY(hive.open(QIODevice::ReadOnly));
    QCOMPARE(hive.readAll(), before);
}

void TestRegistryStore::longestNamesAndDeepestPathsRoundTrip()
{
    const QString longKey(kMaxKeyNameLength, QChar(0x00E9));
    const QString longValue(kMaxValueNameLength, QLatin1Char('v'));
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, longKey, longValue, REG_DWORD, bytes({7, 0, 0, 0})), ERROR_SUCCESS);
    QStringList deep;
    for (int i = 0; i < kMaxKeyDepth; ++i)
        deep += QString::number(i % 10);
    const QString deepPath = deep.join(QLatin1Char('\\'));
    QCOMPARE(setValue(*m_store, HKEY_LOCAL_MACHINE, deepPath, QStringLiteral("bottom"), REG_SZ, QByteArray("b\0", 2)),
             ERROR_SUCCESS);

    RegistryStore other;
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(queryValue(other, HKEY_CURRENT_USER, longKey, longValue, &type, &data), ERROR_SUCCESS);
    QCOMPARE(data, bytes({7, 0, 0, 0}));
    QCOMPARE(queryValue(other, HKEY_LOCAL_MACHINE, deepPath, QStringLiteral("bottom"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(data, QByteArray("b\0", 2));
    // One more level below the deepest allowed is refused, through a handle as well.
    HKEY key = 0;
    QCOMPARE(other.RegOpenKeyEx(HKEY_LOCAL_MACHINE, deepPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    HKEY below = 0;
    QCOMPARE(other.RegCreateKeyEx(key, QStringLiteral("x"), 0, KEY_ALL_ACCESS, &below), ERROR_INVALID_PARAMETER);
    other.RegCloseKey(key);
}

void TestRegistryStore::environmentExpansion()
{
    qputenv("STASHBOX_TEST_DIR", "/tmp/sb dir");
    qunsetenv("STASHBOX_TEST_UNSET");
    struct Case
    {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {QStringLiteral("%STASHBOX_TEST_DIR%/bin"), QStringLiteral("/tmp/sb dir/bin")},
        {QStringLiteral("a%STASHBOX_TEST_DIR%%STASHBOX_TEST_DIR%b"), QStringLiteral("a/tmp/sb dir/tmp/sb dirb")},
        {QStringLiteral("%STASHBOX_TEST_UNSET%/x"), QStringLiteral("%STASHBOX_TEST_UNSET%/x")},
        {QStringLiteral("100% sure"), QStringLiteral("100% sure")},
        {QStringLiteral("%%"), QStringLiteral("%%")},
        {QStringLiteral("%STASHBOX_TEST_UNSET%STASHBOX_TEST_DIR%"), QStringLiteral("%STASHBOX_TEST_UNSET/tmp/sb dir")},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        QString result = QStringLiteral("untouched");
        const quint32 needed = RegistryStore::ExpandEnvironmentStrings(c.in, &result, 0);
        QCOMPARE(needed, quint32(c.out.size() + 1));
        QCOMPARE(result, QStringLiteral("untouched"));
        QCOMPARE(RegistryStore::ExpandEnvironmentStrings(c.in, &result, needed - 1), needed);
        QCOMPARE(result, QStringLiteral("untouched"));
        QCOMPARE(RegistryStore::ExpandEnvironmentStrings(c.in, &result, needed), needed);
        QCOMPARE(result, c.out);
    }
    // A result beyond the platform's limit is a failure, not a cut.
    qputenv("STASHBOX_TEST_HUGE", QByteArray(20000, 'h'));
    QString result;
    QCOMPARE(RegistryStore::ExpandEnvironmentStrings(QStringLiteral("%STASHBOX_TEST_HUGE%%STASHBOX_TEST_HUGE%"),
                                                     &result, 100000),
             0u);
    qunsetenv("STASHBOX_TEST_HUGE");
    qunsetenv("STASHBOX_TEST_DIR");
}

void TestRegistryStore::twoProcessesWritingAtOnceLoseNothing()
{
    // Something of our own that the writers must keep.
    QCOMPARE(setValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Software\\Mine"), QStringLiteral("keep"), REG_SZ,
                      QByteArray("me\0", 3)),
             ERROR_SUCCESS);
    constexpr int kCount = 40;
    QProcess first;
    QProcess second;
    first.start(QStringLiteral(STRESS_WRITER), {m_home->path(), QStringLiteral("one"), QString::number(kCount)});
    second.start(QStringLiteral(STRESS_WRITER), {m_home->path(), QStringLiteral("two"), QString::number(kCount)});
    QVERIFY(first.waitForFinished(60000));
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    for (const char* prefix : {"one", "two"}) {
        for (int n = 0; n < kCount; ++n) {
            const QString name = QLatin1String(prefix) + QLatin1Char('-') + QString::number(n);
            quint32 type = 0;
            QByteArray data;
            QCOMPARE(queryValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Stress\\") + QLatin1String(prefix), name,
                                &type, &data),
                     ERROR_SUCCESS);
            QCOMPARE(data, name.toUtf8());
            QCOMPARE(queryValue(*m_store, HKEY_LOCAL_MACHINE, QStringLiteral("Stress"), name, &type, &data),
                     ERROR_SUCCESS);
        }
    }
    quint32 type = 0;
    QByteArray data;
    QCOMPARE(
        queryValue(*m_store, HKEY_CURRENT_USER, QStringLiteral("Software\\Mine"), QStringLiteral("keep"), &type, &data),
        ERROR_SUCCESS);
    QVERIFY(!QFile::exists(m_home->hive("HKCU.hive.lock")));
    QCOMPARE(QDir(m_home->path() + QStringLiteral("/stashbox/registry"))
                 .entryList(QStringList{QStringLiteral("*.damaged-*")}),
             QStringList());
}

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registrystore.moc"
