#include "core/table/grade_table.h"

#include <vector>

namespace table {

GradeTable::GradeTable()
{
    UndoTable.setRows(1);
    UndoTable.setCols(1);
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
    UndoTable = 成绩表;
    undoCaption = Caption;
    undoText3 = Text3;
    undoText4 = Text4;
    undoDataFormat = DataFormat;
}

void GradeTable::snapshotForUndo()
{
    takeSnapshot();
    setUndoEnabled(true);
}

void GradeTable::undo()
{
    Grid &g = 成绩表;
    {
        GridBulk bulk(g);
        std::vector<int> widths;
        for (int c = 0; c < g.Cols(); ++c)
            widths.push_back(g.ColWidth(c));
        g.setRows(UndoTable.Rows());
        g.setCols(UndoTable.Cols());
        const int count = g.Rows() * g.Cols();
        for (int i = 0; i < count; ++i)
            g.setTextArray(i, UndoTable.TextArray(i));
        g.setFormatString(UndoTable.FormatString(), Grid::KeepWidths);
        // Columns that were there before keep the widths they have now; columns the undo brings
        // back get the widths they had.
        for (int c = 0; c < g.Cols(); ++c)
            g.setColWidth(c, c < int(widths.size()) ? widths[size_t(c)] : UndoTable.ColWidth(c));
    }
    Caption = undoCaption;
    Text3 = undoText3;
    Text4 = undoText4;
    DataFormat = undoDataFormat;
    setUndoEnabled(false);
    undoArmed = false;
}

void GradeTable::rebuildHeader()
{
    GridBulk bulk(成绩表);
    QString header = QStringLiteral("  ");
    for (int c = 1; c < 成绩表.Cols(); ++c)
        header += QLatin1Char('|') + 成绩表.TextMatrix(0, c);
    for (int r = 1; r < 成绩表.Rows(); ++r)
        成绩表.setTextMatrix(r, 0, QString::number(r));
    成绩表.setFormatString(header);
}

} // namespace table
