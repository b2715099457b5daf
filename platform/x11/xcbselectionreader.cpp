#include "xcbselectionreader.h"

#include <xcb/xcb.h>

#include <QDeadlineTimer>

#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

// Design notes: why the clipboard is read here and not through QClipboard.
//
// QClipboard reads an offer on the GUI thread and waits there, for up to five seconds per request,
// for the owner to answer; an owner that is stalled (or just busy) freezes the window for that time,
// and a newer copy cannot even be noticed until the wait ends. The ways out we weighed:
//  - a helper process that reads the offer: isolates the most, but costs a process start or a
//    permanent second program, a pipe protocol, and copies of every picture between processes;
//  - Qt's clipboard on another thread: QClipboard belongs to the GUI thread;
//  - an X selection reader on a connection and thread of its own (this class): a request to the
//    owner blocks nothing but this thread, a newer change abandons the read at once (the GUI thread
//    bumps a serial and wakes the thread), and the data (a 4 MB picture included) arrives straight
//    in our memory, decoded here too, off the GUI thread.
// We chose the last. The change notification still comes from QClipboard (XFixes, and our own
// writes are reported while they are made, which the own-write guard relies on); only the reading
// moved. Each read gets a requestor window of its own, so an answer that comes after the read was
// abandoned is never taken for the answer of a newer read; such a window is kept a while for the
// late answer, since an owner that finds it gone gets an X error, which ends many a simple program.

namespace {
template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> own(T* reply)
{
    return Reply<T>(reply, &std::free);
}

// The property our requestor windows receive the data in.
const char PropertyName[] = "STASHBOX_SELECTION";
} // namespace

// An offer whose data is fetched on the reader thread. Once handed over (or abandoned) it fetches
// nothing more: what was not prefetched is then simply not there.
class XcbSelectionReader::Offer final : public ClipboardOffer
{
public:
    Offer(XcbSelectionReader& reader, quint64 serial, const QStringList& targets)
        : ClipboardOffer(withPlainText(targets))
        , m_reader(reader)
        , m_serial(serial)
        , m_targets(targets)
    {
    }

    void seal() { m_sealed = true; }

protected:
    QByteArray fetchData(const QString& mime) override
    {
        if (m_sealed || !m_targets.contains(mime) || m_reader.abandoned(m_serial))
            return {};
        bool over = false;
        QByteArray bytes = m_reader.fetch(m_serial, m_reader.atom(mime.toLatin1()), &over);
        if (over)
            markTooLarge();
        return bytes;
    }

    QString fetchText() override
    {
        // UTF-8 under any of its names, else Latin-1; one request in every case.
        for (const char* name : {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain"})
            if (m_targets.contains(QLatin1String(name)))
                return QString::fromUtf8(data(QLatin1String(name)));
        for (const char* name : {"STRING", "TEXT"})
            if (m_targets.contains(QLatin1String(name)))
                return QString::fromLatin1(data(QLatin1String(name)));
        return {};
    }

private:
    static QStringList withPlainText(QStringList targets)
    {
        for (const char* name : {"UTF8_STRING", "STRING", "TEXT"})
            if (targets.contains(QLatin1String(name)) && !targets.contains(QStringLiteral("text/plain")))
                targets.append(QStringLiteral("text/plain"));
        return targets;
    }

    XcbSelectionReader& m_reader;
    quint64 m_serial;
    QStringList m_targets;
    bool m_sealed = false;
};

XcbSelectionReader::XcbSelectionReader(Done done)
    : m_done(std::move(done))
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (!m_connection || xcb_connection_has_error(m_connection))
        return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return;
    m_root = it.data->root;
    const char* names[] = {"CLIPBOARD", "TARGETS", "INCR", PropertyName};
    xcb_intern_atom_cookie_t cookies[4];
    for (int i = 0; i < 4; ++i)
        cookies[i] = xcb_intern_atom(m_connection, 0, uint16_t(strlen(names[i])), names[i]);
    quint32* atoms[] = {&m_clipboard, &m_targets, &m_incr, &m_property};
    for (int i = 0; i < 4; ++i) {
        const auto reply = own(xcb_intern_atom_reply(m_connection, cookies[i], nullptr));
        if (!reply)
            return;
        *atoms[i] = reply->atom;
        m_atomNames.insert(reply->atom, names[i]);
    }
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return;
    m_thread = std::thread([this] { run(); });
}

XcbSelectionReader::~XcbSelectionReader()
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
    if (m_connection)
        xcb_disconnect(m_connection);
}

quint64 XcbSelectionReader::read(Prefetch prefetch)
{
    quint64 serial;
    {
        std::lock_guard lock(m_mutex);
        serial = ++m_latest;
        m_next = std::move(prefetch);
        m_nextSerial = serial;
    }
    wake();
    return serial;
}

void XcbSelectionReader::cancel()
{
    ++m_latest;
    wake();
}

void XcbSelectionReader::wake()
{
    const quint64 one = 1;
    [[maybe_unused]] const auto n = ::write(m_wakeFd, &one, sizeof one);
}

void XcbSelectionReader::run()
{
    for (;;) {
        Prefetch prefetch;
        quint64 serial = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_quit)
                return;
            if (m_next) {
                prefetch = std::move(m_next);
                m_next = nullptr;
                serial = m_nextSerial;
            }
        }
        if (prefetch) {
            readOne(serial, prefetch);
            continue;
        }
        // Idle: sleep until asked, or until a kept window's time is up; late answers of abandoned
        // reads are dropped unread.
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {xcb_get_file_descriptor(m_connection), POLLIN, 0}};
        ::poll(fds, 2, expireRetired());
        quint64 count;
        [[maybe_unused]] const auto n = ::read(m_wakeFd, &count, sizeof count);
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
        if (xcb_connection_has_error(m_connection))
            return;
    }
}

void XcbSelectionReader::readOne(quint64 serial, const Prefetch& prefetch)
{
    expireRetired();
    m_answered = true;
    m_window = xcb_generate_id(m_connection);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    const QStringList targets = targetNames(fetch(serial, m_targets));
    std::shared_ptr<Offer> offer;
    if (!abandoned(serial)) {
        offer = std::make_shared<Offer>(*this, serial, targets);
        prefetch(*offer);
        offer->seal();
    }
    // A window that an owner may still answer to is kept a while: taking it away under an owner
    // busy with it would hand that owner an X error, which ends many a simple program.
    if (m_answered)
        xcb_destroy_window(m_connection, m_window);
    else
        m_retired.emplace_back(m_window, QDeadlineTimer(RetiredWindowMs));
    xcb_flush(m_connection);
    m_window = 0;
    // An offer read only in part is never handed over.
    if (offer && !abandoned(serial))
        m_done(offer, serial);
}

int XcbSelectionReader::expireRetired()
{
    bool destroyed = false;
    while (!m_retired.empty() && (m_retired.front().second.hasExpired() || m_retired.size() > MaxRetired)) {
        xcb_destroy_window(m_connection, m_retired.front().first);
        m_retired.pop_front();
        destroyed = true;
    }
    if (destroyed)
        xcb_flush(m_connection);
    // The windows are kept in the order they were retired: the first one expires first.
    return m_retired.empty() ? -1 : int(std::min<qint64>(m_retired.front().second.remainingTime() + 1, RetiredWindowMs));
}

QStringList XcbSelectionReader::targetNames(const QByteArray& bytes)
{
    std::vector<quint32> atoms(std::min(size_t(bytes.size()) / 4, MaxTargets));
    memcpy(atoms.data(), bytes.constData(), atoms.size() * 4);
    std::vector<std::pair<quint32, xcb_get_atom_name_cookie_t>> asked;
    for (quint32 a : atoms)
        if (a && !m_atomNames.contains(a))
            asked.emplace_back(a, xcb_get_atom_name(m_connection, a));
    for (const auto& [a, cookie] : asked) {
        const auto reply = own(xcb_get_atom_name_reply(m_connection, cookie, nullptr));
        if (reply)
            m_atomNames.insert(
                a, QByteArray(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get())));
    }
    QStringList names;
    for (quint32 a : atoms) {
        const QString name = QString::fromLatin1(m_atomNames.value(a));
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    return names;
}

quint32 XcbSelectionReader::atom(const QByteArray& name) const
{
    return m_atomNames.key(name, 0);
}

void* XcbSelectionReader::nextEvent(quint64 serial, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (abandoned(serial))
            return nullptr;
        if (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            return event;
        if (xcb_connection_has_error(m_connection) || deadline.hasExpired())
            return nullptr;
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {xcb_get_file_descriptor(m_connection), POLLIN, 0}};
        ::poll(fds, 2, int(std::min<qint64>(deadline.remainingTime(), 1000)));
        if (fds[0].revents & POLLIN) {
            quint64 count;
            [[maybe_unused]] const auto n = ::read(m_wakeFd, &count, sizeof count);
        }
    }
}

QByteArray XcbSelectionReader::fetch(quint64 serial, quint32 target, bool* tooLarge)
{
    if (!target)
        return {};
    xcb_convert_selection(m_connection, m_window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
    m_answered = false;
    // The owner's answer: the property holds the data, or a note that it comes in pieces (INCR).
    bool converted = false;
    while (!converted) {
        const auto event = own(static_cast<xcb_generic_event_t*>(nextEvent(serial, StepTimeoutMs)));
        if (!event)
            return {};
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
        if (notify->requestor != m_window || notify->target != target)
            continue;
        if (notify->property == XCB_NONE) {
            m_answered = true; // refused
            return {};
        }
        converted = true;
    }
    // Never more than the cap and a word: whatever the owner puts there meanwhile.
    const auto take = [this]() {
        return own(xcb_get_property_reply(m_connection,
                                          xcb_get_property(m_connection, 1, m_window, m_property,
                                                           XCB_GET_PROPERTY_TYPE_ANY, 0, ClipboardOffer::MaxBytes / 4 + 1),
                                          nullptr));
    };
    // Refused in one piece, the data is dropped from the server too; in pieces, the owner is simply
    // not asked for the next one.
    const auto refuse = [this, tooLarge](bool whole) {
        if (whole)
            xcb_delete_property(m_connection, m_window, m_property);
        if (tooLarge)
            *tooLarge = true;
        return QByteArray();
    };
    // The property's size (and the size an INCR transfer announces) is known before its bytes are
    // read: an offer larger than the cap never reaches our memory.
    const auto head = own(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
        nullptr));
    if (!head)
        return {};
    const bool incr = head->type == m_incr;
    quint32 announced = 0;
    if (incr && xcb_get_property_value_length(head.get()) >= 4)
        memcpy(&announced, xcb_get_property_value(head.get()), 4);
    const qint64 size = incr ? qint64(announced) : qint64(xcb_get_property_value_length(head.get())) + head->bytes_after;
    m_answered = !incr;
    if (size > ClipboardOffer::MaxBytes)
        return refuse(!incr);
    const auto first = take();
    if (!first)
        return {};
    if (!incr) {
        const int length = xcb_get_property_value_length(first.get());
        if (first->bytes_after > 0 || length > ClipboardOffer::MaxBytes)
            return refuse(true);
        return QByteArray(static_cast<const char*>(xcb_get_property_value(first.get())), length);
    }
    // In pieces: each new value of the property is the next piece; an empty one ends the transfer.
    QByteArray bytes;
    for (;;) {
        const auto event = own(static_cast<xcb_generic_event_t*>(nextEvent(serial, StepTimeoutMs)));
        if (!event)
            return {};
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window != m_window || notify->atom != m_property || notify->state != XCB_PROPERTY_NEW_VALUE)
            continue;
        const auto piece = take();
        if (!piece)
            return {};
        const int length = xcb_get_property_value_length(piece.get());
        if (length == 0) {
            m_answered = true;
            return bytes;
        }
        if (bytes.size() + length > ClipboardOffer::MaxBytes)
            return refuse(false);
        bytes.append(static_cast<const char*>(xcb_get_property_value(piece.get())), length);
    }
}
