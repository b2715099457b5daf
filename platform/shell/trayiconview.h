#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

// One icon shown in the desktop's notification area. It reports what the pointer does over it as
// notification codes (shell::WM_MOUSEMOVE, WM_LBUTTONDOWN, ...).
//
// Which one runs where:
// - X11 (the "xcb" platform): XEmbedTrayIcon, a small window of our own docked into the tray
//   through the system-tray protocol (_NET_SYSTEM_TRAY_S<screen>, XEmbed). It sees the pointer
//   enter and move and every button press, release and double click, so it reports all codes.
// - Elsewhere: QSystemTrayIcon, which tells only of clicks: left and right button up, left
//   double click and middle button up. No moves and no button-down codes.
class TrayIconView
{
public:
    using Notify = std::function<void(quint32 code)>;

    virtual ~TrayIconView() = default;
    virtual void setIcon(const QImage& image) = 0;
    virtual void setToolTip(const QString& text) = 0;

    // The view for this desktop; null when it has no notification area to dock in.
    static std::unique_ptr<TrayIconView> create(const QImage& image, const QString& tip, Notify notify);
};
