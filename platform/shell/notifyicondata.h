#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The notification-area record as the tray shell takes it: 88 bytes, little-endian, in this order:
// cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon (u32 each), then the tooltip, 64 bytes: its
// text in the locale's 8-bit encoding followed by a NUL and zero padding.
struct NotifyIconData
{
    static constexpr quint32 kSize = 88;
    static constexpr int kTipBytes = 64;

    quint32 cbSize = 0;
    quint32 hWnd = 0;
    quint32 uID = 0;
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    quint32 hIcon = 0;
    char szTip[kTipBytes] = {};

    // Cuts the text to at most 63 bytes, never inside a character, and ends it with a NUL.
    void setTip(const QString& text);
    QString tip() const;

    QByteArray toBytes() const;
    // False when the bytes are not a record (wrong length or cbSize, or a tooltip without its NUL).
    static bool fromBytes(const QByteArray& bytes, NotifyIconData* out);
};

// Shell messages, record flags and the notifications the shell sends to the record's window.
namespace shell {
inline constexpr quint32 NIM_ADD = 0;
inline constexpr quint32 NIM_MODIFY = 1;
inline constexpr quint32 NIM_DELETE = 2;

inline constexpr quint32 NIF_MESSAGE = 1;
inline constexpr quint32 NIF_ICON = 2;
inline constexpr quint32 NIF_TIP = 4;

inline constexpr quint32 WM_MOUSEMOVE = 0x0200;
inline constexpr quint32 WM_LBUTTONDOWN = 0x0201;
inline constexpr quint32 WM_LBUTTONUP = 0x0202;
inline constexpr quint32 WM_LBUTTONDBLCLK = 0x0203;
inline constexpr quint32 WM_RBUTTONDOWN = 0x0204;
inline constexpr quint32 WM_RBUTTONUP = 0x0205;
inline constexpr quint32 WM_RBUTTONDBLCLK = 0x0206;
inline constexpr quint32 WM_MBUTTONDOWN = 0x0207;
inline constexpr quint32 WM_MBUTTONUP = 0x0208;
inline constexpr quint32 WM_MBUTTONDBLCLK = 0x0209;
} // namespace shell
