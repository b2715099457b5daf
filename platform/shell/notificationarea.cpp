#include "notificationarea.h"

#ifdef STASHBOX_XEMBED_TRAY
#include "xcbtray.h"

#include <cstdlib>
#include <memory>
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
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, owner), nullptr), &std::free);
    const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> origin(
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
