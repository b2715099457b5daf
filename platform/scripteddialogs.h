#pragma once

#include "dialogsport.h"

#include <QQueue>
#include <functional>

// Answers dialogs from queues and records what was asked; for tests.
// With an empty queue: message boxes answer Ok (No for Yes/No questions), file dialogs are
// cancelled and menus closed without a choice.
class ScriptedDialogs final : public DialogsPort
{
public:
    struct Message
    {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };
    struct Menu
    {
        QList<MenuEntry> entries;
        QPoint globalPos;
        bool rightAligned;
    };

    QQueue<Answer> answers;
    QQueue<QString> files;
    QQueue<int> menuChoices;
    // Runs once, while the next box, file dialog or menu is open: what arrives meanwhile.
    std::function<void()> whileOpen;

    QList<Message> messages;
    QStringList notices;
    QList<FileRequest> fileRequests;
    QList<Menu> menus;

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void notice(const QString& text, const QString& title) override;
    QString chooseFile(const FileRequest& request) override;
    int popupMenu(const QList<MenuEntry>& entries, const QPoint& globalPos, bool rightAligned) override;

private:
    void runWhileOpen();
};
