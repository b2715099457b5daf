#pragma once

#include <QBuffer>
#include <QImage>

// A picture encoded as another program would offer it on the clipboard.
inline QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
