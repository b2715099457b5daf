#pragma once

#include "notifyiconport.h"
#include "trayiconview.h"

#include <functional>
#include <map>
#include <memory>
#include <utility>

// The notification area of this desktop behind the shell call: one icon per (window, id) of the
// records it is given, shown through a TrayIconView, whose pointer notifications it sends to the
// record's window as its callback message (when the record asked for one with NIF_MESSAGE).
//
// NIM_ADD fails for an icon that exists and when the desktop has no notification area; NIM_MODIFY
// and NIM_DELETE fail for one that does not exist. NIM_ADD and NIM_MODIFY take the fields the
// record's uFlags name: the callback message, the icon, the tooltip.
class NotifyIconShell final : public NotifyIconPort
{
public:
    using ViewFactory = std::function<std::unique_ptr<TrayIconView>(const QImage& image, const QString& tip,
                                                                    TrayIconView::Notify notify)>;

    // `makeView`: how an icon is shown; the desktop's notification area unless a test says otherwise.
    explicit NotifyIconShell(ViewFactory makeView = &TrayIconView::create);
    ~NotifyIconShell() override;

    bool Shell_NotifyIcon(quint32 message, const QByteArray& record) override;

    int iconCount() const { return int(m_icons.size()); }
    // The tooltip the icon of (hWnd, uID) shows; empty when there is no such icon.
    QString toolTip(quint32 hWnd, quint32 uID) const;

private:
    struct Icon
    {
        NotifyIconData data;
        std::unique_ptr<TrayIconView> view;
    };
    using Key = std::pair<quint32, quint32>;

    void apply(Icon& icon, const NotifyIconData& record);

    ViewFactory m_makeView;
    std::map<Key, Icon> m_icons;
};
