#pragma once

#include "dialogsport.h"

#include <QList>
#include <QPointer>

class QMessageBox;
class QWidget;

// Real message boxes, file dialogs and menus.
class QtDialogs final : public DialogsPort
{
public:
    explicit QtDialogs(QWidget* parent = nullptr);
    void setParent(QWidget* parent) { m_parent = parent; }

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void notice(const QString& text, const QString& title) override;
    QString chooseFile(const FileRequest& request) override;
    int popupMenu(const QList<MenuEntry>& entries, const QPoint& globalPos, bool rightAligned) override;

    // For a program that is ending: closes every box, dialog and menu that is open and answers every
    // later one at once without showing it, as if the user had declined (No, Cancel, no file, no entry).
    void dismissAll();

private:
    // Runs `widget`'s own event loop through `exec`, listed as open meanwhile.
    template <typename Exec> auto runOpen(QWidget& widget, Exec exec);

    QPointer<QWidget> m_parent;
    QList<QPointer<QWidget>> m_open;
    QPointer<QMessageBox> m_notice;
    bool m_dismissed = false;
};
