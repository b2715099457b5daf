#include "xcbtray.h"

#include <QByteArray>
#include <QGuiApplication>

#include <X11/Xlib.h>

namespace XcbTray {

Screen screen()
{
    Screen s;
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return s;
    // The display's default screen (a field of the display, read without calling into Xlib).
    s.number = x11->display() ? DefaultScreen(x11->display()) : 0;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(x11->connection()));
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == s.number) {
            s.connection = x11->connection();
            s.root = it.data->root;
            break;
        }
    }
    return s;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, false, uint16_t(qstrlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t owner(const Screen& screen)
{
    if (!screen.connection)
        return XCB_NONE;
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen.number);
    xcb_connection_t* c = screen.connection;
    const Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(c, name.constData())), nullptr), &std::free);
    return reply ? reply->owner : xcb_window_t(XCB_NONE);
}

} // namespace XcbTray
