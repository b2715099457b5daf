#pragma once

#include "clipitem.h"

#include <QObject>
#include <QPoint>
#include <functional>

// The pictures that the window hands to the item interaction: the kind icons of collapsed rows, the
// large previews of an expanded row and the item menu's pictures.
struct ItemPictures
{
    KindIcons small;
    Picture largeText;
    Picture largeRtf;
    Picture editItemName;
    Picture deleteItemName;
    Picture deleteItem;
    Picture clearClipboard;
};

class Capture;
class ClipStore;
class ClipboardPort;
class DialogsPort;

// What the user does with the items: clicking a row puts its item back on the clipboard and shows it
// enlarged; the row's "..." button opens the item menu; the name box names an item.
class ItemInteraction final : public QObject
{
    Q_OBJECT
public:
    enum MenuId {
        DeleteItemName = 1000,
        DeleteItem = 1001,
        EditItemName = 1002,
        ClearClipboard = 1003,
        ViewImage = 1009,
        ViewText = 1010,
    };

    // The item-name box: hidden normally; shown over the list while a name is typed.
    struct NameBox
    {
        bool visible = false;
        QString text;
        // Position within the window, twips.
        int left = 0;
        int top = 0;
    };

    ItemInteraction(ClipStore& store, Capture& capture, ClipboardPort& clipboard, DialogsPort& dialogs,
                    const ItemPictures& pictures, QObject* parent = nullptr);

    // The height of an expanded row, twips (set by start-up).
    double expandedHeight = 1020;
    int expandedRow() const { return m_expandedRow; }
    // The mouse position on the screen, for the item menu.
    std::function<QPoint()> cursorPos;

    const NameBox& nameBox() const { return m_nameBox; }
    // The user typed in the name box.
    void setNameBoxText(const QString& text);
    // A key was released in the name box: 13 Enter, 27 Escape.
    void nameBoxKeyUp(int keyCode);
    // Commits and closes the name box; every action on the main window calls this first.
    void LoseNameBox();

    // The list's events.
    void beforeRowColChange(int oldRow, int oldCol, int newRow, int newCol, bool* cancel);
    void afterRowColChange(int oldRow, int oldCol, int newRow, int newCol);
    void mouseDown(int button, int shift, double x, double y);
    void cellButtonClick(int row, int col);
    // The current row's menu button: shown when the row holds an item, the list editable then.
    void showCellButtonFor(int row);

    // The Delete button.
    void Command1_Click();
    // Runs one entry of the item menu for the current row.
    void menuAction(int id);

signals:
    void nameBoxChanged();
    // Show the whole text or the picture of the item at `row`.
    void viewTextRequested(int row);
    void viewImageRequested(int row);
    // Keep the main window on top (after an action that did nothing).
    void keepOnTop();
    // Let pending window events run.
    void processEvents();

private:
    void select();
    void collapse();
    void itemMenu();
    void menuAction(int id, int row);
    void deleteItem(int row);
    void clearAll();
    void closeNameBox();
    // Keep the rows the menu, the Delete button and the name box act on on their items.
    void itemsMovedDown();
    void itemRemoved(int row);

    ClipStore& m_store;
    Capture& m_capture;
    ClipboardPort& m_clipboard;
    DialogsPort& m_dialogs;
    ItemPictures m_pictures;
    int m_expandedRow = 0;
    NameBox m_nameBox;
    // The item an open menu or a running Delete acts on, and the item being named; -1 for none, or
    // once that item is gone. Events run while a menu is open or Delete waits, and a copy that
    // arrives then moves every item down a row.
    int m_actionRow = -1;
    int m_nameRow = -1;
};
