#include "hivefile.h"
#include "hivekey.h"
#include "registrystore.h"
#include "testconfighome.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using namespace winreg;

namespace {

const QByteArray kValidHive = "STASHBOX-HIVE 1\n"
                              "K\n"
                              "V 1 7 =Greeting 48656c6c6f2100\n"
                              "K Software\n"
                              "A 1\n"
                              "K Software My%20App\n"
                              "V 3 0 =Empty -\n"
                              "V 4 4 = 2A000000\n"
                              "END 3 3\n";

HiveFile::Status parse(const QByteArray& text, QString* why = nullptr)
{
    HiveKey root;
    return HiveFile::parse(text, root, why);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList damagedFiles(const TestConfigHome& home)
{
    return QDir(home.path() + QStringLiteral("/stashbox/registry"))
        .entryList(QStringList{QStringLiteral("*.damaged-*")}, QDir::Files, QDir::Name);
}

} // namespace

class TestHiveFile final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void theDocumentedExampleReads();
    void malformedHivesAreRefused_data();
    void malformedHivesAreRefused();
    void everyCutShortHiveIsRefused();
    void damagedHiveIsReportedAndKeptAside_data();
    void damagedHiveIsReportedAndKeptAside();
    void oversizedHiveIsRefusedUnread();
    void newerFormatIsLeftAlone();
    void readOnlyHiveIsNotReplaced();
    void hiveFilesArePrivate();
    void seedCorpusIsValid();

private:
    std::unique_ptr<TestConfigHome> m_home;
};

void TestHiveFile::init()
{
    m_home = std::make_unique<TestConfigHome>();
    QVERIFY(m_home->isValid());
}

void TestHiveFile::cleanup()
{
    m_home.reset();
}

void TestHiveFile::theDocumentedExampleReads()
{
    HiveKey root;
    QString why;
    QCOMPARE(HiveFile::parse(kValidHive, root, &why), HiveFile::Status::Ok);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    QCOMPARE(root.value(QStringLiteral("greeting"))->data, QByteArray("Hello!\0", 7));
    const HiveKey* software = root.subkey(QStringLiteral("SOFTWARE"));
    QVERIFY(software);
    QCOMPARE(software->deniedAccess(), KEY_QUERY_VALUE);
    const HiveKey* app = root.find({QStringLiteral("software"), QStringLiteral("my app")});
    QVERIFY(app);
    QCOMPARE(app->name(), QStringLiteral("My App"));
    QCOMPARE(app->values().size(), size_t(2));
    QCOMPARE(app->value(QString())->type, REG_DWORD);
    QCOMPARE(app->value(QString())->data, QByteArray("\x2A\0\0\0", 4));
    QCOMPARE(app->value(QStringLiteral("Empty"))->data, QByteArray());

    // Written back, it reads the same (hex now in lower case).
    const QByteArray again = HiveFile::serialize(root);
    QCOMPARE(again, QByteArray(kValidHive).replace("2A000000", "2a000000"));
}

void TestHiveFile::malformedHivesAreRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("status");
    const int damaged = int(HiveFile::Status::Damaged);
    const QByteArray head = "STASHBOX-HIVE 1\nK\n";

    QTest::newRow("empty file") << QByteArray() << damaged;
    QTest::newRow("binary junk") << QByteArray("\x00\xFF\xFE garbage\n", 13) << damaged;
    QTest::newRow("wrong magic") << QByteArray("STASHBOX-HIVES 1\nK\nEND 1 0\n") << damaged;
    QTest::newRow("version 0") << QByteArray("STASHBOX-HIVE 0\nK\nEND 1 0\n") << damaged;
    QTest::newRow("version with sign") << QByteArray("STASHBOX-HIVE +1\nK\nEND 1 0\n") << damaged;
    QTest::newRow("header only") << QByteArray("STASHBOX-HIVE 1\n") << damaged;
    QTest::newRow("no root") << QByteArray("STASHBOX-HIVE 1\nK a\nEND 2 0\n") << damaged;
    QTest::newRow("no END") << head << damaged;
    QTest::newRow("CRLF lines") << QByteArray("STASHBOX-HIVE 1\r\nK\r\nEND 1 0\r\n") << damaged;
    QTest::newRow("text after END") << head + "END 1 0\nK x\n" << damaged;
    QTest::newRow("END counts wrong") << head + "K a\nEND 1 0\n" << damaged;
    QTest::newRow("END counts absurd") << head + "END 99999999999999999999999 0\n" << damaged;
    QTest::newRow("second root") << head + "K\nEND 2 0\n" << damaged;
    QTest::newRow("child before parent") << head + "K a b\nEND 2 0\n" << damaged;
    QTest::newRow("child apart from parent") << head + "K a\nK b\nK a c\nEND 4 0\n" << damaged;
    QTest::newRow("siblings out of order") << head + "K b\nK a\nEND 3 0\n" << damaged;
    QTest::newRow("siblings differing in case only") << head + "K a\nK A\nEND 3 0\n" << damaged;
    QTest::newRow("double blank") << head + "K  a\nEND 2 0\n" << damaged;
    QTest::newRow("raw blank in name") << head + "V 1 0 =a b -\nEND 1 1\n" << damaged;
    QTest::newRow("bad percent escape") << head + "K a%G1\nEND 2 0\n" << damaged;
    QTest::newRow("percent at the end") << head + "K a%4\nEND 2 0\n" << damaged;
    QTest::newRow("invalid UTF-8 name") << head + "K %FF%FE\nEND 2 0\n" << damaged;
    QTest::newRow("empty key name via escape") << head + "K %\nEND 2 0\n" << damaged;
    QTest::newRow("key name too long") << head + "K " + QByteArray(256, 'k') + "\nEND 2 0\n" << damaged;
    QTest::newRow("value without =") << head + "V 1 0 name -\nEND 1 1\n" << damaged;
    QTest::newRow("value repeated in other case") << head + "V 1 0 =x -\nV 3 0 =X -\nEND 1 2\n" << damaged;
    QTest::newRow("value type beyond 32 bits") << head + "V 4294967296 0 =x -\nEND 1 1\n" << damaged;
    QTest::newRow("value size absurd") << head + "V 3 99999999999999999999 =x 00\nEND 1 1\n" << damaged;
    QTest::newRow("value size over the limit") << head + "V 3 1048577 =x 00\nEND 1 1\n" << damaged;
    QTest::newRow("value size leading zero") << head + "V 3 01 =x 00\nEND 1 1\n" << damaged;
    QTest::newRow("value shorter than its size") << head + "V 3 4 =x 0011\nEND 1 1\n" << damaged;
    QTest::newRow("value longer than its size") << head + "V 3 1 =x 0011\nEND 1 1\n" << damaged;
    QTest::newRow("empty value without dash") << head + "V 3 0 =x \nEND 1 1\n" << damaged;
    QTest::newRow("bad hex") << head + "V 3 2 =x 00zz\nEND 1 1\n" << damaged;
    QTest::newRow("negative size") << head + "V 3 -1 =x -\nEND 1 1\n" << damaged;
    QTest::newRow("access line after a value") << head + "V 1 0 =x -\nA 1\nEND 1 1\n" << damaged;
    QTest::newRow("access line repeated") << head + "K a\nA 1\nA 2\nEND 2 0\n" << damaged;
    QTest::newRow("access beyond the key rights") << head + "K a\nA 40\nEND 2 0\n" << damaged;
    QTest::newRow("unknown line") << head + "X 1\nEND 1 0\n" << damaged;
    QTest::newRow("too deep") << head + [] {
        QByteArray lines;
        QByteArray path = "K";
        for (int i = 0; i < 513; ++i) {
            path += " d";
            lines += path + '\n';
        }
        return lines;
    }() + "END 514 0\n" << damaged;
    QTest::newRow("newer format") << QByteArray("STASHBOX-HIVE 2\nwhatever\n") << int(HiveFile::Status::Unsupported);

    QTest::newRow("valid: empty hive") << head + "END 1 0\n" << int(HiveFile::Status::Ok);
    QTest::newRow("valid: escapes and upper-case hex") << head + "K %C3%A4%20x\nV 2 2 =%25P%25 AB00\nEND 2 1\n"
                                                       << int(HiveFile::Status::Ok);
}

void TestHiveFile::malformedHivesAreRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(int, status);
    QString why;
    QCOMPARE(int(parse(text, &why)), status);
    if (status != int(HiveFile::Status::Ok))
        QVERIFY(!why.isEmpty());
}

void TestHiveFile::everyCutShortHiveIsRefused()
{
    for (qsizetype n = 0; n < kValidHive.size(); ++n)
        QVERIFY2(parse(kValidHive.first(n)) == HiveFile::Status::Damaged, qPrintable(QString::number(n)));
    QCOMPARE(parse(kValidHive), HiveFile::Status::Ok);
}

void TestHiveFile::damagedHiveIsReportedAndKeptAside_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<bool>("flip");
    QTest::newRow("cut inside the last line") << -3 << false;
    QTest::newRow("cut after a whole line") << -1 << false;
    QTest::newRow("cut to the header") << 16 << false;
    QTest::newRow("one byte garbled") << 0 << true;
}

void TestHiveFile::damagedHiveIsReportedAndKeptAside()
{
    QFETCH(int, cut);
    QFETCH(bool, flip);
    {
        RegistryStore store;
        QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\A"), QStringLiteral("v"), "user"),
                 ERROR_SUCCESS);
        QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\B"), QStringLiteral("v"), "user b"),
                 ERROR_SUCCESS);
        QCOMPARE(setString(store, HKEY_LOCAL_MACHINE, QStringLiteral("Software\\A"), QStringLiteral("v"), "machine"),
                 ERROR_SUCCESS);
    }
    const QString hkcu = m_home->hive("HKCU.hive");
    const QByteArray good = readFile(hkcu);
    const QByteArray machineBefore = readFile(m_home->hive("HKLM.hive"));
    QByteArray bad = good;
    if (flip) {
        bad[bad.indexOf("Software") + 2] = '\x01';
    } else {
        // Cut relative to the END line so the damage hits the tail of the file.
        const qsizetype endLine = good.lastIndexOf("END ");
        bad = cut > 0 ? good.first(cut) : good.first(cut == -1 ? endLine : endLine + cut + 6);
    }
    QVERIFY(writeFile(hkcu, bad));

    RegistryStore store;
    QByteArray text;
    QCOMPARE(readString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\A"), QStringLiteral("v"), &text),
             ERROR_REGISTRY_CORRUPT);

    // The damaged file is kept byte for byte under a name that says so.
    const QStringList aside = damagedFiles(*m_home);
    QCOMPARE(aside.size(), 1);
    QVERIFY(aside.first().startsWith(QStringLiteral("HKCU.hive.damaged-")));
    QCOMPARE(readFile(m_home->path() + QStringLiteral("/stashbox/registry/") + aside.first()), bad);
    QVERIFY(!QFile::exists(hkcu));

    // The other hive is untouched and still readable; the user's hive starts afresh.
    QCOMPARE(readFile(m_home->hive("HKLM.hive")), machineBefore);
    QCOMPARE(readString(store, HKEY_LOCAL_MACHINE, QStringLiteral("Software\\A"), QStringLiteral("v"), &text),
             ERROR_SUCCESS);
    QCOMPARE(text, QByteArray("machine"));
    QCOMPARE(readString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\A"), QStringLiteral("v"), &text),
             ERROR_FILE_NOT_FOUND);
    QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\C"), QStringLiteral("v"), "new"),
             ERROR_SUCCESS);
    QCOMPARE(damagedFiles(*m_home).size(), 1);

    // A write that finds a damaged hive is refused as well, and moves it aside rather than over it.
    QVERIFY(writeFile(hkcu, bad));
    QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\D"), QStringLiteral("v"), "lost?"),
             ERROR_REGISTRY_CORRUPT);
    QCOMPARE(damagedFiles(*m_home).size(), 2);
    for (const QString& name : damagedFiles(*m_home))
        QCOMPARE(readFile(m_home->path() + QStringLiteral("/stashbox/registry/") + name), bad);
}

void TestHiveFile::oversizedHiveIsRefusedUnread()
{
    const QString hkcu = m_home->hive("HKCU.hive");
    QVERIFY(writeFile(hkcu, "STASHBOX-HIVE 1\nK\n"));
    {
        QFile file(hkcu);
        QVERIFY(file.resize(kMaxHiveBytes + 1)); // sparse: costs no disk
    }
    RegistryStore store;
    HKEY key = 0;
    QCOMPARE(store.RegOpenKeyEx(HKEY_CURRENT_USER, QString(), 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
    QCOMPARE(damagedFiles(*m_home).size(), 1);
    QCOMPARE(QFileInfo(m_home->path() + QStringLiteral("/stashbox/registry/") + damagedFiles(*m_home).first()).size(),
             kMaxHiveBytes + 1);
}

void TestHiveFile::newerFormatIsLeftAlone()
{
    const QString hkcu = m_home->hive("HKCU.hive");
    const QByteArray future = "STASHBOX-HIVE 7\nsomething we cannot read\n";
    QVERIFY(writeFile(hkcu, future));
    RegistryStore store;
    QByteArray text;
    QCOMPARE(readString(store, HKEY_CURRENT_USER, QStringLiteral("Software"), QStringLiteral("v"), &text), ERROR_BADDB);
    QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software"), QStringLiteral("v"), "x"), ERROR_BADDB);
    QCOMPARE(readFile(hkcu), future);
    QVERIFY(damagedFiles(*m_home).isEmpty());
    // The machine hive is not affected.
    QCOMPARE(setString(store, HKEY_LOCAL_MACHINE, QStringLiteral("Software"), QStringLiteral("v"), "x"), ERROR_SUCCESS);
}

void TestHiveFile::readOnlyHiveIsNotReplaced()
{
    RegistryStore store;
    QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\A"), QStringLiteral("v"), "before"),
             ERROR_SUCCESS);
    const QString hkcu = m_home->hive("HKCU.hive");
    const QByteArray before = readFile(hkcu);
    QVERIFY(QFile::setPermissions(hkcu, QFileDevice::ReadOwner));
    QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\A"), QStringLiteral("v"), "after"),
             ERROR_ACCESS_DENIED);
    QCOMPARE(store.RegDeleteKey(HKEY_CURRENT_USER, QStringLiteral("Software\\A")), ERROR_ACCESS_DENIED);
    QCOMPARE(readFile(hkcu), before);
    QByteArray text;
    QCOMPARE(readString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\A"), QStringLiteral("v"), &text),
             ERROR_SUCCESS);
    QCOMPARE(text, QByteArray("before"));
    QVERIFY(QFile::setPermissions(hkcu, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

void TestHiveFile::hiveFilesArePrivate()
{
    RegistryStore store;
    QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\A"), QStringLiteral("v"), "x"),
             ERROR_SUCCESS);
    // Owner, group and others only: the "user" bits depend on who runs the test.
    constexpr int kModeBits = 0x7077;
    QCOMPARE(QFileInfo(m_home->hive("HKCU.hive")).permissions() & kModeBits,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(QFileInfo(m_home->path() + QStringLiteral("/stashbox/registry")).permissions() & kModeBits,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestHiveFile::seedCorpusIsValid()
{
    const QDir corpus(QStringLiteral(HIVE_CORPUS_DIR));
    const QStringList files = corpus.entryList(QDir::Files);
    QVERIFY(files.size() >= 2);
    for (const QString& name : files) {
        QString why;
        QVERIFY2(parse(readFile(corpus.filePath(name)), &why) == HiveFile::Status::Ok,
                 qPrintable(name + QStringLiteral(": ") + why));
    }
}

QTEST_GUILESS_MAIN(TestHiveFile)
#include "tst_hivefile.moc"
