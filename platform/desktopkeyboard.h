#pragma once

#include <QKeyCombination>
#include <QObject>

#include <memory>

// The keyboard beyond the program's own windows: a key that reaches the program from anywhere on the
// desktop, and the keyboard focus given back to the window that had it. Each desktop protocol that
// allows this has its own implementation; where none does (a Wayland session, where the compositor
// runs `stashbox --toggle` for a key instead), there is none.
class DesktopKeyboard : public QObject
{
    Q_OBJECT
public:
    enum class Grab {
        Done,
        // Another program holds the key.
        Taken,
        // This keyboard has no such key.
        NoSuchKey,
    };

    // The implementation for the desktop the program runs on; null where there is none.
    static std::unique_ptr<DesktopKeyboard> forDesktop();

    // Takes the key (with Num Lock and Caps Lock in either state); a key held before is let go.
    virtual Grab grab(QKeyCombination key) = 0;
    virtual void release() = 0;
    // The window that has the keyboard focus now (0 when unknown), and giving the focus to it.
    virtual quintptr focusedWindow() const = 0;
    virtual void giveFocusTo(quintptr window) = 0;

signals:
    // The grabbed key was pressed (once for each press, not for its repeats).
    void pressed();
};
