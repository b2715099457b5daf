#pragma once

#include "clipitem.h"

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

// Three distinct kind icons, for a store built without the program's own pictures.
inline KindIcons testKindIcons()
{
    auto solid = [](QRgb colour) {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(colour);
        return Picture::fromImage(image);
    };
    return {solid(0xff202020), solid(0xffc02020), solid(0xff20a020)};
}
