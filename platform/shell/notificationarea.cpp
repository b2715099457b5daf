#include "notificationarea.h"

#ifdef STASHBOX_XEMBED_TRAY
#include "xcbtray.h"
#endif

namespace NotificationArea {

QRect rect()
{
#ifdef STASHBOX_XEMBED_TRAY
    const XcbTray::Screen screen = XcbTray::screen();
    const xcb_window_t owner = XcbTray::owner(screen);
    if (owner == XCB_NONE)
        return {};
    xcb_connection_t* c = screen.connection;
    const XcbTray::Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, owner), nullptr), &std::free);
    const XcbTray::Reply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, owner, screen.root, 0, 0), nullptr),
        &std::free);
    if (!geometry || !origin)
        return {};
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
#else
    return {};
#endif
}

} // namespace NotificationArea
