#pragma once

#include "clipboardoffer.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct wl_display;
struct wl_proxy;

// What the program puts on the Wayland selection: the bytes of each type, in the order offered,
// and a picture, offered as PNG and encoded when a program first asks for it.
struct SelectionContent
{
    QList<QPair<QString, QByteArray>> types;
    QImage image;
};

// The Wayland selection (the clipboard) through the data-control protocol made for clipboard
// managers, on a connection and a thread of its own: it sees every change whatever window has the
// focus, reads another program's offer without holding up the window (an owner that answers slowly
// or never holds up nothing but this thread) and sets the selection to what the program writes,
// serving every program that pastes it.
class WaylandSelection final
{
public:
    // Touches, on the selection thread, the data of the offer that the caller is going to use.
    using Prefetch = std::function<void(ClipboardOffer&)>;
    // Runs on the selection thread with a complete offer of the read `serial`.
    using Done = std::function<void(std::shared_ptr<ClipboardOffer>, quint64 serial)>;
    // Runs on the selection thread when another program's selection replaced the last one; `writes`
    // is how many of our writes the compositor had been sent by then.
    using Changed = std::function<void(quint64 writes)>;

    explicit WaylandSelection(Changed changed);
    ~WaylandSelection();
    WaylandSelection(const WaylandSelection&) = delete;
    WaylandSelection& operator=(const WaylandSelection&) = delete;

    // False without a compositor or without data-control there; nothing is read or written then.
    bool isConnected() const { return m_thread.joinable(); }
    // The data-control interface in use.
    QString protocol() const { return m_protocol; }

    // Starts reading the current offer; a read still under way is abandoned. Returns its serial.
    quint64 read(Prefetch prefetch, Done done);
    // Abandons the read under way: its offer is never handed over.
    void cancel();
    // Makes `content` the selection; null clears it. Returns the write's number (1, 2, ...).
    quint64 write(std::shared_ptr<const SelectionContent> content);

    // The data-control interface of the compositor named by WAYLAND_DISPLAY; "" when there is none.
    static QString probe();

    // How long an owner may keep the reader waiting for the next bytes of one type.
    static constexpr int StepTimeoutMs = 5000;
    // More types than this is not a copy anybody made (nor more than ClipboardOffer::MaxBytes of one).
    static constexpr int MaxTypes = 512;

    struct Protocol;
    struct Announced;
    struct Source;
    struct Send;

private:
    void run();
    void readOne(quint64 serial, const Prefetch& prefetch, const Done& done);
    // The bytes of `type`; empty when abandoned, timed out, or too large (`*tooLarge` set then).
    QByteArray fetch(quint64 serial, const QString& type, bool* tooLarge);
    void applyWrite(quint64 number, const std::shared_ptr<const SelectionContent>& content);
    // Dispatches the connection's events, serves pastes under way and waits at most `timeoutMs` for
    // them or for `watchedFd` (-1: none); true when `watchedFd` has something to read.
    bool pump(int watchedFd, int timeoutMs);
    void serveSends(const std::vector<short>& revents);
    bool abandoned(quint64 serial) const { return m_latest.load() != serial; }
    void wake();
    void dropOffer(wl_proxy* offer);

    // Event handlers, on the selection thread.
    void onDataOffer(wl_proxy* offer);
    void onOfferType(wl_proxy* offer, const char* type);
    void onSelection(wl_proxy* offer);
    void onPrimarySelection(wl_proxy* offer);
    void onFinished();
    void onSend(wl_proxy* source, const char* type, int fd);
    void onCancelled(wl_proxy* source);

    friend struct Listeners;

    Changed m_changed;
    QString m_protocol;
    const Protocol* m_interfaces = nullptr;
    wl_display* m_display = nullptr;
    wl_proxy* m_registry = nullptr;
    wl_proxy* m_seat = nullptr;
    wl_proxy* m_manager = nullptr;
    wl_proxy* m_device = nullptr;
    int m_wakeFd = -1;
    bool m_ready = false;

    // Selection-thread state.
    std::vector<std::unique_ptr<Announced>> m_announced; // offers whose types are still arriving
    std::unique_ptr<Announced> m_current;                // the selection now; null when empty
    wl_proxy* m_reading = nullptr;                       // the offer a read is using
    std::vector<wl_proxy*> m_retired;                    // offers to destroy once their read ends
    std::vector<std::unique_ptr<Source>> m_sources;      // our selections not yet cancelled
    wl_proxy* m_ownSource = nullptr;                     // the last one we set
    std::vector<std::unique_ptr<Send>> m_sends;          // pastes of our selection under way
    quint64 m_writesApplied = 0;

    std::mutex m_mutex;
    Prefetch m_nextPrefetch;
    Done m_nextDone;
    quint64 m_nextSerial = 0;
    std::vector<std::pair<quint64, std::shared_ptr<const SelectionContent>>> m_writes;
    quint64 m_writeCount = 0;
    bool m_quit = false;
    std::atomic<quint64> m_latest{0};
    std::thread m_thread;
};
