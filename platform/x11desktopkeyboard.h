#pragma once

#include "desktopkeyboard.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <vector>

struct xcb_connection_t;

// The desktop keyboard of an X11 session: the key is grabbed on the root window through the
// program's own X connection (its presses arrive with the window's other events), and the focus is
// handed on through the window manager's active-window request.
class X11DesktopKeyboard final : public DesktopKeyboard, private QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // Null when the program does not run on an X display.
    static std::unique_ptr<X11DesktopKeyboard> create();
    ~X11DesktopKeyboard() override;

    Grab grab(QKeyCombination key) override;
    void release() override;
    quintptr focusedWindow() const override;
    void giveFocusTo(quintptr window) override;

    // The X key symbol of a key (0 for keys it does not know).
    static uint32_t keysymOf(Qt::Key key);
    // The X modifier mask of Shift, Ctrl, Alt and Meta.
    static uint16_t modifierMaskOf(Qt::KeyboardModifiers modifiers);

private:
    X11DesktopKeyboard(xcb_connection_t* connection, uint32_t root);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    std::vector<uint8_t> keycodesOf(uint32_t keysym) const;
    uint16_t numLockMask() const;
    uint32_t atom(const char* name) const;

    xcb_connection_t* m_connection;
    uint32_t m_root;
    // The grabbed key: its codes, its modifiers, and the lock modifiers that may come with them.
    std::vector<uint8_t> m_keycodes;
    uint16_t m_modifiers = 0;
    uint16_t m_locks = 0;
    // A held key repeats as release and press with one time stamp: such a press is no new press.
    uint32_t m_releasedAt = 0;
};
