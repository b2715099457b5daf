#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

// Message boxes, file dialogs and popup menus: everything that waits for the user's answer.
// The program asks through this port so that tests can give the answers.
class DialogsPort
{
public:
    enum class Icon { None, Information, Critical, Question, Exclamation };
    // YesNoDefaultNo: Yes and No with No the default, for questions where Yes starts something.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
    // Numbered as classic message-box answers are.
    enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    struct FileRequest
    {
        QString title;
        QString actionCaption; // "Save" or "Open"
        QString initialFolder;
        QString initialFileName;
        QString filter; // description|pattern|description|pattern|...
        bool save = false;
    };

    struct MenuEntry
    {
        int id = 0;
        QString text;
        QImage icon;
    };

    virtual ~DialogsPort() = default;

    virtual Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;
    // Tells the user something that needs no answer, without holding anything up: the box stays
    // open beside the window until closed, and a later notice replaces the text of one still open.
    virtual void notice(const QString& text, const QString& title) = 0;
    // The chosen file's full path, or "" when the user cancelled.
    virtual QString chooseFile(const FileRequest& request) = 0;
    // Shows a popup menu at `globalPos` (its right edge there when `rightAligned`); the chosen id, 0 for none.
    virtual int popupMenu(const QList<MenuEntry>& entries, const QPoint& globalPos, bool rightAligned) = 0;

    // "Text Files|*.txt|All|*.*|" -> "Text Files (*.txt);;All (*.*)"
    static QString toQtFilter(const QString& filter);
};
