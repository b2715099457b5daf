#pragma once

#include <QMetaObject>
#include <QString>
#include <functional>

class ClipStore;
struct ClipItem;
class ClipboardOffer;
class ClipboardPort;
class DialogsPort;

// Turns each clipboard change into at most one new item at the top of the store.
class Capture final
{
public:
    enum class Result {
        Off,       // capture switched off, or the program's own write
        Warned,    // the list is full and the user was told so
        Secret,    // marked as not to be kept
        Duplicate, // already in the list
        Nothing,   // no usable format (or pictures switched off, or a picture that cannot be read)
        Added,
        Pending, // the offer is being read; the capture finishes when it is in hand
        TooLarge, // larger than an offer may be, or than the list on disk can hold: the user is told
    };

    Capture(ClipStore& store, ClipboardPort& clipboard, DialogsPort& dialogs);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // The user's capture switch.
    bool captureOn = true;
    // Down while the program writes the clipboard itself.
    bool ownWriteGuard = false;
    bool imageCapture = true;
    bool warnWhenFull = false;

    // Brings the window into view before the full-list warning.
    std::function<void()> showForWarning;
    // Runs at the start of every capture that gets past the full-list test (keeps an extended
    // window on top).
    std::function<void()> beforeTaking;
    // Whether the list still fits on disk with `item` on top (and the bottom row gone); unset: it does.
    std::function<bool(const ClipItem& item)> listFits;

    // A clipboard change: captures when the switch is on.
    Result clipboardChanged();
    // One capture of the current clipboard. The offer is read without waiting for its owner; with a
    // port that reads at once the result is final, else Pending and lastResult() tells later.
    Result captureClipboard();
    // The capture at start-up: no guard, no full-list warning.
    Result captureAtStartup();
    Result lastResult() const { return m_result; }

    // The reads that take() makes, in its order, after the secret test: run where the data may be
    // waited for, so that everything the capture uses is in hand when it runs.
    static void prefetch(ClipboardOffer& offer, bool pictures);

    // Runs `write` with the own-write guard down, so that the program's own clipboard writes are
    // never taken as new items.
    void writeGuarded(const std::function<void()>& write);

    static QString fullListMessage(int limit);
    static QString tooLargeMessage();
    static QString listFullMessage();
    // mmddyyhhmmss of now.
    static QString pictureStamp();

private:
    enum class Reading { None, Change, Startup };
    Result read(Reading why);
    void offerRead(ClipboardOffer& offer);
    Result captureOffer(ClipboardOffer& offer);
    Result take(ClipboardOffer& offer, bool dropOldest);
    Result refuseTooLarge(const QString& why);
    QString uniqueStamp() const;
    bool rowsHaveText(int column, const QString& value) const;
    bool rowsHavePicture(quint64 fingerprint) const;

    ClipStore& m_store;
    ClipboardPort& m_clipboard;
    DialogsPort& m_dialogs;
    QMetaObject::Connection m_offerRead;
    Reading m_reading = Reading::None;
    Result m_result = Result::Off;
};
