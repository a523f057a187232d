#include "core/table/grade_table.h"

#include <vector>

namespace table {

GradeTable::GradeTable()
{
    undoGrid.setRows(1);
    undoGrid.setCols(1);
}

void GradeTable::setUndoEnabled(bool enabled)
{
    if (m_undoEnabled == enabled)
        return;
    m_undoEnabled = enabled;
    if (undoStateChanged)
        undoStateChanged();
}

void GradeTable::takeSnapshot()
{
    // A copy of the whole grid (cell texts are shared until changed) is the cheapest way to keep
    // Rows, Cols and every cell.
    undoGrid = grid;
    undoTitle = title;
    undoTeacher = teacher;
    undoClassInfo = classInfo;
    undoNumberFormat = numberFormat;
}

void GradeTable::snapshotForUndo()
{
    takeSnapshot();
    setUndoEnabled(true);
}

void GradeTable::undo()
{
    Grid &g = grid;
    {
        GridBulk bulk(g);
        std::vector<int> widths;
        for (int c = 0; c < g.Cols(); ++c)
            widths.push_back(g.ColWidth(c));
        g.setRows(undoGrid.Rows());
        g.setCols(undoGrid.Cols());
        const int count = g.Rows() * g.Cols();
        for (int i = 0; i < count; ++i)
            g.setTextArray(i, undoGrid.TextArray(i));
        g.setFormatString(undoGrid.FormatString(), Grid::KeepWidths);
        // Columns that were there before keep the widths they have now; columns the undo brings
        // back get the widths they had.
        for (int c = 0; c < g.Cols(); ++c)
            g.setColWidth(c, c < int(widths.size()) ? widths[size_t(c)] : undoGrid.ColWidth(c));
    }
    title = undoTitle;
    teacher = undoTeacher;
    classInfo = undoClassInfo;
    numberFormat = undoNumberFormat;
    setUndoEnabled(false);
    undoArmed = false;
}

void GradeTable::rebuildHeader()
{
    GridBulk bulk(grid);
    QString header = QStringLiteral("  ");
    for (int c = 1; c < grid.Cols(); ++c)
        header += QLatin1Char('|') + grid.TextMatrix(0, c);
    for (int r = 1; r < grid.Rows(); ++r)
        grid.setTextMatrix(r, 0, QString::number(r));
    grid.setFormatString(header);
}

} // namespace table
