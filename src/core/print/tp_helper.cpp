#include "core/print/tp_helper.h"

#include "core/table/grid.h"

namespace print::mdlTPHelper {

int printAlignment(int flexAlignment)
{
    if (flexAlignment >= 3 && flexAlignment <= 5)
        return DT_CENTER;
    if (flexAlignment >= 6 && flexAlignment <= 8)
        return DT_RIGHT;
    return DT_LEFT;
}

FontRef NewCellFont()
{
    return std::make_shared<PrintFont>();
}

bool LoadFromFlexGrid(TablePrintEngine &tp, const table::Grid &grid, double fitWidth, const GridLook &look)
{
    const int fixed = grid.FixedRows();
    if (!tp.setRows(std::max(0, grid.Rows() - fixed)) || !tp.setCols(std::max(1, grid.Cols())) ||
        !tp.setHeaderRows(fixed))
        return false;
    tp.HasFooter = false;

    tp.LineThickness = short(look.gridLineWidth);
    tp.HeaderLineThickness = short(2 * look.gridLineWidth);
    tp.RowHeightMin = look.rowHeightMin;
    tp.FooterRowHeightMin = look.rowHeightMin;
    tp.HeaderRowHeightMin = look.rowHeightMin;

    tp.CellXOffset = 60;
    tp.CellYOffset = 30;
    tp.CenterMergedHeader = false;
    tp.ResizeCellsToPicHeight = true;
    tp.PrintHeaderOnEveryPage = true;

    const int cols = tp.Cols();
    double total = 0;
    for (int h = 0; h < fixed; ++h) {
        for (int c = 0; c < cols; ++c) {
            tp.setHeaderFont(h, c, NewCellFont());
            tp.setHeaderText(h, c, grid.TextMatrix(h, c));
            if (h == 0) {
                tp.setColAlignment(c, printAlignment(look.colAlignment ? look.colAlignment(c) : 9));
                total += grid.ColWidth(c);
            }
        }
        tp.setMergeHeaderRow(h, look.mergeRow && look.mergeRow(h));
    }
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < tp.Rows(); ++r) {
            tp.setFontMatrix(r, c, NewCellFont());
            if (look.picture)
                if (PictureRef pic = look.picture(fixed + r, c); pic && !pic->image.isNull())
                    tp.setPictureMatrix(r, c, pic);
            tp.setTextMatrix(r, c, grid.TextMatrix(fixed + r, c));
            if (c == 0)
                tp.setMergeRow(r, look.mergeRow && look.mergeRow(fixed + r));
        }
    for (int c = 0; c < cols; ++c) {
        const double w = grid.ColWidth(c);
        // A grid without any width cannot be scaled to the paper; it keeps its own widths.
        tp.setColWidth(c, fitWidth > 0 && total > 0 ? fitWidth * w / total : w);
        const bool merge = look.mergeCol && look.mergeCol(c);
        tp.setMergeCol(c, merge);
        tp.setMergeHeaderCol(c, merge);
    }
    return true;
}

} // namespace print::mdlTPHelper
