#include "traymenu.h"

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
    const std::function<void()>* action = nullptr;
    switch (m_dialogs.popupMenu(entries(), cursor, true)) {
    case Show: action = &m_actions.show; break;
    case Options: action = &m_actions.options; break;
    case About: action = &m_actions.about; break;
    case Help: action = &m_actions.help; break;
    case Exit: action = &m_actions.exit; break;
    default: break;
    }
    if (action && *action)
        (*action)();
}

QString TrayMenu::toolTip(const QString& countLabel)
{
    return QStringLiteral(" Stashbox - ") + countLabel + QLatin1Char(' ');
}
