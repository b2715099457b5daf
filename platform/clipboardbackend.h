#pragma once

#include "clipboardport.h"

#include <QString>
#include <QStringList>

#include <memory>

// The desktop the program was started in, as far as the choice of its clipboard goes.
struct DesktopSession
{
    bool wayland = false; // a Wayland session (WAYLAND_DISPLAY is set)
    bool x11 = false;     // an X display is there (an X11 session, or XWayland)
    // The data-control interface the compositor offers; "" when none.
    QString dataControl;

    // This process's session; asks the compositor, when there is one, for data-control.
    static DesktopSession current();
};

// Which clipboard serves the program. Chosen once, at start, here alone: the rest of the program
// only sees a ClipboardPort.
enum class ClipboardBackend {
    // The X11 selection (an X11 session, or XWayland in a Wayland session without data-control).
    X11,
    // The Wayland selection through data-control; the X11 one stays idle, since XWayland mirrors
    // every copy into it and both at once would capture each copy twice.
    Wayland,
    // Neither: Qt's own clipboard of a Wayland window (a Wayland session with neither).
    Qt,
};

ClipboardBackend chooseClipboardBackend(const DesktopSession& session);
// The line that says which backend runs, for the start-up message and --version.
QString describeClipboardBackend(ClipboardBackend backend, const DesktopSession& session);
// The windowing platform the program asks Qt for: in a Wayland session the X11 one while XWayland
// is there (the edge panel needs it), else Wayland's. "" leaves it to Qt and to QT_QPA_PLATFORM.
QByteArray preferredQtPlatform(const DesktopSession& session);
// What the user is told once, without a modal box, about what this session cannot do.
QStringList sessionNotes(ClipboardBackend backend, const DesktopSession& session, const QString& qtPlatform);
// The port of `backend`; needs the application object. Should the compositor have gone since it was
// asked, `backend` becomes the one that serves instead.
std::unique_ptr<ClipboardPort> makeClipboardPort(ClipboardBackend& backend);
