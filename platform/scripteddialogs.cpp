#include "scripteddialogs.h"

#include <utility>

DialogsPort::Answer ScriptedDialogs::message(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    messages.append({text, title, icon, buttons});
    runWhileOpen();
    if (!answers.isEmpty())
        return answers.dequeue();
    return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::No : Answer::Ok;
}

void ScriptedDialogs::notice(const QString& text, const QString&)
{
    notices.append(text);
}

QString ScriptedDialogs::chooseFile(const FileRequest& request)
{
    fileRequests.append(request);
    runWhileOpen();
    return files.isEmpty() ? QString() : files.dequeue();
}

int ScriptedDialogs::popupMenu(const QList<MenuEntry>& entries, const QPoint& globalPos, bool rightAligned)
{
    menus.append({entries, globalPos, rightAligned});
    runWhileOpen();
    return menuChoices.isEmpty() ? 0 : menuChoices.dequeue();
}

void ScriptedDialogs::runWhileOpen()
{
    if (const std::function<void()> run = std::exchange(whileOpen, nullptr))
        run();
}
