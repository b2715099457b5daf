#pragma once

#include "listconstants.h"
#include "picture.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <array>
#include <vector>

// The item list's grid: rows of three cells (only column 0 is shown), each row with its own data
// value and height. Positions and sizes are twips. Out-of-range rows and columns read as empty and
// are ignored when written.
class GridModel final : public QObject
{
    Q_OBJECT
public:
    static constexpr int Columns = 3;

    explicit GridModel(QObject* parent = nullptr);

    int rows() const { return int(m_rows.size()); }
    // Adds empty rows at the end or drops rows (with their content) from the end.
    void setRows(int count);
    // Removes one row; the rows below move up.
    void removeItem(int row);

    int row() const { return m_row; }
    int col() const { return m_col; }
    // Makes a cell current; when that changes the current cell, raises beforeRowColChange (which may
    // cancel) and afterRowColChange.
    void select(int row, int col);

    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    Picture cellPicture(int row, int col) const;
    void setCellPicture(int row, int col, const Picture& picture);
    void setCurrentCellPicture(const Picture& picture) { setCellPicture(m_row, m_col, picture); }
    QString rowData(int row) const;
    void setRowData(int row, const QString& data);
    int rowHeight(int row) const;
    void setRowHeight(int row, int twips);
    // A hidden row keeps its place, number and height but takes no room on the screen (find by
    // typing hides the rows that do not match). Hiding is no part of the list's contents.
    bool isRowHidden(int row) const;
    void setRowHidden(int row, bool hidden);
    // The height the row takes on the screen: 0 when hidden.
    int shownHeight(int row) const;

    // The cell's edges in the list's own coordinates (the first visible row is at the top; hidden
    // rows take no room).
    int cellLeft(int row, int col) const;
    int cellTop(int row, int col) const;
    // The row at a height within the list (0 = top of the first visible row), or -1 below the last row.
    int rowAt(int y) const;

    int width() const { return m_width; }
    void setWidth(int twips);
    int colWidth(int col) const;
    void setColWidth(int col, int twips);
    int topRow() const { return m_topRow; }
    void setTopRow(int row);
    // Sum of the heights of all rows.
    int totalHeight() const;

    QString comboList(int col) const;
    // "..." gives the current cell of that column a button; "" removes it.
    void setComboList(int col, const QString& list);
    Picture cellButtonPicture() const { return m_buttonPicture; }
    void setCellButtonPicture(const Picture& picture);
    int editable() const { return m_editable; }
    void setEditable(int mode);
    // True when the current cell shows its button.
    bool currentCellHasButton() const;

    int gridLines() const { return m_gridLines; }
    void setGridLines(int style);
    Picture backgroundPicture() const { return m_background; }
    void setBackgroundPicture(const Picture& picture);

    // Column 0's text cut to what a row can show (a few lines, a few hundred characters);
    // computed once per change of the text so that huge labels draw as fast as short ones.
    QString labelPreview(int row) const;

    void redraw() { emit changed(); }

    // Input as the list widget reports it.
    void pressRow(int row, int button, int shift, QPointF posTwips);
    void clickCellButton();

signals:
    void beforeRowColChange(int oldRow, int oldCol, int newRow, int newCol, bool* cancel);
    void afterRowColChange(int oldRow, int oldCol, int newRow, int newCol);
    void mouseDown(int button, int shift, double x, double y);
    void cellButtonClick(int row, int col);
    // Anything shown has changed.
    void changed();

private:
    struct Row
    {
        std::array<QString, Columns> text;
        std::array<Picture, Columns> picture;
        QString data;
        int height = ItemRowHeight;
        bool hidden = false;
        mutable QString preview;
        mutable bool previewValid = false;
    };

    bool validRow(int row) const { return row >= 0 && row < rows(); }
    bool validCell(int row, int col) const { return validRow(row) && col >= 0 && col < Columns; }
    void clampCurrent();

    std::vector<Row> m_rows;
    int m_row = -1;
    int m_col = 0;
    int m_topRow = 0;
    int m_width = 3200;
    std::array<int, Columns> m_colWidth{2900, 0, 0};
    std::array<QString, Columns> m_comboList;
    Picture m_buttonPicture;
    int m_editable = 0;
    int m_gridLines = 1;
    Picture m_background;
};
