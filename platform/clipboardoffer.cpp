#include "clipboardoffer.h"

#include <QBuffer>
#include <QImageReader>

ClipboardOffer::ClipboardOffer(QStringList formats)
    : m_formats(std::move(formats))
{
}

ClipboardOffer::~ClipboardOffer() = default;

QByteArray ClipboardOffer::data(const QString& mime)
{
    if (!hasFormat(mime) || m_tooLarge)
        return {};
    auto it = m_data.constFind(mime);
    if (it != m_data.constEnd())
        return *it;
    QByteArray bytes = fetchData(mime);
    if (bytes.size() > MaxBytes)
        markTooLarge();
    if (m_tooLarge)
        return {};
    m_data.insert(mime, bytes);
    return bytes;
}

const QStringList& ClipboardOffer::rtfFormats()
{
    static const QStringList types{QStringLiteral("text/rtf"), QStringLiteral("application/rtf"),
                                   QStringLiteral("text/richtext")};
    return types;
}

QString ClipboardOffer::rtfFormat() const
{
    for (const QString& t : rtfFormats())
        if (hasFormat(t))
            return t;
    return {};
}

QString ClipboardOffer::rtf()
{
    const QString type = rtfFormat();
    if (type.isEmpty())
        return {};
    QByteArray bytes = data(type);
    // Some senders end the text with a NUL.
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return QString::fromLatin1(bytes);
}

bool ClipboardOffer::hasText() const
{
    return hasFormat(QStringLiteral("text/plain")) || hasFormat(QStringLiteral("text/plain;charset=utf-8"));
}

QString ClipboardOffer::text()
{
    if (!hasText())
        return {};
    if (!m_text && !m_tooLarge) {
        m_text = fetchText();
        // Every character came as at least one byte.
        if (m_text->size() > MaxBytes)
            markTooLarge();
    }
    return m_tooLarge ? QString() : *m_text;
}

QString ClipboardOffer::fetchText()
{
    const QString utf8 = QStringLiteral("text/plain;charset=utf-8");
    return QString::fromUtf8(data(hasFormat(utf8) ? utf8 : QStringLiteral("text/plain")));
}

QStringList ClipboardOffer::imageFormats() const
{
    // Lossless and common types first; then whatever else the image readers know.
    QStringList order{QStringLiteral("image/png"), QStringLiteral("image/bmp"), QStringLiteral("image/x-bmp"),
                      QStringLiteral("image/jpeg"), QStringLiteral("image/gif")};
    for (const QByteArray& m : QImageReader::supportedMimeTypes())
        if (!order.contains(QString::fromLatin1(m)))
            order.append(QString::fromLatin1(m));
    QStringList offered;
    for (const QString& m : order)
        if (hasFormat(m))
            offered.append(m);
    return offered;
}

bool ClipboardOffer::hasImage() const
{
    return !imageFormats().isEmpty();
}

QImage ClipboardOffer::fetchImage(QByteArray* encodedOut)
{
    for (const QString& type : imageFormats()) {
        const QByteArray bytes = data(type);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setDecideFormatFromContent(true);
        // Asked before reading: afterwards the reader no longer knows.
        const QByteArray fmt = reader.format();
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        // Compressed originals are kept as they came (not encoded again); anything else is encoded afresh.
        if (encodedOut && (fmt == "png" || fmt == "jpeg" || fmt == "jpg"))
            *encodedOut = bytes;
        return image;
    }
    return {};
}

Picture ClipboardOffer::picture()
{
    if (!hasImage())
        return {};
    if (!m_picture) {
        QByteArray encoded;
        const QImage image = fetchImage(&encoded);
        m_picture = Picture::compact(image, encoded);
    }
    return *m_picture;
}

StaticOffer::StaticOffer(const QHash<QString, QByteArray>& data)
    : ClipboardOffer(data.keys())
    , m_source(data)
{
}

QByteArray StaticOffer::fetchData(const QString& mime)
{
    ++m_fetches[mime];
    return m_source.value(mime);
}
