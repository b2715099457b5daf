#include "waylandselection.h"

#include "selectionoffer.h"

#include "data-control-ext-client-protocol.h"
#include "data-control-wlr-client-protocol.h"

#include <wayland-client.h>

#include <QBuffer>
#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

// Design notes. The selection is watched and read here, not through QClipboard: a Wayland program
// learns of the clipboard only while one of its windows has the focus, and QClipboard reads on the
// GUI thread, waiting there for the owner. Data-control, the protocol made for clipboard managers,
// reports every change to this connection whatever has the focus, reads an offer through a pipe
// that only this thread waits on, and lets us set the selection without a window. A newer change
// abandons a read under way at once: the compositor's selection event bumps the serial, and so does
// the GUI thread's cancel() (which wakes this thread).
//
// The wlroots interfaces and their standard successor have the same wire layout (requests, events,
// arguments, in the same order), so one set of code drives both: requests are marshalled by opcode
// on the interfaces the scanner generated for each, and events arrive through listeners of the same
// shape.
//
// Our own selection is known by its source: the compositor cancels a source before it announces
// the selection that replaces it, so a selection event that comes while our last source stands is
// the announcement of our own write.

struct WaylandSelection::Protocol
{
    const char* name;
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    const wl_interface* offer;
};

struct WaylandSelection::Announced
{
    wl_proxy* offer = nullptr;
    QStringList types;
};

struct WaylandSelection::Source
{
    wl_proxy* proxy = nullptr;
    std::shared_ptr<const SelectionContent> content;
    QByteArray png; // encoded at the first paste that asks for it
};

struct WaylandSelection::Send
{
    int fd = -1;
    QByteArray bytes;
    qsizetype written = 0;
    QDeadlineTimer deadline;
};

namespace {
// The newer interface first: a compositor that offers both is served by it.
const WaylandSelection::Protocol Protocols[] = {
    {"ext_data_control_manager_v1", &ext_data_control_manager_v1_interface, &ext_data_control_device_v1_interface,
     &ext_data_control_source_v1_interface, &ext_data_control_offer_v1_interface},
    {"zwlr_data_control_manager_v1", &zwlr_data_control_manager_v1_interface, &zwlr_data_control_device_v1_interface,
     &zwlr_data_control_source_v1_interface, &zwlr_data_control_offer_v1_interface},
};

// Opcodes, the same in both interfaces.
enum : uint32_t {
    ManagerCreateSource = 0,
    ManagerGetDevice = 1,
    ManagerDestroy = 2,
    DeviceSetSelection = 0,
    DeviceDestroy = 1,
    SourceOffer = 0,
    SourceDestroy = 1,
    OfferReceive = 0,
    OfferDestroy = 1,
};

// A paste that takes no bytes for this long is given up.
constexpr int SendTimeoutMs = 30000;

void destroyWith(wl_proxy* proxy, uint32_t opcode)
{
    if (proxy)
        wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

struct Globals
{
    quint32 seatName = 0;
    quint32 seatVersion = 0;
    const WaylandSelection::Protocol* protocol = nullptr;
    quint32 managerName = 0;
};

void noteGlobal(Globals& globals, quint32 name, const char* interface, quint32 version)
{
    if (!std::strcmp(interface, wl_seat_interface.name) && !globals.seatName) {
        globals.seatName = name;
        globals.seatVersion = version;
    }
    for (const auto& p : Protocols)
        if (!std::strcmp(interface, p.name) && (!globals.protocol || &p < globals.protocol)) {
            globals.protocol = &p;
            globals.managerName = name;
        }
}
} // namespace

// The listeners, as arrays of handlers in event order: libwayland calls each with the arguments of
// its event as the interface declares them.
struct Listeners
{
    static WaylandSelection* self(void* data) { return static_cast<WaylandSelection*>(data); }

    struct Device
    {
        void (*dataOffer)(void*, wl_proxy*, wl_proxy*);
        void (*selection)(void*, wl_proxy*, wl_proxy*);
        void (*finished)(void*, wl_proxy*);
        void (*primarySelection)(void*, wl_proxy*, wl_proxy*);
    };
    struct Offer
    {
        void (*offer)(void*, wl_proxy*, const char*);
    };
    struct Source
    {
        void (*send)(void*, wl_proxy*, const char*, int32_t);
        void (*cancelled)(void*, wl_proxy*);
    };

    static constexpr Device device = {
        [](void* data, wl_proxy*, wl_proxy* offer) { self(data)->onDataOffer(offer); },
        [](void* data, wl_proxy*, wl_proxy* offer) { self(data)->onSelection(offer); },
        [](void* data, wl_proxy*) { self(data)->onFinished(); },
        [](void* data, wl_proxy*, wl_proxy* offer) { self(data)->onPrimarySelection(offer); },
    };
    static constexpr Offer offer = {
        [](void* data, wl_proxy* o, const char* type) { self(data)->onOfferType(o, type); },
    };
    static constexpr Source source = {
        [](void* data, wl_proxy* s, const char* type, int32_t fd) { self(data)->onSend(s, type, fd); },
        [](void* data, wl_proxy* s) { self(data)->onCancelled(s); },
    };

    template <typename L> static void listen(wl_proxy* proxy, const L& listener, void* data)
    {
        wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<L*>(&listener)), data);
    }
};

namespace {
const wl_registry_listener RegistryListener = {
    [](void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
        noteGlobal(*static_cast<Globals*>(data), name, interface, version);
    },
    [](void*, wl_registry*, uint32_t) {},
};
} // namespace

QString WaylandSelection::probe()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return {};
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, &globals);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return answered && globals.protocol && globals.seatName ? QString::fromLatin1(globals.protocol->name) : QString();
}

WaylandSelection::WaylandSelection(Changed changed)
    : m_changed(std::move(changed))
{
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return;
    Globals globals;
    auto* registry = wl_display_get_registry(m_display);
    m_registry = reinterpret_cast<wl_proxy*>(registry);
    wl_registry_add_listener(registry, &RegistryListener, &globals);
    const bool answered = wl_display_roundtrip(m_display) >= 0;
    if (!answered || !globals.protocol || !globals.seatName)
        return;
    m_interfaces = globals.protocol;
    m_protocol = QString::fromLatin1(m_interfaces->name);
    m_seat = static_cast<wl_proxy*>(wl_registry_bind(registry, globals.seatName, &wl_seat_interface, 1));
    m_manager = static_cast<wl_proxy*>(wl_registry_bind(registry, globals.managerName, m_interfaces->manager, 1));
    m_device = wl_proxy_marshal_flags(m_manager, ManagerGetDevice, m_interfaces->device,
                                      wl_proxy_get_version(m_manager), 0, nullptr, m_seat);
    Listeners::listen(m_device, Listeners::device, this);
    // The selection there is now: known, but no change of ours to report.
    if (wl_display_roundtrip(m_display) < 0)
        return;
    m_ready = true;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return;
    m_thread = std::thread([this] { run(); });
}

WaylandSelection::~WaylandSelection()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        ++m_latest;
        wake();
        m_thread.join();
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    if (!m_display)
        return;
    for (const auto& send : m_sends)
        ::close(send->fd);
    for (const auto& announced : m_announced)
        destroyWith(announced->offer, OfferDestroy);
    if (m_current)
        destroyWith(m_current->offer, OfferDestroy);
    for (wl_proxy* offer : m_retired)
        destroyWith(offer, OfferDestroy);
    for (const auto& source : m_sources)
        destroyWith(source->proxy, SourceDestroy);
    destroyWith(m_device, DeviceDestroy);
    destroyWith(m_manager, ManagerDestroy);
    if (m_seat)
        wl_proxy_destroy(m_seat);
    if (m_registry)
        wl_proxy_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

quint64 WaylandSelection::read(Prefetch prefetch, Done done)
{
    quint64 serial;
    {
        std::lock_guard lock(m_mutex);
        serial = ++m_latest;
        m_nextPrefetch = std::move(prefetch);
        m_nextDone = std::move(done);
        m_nextSerial = serial;
    }
    wake();
    return serial;
}

void WaylandSelection::cancel()
{
    ++m_latest;
    wake();
}

quint64 WaylandSelection::write(std::shared_ptr<const SelectionContent> content)
{
    quint64 number;
    {
        std::lock_guard lock(m_mutex);
        number = ++m_writeCount;
        m_writes.emplace_back(number, std::move(content));
    }
    wake();
    return number;
}

void WaylandSelection::wake()
{
    if (m_wakeFd < 0)
        return;
    const quint64 one = 1;
    [[maybe_unused]] const auto n = ::write(m_wakeFd, &one, sizeof one);
}

void WaylandSelection::run()
{
    // A program that closes its end of a paste must not end ours: the write then fails with EPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    for (;;) {
        Prefetch prefetch;
        Done done;
        quint64 serial = 0;
        std::vector<std::pair<quint64, std::shared_ptr<const SelectionContent>>> writes;
        {
            std::lock_guard lock(m_mutex);
            if (m_quit)
                return;
            writes.swap(m_writes);
            if (m_nextPrefetch) {
                prefetch = std::exchange(m_nextPrefetch, nullptr);
                done = std::exchange(m_nextDone, nullptr);
                serial = m_nextSerial;
            }
        }
        for (const auto& [number, content] : writes)
            applyWrite(number, content);
        if (prefetch) {
            readOne(serial, prefetch, done);
            continue;
        }
        if (wl_display_get_error(m_display))
            return; // the compositor is gone: nothing more to watch or serve
        pump(-1, -1);
    }
}

bool WaylandSelection::pump(int watchedFd, int timeoutMs)
{
    while (wl_display_prepare_read(m_display) != 0)
        if (wl_display_dispatch_pending(m_display) < 0)
            return false;
    wl_display_flush(m_display);
    std::vector<pollfd> fds = {{wl_display_get_fd(m_display), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    if (watchedFd >= 0)
        fds.push_back({watchedFd, POLLIN, 0});
    const size_t firstSend = fds.size();
    for (const auto& send : m_sends)
        fds.push_back({send->fd, POLLOUT, 0});
    if (!m_sends.empty())
        timeoutMs = timeoutMs < 0 ? 1000 : std::min(timeoutMs, 1000);
    if (::poll(fds.data(), fds.size(), timeoutMs) > 0 && (fds[0].revents & POLLIN))
        wl_display_read_events(m_display);
    else
        wl_display_cancel_read(m_display);
    if (fds[1].revents & POLLIN) {
        quint64 count;
        [[maybe_unused]] const auto n = ::read(m_wakeFd, &count, sizeof count);
    }
    std::vector<short> revents;
    for (size_t i = firstSend; i < fds.size(); ++i)
        revents.push_back(fds[i].revents);
    serveSends(revents);
    wl_display_dispatch_pending(m_display);
    return watchedFd >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR));
}

void WaylandSelection::serveSends(const std::vector<short>& revents)
{
    for (size_t i = 0; i < revents.size(); ++i) {
        Send& send = *m_sends[i];
        if (!(revents[i] & (POLLOUT | POLLERR | POLLHUP)))
            continue;
        while (send.written < send.bytes.size()) {
            const ssize_t n =
                ::write(send.fd, send.bytes.constData() + send.written, size_t(send.bytes.size() - send.written));
            if (n <= 0) {
                if (n < 0 && errno != EAGAIN && errno != EINTR)
                    send.written = send.bytes.size() + 1; // the reader went away
                break;
            }
            send.written += n;
            send.deadline.setRemainingTime(SendTimeoutMs);
        }
    }
    std::erase_if(m_sends, [](const std::unique_ptr<Send>& send) {
        const bool over = send->written >= send->bytes.size() || send->deadline.hasExpired();
        if (over)
            ::close(send->fd);
        return over;
    });
}

void WaylandSelection::readOne(quint64 serial, const Prefetch& prefetch, const Done& done)
{
    if (abandoned(serial))
        return;
    m_reading = m_current ? m_current->offer : nullptr;
    const auto offer = std::make_shared<SelectionOffer>(
        m_current ? m_current->types : QStringList(),
        [this, serial](const QString& type, bool* tooLarge) { return fetch(serial, type, tooLarge); });
    prefetch(*offer);
    offer->seal();
    m_reading = nullptr;
    for (wl_proxy* retired : std::exchange(m_retired, {}))
        destroyWith(retired, OfferDestroy);
    // An offer read only in part is never handed over.
    if (!abandoned(serial))
        done(offer, serial);
}

QByteArray WaylandSelection::fetch(quint64 serial, const QString& type, bool* tooLarge)
{
    if (abandoned(serial) || !m_reading)
        return {};
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
    const QByteArray name = type.toUtf8();
    // libwayland sends a copy of the descriptor; the owner writes into it and closes it when done.
    wl_proxy_marshal_flags(m_reading, OfferReceive, nullptr, wl_proxy_get_version(m_reading), 0, name.constData(),
                           pipeFds[1]);
    ::close(pipeFds[1]);
    QByteArray bytes;
    QDeadlineTimer step(StepTimeoutMs);
    char buffer[65536];
    bool complete = false;
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0) {
            if (bytes.size() + n > ClipboardOffer::MaxBytes) {
                *tooLarge = true;
                break;
            }
            bytes.append(buffer, n);
            step.setRemainingTime(StepTimeoutMs);
            continue;
        }
        if (n == 0) {
            complete = true;
            break;
        }
        if ((errno != EAGAIN && errno != EINTR) || abandoned(serial) || step.hasExpired()
            || wl_display_get_error(m_display))
            break;
        pump(pipeFds[0], int(std::min<qint64>(step.remainingTime(), 1000)));
    }
    ::close(pipeFds[0]);
    return complete && !abandoned(serial) ? bytes : QByteArray();
}

void WaylandSelection::applyWrite(quint64 number, const std::shared_ptr<const SelectionContent>& content)
{
    wl_proxy* source = nullptr;
    if (content) {
        source = wl_proxy_marshal_flags(m_manager, ManagerCreateSource, m_interfaces->source,
                                        wl_proxy_get_version(m_manager), 0, nullptr);
        Listeners::listen(source, Listeners::source, this);
        const auto offerType = [source](const QString& type) {
            const QByteArray name = type.toUtf8();
            wl_proxy_marshal_flags(source, SourceOffer, nullptr, wl_proxy_get_version(source), 0, name.constData());
        };
        for (const auto& [type, bytes] : content->types)
            offerType(type);
        if (!content->image.isNull())
            offerType(QStringLiteral("image/png"));
        m_sources.push_back(std::make_unique<Source>(Source{source, content, {}}));
    }
    wl_proxy_marshal_flags(m_device, DeviceSetSelection, nullptr, wl_proxy_get_version(m_device), 0, source);
    m_ownSource = source;
    m_writesApplied = number;
}

void WaylandSelection::dropOffer(wl_proxy* offer)
{
    if (!offer)
        return;
    if (offer == m_reading)
        m_retired.push_back(offer);
    else
        destroyWith(offer, OfferDestroy);
}

void WaylandSelection::onDataOffer(wl_proxy* offer)
{
    Listeners::listen(offer, Listeners::offer, this);
    m_announced.push_back(std::make_unique<Announced>(Announced{offer, {}}));
}

void WaylandSelection::onOfferType(wl_proxy* offer, const char* type)
{
    for (const auto& announced : m_announced)
        if (announced->offer == offer) {
            const QString name = QString::fromUtf8(type);
            if (announced->types.size() < MaxTypes && !announced->types.contains(name))
                announced->types.append(name);
            return;
        }
}

void WaylandSelection::onSelection(wl_proxy* offer)
{
    const bool ours = m_ownSource != nullptr;
    if (m_current)
        dropOffer(m_current->offer);
    m_current.reset();
    const auto it = std::find_if(m_announced.begin(), m_announced.end(),
                                 [offer](const std::unique_ptr<Announced>& a) { return a->offer == offer; });
    if (it != m_announced.end()) {
        m_current = std::move(*it);
        m_announced.erase(it);
    } else if (offer) {
        m_current = std::make_unique<Announced>(Announced{offer, {}});
    }
    // Offers announced but never made the selection are gone by now.
    for (const auto& stale : std::exchange(m_announced, {}))
        dropOffer(stale->offer);
    ++m_latest; // a read under way was of the selection before
    if (m_ready && !ours)
        m_changed(m_writesApplied);
}

void WaylandSelection::onPrimarySelection(wl_proxy* offer)
{
    // The primary selection is not the clipboard.
    std::erase_if(m_announced, [offer](const std::unique_ptr<Announced>& a) { return a->offer == offer; });
    dropOffer(offer);
}

void WaylandSelection::onFinished()
{
    // The device is no longer valid (its seat went away): nothing more will be seen or set.
    destroyWith(std::exchange(m_device, nullptr), DeviceDestroy);
}

void WaylandSelection::onSend(wl_proxy* proxy, const char* type, int fd)
{
    const auto it = std::find_if(m_sources.begin(), m_sources.end(),
                                 [proxy](const std::unique_ptr<Source>& s) { return s->proxy == proxy; });
    const QString name = QString::fromUtf8(type);
    QByteArray bytes;
    bool known = false;
    if (it != m_sources.end()) {
        Source& source = **it;
        for (const auto& [offered, data] : source.content->types)
            if (offered == name) {
                bytes = data;
                known = true;
            }
        if (!known && name == QLatin1String("image/png") && !source.content->image.isNull()) {
            if (source.png.isEmpty()) {
                QBuffer buffer(&source.png);
                buffer.open(QIODevice::WriteOnly);
                source.content->image.save(&buffer, "PNG");
            }
            bytes = source.png;
            known = true;
        }
    }
    if (!known || bytes.isEmpty() || ::fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
        ::close(fd);
        return;
    }
    m_sends.push_back(std::make_unique<Send>(Send{fd, bytes, 0, QDeadlineTimer(SendTimeoutMs)}));
}

void WaylandSelection::onCancelled(wl_proxy* proxy)
{
    if (proxy == m_ownSource)
        m_ownSource = nullptr;
    std::erase_if(m_sources, [proxy](const std::unique_ptr<Source>& s) { return s->proxy == proxy; });
    destroyWith(proxy, SourceDestroy);
}
