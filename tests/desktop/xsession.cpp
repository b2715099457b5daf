#include "xsession.h"

#include "rigpaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

namespace {

constexpr int kStartTimeoutMs = 10000;

bool makePrivateDir(const QString& path)
{
    if (!QDir().mkpath(path))
        return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

XSession::XSession() = default;

XSession::~XSession()
{
    stop();
}

QProcessEnvironment XSession::environment() const
{
    const QProcessEnvironment outer = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), outer.value(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin")));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    // Sanitizer builds want their settings to reach the program.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TZ"}) {
        const QString key = QString::fromLatin1(name);
        if (outer.contains(key))
            env.insert(key, outer.value(key));
    }
    const QString root = m_temp.path();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/home/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/home/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    // No session bus: nothing reaches the caller's desktop, and tray icons go
    // through the X11 notification area that trayer provides.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=%1/no-session-bus").arg(root));
    return env;
}

bool XSession::start(QString* error)
{
    if (!m_temp.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString root = m_temp.path();
    for (const char* sub : {"/home", "/home/.config", "/home/.local/share", "/home/.cache"}) {
        if (!QDir().mkpath(root + QLatin1String(sub))) {
            *error = QStringLiteral("cannot create %1").arg(root + QLatin1String(sub));
            return false;
        }
    }
    if (!makePrivateDir(root + QStringLiteral("/runtime"))) {
        *error = QStringLiteral("cannot create the runtime folder");
        return false;
    }

    // -displayfd lets the server pick a free display itself and tell us on
    // stdout once it accepts connections, so parallel runs never collide.
    m_xvfb = std::make_unique<ManagedProcess>();
    m_xvfb->setEnvironment(environment());
    if (!m_xvfb->start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset"),
                        // Requests of up to 508 MiB (the default is 16 MiB): an owner may then
                        // offer hundreds of megabytes in one property, without INCR.
                        QStringLiteral("-maxbigreqsize"), QStringLiteral("127")},
                       error)) {
        m_xvfb.reset();
        return false;
    }
    QByteArray line;
    bool ok = false;
    if (m_xvfb->waitForLine(QByteArray(), kStartTimeoutMs, &line))
        line.toInt(&ok);
    if (!ok) {
        *error = QStringLiteral("Xvfb did not report a display (%1)").arg(m_xvfb->describeExit());
        stop();
        return false;
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(line);

    m_windowManager = std::make_unique<ManagedProcess>();
    m_windowManager->setEnvironment(environment());
    m_windowManager->setOutputFile(root + QStringLiteral("/openbox.log"));
    if (!m_windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}, error)
        || !waitForWindowManager(kStartTimeoutMs)) {
        if (error->isEmpty())
            *error = QStringLiteral("openbox did not come up (%1)").arg(m_windowManager->describeExit());
        stop();
        return false;
    }

    m_tray = std::make_unique<ManagedProcess>();
    m_tray->setEnvironment(environment());
    m_tray->setOutputFile(root + QStringLiteral("/trayer.log"));
    if (!m_tray->start(QStringLiteral("trayer"),
                       {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                        QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                        QStringLiteral("--height"), QStringLiteral("24"), QStringLiteral("--SetDockType"),
                        QStringLiteral("true"), QStringLiteral("--transparent"), QStringLiteral("false")},
                       error)
        || !waitForSelectionOwner(QStringLiteral("_NET_SYSTEM_TRAY_S0"), kStartTimeoutMs)) {
        if (error->isEmpty())
            *error = QStringLiteral("trayer did not take the tray selection (%1)").arg(m_tray->describeExit());
        stop();
        return false;
    }
    return true;
}

void XSession::stop()
{
    stopHelpers();
    if (m_tray)
        m_tray->stop();
    if (m_windowManager)
        m_windowManager->stop();
    if (m_xvfb)
        m_xvfb->stop();
    m_tray.reset();
    m_windowManager.reset();
    m_xvfb.reset();
}

bool XSession::waitForWindowManager(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const Result r =
            run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, 3000);
        if (r.finished && r.exitCode == 0 && r.output.contains("window id"))
            return true;
        if (!m_windowManager->isRunning())
            return false;
        QThread::msleep(50);
    }
    return false;
}

bool XSession::waitForSelectionOwner(const QString& selection, int timeoutMs)
{
    const Result r = run(RigPaths::clipOwner(),
                         {QStringLiteral("-w"), selection, QStringLiteral("-x"), QString::number(timeoutMs / 1000.0)},
                         timeoutMs + 2000);
    return r.finished && r.exitCode == 0;
}

XSession::Result XSession::run(const QString& program, const QStringList& args, int timeoutMs, const QByteArray& input)
{
    return run(program, args, environment(), timeoutMs, input);
}

XSession::Result XSession::run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                               int timeoutMs, const QByteArray& input)
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

ManagedProcess* XSession::startHelper(const QString& program, const QStringList& args, QString* error, bool keepOutput)
{
    // Owners that already lost the selection have exited; forget them.
    std::erase_if(m_helpers, [](const std::unique_ptr<ManagedProcess>& p) { return !p->isRunning(); });
    auto helper = std::make_unique<ManagedProcess>();
    helper->setEnvironment(environment());
    if (keepOutput)
        helper->mergeOutput();
    else
        helper->discardOutput();
    if (!helper->start(program, args, error))
        return nullptr;
    m_helpers.push_back(std::move(helper));
    return m_helpers.back().get();
}

void XSession::stopHelpers()
{
    for (auto& helper : m_helpers)
        helper->stop(2000);
    m_helpers.clear();
}

bool XSession::startXclip(const QStringList& args, const QByteArray& input, QString* error)
{
    // -quiet keeps xclip in the foreground (so we own its pid) and makes it
    // say when it owns the selection.
    ManagedProcess* xclip = startHelper(
        QStringLiteral("xclip"),
        QStringList{QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-quiet")} + args, error,
        true);
    if (!xclip)
        return false;
    if (!input.isNull()) {
        if (!xclip->write(input)) {
            if (error)
                *error = QStringLiteral("could not hand the text to xclip");
            return false;
        }
        xclip->closeWriteChannel();
    }
    if (!xclip->waitForLine("Waiting for selection requests", 10000)) {
        if (error)
            *error = QStringLiteral("xclip did not take the clipboard (%1)").arg(xclip->describeExit());
        return false;
    }
    return true;
}

bool XSession::copyText(const QString& text, QString* error)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.isNull())
        bytes = QByteArray("");
    return startXclip({}, bytes, error);
}

bool XSession::copyFile(const QString& path, const QString& mimeType, QString* error)
{
    return startXclip({QStringLiteral("-t"), mimeType, QStringLiteral("-i"), path}, QByteArray(), error);
}

XSession::Result XSession::readClipboard(const QString& target, int timeoutMs)
{
    return run(
        QStringLiteral("xclip"),
        {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), target},
        timeoutMs);
}

QStringList XSession::clipboardTargets(int timeoutMs)
{
    const Result r = readClipboard(QStringLiteral("TARGETS"), timeoutMs);
    if (!r.finished || r.exitCode != 0)
        return {};
    return QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList XSession::visibleWindows(const QString& titlePattern)
{
    const Result r =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern}, 5000);
    if (!r.finished)
        return {};
    return QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList XSession::visibleDialogs(const QString& titlePattern)
{
    QStringList dialogs;
    for (const QString& id : visibleWindows(titlePattern)) {
        const Result type =
            run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_WM_WINDOW_TYPE")});
        if (type.output.contains("_NET_WM_WINDOW_TYPE_DIALOG"))
            dialogs.append(id);
    }
    return dialogs;
}

bool XSession::pressKey(const QString& windowId, const QString& key)
{
    const Result r = run(QStringLiteral("xdotool"),
                         {QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowId, QStringLiteral("key"),
                          QStringLiteral("--clearmodifiers"), key},
                         10000);
    return r.finished && r.exitCode == 0;
}

bool XSession::click(QPoint p, int button)
{
    const Result r = run(QStringLiteral("xdotool"),
                         {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()),
                          QStringLiteral("click"), QString::number(button)},
                         10000);
    return r.finished && r.exitCode == 0;
}

bool XSession::moveMouse(QPoint p)
{
    const Result r = run(QStringLiteral("xdotool"),
                         {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())}, 10000);
    return r.finished && r.exitCode == 0;
}

bool XSession::screenshot(const QString& path)
{
    const Result r =
        run(QStringLiteral("import"),
            {QStringLiteral("-display"), m_display, QStringLiteral("-window"), QStringLiteral("root"), path}, 20000);
    return r.finished && r.exitCode == 0 && QFile::exists(path);
}

QString XSession::trayIcon(const QString& namePattern)
{
    const auto search = [this](const QStringList& args) {
        const Result r = run(QStringLiteral("xdotool"), QStringList{QStringLiteral("search")} + args);
        return QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    const QStringList trays = search({QStringLiteral("--class"), QStringLiteral("trayer")});
    for (const QString& icon : search({QStringLiteral("--onlyvisible"), QStringLiteral("--name"), namePattern})) {
        QString window = icon;
        // Walk up: the tray's socket, then the tray's own window.
        for (int depth = 0; depth < 4 && !window.isEmpty(); ++depth) {
            const Result r = run(QStringLiteral("xwininfo"), {QStringLiteral("-tree"), QStringLiteral("-id"), window});
            const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Parent window id: (0x[0-9a-f]+)"))
                                                  .match(QString::fromUtf8(r.output));
            window = m.hasMatch() ? QString::number(m.captured(1).toULongLong(nullptr, 16)) : QString();
            if (trays.contains(window))
                return icon;
        }
    }
    return {};
}
