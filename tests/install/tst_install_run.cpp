// The installation: this build installed with cmake into a temporary prefix, which is then moved
// and made read-only. The installed program runs on the virtual desktop with a home of its own,
// finds its skin, control libraries and icon under the prefix, and writes only per-user files.

#include "autostartkey.h"
#include "componentregistration.h"
#include "desktopfixture.h"
#include "registrystore.h"
#include "rigpaths.h"

#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QtTest>

namespace {
constexpr int kArrive = 10000;
const QString kCopied = QStringLiteral("copied while installed");

// Every entry under `root` with what a write would change: size and modification time.
QMap<QString, QString> tree(const QString& root)
{
    QMap<QString, QString> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries.insert(QDir(root).relativeFilePath(info.filePath()),
                       QStringLiteral("%1 %2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()));
    }
    return entries;
}

void setWritable(const QString& root, bool on)
{
    QStringList paths = tree(root).keys();
    std::transform(paths.begin(), paths.end(), paths.begin(), [&root](const QString& p) { return root + '/' + p; });
    for (const QString& path : paths << root) {
        const QFileDevice::Permissions write =
            QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        const QFileDevice::Permissions now = QFile::permissions(path);
        QFile::setPermissions(path, on ? now | QFileDevice::WriteOwner : now & ~write);
    }
}

QProcess::ProcessState runTool(QProcess& tool, const QString& program, const QStringList& args)
{
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, args);
    tool.waitForFinished(120000);
    return tool.state();
}

// The share of the window's pixels on the screen that are the skin's pixels at the same place.
double skinShare(XSession& session, const QRect& window, const QImage& skin)
{
    const QString shot = session.tempPath() + QStringLiteral("/installed.png");
    if (!session.screenshot(shot))
        return 0;
    const QImage screen = QImage(shot).convertToFormat(QImage::Format_RGB32);
    const QImage pattern = skin.convertToFormat(QImage::Format_RGB32);
    const QRect seen = window & screen.rect() & QRect(window.topLeft(), pattern.size());
    int same = 0;
    for (int y = seen.top(); y <= seen.bottom(); ++y)
        for (int x = seen.left(); x <= seen.right(); ++x)
            same += screen.pixel(x, y) == pattern.pixel(x - window.x(), y - window.y());
    return seen.isEmpty() ? 0 : double(same) / (seen.width() * seen.height());
}
} // namespace

class InstallRunTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed()); }
    void cleanupTestCase();

    void everyFileIsInstalledInItsPlace();
    void installedProgramRunsFromAMovedReadOnlyPrefix();

private:
    QTemporaryDir m_temp;
    QString m_prefix;
    DesktopFixture m_fx;
};

void InstallRunTest::initTestCase()
{
    QVERIFY(m_temp.isValid());
    const QString staged = m_temp.filePath(QStringLiteral("staged"));
    QProcess install;
    QCOMPARE(
        runTool(install, QStringLiteral(INSTALL_CMAKE),
                {QStringLiteral("--install"), QStringLiteral(INSTALL_BUILD_DIR), QStringLiteral("--prefix"), staged}),
        QProcess::NotRunning);
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    // A prefix may be moved as a whole (a copied tree, a mounted image): nothing may depend on
    // where it was installed. The blank tests the quoting of the paths the program writes.
    m_prefix = m_temp.filePath(QStringLiteral("moved prefix"));
    QVERIFY(QDir().rename(staged, m_prefix));
    QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error()));
}

void InstallRunTest::cleanupTestCase()
{
    m_fx.stopSession();
    setWritable(m_prefix, true);
}

void InstallRunTest::everyFileIsInstalledInItsPlace()
{
    // The programs and the arch-dependent libraries, and nothing else (no tests, no tools of the build).
    const auto files = [this](const char* folder) {
        QStringList names = QDir(m_prefix + folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    };
    QCOMPARE(files("/bin"), QStringList({"sbuninstallHelper", "sbxtool", "stashbox"}));
    QCOMPARE(files("/lib/stashbox"),
             QStringList({"FlatTick.so", "ZqCustomButton.so", "ZqTray.so", "libsbcomponent.so", "libsbshell.so"}));
    for (const char* file : {"sbbl.icj", "sbbr.icj", "clipboard.ico"})
        QVERIFY2(QFileInfo(m_prefix + "/share/stashbox/" + file).isFile(), file);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString icon = QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/stashbox.png").arg(m_prefix).arg(size);
        QCOMPARE(QImage(icon).size(), QSize(size, size));
    }
    // The menu entry passes the desktop's own check and starts the program found on PATH.
    const QString entry = m_prefix + "/share/applications/stashbox.desktop";
    QProcess validate;
    QCOMPARE(runTool(validate, QStringLiteral("desktop-file-validate"), {entry}), QProcess::NotRunning);
    const QByteArray complaints = validate.readAll();
    QVERIFY2(validate.exitCode() == 0 && complaints.isEmpty(), complaints.constData());
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("\nExec=stashbox\n") && text.contains("\nIcon=stashbox\n"));
}

void InstallRunTest::installedProgramRunsFromAMovedReadOnlyPrefix()
{
    setWritable(m_prefix, false);
    const QMap<QString, QString> before = tree(m_prefix);
    m_fx.setInstalledProgram(m_prefix + "/bin/stashbox");
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    StashboxApp& app = m_fx.app();
    QVERIFY2(m_fx.copyText(kCopied) && m_fx.waitForTopText(kCopied, kArrive), qPrintable(m_fx.error()));

    // Its buttons, with the skin from the prefix behind them.
    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("Command5"), &s), qPrintable(m_fx.error()));
    const QRect window = s.controls.value(QStringLiteral("frmTrove"));
    for (const char* button : {"Command1", "Command3", "Command4", "Command5", "cmdExit"})
        QVERIFY2(window.contains(s.controls.value(QString::fromLatin1(button))), button);
    const double skin = skinShare(m_fx.session(), window, QImage(m_prefix + "/share/stashbox/sbbr.icj"));
    QVERIFY2(skin > 0.2, qPrintable(QString::number(skin)));

    // Its control libraries, registered at the first start, are the installed ones, and so are the
    // libraries it runs with.
    RegistryStore registry(app.configPath());
    for (const char* progId : {"ZqCustomButton.ZqCommand", "FlatTick.Check", "ZqTray_build2.Zqtray"}) {
        ComponentRegistration::Entry entry;
        QVERIFY2(ComponentRegistration(registry).find(QString::fromLatin1(progId), &entry), progId);
        QCOMPARE(QFileInfo(entry.libraryPath).path(), m_prefix + "/lib/stashbox");
    }
    QFile maps(QStringLiteral("/proc/%1/maps").arg(app.pid()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    QVERIFY(mapped.contains(QFile::encodeName(m_prefix + "/lib/stashbox/libsbcomponent.so")));
    QVERIFY(!mapped.contains(INSTALL_BUILD_DIR));

    // The autostart entry names the installed program.
    const AutostartKey autostart(app.configPath() + "/autostart");
    quint32 type = 0;
    QByteArray command;
    QVERIFY(autostart.read(QStringLiteral("Stashbox"), &type, &command));
    QCOMPARE(QString::fromUtf8(command.constData()), '"' + m_prefix + "/bin/stashbox\"");

    // It wrote nothing into the prefix, and its own files only into the per-user folders.
    app.stop();
    QCOMPARE(tree(m_prefix), before);
    const QStringList perUser = {".local/share/stashbox/", ".config/stashbox/", ".config/autostart/",
                                 ".cache/stashbox/"};
    for (const QString& path : tree(app.homePath()).keys())
        QVERIFY2(QFileInfo(app.homePath() + '/' + path).isDir()
                     || std::any_of(perUser.begin(), perUser.end(),
                                    [&path](const QString& f) { return path.startsWith(f); }),
                 qPrintable(path));
    const QString list = app.userFolder() + "/{E098A55430BFFEE0816A628E}{" + RigPaths::loginName() + "}/temp.sbt";
    QVERIFY(QFileInfo::exists(app.userFolder() + '/' + RigPaths::loginName() + ".welcomed"));

    // The installed tools: sbxtool reads the list the program left, the uninstall helper removes the
    // autostart entry.
    QProcess sbxtool;
    QCOMPARE(runTool(sbxtool, m_prefix + "/bin/sbxtool", {list}), QProcess::NotRunning);
    QVERIFY2(sbxtool.exitCode() == 0 && sbxtool.readAll().contains(kCopied.toUtf8()), qPrintable(list));
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), app.homePath());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), app.configPath());
    helper.setProcessEnvironment(env);
    QCOMPARE(runTool(helper, m_prefix + "/bin/sbuninstallHelper", {}), QProcess::NotRunning);
    QCOMPARE(helper.exitCode(), 0);
    QVERIFY(!autostart.read(QStringLiteral("Stashbox"), &type, &command));
}

QTEST_GUILESS_MAIN(InstallRunTest)
#include "tst_install_run.moc"
