#pragma once

#include "dialogsport.h"

#include <functional>

// The tray icon's menu: its entries, built afresh each time it opens with its right edge at the
// pointer, and what each does; and the icon's tooltip.
class TrayMenu final
{
public:
    enum Id { About = 1000, Options = 1001, Show = 1002, Exit = 1003, Help = 1004 };

    struct Pictures
    {
        QImage showClip;
        QImage options;
        QImage help;
        QImage close;
    };
    struct Actions
    {
        std::function<void()> show;
        std::function<void()> options;
        std::function<void()> about;
        std::function<void()> help;
        std::function<void()> exit;
    };

    TrayMenu(DialogsPort& dialogs, Pictures pictures, Actions actions);

    QList<DialogsPort::MenuEntry> entries() const;
    // Opens the menu at `cursor` and runs the chosen entry; a dismissed menu does nothing.
    void open(const QPoint& cursor);

    // The icon's tooltip for the count label's text.
    static QString toolTip(const QString& countLabel);

private:
    DialogsPort& m_dialogs;
    Pictures m_pictures;
    Actions m_actions;
};
