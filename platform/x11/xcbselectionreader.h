#pragma once

#include "clipboardoffer.h"

#include <QDeadlineTimer>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct xcb_connection_t;

// Reads what another program offers on the CLIPBOARD selection, on an X connection and a thread of
// its own, so that an owner that answers slowly or never holds up nothing but this thread.
class XcbSelectionReader final
{
public:
    // Touches, on the reader thread, the data of the offer that the caller is going to use.
    using Prefetch = std::function<void(ClipboardOffer&)>;
    // Runs on the reader thread with a complete offer of the read `serial`.
    using Done = std::function<void(std::shared_ptr<ClipboardOffer>, quint64 serial)>;

    explicit XcbSelectionReader(Done done);
    ~XcbSelectionReader();
    XcbSelectionReader(const XcbSelectionReader&) = delete;
    XcbSelectionReader& operator=(const XcbSelectionReader&) = delete;

    // False when the display could not be opened; nothing is read then.
    bool isConnected() const { return m_thread.joinable(); }
    // Starts reading the current offer; a read still under way is abandoned. Returns its serial.
    quint64 read(Prefetch prefetch);
    // Abandons the read under way (the clipboard changed hands): its offer is never handed over.
    void cancel();

    // How long an owner may keep the reader waiting for one step of a transfer.
    static constexpr int StepTimeoutMs = 5000;
    // More types than this is not a copy anybody made (nor more than ClipboardOffer::MaxBytes of one).
    static constexpr size_t MaxTargets = 512;
    // How long a window of an abandoned read is kept for its owner's late answer, and how many.
    static constexpr int RetiredWindowMs = 60000;
    static constexpr size_t MaxRetired = 64;

private:
    class Offer;

    void run();
    void readOne(quint64 serial, const Prefetch& prefetch);
    // The bytes of `target`; empty when refused, abandoned, timed out, larger than the offer's cap
    // (`*tooLarge` set then) or the connection failed.
    QByteArray fetch(quint64 serial, quint32 target, bool* tooLarge = nullptr);
    // The windows of abandoned reads whose time is up are destroyed; how long until the next one is.
    int expireRetired();
    QStringList targetNames(const QByteArray& atoms);
    quint32 atom(const QByteArray& name) const;
    // The next event of the read `serial`; null when it was abandoned or `timeoutMs` passed.
    void* nextEvent(quint64 serial, int timeoutMs);
    bool abandoned(quint64 serial) const { return m_latest.load() != serial; }
    void wake();

    Done m_done;
    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_window = 0;
    // The last request of the read under way has had its whole answer.
    bool m_answered = true;
    std::deque<std::pair<quint32, QDeadlineTimer>> m_retired;
    quint32 m_clipboard = 0, m_targets = 0, m_incr = 0, m_property = 0;
    QHash<quint32, QByteArray> m_atomNames;
    int m_wakeFd = -1;

    std::mutex m_mutex;
    Prefetch m_next;
    quint64 m_nextSerial = 0;
    bool m_quit = false;
    std::atomic<quint64> m_latest{0};
    std::thread m_thread;
};
