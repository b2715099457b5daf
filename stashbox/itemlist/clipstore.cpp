#include "clipstore.h"

#include "gridmodel.h"

ClipStore::ClipStore(GridModel& grid, KindIcons icons, QObject* parent)
    : QObject(parent)
    , m_grid(grid)
    , m_icons(std::move(icons))
{
}

void ClipStore::setItemLimit(int limit)
{
    m_limit = limit;
    m_grid.setRows(limit);
}

void ClipStore::setItemCount(int count)
{
    m_count = count;
    emit countChanged(m_count);
}

QString ClipStore::countLabelFor(int count)
{
    return QString::number(count) + QStringLiteral("  ITEMS");
}

void ClipStore::setCountState(CountState state)
{
    if (state == m_countState)
        return;
    m_countState = state;
    emit countChanged(m_count);
}

QString ClipStore::countLabelText() const
{
    switch (m_countState) {
    case CountState::Items: break;
    case CountState::Reading: return QStringLiteral("READING...");
    case CountState::Unsaved: return QString::number(m_count) + QStringLiteral(" UNSAVED");
    }
    return countLabelFor(m_count);
}

QString ClipStore::kindOf(int row) const
{
    return m_grid.rowData(row);
}

ClipItem ClipStore::item(int row) const
{
    return ClipItem{m_grid.rowData(row), m_grid.textMatrix(row, 0), m_grid.textMatrix(row, 1),
                    m_grid.cellPicture(row, 1), m_grid.textMatrix(row, 2)};
}

void ClipStore::writeItem(int row, const ClipItem& item)
{
    const bool bitmap = item.kind == ItemKind::Bitmap;
    const bool rtf = item.kind == ItemKind::Rtf;
    m_grid.setTextMatrix(row, 0, item.label);
    m_grid.setCellPicture(row, 0, m_icons.forKind(item.kind));
    m_grid.setTextMatrix(row, 1, bitmap || rtf ? item.data : QString());
    m_grid.setCellPicture(row, 1, bitmap ? item.picture : Picture());
    m_grid.setTextMatrix(row, 2, item.text);
    m_grid.setRowData(row, item.kind);
}

void ClipStore::makeRoomAtTop()
{
    const int last = m_limit - 1;
    m_grid.removeItem(last);
    m_grid.setRows(m_limit);
    for (int i = m_limit - 2; i >= 0; --i) {
        if (!isItemRow(i))
            continue;
        m_grid.setRowHeight(i, ItemRowHeight);
        writeItem(i + 1, item(i));
    }
    emit itemsMovedDown();
    m_grid.redraw();
    m_grid.select(0, 0);
    m_grid.setRowHeight(0, ItemRowHeight);
}

void ClipStore::addItem(const ClipItem& item)
{
    makeRoomAtTop();
    writeItem(0, item);
    setItemCount(m_count + 1);
}

bool ClipStore::deleteCurrent()
{
    return deleteItem(m_grid.row());
}

bool ClipStore::deleteItem(int row)
{
    if (!isItemRow(row))
        return false;
    m_grid.removeItem(row);
    emit itemRemoved(row);
    setItemCount(m_count - 1);
    m_grid.setRows(m_limit);
    return true;
}

void ClipStore::recountItems()
{
    m_grid.setRows(m_limit);
    int count = 0;
    for (int i = 0; i < m_grid.rows(); ++i) {
        const QString kind = kindOf(i);
        if (!ItemKind::isItem(kind))
            continue;
        m_grid.setCellPicture(i, 0, m_icons.forKind(kind));
        ++count;
    }
    setItemCount(count);
}

void ClipStore::clearAll()
{
    for (int n = m_grid.rows(); n > 0; --n) {
        m_grid.removeItem(0);
        emit itemRemoved(0);
    }
    setItemCount(0);
    m_grid.setRows(m_limit);
}
