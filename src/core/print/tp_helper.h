#pragma once
// mdlTPHelper: fills a TablePrintEngine from a grade-table grid with the settings the program always
// uses, and makes the cell font.
#include "core/print/table_print_engine.h"

#include <functional>

namespace table {
class Grid;
}

namespace print::mdlTPHelper {

// What a flexible grid shows beyond its cells: grid-line width, least row height (twips), the
// alignment of each column (flexAlign… values, 9 general), merge flags of rows and columns, and
// cell pictures. The grade-table grid has none of these set, so the defaults describe it.
struct GridLook {
    int gridLineWidth = 1;
    double rowHeightMin = 0;
    std::function<int(int col)> colAlignment;            // empty: general
    std::function<bool(int row)> mergeRow;               // empty: never
    std::function<bool(int col)> mergeCol;               // empty: never
    std::function<PictureRef(int row, int col)> picture; // empty: none
};

// The print alignment (0 left, 1 centre, 2 right) of a flexible grid's column alignment: the
// left ones (0–2) and general (9) are left, the centre ones (3–5) centre, the right ones (6–8)
// right.
int printAlignment(int flexAlignment);

// Sizes the engine from the grid (body = rows below the fixed row, header = the fixed row, no
// footer), sets the fixed values (cell offsets 60 and 30, header repeated on every page, row
// height raised by pictures), gives every cell its own font, and the column widths: the grid's,
// or scaled to `fitWidth` in total when that is above 0 (and the grid's total is not 0).
// False with tp.Err() when the engine refused a size.
bool LoadFromFlexGrid(TablePrintEngine &tp, const table::Grid &grid, double fitWidth, const GridLook &look = {});

// A new font object: 宋体 9, not bold, italic, underlined or struck through.
FontRef NewCellFont();

} // namespace print::mdlTPHelper
