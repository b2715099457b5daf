#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Pictures for copying: encoded in memory as a program would offer them.
namespace SampleImages {
// A small picture with a pattern that depends on seed (distinct seeds give
// distinct pixels).
QImage pattern(QSize size, quint32 seed);
// Photo-like noise: compresses poorly, like a real screenshot or photo.
QImage noise(QSize size, quint32 seed);
QByteArray encode(const QImage& image, const char* format = "PNG");
} // namespace SampleImages
