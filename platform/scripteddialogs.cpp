#include "scripteddialogs.h"

DialogsPort::Answer ScriptedDialogs::message(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    messages.append({text, title, icon, buttons});
    if (!answers.isEmpty())
        return answers.dequeue();
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

QString ScriptedDialogs::chooseFile(const FileRequest& request)
{
    fileRequests.append(request);
    return files.isEmpty() ? QString() : files.dequeue();
}

int ScriptedDialogs::popupMenu(const QList<MenuEntry>& entries, const QPoint& globalPos, bool rightAligned)
{
    menus.append({entries, globalPos, rightAligned});
    return menuChoices.isEmpty() ? 0 : menuChoices.dequeue();
}
