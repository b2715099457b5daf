#include "sampleimages.h"

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>

namespace SampleImages {

QImage pattern(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    image.fill(QColor::fromRgb(random.generate() & 0xffffff));
    QPainter painter(&image);
    for (int i = 0; i < 8; ++i) {
        painter.fillRect(QRect(random.bounded(size.width()), random.bounded(size.height()),
                               1 + random.bounded(size.width() / 2 + 1), 1 + random.bounded(size.height() / 2 + 1)),
                         QColor::fromRgb(random.generate() & 0xffffff));
    }
    return image;
}

QImage noise(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return image;
}

QByteArray encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace SampleImages
