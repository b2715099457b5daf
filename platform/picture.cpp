#include "picture.h"

#include "picturespill.h"
#include "plainfile.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <atomic>
#include <cstring>

struct Picture::Data
{
    QImage image;       // decoded pictures only
    QByteArray encoded; // compact pictures held in memory
    QString spilled;    // compact pictures held in a file
    QSize size;
    quint64 fingerprint = 0;
    QImage thumb;
    QSize thumbBox;
    // What small thumbnails of a compact picture are scaled from, so that it is decoded once.
    QImage thumbSource;

    Data() = default;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    ~Data() { PictureSpill::release(spilled); }

    // Moves large encoded bytes out of memory when that is switched on.
    void keep(QByteArray bytes)
    {
        spilled = PictureSpill::store(bytes);
        if (spilled.isEmpty())
            encoded = std::move(bytes);
    }
    QByteArray bytes() const { return spilled.isEmpty() ? encoded : PictureSpill::load(spilled); }
    bool isCompact() const { return !encoded.isEmpty() || !spilled.isEmpty(); }
};

namespace {
QByteArray encodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Low compression: capture latency matters more than a few percent of memory.
    writer.setCompression(1);
    if (!writer.write(image))
        return {};
    return bytes;
}

std::atomic<quint64> decodes{0};

QImage decode(const QByteArray& bytes)
{
    ++decodes;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

inline quint64 mix(quint64 h, quint64 v)
{
    h ^= v * 0x9E3779B97F4A7C15ULL;
    h = (h << 27) | (h >> 37);
    return h * 0xC2B2AE3D27D4EB4FULL + 0x165667B19E3779F9ULL;
}
} // namespace

quint64 imageFingerprint(const QImage& source)
{
    if (source.isNull())
        return 0;
    // Compare pictures by what they show, not by how the sender happened to store them.
    const QImage::Format want = source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const QImage image = source.format() == want ? source : source.convertToFormat(want);
    quint64 h = 0x84222325CBF29CE4ULL;
    h = mix(h, quint64(image.width()));
    h = mix(h, quint64(image.height()));
    h = mix(h, quint64(want));
    const qsizetype rowBytes = qsizetype(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        qsizetype i = 0;
        for (; i + 8 <= rowBytes; i += 8) {
            quint64 w;
            std::memcpy(&w, line + i, 8);
            h = mix(h, w);
        }
        if (i < rowBytes) {
            quint64 w = 0;
            std::memcpy(&w, line + i, size_t(rowBytes - i));
            h = mix(h, w);
        }
    }
    h ^= h >> 33;
    return h ? h : 1;
}

Picture Picture::fromImage(const QImage& image)
{
    Picture p;
    if (image.isNull())
        return p;
    p.d = std::make_shared<Data>();
    p.d->image = image;
    p.d->size = image.size();
    return p;
}

Picture Picture::compact(const QImage& image, const QByteArray& encoded)
{
    Picture p;
    if (image.isNull())
        return p;
    QByteArray bytes = encoded.isEmpty() ? encodePng(image) : encoded;
    if (bytes.isEmpty())
        return fromImage(image); // cannot encode: keep it as it is rather than lose it
    p.d = std::make_shared<Data>();
    p.d->keep(std::move(bytes));
    p.d->size = image.size();
    p.d->fingerprint = imageFingerprint(image);
    return p;
}

Picture Picture::fromData(const QByteArray& bytes)
{
    const QImage image = decode(bytes);
    return image.isNull() ? Picture() : compact(image);
}

Picture Picture::fromFile(const QString& path)
{
    QByteArray bytes;
    if (path.isEmpty() || PlainFile::read(path, MaxFileBytes, &bytes) != PlainFile::Status::Ok)
        return {};
    return fromData(bytes);
}

Picture Picture::fromEncoded(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    // Pictures the decoder would refuse are refused here already.
    const qint64 pixels = qint64(size.width()) * size.height();
    if (!size.isValid() || size.isEmpty() || pixels * 4 > qint64(QImageReader::allocationLimit()) * 1024 * 1024)
        return {};
    // Formats kept as they are; anything else (a BMP written by another program) is compacted.
    if (format != "png" && format != "jpeg" && format != "jpg" && format != "gif")
        return fromData(bytes);
    Picture p;
    p.d = std::make_shared<Data>();
    p.d->keep(bytes);
    p.d->size = size;
    return p;
}

QSize Picture::size() const
{
    return d ? d->size : QSize();
}

bool Picture::isCompact() const
{
    return d && d->isCompact();
}

QImage Picture::image() const
{
    if (!d)
        return {};
    return d->isCompact() ? decode(d->bytes()) : d->image;
}

QImage Picture::thumbnail(const QSize& box) const
{
    if (!d || box.isEmpty())
        return {};
    if (d->thumbBox != box || d->thumb.isNull()) {
        const QSize sourceBox(ThumbnailSourceSide, ThumbnailSourceSide);
        QImage from;
        if (!d->isCompact()) {
            from = d->image;
        } else if (box.boundedTo(sourceBox) == box) {
            if (d->thumbSource.isNull()) {
                const QImage full = image();
                d->thumbSource = full.width() <= sourceBox.width() && full.height() <= sourceBox.height()
                    ? full
                    : full.scaled(sourceBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
            from = d->thumbSource;
        } else {
            from = image();
        }
        // Never larger than the picture itself.
        d->thumb = d->size.width() <= box.width() && d->size.height() <= box.height()
            ? from
            : from.scaled(d->size.scaled(box, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        d->thumbBox = box;
    }
    return d->thumb;
}

quint64 Picture::decodeCount()
{
    return decodes;
}

QByteArray Picture::encoded() const
{
    if (!d)
        return {};
    return d->isCompact() ? d->bytes() : encodePng(d->image);
}

quint64 Picture::fingerprint() const
{
    if (!d)
        return 0;
    if (d->fingerprint == 0)
        d->fingerprint = imageFingerprint(image());
    return d->fingerprint;
}
