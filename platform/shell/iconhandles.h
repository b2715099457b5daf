#pragma once

#include <QImage>

// Icon handles: the numbers a notification record carries for a picture. One table per process,
// as the system's; 0 is no icon.
namespace IconHandles {
quint32 add(const QImage& image);
// A null image for 0 and for handles that were released.
QImage image(quint32 handle);
void release(quint32 handle);
} // namespace IconHandles
