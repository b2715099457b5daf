#pragma once

#include "clipitem.h"
#include "listconstants.h"

#include <QObject>

class GridModel;

// The list of items: the grid's rows are the store. Items fill rows 0..count-1, newest on top;
// the grid always has exactly `itemLimit` rows.
class ClipStore final : public QObject
{
    Q_OBJECT
public:
    ClipStore(GridModel& grid, KindIcons icons, QObject* parent = nullptr);

    GridModel& grid() { return m_grid; }
    const GridModel& grid() const { return m_grid; }
    const KindIcons& icons() const { return m_icons; }

    int itemLimit() const { return m_limit; }
    // Sets the limit and the grid's row count (dropping rows past the new limit with their content).
    void setItemLimit(int limit);
    int itemCount() const { return m_count; }
    void setItemCount(int count);

    // "7  ITEMS"
    static QString countLabelFor(int count);
    // What the count label says besides the count: the list is still being read at start, or it
    // cannot be written to disk.
    enum class CountState { Items, Reading, Unsaved };
    void setCountState(CountState state);
    CountState countState() const { return m_countState; }
    // "7  ITEMS", "READING...", "7 UNSAVED"
    QString countLabelText() const;

    QString kindOf(int row) const;
    bool isItemRow(int row) const { return ItemKind::isItem(kindOf(row)); }
    ClipItem item(int row) const;
    // Writes the fields of `item`'s kind into `row`; fields the kind does not use are emptied.
    void writeItem(int row, const ClipItem& item);

    // Moves every item one row down so that row 0 can be overwritten; the bottom row is lost.
    void makeRoomAtTop();
    // The whole add: room at the top, row 0 written, count raised.
    void addItem(const ClipItem& item);
    // Deletes the item at `row`; false (nothing changed) when that row holds none.
    bool deleteItem(int row);
    bool deleteCurrent();
    // Recomputes the count and the small icons from the rows.
    void recountItems();
    // Removes every item.
    void clearAll();

signals:
    // The count changed; the count label must show countLabelText().
    void countChanged(int count);
    // Every item moved one row down to make room at the top; the bottom row's item is gone.
    void itemsMovedDown();
    // The item at `row` is gone; the items below it moved one row up.
    void itemRemoved(int row);

private:
    GridModel& m_grid;
    KindIcons m_icons;
    int m_limit = 20;
    int m_count = 0;
    CountState m_countState = CountState::Items;
};
