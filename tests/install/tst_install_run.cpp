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
const QString kCopied = QStringLiteral("copied while installed");

// Every entry under `root` with what a write would change: size and modification time.
QMap<QString, QString> tree(const QString& root)
{
    QMap<QString, QString> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries.insert(QDir(root).relativeFilePath(info.filePath()),
                       QStringLiteral("%1 %2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()));
    }
    return entries;
}

// Runs a tool to its end; its exit code (-1 when it did not run or end), with stdout and stderr.
int runTool(const QString& program, const QStringList& args, QByteArray* output = nullptr,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.setProcessEnvironment(env);
    tool.start(program, args);
    const bool ended = tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit;
    if (output)
        *output = tool.readAll();
    return ended ? tool.exitCode() : -1;
}

// The share of the window's pixels on the screen that are the skin's pixels at the same place.
double skinShare(XSession& session, const QRect& window, const QImage& skin)
{
    const QString shot = session.tempPath() + QStringLiteral("/installed.png");
    const QImage screen = session.screenshot(shot) ? QImage(shot).convertToFormat(QImage::Format_RGB32) : QImage();
    const QRect seen = window & screen.rect() & QRect(window.topLeft(), skin.size());
    int same = 0;
    for (int y = seen.top(); y <= seen.bottom(); ++y)
        for (int x = seen.left(); x <= seen.right(); ++x)
            same += screen.pixel(x, y) == skin.pixel(x - window.x(), y - window.y());
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
    QByteArray output;
    QVERIFY2(runTool(QStringLiteral(INSTALL_CMAKE), {"--install", INSTALL_BUILD_DIR, "--prefix", staged}, &output) == 0,
             output.constData());
    // A prefix may be moved as a whole (a copied tree, a mounted image): nothing may depend on
    // where it was installed. The blank tests the quoting of the paths the program writes.
    m_prefix = m_temp.filePath(QStringLiteral("moved prefix"));
    QVERIFY(QDir().rename(staged, m_prefix));
    QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error()));
}

void InstallRunTest::cleanupTestCase()
{
    m_fx.stopSession();
    runTool(QStringLiteral("chmod"), {"-R", "u+w", m_prefix});
}

void InstallRunTest::everyFileIsInstalledInItsPlace()
{
    // The programs and the arch-dependent libraries, and nothing else (no tests, no build tools).
    const auto files = [this](const char* folder) {
        QStringList names = QDir(m_prefix + folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    };
    QCOMPARE(files("/bin"), QStringList({"sbuninstallHelper", "sbxtool", "stashbox"}));
    QCOMPARE(files("/lib/stashbox"),
             QStringList({"FlatTick.so", "ZqCustomButton.so", "ZqTray.so", "libsbcomponent.so", "libsbshell.so"}));
    for (const char* file : {"clipboard.ico", "sbbl.icj", "sbbr.icj"})
        QVERIFY2(files("/share/stashbox").contains(QString::fromLatin1(file)), file);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QCOMPARE(
            QImage(QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/stashbox.png").arg(m_prefix).arg(size)).size(),
            QSize(size, size));
    // The menu entry passes the desktop's own check and starts the program found on PATH.
    const QString entry = m_prefix + "/share/applications/stashbox.desktop";
    QByteArray complaints;
    QVERIFY2(runTool(QStringLiteral("desktop-file-validate"), {entry}, &complaints) == 0 && complaints.isEmpty(),
             complaints.constData());
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("\nExec=stashbox\n") && text.contains("\nIcon=stashbox\n"));
}

void InstallRunTest::installedProgramRunsFromAMovedReadOnlyPrefix()
{
    QCOMPARE(runTool(QStringLiteral("chmod"), {"-R", "a-w", m_prefix}), 0);
    const QMap<QString, QString> before = tree(m_prefix);
    m_fx.setInstalledProgram(m_prefix + "/bin/stashbox");
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    StashboxApp& app = m_fx.app();
    QVERIFY2(m_fx.copyText(kCopied) && m_fx.waitForTopText(kCopied, 10000), qPrintable(m_fx.error()));

    // Its buttons, with the skin from the prefix behind them.
    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("Command5"), &s), qPrintable(m_fx.error()));
    const QRect window = s.controls.value(QStringLiteral("frmTrove"));
    for (const char* button : {"Command1", "Command3", "Command4", "Command5", "cmdExit"})
        QVERIFY2(window.contains(s.controls.value(QString::fromLatin1(button))), button);
    const QImage skin = QImage(m_prefix + "/share/stashbox/sbbr.icj").convertToFormat(QImage::Format_RGB32);
    const double share = skinShare(m_fx.session(), window, skin);
    QVERIFY2(share > 0.2, qPrintable(QString::number(share)));

    // The control libraries it registered at its first start, and every library it runs with,
    // are the installed ones.
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

    // Nothing was written into the prefix; everything else went to the per-user folders.
    app.stop();
    QCOMPARE(tree(m_prefix), before);
    const QStringList perUser = {".local/share/stashbox/", ".config/stashbox/", ".config/autostart/",
                                 ".cache/stashbox/"};
    for (const QString& path : tree(app.homePath()).keys())
        QVERIFY2(QFileInfo(app.homePath() + '/' + path).isDir()
                     || std::any_of(perUser.begin(), perUser.end(),
                                    [&path](const QString& f) { return path.startsWith(f); }),
                 qPrintable(path));
    QVERIFY(QFileInfo::exists(app.userFolder() + '/' + RigPaths::loginName() + ".welcomed"));

    // The installed tools: sbxtool reads the list the program saved, the uninstall helper removes
    // the autostart entry.
    QByteArray items;
    const QString list = app.userFolder() + "/{E098A55430BFFEE0816A628E}{" + RigPaths::loginName() + "}/temp.sbt";
    QVERIFY2(runTool(m_prefix + "/bin/sbxtool", {list}, &items) == 0 && items.contains(kCopied.toUtf8()),
             items.constData());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), app.homePath());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), app.configPath());
    QCOMPARE(runTool(m_prefix + "/bin/sbuninstallHelper", {}, nullptr, env), 0);
    QVERIFY(!autostart.read(QStringLiteral("Stashbox"), &type, &command));
}

QTEST_GUILESS_MAIN(InstallRunTest)
#include "tst_install_run.moc"
