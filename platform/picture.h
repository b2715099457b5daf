#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>

// A picture held by a list cell. Captured pictures are kept encoded (PNG) so that a full list of
// screenshots stays small; they are decoded only to be shown or put back on the clipboard.
// Small pictures (icons) are kept decoded. Copies share the same data.
class Picture final
{
public:
    Picture() = default;

    // Kept decoded; for icons and other small pictures.
    static Picture fromImage(const QImage& image);
    // Kept encoded. `encoded` must decode to `image`; when empty, the image is encoded here.
    static Picture compact(const QImage& image, const QByteArray& encoded = {});
    // Decodes `bytes` (any format Qt reads, recognised by content); null picture on failure.
    static Picture fromData(const QByteArray& bytes);
    // Reads and decodes a picture file the user chose; null unless it is a regular file of at most
    // MaxFileBytes (a FIFO, a device or a huge file is not a picture anybody chose).
    static Picture fromFile(const QString& path);
    static constexpr qint64 MaxFileBytes = qint64(256) << 20;
    // Keeps `bytes` as they are after reading only the picture's header: for pictures this program
    // wrote itself. Null when the header cannot be read.
    static Picture fromEncoded(const QByteArray& bytes);

    bool isNull() const { return !d; }
    QSize size() const;
    bool isCompact() const;
    // The full picture (decoded on demand, not cached for compact pictures).
    QImage image() const;
    // The picture scaled to fit `box`, keeping its proportions; cached. A compact picture is decoded
    // once for all boxes up to ThumbnailSourceSide: a row that grows or shrinks does not decode it
    // again.
    QImage thumbnail(const QSize& box) const;
    static constexpr int ThumbnailSourceSide = 256;
    // PNG bytes of the picture.
    QByteArray encoded() const;
    // 64-bit content fingerprint: same size, format and pixels give the same value across runs.
    quint64 fingerprint() const;

    bool sharesDataWith(const Picture& other) const { return d == other.d; }

    // How many times pictures were decoded from their stored bytes in this process.
    static quint64 decodeCount();

private:
    struct Data;
    std::shared_ptr<Data> d;
};

// Fingerprint of an image's size, pixel format and pixels (never 0).
quint64 imageFingerprint(const QImage& image);
