#include "waylandclipboardport.h"

#include "waylandselection.h"

#include <QBuffer>
#include <QPointer>

#include <future>

WaylandClipboardPort::WaylandClipboardPort(QObject* parent)
    : ClipboardPort(parent)
{
    m_selection = std::make_unique<WaylandSelection>([this](quint64 writes) {
        QMetaObject::invokeMethod(
            this,
            [this, writes] {
                // A change the compositor saw before our latest write is already replaced by it.
                if (writes < m_writes)
                    return;
                m_own.reset();
                m_selection->cancel();
                emit changed();
            },
            Qt::QueuedConnection);
    });
}

WaylandClipboardPort::~WaylandClipboardPort() = default;

bool WaylandClipboardPort::isConnected() const
{
    return m_selection->isConnected();
}

QStringList WaylandClipboardPort::textTypes()
{
    return {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain"), QStringLiteral("UTF8_STRING")};
}

std::unique_ptr<ClipboardOffer> WaylandClipboardPort::ownOffer() const
{
    QHash<QString, QByteArray> data;
    for (const auto& [type, bytes] : m_own->types)
        data.insert(type, bytes);
    if (!m_own->image.isNull()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        m_own->image.save(&buffer, "PNG");
        data.insert(QStringLiteral("image/png"), png);
    }
    return std::make_unique<StaticOffer>(data);
}

void WaylandClipboardPort::readOffer(const std::function<void(ClipboardOffer&)>& prefetch)
{
    // Our own selection is answered from memory; anybody else's is read without holding up the window.
    if (m_own) {
        ClipboardPort::readOffer(prefetch);
        return;
    }
    QPointer<WaylandClipboardPort> self(this);
    m_reading = m_selection->read(prefetch, [self](std::shared_ptr<ClipboardOffer> offer, quint64 serial) {
        QMetaObject::invokeMethod(
            self,
            [self, offer = std::move(offer), serial] {
                // Only the newest read counts; a change since then has made it stale.
                if (self && serial == self->m_reading)
                    emit self->offerRead(offer);
            },
            Qt::QueuedConnection);
    });
}

std::unique_ptr<ClipboardOffer> WaylandClipboardPort::offer()
{
    if (m_own)
        return ownOffer();
    // Read whole and waited for here, as the caller asked; an owner that does not answer in time
    // leaves an empty offer.
    auto promise = std::make_shared<std::promise<std::shared_ptr<ClipboardOffer>>>();
    std::future<std::shared_ptr<ClipboardOffer>> result = promise->get_future();
    m_reading = m_selection->read(
        [](ClipboardOffer& offer) {
            for (const QString& type : offer.formats())
                offer.data(type);
        },
        [promise](std::shared_ptr<ClipboardOffer> offer, quint64) { promise->set_value(std::move(offer)); });
    if (result.wait_for(std::chrono::milliseconds(WaylandSelection::StepTimeoutMs)) != std::future_status::ready) {
        m_selection->cancel();
        return std::make_unique<StaticOffer>(QHash<QString, QByteArray>());
    }
    // Hand the data over in an offer of our own: the read one fetches nothing more.
    const std::shared_ptr<ClipboardOffer> read = result.get();
    QHash<QString, QByteArray> data;
    for (const QString& type : read->formats())
        data.insert(type, read->data(type));
    return std::make_unique<StaticOffer>(data);
}

void WaylandClipboardPort::put(std::shared_ptr<const SelectionContent> content)
{
    // The change is reported while it is made, as the own-write guard expects; the compositor's
    // announcement of it is known as ours and reported no more.
    m_selection->cancel();
    m_own = content;
    m_writes = m_selection->write(std::move(content));
    emit changed();
}

void WaylandClipboardPort::clear()
{
    put(nullptr);
}

void WaylandClipboardPort::writeText(const QString& text)
{
    auto content = std::make_shared<SelectionContent>();
    const QByteArray utf8 = text.toUtf8();
    for (const QString& type : textTypes())
        content->types.append({type, utf8});
    put(content);
}

void WaylandClipboardPort::writeRtf(const QString& rtf, const QString& text)
{
    auto content = std::make_shared<SelectionContent>();
    content->types.append({QStringLiteral("text/rtf"), rtf.toLatin1()});
    const QByteArray utf8 = text.toUtf8();
    for (const QString& type : textTypes())
        content->types.append({type, utf8});
    put(content);
}

void WaylandClipboardPort::writeImage(const QImage& image)
{
    auto content = std::make_shared<SelectionContent>();
    content->image = image;
    put(content);
}
