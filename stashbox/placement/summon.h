#pragma once

#include <QtGlobal>

class Placement;

// What summoning asks of the window and the desktop beyond the placement.
class SummonWindow
{
public:
    virtual ~SummonWindow() = default;
    // The window takes the keyboard focus with the newest item current.
    virtual void takeKeyboard() = 0;
    // Another program's window that has the keyboard focus now, as the desktop says; 0 when unknown
    // or our own.
    virtual quintptr focusedWindow() const = 0;
    virtual void giveFocusTo(quintptr window) = 0;
    // Back to the strip or into the tray, as the hide button does.
    virtual void retract() = 0;
};

// The panel shown and hidden on request (the global key, a command from a shell). Summoned, it
// comes out with the keyboard; sent back (Escape, the key again, or an item picked with Enter), it
// gives the keyboard back to the window that had it. Out by the mouse, it stays as it is.
class Summon final
{
public:
    Summon(Placement& placement, SummonWindow& window);

    // Out at the screen edge, or back from the tray.
    void show();
    // Back to the strip or into the tray.
    void hide();
    void toggle();
    // An item was put on the clipboard with the keyboard: a summoned panel goes back by itself.
    void itemPicked();
    // The panel went back by some other way (the hide button, auto-hide).
    void retracted();
    bool isSummoned() const { return m_summoned; }

private:
    Placement& m_placement;
    SummonWindow& m_window;
    bool m_summoned = false;
    quintptr m_previous = 0;
};
