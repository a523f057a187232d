#include "table/grade_table.h"

namespace table {

GradeTable::GradeTable()
{
    UndoTable.setRows(1);
    UndoTable.setCols(1);
}

void GradeTable::takeSnapshot()
{
    const int rows = 成绩表.Rows(), cols = 成绩表.Cols();
    // The snapshot is a plain grid that nobody watches; set its size first, then the data cells.
    UndoTable = Grid();
    UndoTable.setRows(rows);
    UndoTable.setCols(cols);
    for (int r = 1; r < rows; ++r)
        for (int c = 1; c < cols; ++c) {
            const int i = faIndex(static_cast<int16_t>(r), static_cast<int16_t>(c));
            UndoTable.setTextArray(i, 成绩表.TextArray(i));
        }
}

void GradeTable::snapshotForUndo()
{
    takeSnapshot();
    undoEnabled = true;
}

void GradeTable::undo()
{
    GridBulk bulk(成绩表);
    成绩表.setRows(UndoTable.Rows());
    成绩表.setCols(UndoTable.Cols());
    const int rows = 成绩表.Rows(), cols = 成绩表.Cols();
    for (int r = 1; r < rows; ++r)
        for (int c = 1; c < cols; ++c) {
            const int i = faIndex(static_cast<int16_t>(r), static_cast<int16_t>(c));
            成绩表.setTextArray(i, UndoTable.TextArray(i));
        }
    undoEnabled = false;
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
