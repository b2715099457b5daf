#pragma once

#include <QString>
#include <functional>

class ClipStore;
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
    };

    Capture(ClipStore& store, ClipboardPort& clipboard, DialogsPort& dialogs);

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

    // A clipboard change: captures when the switch is on.
    Result clipboardChanged();
    // One capture of the current clipboard.
    Result captureClipboard();
    // The capture at start-up: no guard, no full-list warning.
    Result captureAtStartup();

    // Runs `write` with the own-write guard down, so that the program's own clipboard writes are
    // never taken as new items.
    void writeGuarded(const std::function<void()>& write);

    static QString fullListMessage(int limit);
    // mmddyyhhmmss of now.
    static QString pictureStamp();

private:
    Result take(ClipboardOffer& offer, bool dropOldest);
    QString uniqueStamp() const;
    bool rowsHaveText(int column, const QString& value) const;
    bool rowsHavePicture(quint64 fingerprint) const;

    ClipStore& m_store;
    ClipboardPort& m_clipboard;
    DialogsPort& m_dialogs;
};
