#pragma once

#include "dialogsport.h"

#include <QPointer>

class QWidget;

// Real message boxes, file dialogs and menus.
class QtDialogs final : public DialogsPort
{
public:
    explicit QtDialogs(QWidget* parent = nullptr);
    void setParent(QWidget* parent) { m_parent = parent; }

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    QString chooseFile(const FileRequest& request) override;
    int popupMenu(const QList<MenuEntry>& entries, const QPoint& globalPos, bool rightAligned) override;

private:
    QPointer<QWidget> m_parent;
};
