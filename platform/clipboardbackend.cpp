#include "clipboardbackend.h"

#include "qtclipboardport.h"

#ifdef STASHBOX_WAYLAND
#include "waylandclipboardport.h"
#include "waylandselection.h"
#endif

DesktopSession DesktopSession::current()
{
    DesktopSession session;
    session.wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    session.x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
#ifdef STASHBOX_WAYLAND
    if (session.wayland)
        session.dataControl = WaylandSelection::probe();
#endif
    return session;
}

ClipboardBackend chooseClipboardBackend(const DesktopSession& session)
{
    if (!session.wayland)
        return ClipboardBackend::X11;
    if (!session.dataControl.isEmpty())
        return ClipboardBackend::Wayland;
    return session.x11 ? ClipboardBackend::X11 : ClipboardBackend::Qt;
}

QString describeClipboardBackend(ClipboardBackend backend, const DesktopSession& session)
{
    switch (backend) {
    case ClipboardBackend::Wayland: return QStringLiteral("Wayland (%1)").arg(session.dataControl);
    case ClipboardBackend::Qt: return QStringLiteral("Wayland window clipboard (no data-control)");
    case ClipboardBackend::X11: break;
    }
    return session.wayland ? QStringLiteral("X11 through XWayland (no data-control)") : QStringLiteral("X11");
}

QByteArray preferredQtPlatform(const DesktopSession& session)
{
    if (!session.wayland)
        return {};
    return session.x11 ? QByteArrayLiteral("xcb") : QByteArrayLiteral("wayland");
}

QStringList sessionNotes(ClipboardBackend backend, const DesktopSession& session, const QString& qtPlatform)
{
    QStringList notes;
    if (backend == ClipboardBackend::X11 && session.wayland)
        notes << QStringLiteral("This desktop does not let Stashbox watch its clipboard directly: copies made "
                                "while no X11 window has the focus may be missed.");
    else if (backend == ClipboardBackend::Qt)
        notes << QStringLiteral("This desktop does not let Stashbox watch its clipboard directly: copies made "
                                "while the Stashbox window does not have the focus are missed.");
    if (qtPlatform == QLatin1String("wayland"))
        notes << QStringLiteral("The edge panel needs XWayland: without it the Stashbox window is shown as an "
                                "ordinary window.");
    return notes;
}

std::unique_ptr<ClipboardPort> makeClipboardPort(ClipboardBackend& backend)
{
#ifdef STASHBOX_WAYLAND
    if (backend == ClipboardBackend::Wayland) {
        auto port = std::make_unique<WaylandClipboardPort>();
        if (port->isConnected())
            return port;
    }
#endif
    // The compositor went away since it was asked: the clipboard Qt knows.
    if (backend == ClipboardBackend::Wayland)
        backend = ClipboardBackend::Qt;
    return std::make_unique<QtClipboardPort>();
}
