#include "stashboxapp.h"

#include "rigdesktop.h"
#include "rigpaths.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

StashboxApp::StashboxApp(RigDesktop& session)
    : m_session(session)
{
}

StashboxApp::~StashboxApp()
{
    stop();
}

void StashboxApp::setSetting(const QString& key, const QString& value)
{
    m_settings.append({key, value});
}

QString StashboxApp::folder() const
{
    return m_temp.filePath(QStringLiteral("app"));
}

QString StashboxApp::userFolder() const
{
    return m_installedProgram.isEmpty() ? folder() : m_temp.filePath(QStringLiteral("home/.local/share/stashbox"));
}

QString StashboxApp::program() const
{
    return m_installedProgram.isEmpty() ? QDir(folder()).filePath(QStringLiteral("stashbox")) : m_installedProgram;
}

QString StashboxApp::settingsPath() const
{
    return QDir(userFolder()).filePath(RigPaths::loginName() + QStringLiteral(".ini"));
}

QString StashboxApp::probePath() const
{
    return m_temp.filePath(QStringLiteral("probe.json"));
}

qint64 StashboxApp::pid() const
{
    return m_process ? m_process->pid() : 0;
}

bool StashboxApp::copyProgramFolder(const QString& from, const QString& to, QString* error) const
{
    // Per-user files that earlier runs of the build's own copy left beside the
    // program (settings, autosave folder, first-start marker) must not leak
    // into a test.
    const QString user = RigPaths::loginName();
    auto perUser = [&user](const QString& relative) {
        const QString top = relative.section(QLatin1Char('/'), 0, 0);
        return top == user || top.startsWith(user + QLatin1Char('.'))
            || top.endsWith(QLatin1Char('{') + user + QLatin1Char('}'));
    };
    const QDir source(from);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    if (!QDir().mkpath(to)) {
        *error = QStringLiteral("cannot create %1").arg(to);
        return false;
    }
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = source.relativeFilePath(path);
        if (perUser(relative))
            continue;
        const QString target = QDir(to).filePath(relative);
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            if (!QDir().mkpath(target)) {
                *error = QStringLiteral("cannot create %1").arg(target);
                return false;
            }
        } else if (!QFile::copy(path, target)) {
            *error = QStringLiteral("cannot copy %1").arg(path);
            return false;
        }
    }
    return true;
}

bool StashboxApp::writeSettings(QString* error) const
{
    if (m_settings.isEmpty())
        return true;
    QByteArray text = "[SBOptions]\r\n";
    for (const auto& [key, value] : m_settings)
        text += key.toUtf8() + '=' + value.toUtf8() + "\r\n";
    QDir().mkpath(userFolder());
    QSaveFile file(settingsPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1").arg(settingsPath());
        return false;
    }
    return true;
}

bool StashboxApp::start(QString* error, int timeoutMs)
{
    if (!m_temp.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString source = m_installedProgram.isEmpty() ? RigPaths::program() : m_installedProgram;
    if (!QFileInfo(source).isExecutable()) {
        *error = QStringLiteral("the program %1 is not built").arg(source);
        return false;
    }
    if ((m_installedProgram.isEmpty() && !copyProgramFolder(RigPaths::appDir(), folder(), error))
        || !writeSettings(error))
        return false;

    const QString root = m_temp.path();
    for (const char* sub : {"/home/.config", "/home/.local/share", "/home/.cache"})
        QDir().mkpath(root + QLatin1String(sub));
    QDir().mkpath(root + QStringLiteral("/runtime"));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return launch(error, timeoutMs);
}

QString StashboxApp::homePath() const
{
    return m_temp.filePath(QStringLiteral("home"));
}

QString StashboxApp::configPath() const
{
    return m_temp.filePath(QStringLiteral("home/.config"));
}

QProcessEnvironment StashboxApp::environment() const
{
    const QString root = m_temp.path();
    QProcessEnvironment env = m_session.environment();
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/home/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/home/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("STASHBOX_STATE_FILE"), probePath());
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the real program chooses its platform itself
    return env;
}

bool StashboxApp::launch(QString* error, int timeoutMs)
{
    const QString root = m_temp.path();
    // A new run writes a new probe; the old one must not be taken for it.
    QFile::remove(probePath());
    // The program marks its first start before it greets: look before it runs.
    m_greeted = !QFile::exists(QDir(userFolder()).filePath(RigPaths::loginName() + QStringLiteral(".welcomed")));
    m_process = std::make_unique<ManagedProcess>();
    m_process->setEnvironment(environment());
    m_process->setOutputFile(root + QStringLiteral("/output.log"));
    if (!m_process->start(program(), {}, error))
        return false;
    ProbeState last;
    if (!waitFor([](const ProbeState&) { return true; }, timeoutMs, &last)) {
        *error = QStringLiteral("no probe from the program within %1 ms (%2)\n%3")
                     .arg(timeoutMs)
                     .arg(exitDescription(), outputTail());
        return false;
    }
    return !m_expectWindow || waitForWindow(error, timeoutMs);
}

bool StashboxApp::restart(QString* error, int timeoutMs)
{
    if (isAlive()) {
        *error = QStringLiteral("the program is still running");
        return false;
    }
    return launch(error, timeoutMs);
}

RigDesktop::Result StashboxApp::command(const QStringList& args, int timeoutMs)
{
    return m_session.run(program(), args, environment(), timeoutMs);
}

QString StashboxApp::socketPath() const
{
    return m_temp.filePath(QStringLiteral("runtime/stashbox.socket"));
}

std::unique_ptr<ManagedProcess> StashboxApp::launchAnother(QString* error)
{
    auto other = std::make_unique<ManagedProcess>();
    QProcessEnvironment env = environment();
    // Its own probe, so that it cannot be mistaken for the first copy's.
    env.insert(QStringLiteral("STASHBOX_STATE_FILE"), m_temp.filePath(QStringLiteral("probe-second.json")));
    other->setEnvironment(env);
    other->setOutputFile(m_temp.path() + QStringLiteral("/output-second.log"));
    if (!other->start(program(), {}, error))
        return nullptr;
    return other;
}

bool StashboxApp::waitForWindow(QString* error, int timeoutMs)
{
    // The first probe is written once the window is shown. A first start then greets the user
    // with a message box: the user reads it and presses Return before doing anything else.
    QElapsedTimer clock;
    clock.start();
    bool seenBox = false;
    QElapsedTimer sincePress;
    ProbeState last;
    while (clock.elapsed() < timeoutMs && isAlive()) {
        // A key may come before the box takes it: press again while the box stays.
        const QStringList boxes = m_session.visibleDialogs(QStringLiteral("^Stashbox$"));
        if (!boxes.isEmpty() && (!sincePress.isValid() || sincePress.elapsed() > 500)) {
            for (const QString& id : boxes)
                m_session.pressKey(id, QStringLiteral("Return"));
            sincePress.start();
        }
        seenBox = seenBox || !boxes.isEmpty();
        if (const auto s = state()) {
            last = *s;
            if (s->controls.contains(QStringLiteral("frmTrove")) && boxes.isEmpty() && (seenBox || !m_greeted))
                return waitForQuiet(error, timeoutMs - int(clock.elapsed()));
        }
        QThread::msleep(30);
    }
    *error = QStringLiteral("the main window did not come up within %1 ms (%2); last probe:\n%3\n%4")
                 .arg(timeoutMs)
                 .arg(exitDescription(), last.describe(), outputTail());
    return false;
}

bool StashboxApp::waitForQuiet(QString* error, int timeoutMs)
{
    // The window manager places a new window after it is shown, which moves it; the program
    // rewrites its probe then. Clicks must wait for the place where the window stays.
    constexpr int kQuietMs = 400;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer quiet;
    quiet.start();
    qint64 seq = -1;
    while (clock.elapsed() < qMax(timeoutMs, kQuietMs * 2) && isAlive()) {
        const auto s = state();
        const qint64 now = s ? s->seq : -1;
        if (now != seq) {
            seq = now;
            quiet.restart();
        } else if (quiet.elapsed() >= kQuietMs) {
            return true;
        }
        QThread::msleep(30);
    }
    *error = QStringLiteral("the main window did not settle (%1)").arg(exitDescription());
    return false;
}

void StashboxApp::stop()
{
    if (m_process)
        m_process->stop(3000);
}

bool StashboxApp::isAlive()
{
    return m_process && m_process->isRunning();
}

QString StashboxApp::exitDescription()
{
    return m_process ? m_process->describeExit() : QStringLiteral("not started");
}

QString StashboxApp::outputTail(int maxChars) const
{
    QFile file(m_temp.filePath(QStringLiteral("output.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString all = QString::fromUtf8(file.readAll());
    return all.size() > maxChars ? all.right(maxChars) : all;
}

std::optional<ProbeState> StashboxApp::state() const
{
    return ProbeState::read(probePath());
}

bool StashboxApp::waitFor(const Predicate& predicate, int timeoutMs, ProbeState* last)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (const auto s = state()) {
            if (last)
                *last = *s;
            if (predicate(*s))
                return true;
        }
        if (clock.elapsed() >= timeoutMs || !isAlive())
            return false;
        QThread::msleep(15);
    }
}

bool StashboxApp::waitForChange(qint64 seq, int timeoutMs, ProbeState* last)
{
    return waitFor([seq](const ProbeState& s) { return s.seq > seq; }, timeoutMs, last);
}
