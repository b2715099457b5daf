#include "x11desktopkeyboard.h"

#include <QGuiApplication>
#include <QMetaObject>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
constexpr uint16_t NumLockFallback = XCB_MOD_MASK_2;
constexpr uint32_t KeysymNumLock = 0xff7f;

template <typename T> struct Reply
{
    T* p;
    ~Reply() { std::free(p); }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};
} // namespace

std::unique_ptr<X11DesktopKeyboard> X11DesktopKeyboard::create()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return nullptr;
    const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(c));
    if (!screen.rem)
        return nullptr;
    return std::unique_ptr<X11DesktopKeyboard>(new X11DesktopKeyboard(c, screen.data->root));
}

X11DesktopKeyboard::X11DesktopKeyboard(xcb_connection_t* connection, uint32_t root)
    : m_connection(connection)
    , m_root(root)
{
    qGuiApp->installNativeEventFilter(this);
}

X11DesktopKeyboard::~X11DesktopKeyboard()
{
    release();
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

uint32_t X11DesktopKeyboard::keysymOf(Qt::Key key)
{
    // Letters are grabbed by their lower-case symbol, the one in a key's first column.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return uint32_t(key) - Qt::Key_A + 'a';
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return uint32_t(key);
    if (key >= Qt::Key_Agrave && key <= Qt::Key_THORN && key != Qt::Key_multiply)
        return uint32_t(key) + 0x20;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return 0xffbe + uint32_t(key - Qt::Key_F1);
    struct Named
    {
        Qt::Key key;
        uint32_t keysym;
    };
    static constexpr Named named[] = {
        {Qt::Key_Escape, 0xff1b},   {Qt::Key_Tab, 0xff09},    {Qt::Key_Backspace, 0xff08},  {Qt::Key_Return, 0xff0d},
        {Qt::Key_Enter, 0xff8d},    {Qt::Key_Insert, 0xff63}, {Qt::Key_Delete, 0xffff},     {Qt::Key_Pause, 0xff13},
        {Qt::Key_Print, 0xff61},    {Qt::Key_Home, 0xff50},   {Qt::Key_End, 0xff57},        {Qt::Key_Left, 0xff51},
        {Qt::Key_Up, 0xff52},       {Qt::Key_Right, 0xff53},  {Qt::Key_Down, 0xff54},       {Qt::Key_PageUp, 0xff55},
        {Qt::Key_PageDown, 0xff56}, {Qt::Key_Menu, 0xff67},   {Qt::Key_ScrollLock, 0xff14},
    };
    for (const Named& n : named)
        if (n.key == key)
            return n.keysym;
    return 0;
}

uint16_t X11DesktopKeyboard::modifierMaskOf(Qt::KeyboardModifiers modifiers)
{
    uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

std::vector<uint8_t> X11DesktopKeyboard::keycodesOf(uint32_t keysym) const
{
    std::vector<uint8_t> codes;
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const Reply<xcb_get_keyboard_mapping_reply_t> map{xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, uint8_t(count)), nullptr)};
    if (!map || map->keysyms_per_keycode == 0)
        return codes;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.p);
    const int per = map->keysyms_per_keycode;
    const int total = xcb_get_keyboard_mapping_keysyms_length(map.p);
    // The symbol a key gives without Shift is the one it is grabbed by.
    for (int k = 0; k < count && (k + 1) * per <= total; ++k) {
        if (syms[k * per] == keysym)
            codes.push_back(uint8_t(setup->min_keycode + k));
    }
    return codes;
}

uint16_t X11DesktopKeyboard::numLockMask() const
{
    const std::vector<uint8_t> numLock = keycodesOf(KeysymNumLock);
    const Reply<xcb_get_modifier_mapping_reply_t> map{
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr)};
    if (!map || numLock.empty())
        return NumLockFallback;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.p);
    const int per = map->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod)
        for (int i = 0; i < per; ++i)
            if (codes[mod * per + i] != 0 && codes[mod * per + i] == numLock.front())
                return uint16_t(1u << mod);
    return NumLockFallback;
}

DesktopKeyboard::Grab X11DesktopKeyboard::grab(QKeyCombination key)
{
    release();
    const uint32_t keysym = keysymOf(key.key());
    std::vector<uint8_t> codes = keysym ? keycodesOf(keysym) : std::vector<uint8_t>{};
    if (codes.empty())
        return Grab::NoSuchKey;
    const uint16_t modifiers = modifierMaskOf(key.keyboardModifiers());
    const uint16_t numLock = numLockMask();
    const uint16_t variants[] = {0, XCB_MOD_MASK_LOCK, numLock, uint16_t(XCB_MOD_MASK_LOCK | numLock)};
    bool taken = false;
    std::vector<xcb_void_cookie_t> cookies;
    for (uint8_t code : codes)
        for (uint16_t extra : variants)
            cookies.push_back(xcb_grab_key_checked(m_connection, 1, m_root, uint16_t(modifiers | extra), code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    for (const xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            taken = true;
            std::free(error);
        }
    }
    m_keycodes = std::move(codes);
    m_modifiers = modifiers;
    m_locks = uint16_t(XCB_MOD_MASK_LOCK | numLock);
    if (taken) {
        // Half a key is no key: the variants that were granted are given back.
        release();
        return Grab::Taken;
    }
    return Grab::Done;
}

void X11DesktopKeyboard::release()
{
    if (m_keycodes.empty())
        return;
    const uint16_t variants[] = {0, XCB_MOD_MASK_LOCK, uint16_t(m_locks & ~XCB_MOD_MASK_LOCK), m_locks};
    for (uint8_t code : m_keycodes)
        for (uint16_t extra : variants)
            xcb_ungrab_key(m_connection, code, m_root, uint16_t(m_modifiers | extra));
    xcb_flush(m_connection);
    m_keycodes.clear();
}

bool X11DesktopKeyboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_keycodes.empty() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    const bool ours = key->event == m_root && (key->state & ~m_locks & 0xff) == m_modifiers
        && std::find(m_keycodes.begin(), m_keycodes.end(), key->detail) != m_keycodes.end();
    if (!ours)
        return false;
    if (type == XCB_KEY_RELEASE) {
        m_releasedAt = key->time;
    } else if (key->time != m_releasedAt) {
        // Acted on once the event is handled: the action may run events of its own.
        QMetaObject::invokeMethod(this, &DesktopKeyboard::pressed, Qt::QueuedConnection);
    }
    return true;
}

uint32_t X11DesktopKeyboard::atom(const char* name) const
{
    const Reply<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr)};
    return reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
}

quintptr X11DesktopKeyboard::focusedWindow() const
{
    const uint32_t active = atom("_NET_ACTIVE_WINDOW");
    const Reply<xcb_get_property_reply_t> reply{xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, m_root, active, XCB_ATOM_WINDOW, 0, 1), nullptr)};
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 || xcb_get_property_value_length(reply.p) < 4)
        return 0;
    return *static_cast<const uint32_t*>(xcb_get_property_value(reply.p));
}

void X11DesktopKeyboard::giveFocusTo(quintptr window)
{
    if (window == 0)
        return;
    // Asked of the window manager as a pager would: that is a user's own request, which window
    // managers grant.
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = uint32_t(window);
    event.type = atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}
