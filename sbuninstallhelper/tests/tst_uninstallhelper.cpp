#include "registrystore.h"
#include "testconfighome.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

#include <memory>

using namespace winreg;

namespace {

const QString kRun = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");

// Every file below `root` with its bytes, for "nothing else changed" checks.
QMap<QString, QByteArray> snapshot(const QString& root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        // Only regular files are opened: a FIFO would block.
        files.insert(QDir(root).relativeFilePath(path),
                     !QFileInfo(path).isFile()            ? "<not a file>"
                         : file.open(QIODevice::ReadOnly) ? file.readAll()
                                                          : "<unreadable>");
    }
    return files;
}

} // namespace

class TestUninstallHelper final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void removesOnlyTheUsersStartEntry();
    void runningAgainIsHarmless();
    void nothingToRemoveEndsQuietlyAndCreatesNothing();
    void removesTheEntryWhateverTheHive_data();
    void removesTheEntryWhateverTheHive();

private:
    // Runs the helper without a display; returns false when it did not end normally and silently.
    bool runHelper();

    std::unique_ptr<TestConfigHome> m_home;
};

void TestUninstallHelper::init()
{
    m_home = std::make_unique<TestConfigHome>();
    QVERIFY(m_home->isValid());
}

void TestUninstallHelper::cleanup()
{
    m_home.reset();
}

bool TestUninstallHelper::runHelper()
{
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->path());
    env.insert(QStringLiteral("HOME"), m_home->path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    helper.setProcessEnvironment(env);
    helper.start(QStringLiteral(UNINSTALL_HELPER), QStringList());
    if (!helper.waitForFinished(30000)) {
        helper.kill();
        helper.waitForFinished(5000);
        qWarning("helper did not finish");
        return false;
    }
    const QByteArray out = helper.readAllStandardOutput();
    const QByteArray err = helper.readAllStandardError();
    if (helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0 || !out.isEmpty() || !err.isEmpty()) {
        qWarning() << "exit" << helper.exitStatus() << helper.exitCode() << "stdout" << out << "stderr" << err;
        return false;
    }
    return true;
}

void TestUninstallHelper::removesOnlyTheUsersStartEntry()
{
    {
        RegistryStore store;
        QCOMPARE(setString(store, HKEY_CURRENT_USER, kRun, QStringLiteral("Stashbox"), "/opt/stash box/stashbox"),
                 ERROR_SUCCESS);
        QCOMPARE(setString(store, HKEY_CURRENT_USER, kRun, QStringLiteral("Stashbox Extra"), "/opt/extra"),
                 ERROR_SUCCESS);
        QCOMPARE(setString(store, HKEY_LOCAL_MACHINE, kRun, QStringLiteral("Stashbox"), "/opt/machine/stashbox"),
                 ERROR_SUCCESS);
        QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\Stashbox"), QStringLiteral("Stashbox"),
                           "settings"),
                 ERROR_SUCCESS);
    }
    QFile other(m_home->autostart() + QStringLiteral("/other.desktop"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other\n");
    other.close();
    const QString entry = m_home->autostart() + QStringLiteral("/Stashbox.desktop");
    QVERIFY(QFile::exists(entry));

    QMap<QString, QByteArray> expected = snapshot(m_home->path());
    QVERIFY(expected.remove(QStringLiteral("autostart/Stashbox.desktop")) == 1);

    QVERIFY(runHelper());
    QVERIFY(!QFile::exists(entry));
    QCOMPARE(snapshot(m_home->path()), expected);

    RegistryStore store;
    QByteArray text;
    QCOMPARE(readString(store, HKEY_CURRENT_USER, kRun, QStringLiteral("Stashbox"), &text), ERROR_FILE_NOT_FOUND);
    QCOMPARE(readString(store, HKEY_LOCAL_MACHINE, kRun, QStringLiteral("Stashbox"), &text), ERROR_SUCCESS);
    QCOMPARE(text, QByteArray("/opt/machine/stashbox"));
    QCOMPARE(readString(store, HKEY_CURRENT_USER, kRun, QStringLiteral("Stashbox Extra"), &text), ERROR_SUCCESS);
    QCOMPARE(
        readString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\Stashbox"), QStringLiteral("Stashbox"), &text),
        ERROR_SUCCESS);
}

void TestUninstallHelper::runningAgainIsHarmless()
{
    {
        RegistryStore store;
        QCOMPARE(setString(store, HKEY_CURRENT_USER, kRun, QStringLiteral("Stashbox"), "/opt/stashbox/stashbox"),
                 ERROR_SUCCESS);
        QCOMPARE(setString(store, HKEY_LOCAL_MACHINE, kRun, QStringLiteral("Stashbox"), "/opt/machine/stashbox"),
                 ERROR_SUCCESS);
    }
    QVERIFY(runHelper());
    const QMap<QString, QByteArray> afterFirst = snapshot(m_home->path());
    QVERIFY(!afterFirst.contains(QStringLiteral("autostart/Stashbox.desktop")));
    QVERIFY(runHelper());
    QCOMPARE(snapshot(m_home->path()), afterFirst);
}

void TestUninstallHelper::nothingToRemoveEndsQuietlyAndCreatesNothing()
{
    QVERIFY(runHelper());
    QCOMPARE(QDir(m_home->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestUninstallHelper::removesTheEntryWhateverTheHive_data()
{
    QTest::addColumn<QByteArray>("hive");
    QTest::newRow("damaged") << QByteArray("STASHBOX-HIVE 1\nK\nK Software\n");
    QTest::newRow("newer format") << QByteArray("STASHBOX-HIVE 2\nwhatever a later version writes\n");
    QTest::newRow("FIFO") << QByteArray();
}

void TestUninstallHelper::removesTheEntryWhateverTheHive()
{
    QFETCH(QByteArray, hive);
    const QString hivePath = m_home->hive("HKCU.hive");
    {
        RegistryStore store;
        QCOMPARE(setString(store, HKEY_CURRENT_USER, kRun, QStringLiteral("Stashbox"), "/opt/stashbox/stashbox"),
                 ERROR_SUCCESS);
        QCOMPARE(setString(store, HKEY_CURRENT_USER, QStringLiteral("Software\\Stashbox"), QStringLiteral("v"), "x"),
                 ERROR_SUCCESS);
    }
    QVERIFY(QFile::remove(hivePath));
    if (hive.isEmpty()) {
        QCOMPARE(::mkfifo(QFile::encodeName(hivePath).constData(), 0600), 0);
    } else {
        QFile file(hivePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(hive);
    }
    QMap<QString, QByteArray> expected = snapshot(m_home->path());
    QVERIFY(expected.remove(QStringLiteral("autostart/Stashbox.desktop")) == 1);

    QVERIFY(runHelper());
    // The entry is gone; the hive is where and what it was.
    QCOMPARE(snapshot(m_home->path()), expected);
    QCOMPARE(QFileInfo(hivePath).isFile(), !hive.isEmpty());
}

QTEST_GUILESS_MAIN(TestUninstallHelper)
#include "tst_uninstallhelper.moc"
