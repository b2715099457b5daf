#include "traymenu.h"

#include <utility>

TrayMenu::TrayMenu(DialogsPort& dialogs, Pictures pictures, Actions actions)
    : m_dialogs(dialogs)
    , m_pictures(std::move(pictures))
    , m_actions(std::move(actions))
{
}

QList<DialogsPort::MenuEntry> TrayMenu::entries() const
{
    return {
        {Show, QStringLiteral("Show Stashbox"), m_pictures.showClip},
        {Options, QStringLiteral("Options"), m_pictures.options},
        {About, QStringLiteral("..About"), {}},
        {Help, QStringLiteral("Help"), m_pictures.help},
        {Exit, QStringLiteral("Exit"), m_pictures.close},
    };
}

void TrayMenu::open(const QPoint& cursor)
{
    static constexpr std::pair<int, std::function<void()> Actions::*> byId[] = {
        {Show, &Actions::show}, {Options, &Actions::options}, {About, &Actions::about},
        {Help, &Actions::help}, {Exit, &Actions::exit},
    };
    const int chosen = m_dialogs.popupMenu(entries(), cursor, true);
    for (const auto& [id, action] : byId)
        if (id == chosen && m_actions.*action)
            (m_actions.*action)();
}

QString TrayMenu::toolTip(const QString& countLabel)
{
    return QStringLiteral(" Stashbox - ") + countLabel + QLatin1Char(' ');
}
