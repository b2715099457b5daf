#include "notifyiconshell.h"

#include "iconhandles.h"
#include "traynotification.h"

#include <utility>

NotifyIconShell::NotifyIconShell(ViewFactory makeView)
    : m_makeView(std::move(makeView))
{
}

NotifyIconShell::~NotifyIconShell() = default;

bool NotifyIconShell::Shell_NotifyIcon(quint32 message, const QByteArray& record)
{
    NotifyIconData data;
    if (!NotifyIconData::fromBytes(record, &data))
        return false;
    const Key key{data.hWnd, data.uID};
    const auto found = m_icons.find(key);
    switch (message) {
    case shell::NIM_ADD: {
        if (found != m_icons.end())
            return false;
        Icon icon;
        apply(icon, data);
        const quint32 hWnd = data.hWnd;
        const quint32 uID = data.uID;
        // The view reports to the icon's current callback message, which a later change may set.
        icon.view = m_makeView(IconHandles::image(icon.data.hIcon), icon.data.tip(), [this, hWnd, uID](quint32 code) {
            const auto it = m_icons.find({hWnd, uID});
            if (it != m_icons.end() && it->second.data.uCallbackMessage != 0)
                TrayNotificationEvent::post(hWnd, it->second.data.uCallbackMessage, code);
        });
        if (!icon.view)
            return false;
        m_icons.emplace(key, std::move(icon));
        return true;
    }
    case shell::NIM_MODIFY:
        if (found == m_icons.end())
            return false;
        // The view keeps its own copy of the picture: only a record that names a new one changes it.
        apply(found->second, data);
        if (data.uFlags & shell::NIF_ICON)
            found->second.view->setIcon(IconHandles::image(found->second.data.hIcon));
        if (data.uFlags & shell::NIF_TIP)
            found->second.view->setToolTip(found->second.data.tip());
        return true;
    case shell::NIM_DELETE:
        if (found == m_icons.end())
            return false;
        m_icons.erase(found);
        return true;
    }
    return false;
}

void NotifyIconShell::apply(Icon& icon, const NotifyIconData& record)
{
    icon.data.hWnd = record.hWnd;
    icon.data.uID = record.uID;
    if (record.uFlags & shell::NIF_MESSAGE)
        icon.data.uCallbackMessage = record.uCallbackMessage;
    if (record.uFlags & shell::NIF_ICON)
        icon.data.hIcon = record.hIcon;
    if (record.uFlags & shell::NIF_TIP)
        std::copy(std::begin(record.szTip), std::end(record.szTip), std::begin(icon.data.szTip));
}

QString NotifyIconShell::toolTip(quint32 hWnd, quint32 uID) const
{
    const auto found = m_icons.find({hWnd, uID});
    return found == m_icons.end() ? QString() : found->second.data.tip();
}
