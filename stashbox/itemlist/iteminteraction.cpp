#include "iteminteraction.h"
#include "listconstants.h"

#include "capture.h"
#include "clipboardport.h"
#include "clipstore.h"
#include "dialogsport.h"
#include "gridmodel.h"

#include <QCursor>
#include <utility>

ItemInteraction::ItemInteraction(ClipStore& store, Capture& capture, ClipboardPort& clipboard, DialogsPort& dialogs,
                                 const ItemPictures& pictures, QObject* parent)
    : QObject(parent)
    , cursorPos([] { return QCursor::pos(); })
    , m_store(store)
    , m_capture(capture)
    , m_clipboard(clipboard)
    , m_dialogs(dialogs)
    , m_pictures(pictures)
{
    connect(&m_store, &ClipStore::itemsMovedDown, this, &ItemInteraction::itemsMovedDown);
    connect(&m_store, &ClipStore::itemRemoved, this, &ItemInteraction::itemRemoved);
    // A row that fills or empties under the current cell gains or loses its button.
    connect(&m_store, &ClipStore::countChanged, this, [this] { showCellButtonFor(m_store.grid().row()); });
}

void ItemInteraction::itemsMovedDown()
{
    for (int* row : {&m_actionRow, &m_nameRow})
        if (*row >= 0 && ++*row >= m_store.itemLimit())
            *row = -1;
    if (m_nameRow < 0 && m_nameBox.visible)
        closeNameBox();
}

void ItemInteraction::itemRemoved(int removed)
{
    for (int* row : {&m_actionRow, &m_nameRow})
        *row = *row == removed ? -1 : *row > removed ? *row - 1 : *row;
    if (m_nameRow < 0 && m_nameBox.visible)
        closeNameBox();
}

void ItemInteraction::setNameBoxText(const QString& text)
{
    m_nameBox.text = text;
}

void ItemInteraction::closeNameBox()
{
    m_nameBox.visible = false;
    m_nameBox.text.clear();
    m_nameRow = -1;
    emit nameBoxChanged();
}

void ItemInteraction::nameBoxKeyUp(int keyCode)
{
    GridModel& grid = m_store.grid();
    if (keyCode == 13) {
        if (m_nameBox.text.trimmed().isEmpty()) {
            closeNameBox();
            return;
        }
        const int row = m_nameRow;
        const QString kind = m_store.kindOf(row);
        if (kind == ItemKind::Bitmap)
            grid.setTextMatrix(row, 0, m_nameBox.text);
        else if (ItemKind::isItem(kind))
            grid.setTextMatrix(row, 0, m_nameBox.text + QStringLiteral("\r\n-->") + grid.textMatrix(row, 2));
        closeNameBox();
    } else if (keyCode == 27) {
        closeNameBox();
    }
}

void ItemInteraction::LoseNameBox()
{
    if (!m_nameBox.visible && m_nameBox.text.isEmpty())
        return;
    if (!m_nameBox.text.trimmed().isEmpty() && m_store.isItemRow(m_nameRow))
        m_store.grid().setTextMatrix(m_nameRow, 0, m_nameBox.text);
    closeNameBox();
}

void ItemInteraction::beforeRowColChange(int, int, int newRow, int, bool*)
{
    LoseNameBox();
    showCellButtonFor(newRow);
}

void ItemInteraction::showCellButtonFor(int row)
{
    GridModel& grid = m_store.grid();
    const bool item = m_store.isItemRow(row);
    grid.setComboList(0, item ? QStringLiteral("...") : QString());
    grid.setEditable(item ? 2 : 0);
}

void ItemInteraction::afterRowColChange(int, int, int, int)
{
    collapse();
}

void ItemInteraction::mouseDown(int, int, double, double)
{
    select();
}

void ItemInteraction::select()
{
    GridModel& grid = m_store.grid();
    const int row = grid.row();
    const QString kind = m_store.kindOf(row);
    if (!ItemKind::isItem(kind))
        return;
    grid.setRowHeight(row, int(expandedHeight));
    m_expandedRow = row;
    if (kind == ItemKind::Bitmap) {
        const Picture picture = grid.cellPicture(row, 1);
        grid.setCellPicture(row, 0, picture);
        // A picture whose file was missing has nothing to give: the clipboard keeps what it holds.
        if (const QImage image = picture.image(); !image.isNull()) {
            m_capture.writeGuarded([&] {
                m_clipboard.clear();
                m_clipboard.writeImage(image);
            });
        }
    } else if (kind == ItemKind::Text) {
        grid.setCellPicture(row, 0, m_pictures.largeText);
        m_capture.writeGuarded([&] {
            m_clipboard.clear();
            m_clipboard.writeText(grid.textMatrix(row, 2));
        });
    } else {
        grid.setCellPicture(row, 0, m_pictures.largeRtf);
        m_capture.writeGuarded([&] {
            m_clipboard.clear();
            m_clipboard.writeRtf(grid.textMatrix(row, 1), grid.textMatrix(row, 2));
        });
    }
    grid.redraw();
}

void ItemInteraction::collapse()
{
    GridModel& grid = m_store.grid();
    const QString kind = m_store.kindOf(m_expandedRow);
    if (!ItemKind::isItem(kind))
        return;
    grid.setRowHeight(m_expandedRow, ItemRowHeight);
    grid.setCellPicture(m_expandedRow, 0, m_pictures.small.forKind(kind));
    grid.redraw();
}

void ItemInteraction::cellButtonClick(int, int)
{
    LoseNameBox();
    itemMenu();
}

void ItemInteraction::itemMenu()
{
    const int row = m_store.grid().row();
    const QString kind = m_store.kindOf(row);
    if (!ItemKind::isItem(kind))
        return;
    // Built afresh each time: the view entry depends on the item.
    const QList<DialogsPort::MenuEntry> entries{
        {EditItemName, QStringLiteral("Edit Item Name"), m_pictures.editItemName.image()},
        {DeleteItemName, QStringLiteral("Delete Item Name"), m_pictures.deleteItemName.image()},
        kind == ItemKind::Bitmap ? DialogsPort::MenuEntry{ViewImage, QStringLiteral("...View Image"), {}}
                                 : DialogsPort::MenuEntry{ViewText, QStringLiteral("...View Text"), {}},
        {DeleteItem, QStringLiteral("Delete Item"), m_pictures.deleteItem.image()},
        {ClearClipboard, QStringLiteral("Clear Clipboard"), m_pictures.clearClipboard.image()},
    };
    m_actionRow = row;
    const int id = m_dialogs.popupMenu(entries, cursorPos(), true);
    // The item may have moved or gone while the menu was open.
    if (const int target = std::exchange(m_actionRow, -1); target >= 0)
        menuAction(id, target);
}

void ItemInteraction::menuAction(int id)
{
    menuAction(id, m_store.grid().row());
}

void ItemInteraction::menuAction(int id, int row)
{
    GridModel& grid = m_store.grid();
    switch (id) {
    case DeleteItemName:
        if (!m_store.isItemRow(row))
            break;
        grid.setTextMatrix(row, 0,
                           m_store.kindOf(row) == ItemKind::Bitmap ? QStringLiteral("IMAGE") : grid.textMatrix(row, 2));
        break;
    case DeleteItem: deleteItem(row); break;
    case EditItemName:
        m_nameRow = row;
        // The cell's position within the list, used as it is within the window.
        m_nameBox.left = grid.cellLeft(row, 0) + 1000;
        m_nameBox.top = grid.cellTop(row, 0) + 600;
        m_nameBox.visible = true;
        m_nameBox.text.clear();
        emit nameBoxChanged();
        break;
    case ClearClipboard: clearAll(); break;
    case ViewImage: emit viewImageRequested(row); break;
    case ViewText: emit viewTextRequested(row); break;
    default: break;
    }
}

void ItemInteraction::clearAll()
{
    const DialogsPort::Answer answer =
        m_dialogs.message(QStringLiteral("Delete all items from the clipboard?"), ProgramTitle, DialogsPort::Icon::None,
                          DialogsPort::Buttons::YesNo);
    if (answer == DialogsPort::Answer::No)
        return;
    m_store.clearAll();
}

void ItemInteraction::Command1_Click()
{
    // A row that find by typing hides is not the item the user sees.
    const int row = m_store.grid().row();
    if (m_store.grid().isRowHidden(row))
        emit keepOnTop();
    else
        deleteItem(row);
}

void ItemInteraction::deleteItem(int row)
{
    m_actionRow = row;
    LoseNameBox();
    emit processEvents();
    const int target = std::exchange(m_actionRow, -1);
    if (target < 0 || !m_store.deleteItem(target))
        emit keepOnTop();
}
