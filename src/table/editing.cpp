#include "table/editing.h"

namespace table::editing {

bool editsExisting(const QString &typed)
{
    return typed.isEmpty() || (typed.size() == 1 && typed.at(0).unicode() <= 32);
}

QString startText(const QString &cellText, const QString &typed)
{
    return editsExisting(typed) ? cellText : typed;
}

void moveAfterEnter(Grid &g, bool vertical, bool horizontal)
{
    const int lastRow = g.Rows() - 1, lastCol = g.Cols() - 1;
    if (vertical) {
        if (g.Row() < lastRow)
            g.setRow(g.Row() + 1);
        else {
            // Row 1 first; at the last column the step to the right fails and is passed over.
            g.setRow(1);
            if (g.Col() < lastCol)
                g.setCol(g.Col() + 1);
        }
    }
    if (horizontal) {
        if (g.Col() < lastCol)
            g.setCol(g.Col() + 1);
        else if (g.Row() < lastRow)
            g.setCurrent(g.Row() + 1, 1);
        else
            g.setCurrent(1, 1);
    }
}

QString copyCell(const GradeTable &t)
{
    return t.成绩表.TextMatrix(t.成绩表.RowSel(), t.成绩表.ColSel());
}

QString cutCell(GradeTable &t)
{
    t.beginChange();
    const QString text = copyCell(t);
    t.成绩表.setTextMatrix(t.成绩表.RowSel(), t.成绩表.ColSel(), QString());
    return text;
}

void pasteCell(GradeTable &t, const QString &clipboardText)
{
    t.beginChange();
    t.成绩表.setTextMatrix(t.成绩表.RowSel(), t.成绩表.ColSel(), clipboardText);
}

void deleteRange(GradeTable &t)
{
    t.beginChange();
    Grid &g = t.成绩表;
    GridBulk bulk(g);
    for (int r = g.Row(); r <= g.RowSel(); ++r)
        for (int c = g.Col(); c <= g.ColSel(); ++c)
            g.setTextMatrix(r, c, QString());
}

void selectAll(GradeTable &t)
{
    Grid &g = t.成绩表;
    g.setCurrent(1, 1);
    g.setRowSel(g.Rows() - 1);
    g.setColSel(g.Cols() - 1);
}

QString positionText(const Grid &g)
{
    return QStringLiteral("行:") + QString::number(g.Row()) + QStringLiteral("列:") + QString::number(g.Col());
}

} // namespace table::editing
