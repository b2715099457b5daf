#pragma once

#include <QRect>

// Where the desktop's notification area is on the screen (pixels): the window that owns the
// system-tray selection. Empty when there is none or the desktop cannot tell.
namespace NotificationArea {
QRect rect();
}
