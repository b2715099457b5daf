#include "waylandsession.h"

#include "rigpaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

namespace {
constexpr int kStartTimeoutMs = 15000;

// Walks sway's tree, visiting every visible window.
template <typename F> void forEachWindow(const QJsonObject& node, const F& visit)
{
    if (node.contains(QStringLiteral("pid")) && node.value(QStringLiteral("visible")).toBool())
        visit(node);
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue& child : node.value(QLatin1String(children)).toArray())
            forEachWindow(child.toObject(), visit);
}
} // namespace

WaylandSession::WaylandSession(bool xwayland)
    : m_xwayland(xwayland)
{
}

WaylandSession::~WaylandSession()
{
    stop();
}

QProcessEnvironment WaylandSession::environment() const
{
    const QProcessEnvironment outer = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), outer.value(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin")));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TZ"}) {
        const QString key = QString::fromLatin1(name);
        if (outer.contains(key))
            env.insert(key, outer.value(key));
    }
    const QString root = m_temp.path();
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_waylandDisplay);
    env.insert(QStringLiteral("SWAYSOCK"), m_swaySocket);
    if (!m_xDisplay.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), m_xDisplay);
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/home/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/home/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=%1/no-session-bus").arg(root));
    return env;
}

bool WaylandSession::start(QString* error)
{
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty()) {
        *error = QStringLiteral("sway is not installed (tools/install-deps installs it)");
        return false;
    }
    if (!m_temp.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString root = m_temp.path();
    for (const char* sub :
         {"/home/.config", "/home/.local/share", "/home/.cache", "/runtime", "/sway/home", "/sway/runtime"})
        QDir().mkpath(root + QLatin1String(sub));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // sway runs as an ordinary user; root lends it nobody and the folders it needs.
    QStringList command{QStringLiteral("sway")};
    const bool root_ = ::geteuid() == 0;
    const passwd* self = ::getpwuid(::geteuid());
    const QString caller = self ? QString::fromLocal8Bit(self->pw_name) : QStringLiteral("root");
    if (root_) {
        const passwd* user = ::getpwnam("nobody");
        if (!user) {
            *error = QStringLiteral("sway refuses to run as root, and there is no user nobody to run it as");
            return false;
        }
        const QByteArray owner = QByteArray::number(user->pw_uid) + ':' + QByteArray::number(user->pw_gid);
        for (const char* sub : {"/sway", "/sway/home", "/sway/runtime"})
            if (::chown(QFile::encodeName(root + QLatin1String(sub)).constData(), user->pw_uid, user->pw_gid) != 0) {
                *error = QStringLiteral("cannot hand %1 to nobody").arg(root + QLatin1String(sub));
                return false;
            }
        QFile::setPermissions(root,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                  | QFileDevice::ExeGroup | QFileDevice::ExeOther);
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(user->pw_uid),
                              QStringLiteral("--regid=%1").arg(user->pw_gid), QStringLiteral("--clear-groups"),
                              QStringLiteral("--")}
            + command;
    }
    QFile::setPermissions(root + QStringLiteral("/sway/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // A fixed output; XWayland tells where it is (and lets the caller's X clients in) once it runs.
    QByteArray config = "output HEADLESS-1 resolution " + QByteArray::number(Width) + 'x' + QByteArray::number(Height)
        + " position 0 0\n";
    if (m_xwayland) {
        // Started now and kept running: the access granted below lives as long as the X server.
        config += "xwayland force\n";
        config += "exec sh -c 'xhost +si:localuser:" + caller.toLocal8Bit() + " >/dev/null 2>&1; echo \"$DISPLAY\" > "
            + QFile::encodeName(root) + "/sway/display.new && mv " + QFile::encodeName(root) + "/sway/display.new "
            + QFile::encodeName(root) + "/sway/display'\n";
    } else {
        config += "xwayland disable\n";
    }
    QFile file(root + QStringLiteral("/sway/config"));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        *error = QStringLiteral("cannot write the sway configuration");
        return false;
    }
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther
                        | QFileDevice::ReadGroup);

    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"),
               QProcessEnvironment::systemEnvironment().value(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin")));
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/sway/home"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/sway/runtime"));
    env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    m_sway = std::make_unique<ManagedProcess>();
    m_sway->setEnvironment(env);
    m_sway->setOutputFile(root + QStringLiteral("/sway.log"));
    const QString program = command.takeFirst();
    if (!m_sway->start(program, command + QStringList{QStringLiteral("-c"), root + QStringLiteral("/sway/config")},
                       error)) {
        m_sway.reset();
        return false;
    }
    return waitForSway(error);
}

bool WaylandSession::waitForSway(QString* error)
{
    const QString root = m_temp.path();
    const QDir runtime(root + QStringLiteral("/sway/runtime"));
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kStartTimeoutMs && m_sway->isRunning()) {
        const QStringList sockets = runtime.entryList({QStringLiteral("wayland-*")}, QDir::System);
        const QStringList ipc = runtime.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        for (const QString& name : sockets)
            if (!name.endsWith(QLatin1String(".lock")))
                m_waylandDisplay = runtime.filePath(name);
        if (!ipc.isEmpty())
            m_swaySocket = runtime.filePath(ipc.front());
        QFile display(root + QStringLiteral("/sway/display"));
        if (m_xwayland && display.open(QIODevice::ReadOnly))
            m_xDisplay = QString::fromLocal8Bit(display.readAll().trimmed());
        if (!m_waylandDisplay.isEmpty() && !m_swaySocket.isEmpty() && (!m_xwayland || !m_xDisplay.isEmpty())
            && run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_outputs")}).exitCode == 0)
            return true;
        QThread::msleep(50);
    }
    QFile log(root + QStringLiteral("/sway.log"));
    log.open(QIODevice::ReadOnly);
    *error = QStringLiteral("sway did not come up (%1): %2")
                 .arg(m_sway->describeExit(), QString::fromLocal8Bit(log.readAll().right(1500)));
    stop();
    return false;
}

void WaylandSession::stop()
{
    stopHelpers();
    if (m_sway)
        m_sway->stop();
    m_sway.reset();
}

WaylandSession::Result WaylandSession::run(const QString& program, const QStringList& args, int timeoutMs,
                                           const QByteArray& input)
{
    return run(program, args, environment(), timeoutMs, input);
}

WaylandSession::Result WaylandSession::run(const QString& program, const QStringList& args,
                                           const QProcessEnvironment& env, int timeoutMs, const QByteArray& input)
{
    Result result;
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return result;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs) {
        process.waitForFinished(int(qMin<qint64>(100, timeoutMs - clock.elapsed() + 1)));
        result.output += process.readAllStandardOutput();
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.output += process.readAllStandardOutput();
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

ManagedProcess* WaylandSession::startHelper(const QString& program, const QStringList& args, QString* error)
{
    std::erase_if(m_helpers, [](const std::unique_ptr<ManagedProcess>& p) { return !p->isRunning(); });
    auto helper = std::make_unique<ManagedProcess>();
    helper->setEnvironment(environment());
    helper->discardOutput();
    if (!helper->start(program, args, error))
        return nullptr;
    m_helpers.push_back(std::move(helper));
    return m_helpers.back().get();
}

void WaylandSession::stopHelpers()
{
    for (auto& helper : m_helpers)
        helper->stop(2000);
    m_helpers.clear();
}

bool WaylandSession::copy(const QByteArray& data, const QString& type, QString* error)
{
    // In the foreground, so that its pid is ours; it owns the selection once it has read its input.
    ManagedProcess* wlCopy =
        startHelper(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), QStringLiteral("--type"), type}, error);
    if (!wlCopy || !wlCopy->write(data))
        return false;
    wlCopy->closeWriteChannel();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        const Result types = run(QStringLiteral("wl-paste"), {QStringLiteral("--list-types")}, 3000);
        if (types.output.split('\n').contains(type.toUtf8()) && paste(type).output == data)
            return true;
        QThread::msleep(20);
    }
    if (error)
        *error = QStringLiteral("wl-copy did not take the selection (%1)").arg(wlCopy->describeExit());
    return false;
}

WaylandSession::Result WaylandSession::paste(const QString& type)
{
    return run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline"), QStringLiteral("--type"), type});
}

QStringList WaylandSession::pasteTypes()
{
    const Result r = run(QStringLiteral("wl-paste"), {QStringLiteral("--list-types")});
    return QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString WaylandSession::pointerTool()
{
    return QStringLiteral(DESKTOPRIG_WLPOINTER);
}

QString WaylandSession::clipOwnerTool()
{
    return QStringLiteral(DESKTOPRIG_WLCLIPOWNER);
}

bool WaylandSession::click(QPoint p)
{
    const Result r = run(pointerTool(),
                         {QString::number(Width), QString::number(Height), QStringLiteral("click"),
                          QString::number(p.x()), QString::number(p.y())});
    return r.finished && r.exitCode == 0;
}

bool WaylandSession::moveMouse(QPoint p)
{
    const Result r = run(pointerTool(),
                         {QString::number(Width), QString::number(Height), QStringLiteral("move"),
                          QString::number(p.x()), QString::number(p.y())});
    return r.finished && r.exitCode == 0;
}

QJsonObject WaylandSession::tree()
{
    const Result r =
        run(QStringLiteral("swaymsg"), {QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_tree")});
    return QJsonDocument::fromJson(r.output).object();
}

QStringList WaylandSession::windows(const QString& titlePattern)
{
    // sway numbers its containers as they come: the first window of a program is its main window.
    const QRegularExpression title(titlePattern);
    QList<qint64> found;
    forEachWindow(tree(), [&](const QJsonObject& window) {
        if (title.match(window.value(QStringLiteral("name")).toString()).hasMatch())
            found.append(window.value(QStringLiteral("id")).toInteger());
    });
    std::sort(found.begin(), found.end());
    QStringList ids;
    for (qint64 id : found)
        ids << QString::number(id);
    return ids;
}

QPoint WaylandSession::windowOrigin(const QString& id)
{
    QPoint origin(-1, -1);
    forEachWindow(tree(), [&](const QJsonObject& window) {
        if (QString::number(window.value(QStringLiteral("id")).toInteger()) != id)
            return;
        // The container's place, and the window's inside it (below its title bar, say).
        const QJsonObject outer = window.value(QStringLiteral("rect")).toObject();
        const QJsonObject inner = window.value(QStringLiteral("window_rect")).toObject();
        origin = QPoint(outer.value(QStringLiteral("x")).toInt() + inner.value(QStringLiteral("x")).toInt(),
                        outer.value(QStringLiteral("y")).toInt() + inner.value(QStringLiteral("y")).toInt());
    });
    return origin;
}

QStringList WaylandSession::visibleDialogs(const QString& titlePattern)
{
    return windows(titlePattern).mid(1);
}

bool WaylandSession::typeKeys(const QString& id, const QStringList& keys)
{
    const Result focus =
        run(QStringLiteral("swaymsg"), {QStringLiteral("[con_id=%1]").arg(id), QStringLiteral("focus")});
    if (!focus.finished || focus.exitCode != 0)
        return false;
    // A new virtual keyboard's first key goes while the program takes its keymap: a key that does
    // nothing goes first.
    QStringList args{QStringLiteral("-d"), QStringLiteral("50"), QStringLiteral("-k"), QStringLiteral("Shift_L")};
    for (const QString& key : keys)
        args << QStringLiteral("-k") << key;
    const Result typed = run(QStringLiteral("wtype"), args);
    return typed.finished && typed.exitCode == 0;
}

bool WaylandSession::pressKey(const QString& windowId, const QString& key)
{
    return typeKeys(windowId, {key});
}

bool WaylandSession::screenshot(const QString& path)
{
    const Result r = run(QStringLiteral("grim"), {path}, 20000);
    return r.finished && r.exitCode == 0 && QFile::exists(path);
}
