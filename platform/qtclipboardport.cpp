#include "qtclipboardport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

namespace {
// Reads through the application's QMimeData. The pointer can go stale when the clipboard changes
// hands while we read (the event loop may run during a transfer), so it is re-fetched each time.
class QtOffer final : public ClipboardOffer
{
public:
    QtOffer(QClipboard* clipboard, const QMimeData* data)
        : ClipboardOffer(data ? data->formats() : QStringList())
        , m_clipboard(clipboard)
        , m_hasText(data && data->hasText())
        , m_hasImage(data && data->hasImage())
    {
    }

    bool hasText() const override { return m_hasText; }
    bool hasImage() const override { return m_hasImage; }

protected:
    const QMimeData* current() const { return m_clipboard ? m_clipboard->mimeData(QClipboard::Clipboard) : nullptr; }

    QByteArray fetchData(const QString& mime) override
    {
        const QMimeData* d = current();
        return d ? d->data(mime) : QByteArray();
    }

    QString fetchText() override
    {
        const QMimeData* d = current();
        return d ? d->text() : QString();
    }

    QImage fetchImage(QByteArray* encodedOut) override
    {
        QImage image = ClipboardOffer::fetchImage(encodedOut);
        if (!image.isNull() || !imageFormats().isEmpty())
            return image;
        // Only Qt's own conversions know this offer (for example an X pixmap).
        const QMimeData* d = current();
        return d ? qvariant_cast<QImage>(d->imageData()) : QImage();
    }

private:
    QPointer<QClipboard> m_clipboard;
    bool m_hasText;
    bool m_hasImage;
};
} // namespace

QtClipboardPort::QtClipboardPort(QObject* parent)
    : ClipboardPort(parent)
    , m_clipboard(QGuiApplication::clipboard())
{
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            emit changed();
    });
}

std::unique_ptr<ClipboardOffer> QtClipboardPort::offer()
{
    return std::make_unique<QtOffer>(m_clipboard, m_clipboard->mimeData(QClipboard::Clipboard));
}

void QtClipboardPort::clear()
{
    m_clipboard->clear(QClipboard::Clipboard);
}

void QtClipboardPort::writeText(const QString& text)
{
    auto* data = new QMimeData; // the clipboard takes ownership
    data->setText(text);
    m_clipboard->setMimeData(data, QClipboard::Clipboard);
}

void QtClipboardPort::writeRtf(const QString& rtf, const QString& text)
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/rtf"), rtf.toLatin1());
    data->setText(text);
    m_clipboard->setMimeData(data, QClipboard::Clipboard);
}

void QtClipboardPort::writeImage(const QImage& image)
{
    auto* data = new QMimeData;
    data->setImageData(image);
    m_clipboard->setMimeData(data, QClipboard::Clipboard);
}
