#pragma once

#include <QRect>

// The short animated outline that shows a window going into or coming out of a place on the
// screen (the notification area). It runs to its end before returning and lets no input in.
namespace ZoomOutline {
void animate(const QRect& from, const QRect& to);
}
