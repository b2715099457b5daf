#include "qtclipboardport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

#include <utility>

#ifdef STASHBOX_XCB_READER
#include "xcbselectionreader.h"
#else
class XcbSelectionReader
{ };
#endif

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
        if (mode != QClipboard::Clipboard)
            return;
#ifdef STASHBOX_XCB_READER
        if (m_reader) {
            m_reader->cancel();
            m_reading = 0;
        }
#endif
        emit changed();
    });
}

QtClipboardPort::~QtClipboardPort() = default;

#ifdef STASHBOX_XCB_READER
// The reader's own connection to the display is made at the first read, not while the program
// starts; without one (another platform, or the display refused it) Qt's clipboard reads.
XcbSelectionReader* QtClipboardPort::selectionReader()
{
    if (std::exchange(m_readerTried, true) || QGuiApplication::platformName() != QLatin1String("xcb"))
        return m_reader.get();
    m_reader = std::make_unique<XcbSelectionReader>([this](std::shared_ptr<ClipboardOffer> offer, quint64 serial) {
        QMetaObject::invokeMethod(
            this,
            [this, offer = std::move(offer), serial] {
                // Only the newest read counts; a change since then has made it stale.
                if (serial == m_reading)
                    emit offerRead(offer);
            },
            Qt::QueuedConnection);
    });
    if (!m_reader->isConnected())
        m_reader.reset();
    return m_reader.get();
}
#endif

void QtClipboardPort::readOffer(const std::function<void(ClipboardOffer&)>& prefetch)
{
#ifdef STASHBOX_XCB_READER
    // Our own offer is answered from memory; anybody else's is read without holding up the window.
    if (!m_clipboard->ownsClipboard()) {
        if (XcbSelectionReader* reader = selectionReader()) {
            m_reading = reader->read(prefetch);
            return;
        }
    }
#endif
    ClipboardPort::readOffer(prefetch);
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
