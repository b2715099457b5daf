#include "listfile.h"

#include "gridmodel.h"

namespace ListFile {

Contents fromGrid(const GridModel& grid)
{
    Contents c;
    c.rows.reserve(grid.rows());
    for (int r = 0; r < grid.rows(); ++r) {
        Row row;
        row.kind = grid.rowData(r);
        for (int col = 0; col < GridModel::Columns; ++col)
            row.text[size_t(col)] = grid.textMatrix(r, col);
        row.height = grid.rowHeight(r);
        c.rows.append(std::move(row));
    }
    c.width = grid.width();
    for (int col = 0; col < GridModel::Columns; ++col)
        c.colWidth[size_t(col)] = grid.colWidth(col);
    c.gridLines = grid.gridLines();
    c.editable = grid.editable();
    return c;
}

void applyToGrid(const Contents& contents, GridModel& grid)
{
    grid.setRows(int(contents.rows.size()));
    const Picture none;
    for (int r = 0; r < grid.rows(); ++r) {
        const Row& row = contents.rows[r];
        grid.setRowData(r, row.kind);
        for (int col = 0; col < GridModel::Columns; ++col) {
            grid.setTextMatrix(r, col, row.text[size_t(col)]);
            // A picture left in a cell would belong to the row's previous occupant.
            grid.setCellPicture(r, col, none);
        }
        grid.setRowHeight(r, row.height);
    }
    grid.setWidth(contents.width);
    for (int col = 0; col < GridModel::Columns; ++col)
        grid.setColWidth(col, contents.colWidth[size_t(col)]);
    grid.setGridLines(contents.gridLines);
    grid.setEditable(contents.editable);
}

} // namespace ListFile
