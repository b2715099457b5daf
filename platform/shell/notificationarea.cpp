#include "notificationarea.h"

#ifdef STASHBOX_XEMBED_TRAY
#include <QByteArray>
#include <QGuiApplication>

#include <X11/Xlib.h>
#endif

namespace NotificationArea {

QRect rect()
{
#ifdef STASHBOX_XEMBED_TRAY
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return {};
    const int screen = DefaultScreen(display);
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    const Window owner = XGetSelectionOwner(display, XInternAtom(display, name.constData(), False));
    XWindowAttributes attributes;
    if (owner == None || !XGetWindowAttributes(display, owner, &attributes))
        return {};
    int x = 0;
    int y = 0;
    Window child = None;
    if (!XTranslateCoordinates(display, owner, RootWindow(display, screen), 0, 0, &x, &y, &child))
        return {};
    return QRect(x, y, attributes.width, attributes.height);
#else
    return {};
#endif
}

} // namespace NotificationArea
