#include "gridmodel.h"

#include <algorithm>

namespace {
constexpr int PreviewChars = 400;
constexpr int PreviewLines = 6;
} // namespace

GridModel::GridModel(QObject* parent)
    : QObject(parent)
{
}

void GridModel::setRows(int count)
{
    count = std::max(0, count);
    if (count == rows())
        return;
    m_rows.resize(size_t(count));
    clampCurrent();
    emit changed();
}

void GridModel::removeItem(int row)
{
    if (!validRow(row))
        return;
    m_rows.erase(m_rows.begin() + row);
    clampCurrent();
    emit changed();
}

void GridModel::clampCurrent()
{
    if (m_rows.empty()) {
        m_row = -1;
    } else if (m_row < 0 || m_row >= rows()) {
        m_row = std::clamp(m_row, 0, rows() - 1);
    }
    m_topRow = std::clamp(m_topRow, 0, std::max(0, rows() - 1));
}

void GridModel::select(int row, int col)
{
    if (!validCell(row, col) || (row == m_row && col == m_col))
        return;
    const int oldRow = m_row;
    const int oldCol = m_col;
    bool cancel = false;
    emit beforeRowColChange(oldRow, oldCol, row, col, &cancel);
    // A handler may have changed the list; the new cell must still exist.
    if (cancel || !validCell(row, col))
        return;
    m_row = row;
    m_col = col;
    emit afterRowColChange(oldRow, oldCol, row, col);
    emit changed();
}

QString GridModel::textMatrix(int row, int col) const
{
    return validCell(row, col) ? m_rows[size_t(row)].text[size_t(col)] : QString();
}

void GridModel::setTextMatrix(int row, int col, const QString& text)
{
    if (!validCell(row, col))
        return;
    Row& r = m_rows[size_t(row)];
    r.text[size_t(col)] = text;
    if (col == 0)
        r.previewValid = false;
    emit changed();
}

Picture GridModel::cellPicture(int row, int col) const
{
    return validCell(row, col) ? m_rows[size_t(row)].picture[size_t(col)] : Picture();
}

void GridModel::setCellPicture(int row, int col, const Picture& picture)
{
    if (!validCell(row, col))
        return;
    m_rows[size_t(row)].picture[size_t(col)] = picture;
    emit changed();
}

QString GridModel::rowData(int row) const
{
    return validRow(row) ? m_rows[size_t(row)].data : QString();
}

void GridModel::setRowData(int row, const QString& data)
{
    if (validRow(row))
        m_rows[size_t(row)].data = data;
}

int GridModel::rowHeight(int row) const
{
    return validRow(row) ? m_rows[size_t(row)].height : 0;
}

void GridModel::setRowHeight(int row, int twips)
{
    if (!validRow(row) || twips < 0 || m_rows[size_t(row)].height == twips)
        return;
    m_rows[size_t(row)].height = twips;
    emit changed();
}

bool GridModel::isRowHidden(int row) const
{
    return validRow(row) && m_rows[size_t(row)].hidden;
}

void GridModel::setRowHidden(int row, bool hidden)
{
    if (!validRow(row) || m_rows[size_t(row)].hidden == hidden)
        return;
    m_rows[size_t(row)].hidden = hidden;
    emit changed();
}

int GridModel::shownHeight(int row) const
{
    return validRow(row) && !m_rows[size_t(row)].hidden ? m_rows[size_t(row)].height : 0;
}

int GridModel::cellLeft(int row, int col) const
{
    if (!validCell(row, col))
        return 0;
    int left = 0;
    for (int c = 0; c < col; ++c)
        left += m_colWidth[size_t(c)];
    return left;
}

int GridModel::cellTop(int row, int col) const
{
    if (!validCell(row, col))
        return 0;
    int top = 0;
    for (int r = m_topRow; r < row; ++r)
        top += shownHeight(r);
    for (int r = row; r < m_topRow; ++r)
        top -= shownHeight(r);
    return top;
}

int GridModel::rowAt(int y) const
{
    if (y < 0)
        return -1;
    int top = 0;
    for (int r = m_topRow; r < rows(); ++r) {
        top += shownHeight(r);
        if (y < top)
            return r;
    }
    return -1;
}

void GridModel::setWidth(int twips)
{
    m_width = std::max(0, twips);
    emit changed();
}

int GridModel::colWidth(int col) const
{
    return col >= 0 && col < Columns ? m_colWidth[size_t(col)] : 0;
}

void GridModel::setColWidth(int col, int twips)
{
    if (col < 0 || col >= Columns)
        return;
    m_colWidth[size_t(col)] = std::max(0, twips);
    emit changed();
}

void GridModel::setTopRow(int row)
{
    row = std::clamp(row, 0, std::max(0, rows() - 1));
    if (row == m_topRow)
        return;
    m_topRow = row;
    emit changed();
}

int GridModel::totalHeight() const
{
    int sum = 0;
    for (const Row& r : m_rows)
        sum += r.height;
    return sum;
}

QString GridModel::comboList(int col) const
{
    return col >= 0 && col < Columns ? m_comboList[size_t(col)] : QString();
}

void GridModel::setComboList(int col, const QString& list)
{
    if (col < 0 || col >= Columns)
        return;
    m_comboList[size_t(col)] = list;
    emit changed();
}

void GridModel::setCellButtonPicture(const Picture& picture)
{
    m_buttonPicture = picture;
    emit changed();
}

void GridModel::setEditable(int mode)
{
    m_editable = mode;
    emit changed();
}

bool GridModel::currentCellHasButton() const
{
    return m_editable == 2 && validCell(m_row, m_col) && m_comboList[size_t(m_col)] == QLatin1String("...");
}

void GridModel::setGridLines(int style)
{
    m_gridLines = style;
    emit changed();
}

void GridModel::setBackgroundPicture(const Picture& picture)
{
    m_background = picture;
    emit changed();
}

QString GridModel::labelPreview(int row) const
{
    if (!validRow(row))
        return {};
    const Row& r = m_rows[size_t(row)];
    if (!r.previewValid) {
        QString s = r.text[0].left(PreviewChars);
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        s.replace(QLatin1Char('\t'), QLatin1String("    "));
        bool cut = r.text[0].size() > PreviewChars;
        if (s.count(QLatin1Char('\n')) >= PreviewLines) {
            s = s.section(QLatin1Char('\n'), 0, PreviewLines - 1);
            cut = true;
        }
        if (cut)
            s += QChar(0x2026);
        r.preview = s;
        r.previewValid = true;
    }
    return r.preview;
}

void GridModel::pressRow(int row, int button, int shift, QPointF posTwips)
{
    if (!validRow(row))
        return;
    select(row, 0);
    emit mouseDown(button, shift, posTwips.x(), posTwips.y());
}

void GridModel::clickCellButton()
{
    if (currentCellHasButton())
        emit cellButtonClick(m_row, m_col);
}
