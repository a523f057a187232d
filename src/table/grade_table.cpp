#include "table/grade_table.h"

namespace table {

GradeTable::GradeTable()
{
    UndoTable.setRows(1);
    UndoTable.setCols(1);
}

void GradeTable::takeSnapshot()
{
    // A copy of the whole grid (cell texts are shared until changed) is the cheapest way to keep
    // Rows, Cols and the data cells; undo reads back only the data cells.
    UndoTable = 成绩表;
    UndoTable.measureText = nullptr;
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
    // The field names go back with their columns, or an undone insert or template would leave
    // the data under the wrong names; the row numbers cover rows the undo brings back.
    const QString format = UndoTable.FormatString();
    if (format != 成绩表.FormatString() && !format.isEmpty() && format.count(QLatin1Char('|')) < cols)
        成绩表.setFormatString(format);
    for (int c = 1; c < cols; ++c)
        成绩表.setTextMatrix(0, c, UndoTable.TextMatrix(0, c));
    for (int r = 1; r < rows; ++r)
        if (成绩表.TextMatrix(r, 0).isEmpty())
            成绩表.setTextMatrix(r, 0, QString::number(r));
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
