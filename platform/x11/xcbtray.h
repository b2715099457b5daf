#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// The application's own X connection, and the notification area on its screen. Plain xcb: the
// program does not load Xlib for these few requests.
namespace XcbTray {

// A reply of the X server, freed as xcb asks.
template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

struct Screen
{
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    int number = 0;
};

// The screen the application's windows are on; no connection when it does not run on X11.
Screen screen();
xcb_atom_t atom(xcb_connection_t* connection, const char* name);
// The window that holds the screen's notification area, or XCB_NONE.
xcb_window_t owner(const Screen& screen);

} // namespace XcbTray
