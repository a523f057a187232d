#include "core/table/editing.h"

#include <QStringList>
#include <algorithm>

namespace table::editing {

bool editsExisting(const QString &typed)
{
    return typed.isEmpty() || (typed.size() == 1 && typed.at(0).unicode() <= 32);
}

QString startText(const QString &cellText, const QString &typed)
{
    return editsExisting(typed) ? cellText : typed;
}

void moveAfterEnter(Grid &g, bool vertical, bool horizontal, int firstCol)
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
            g.setCurrent(g.Row() + 1, std::clamp(firstCol, 1, lastCol));
        else
            g.setCurrent(1, std::clamp(firstCol, 1, lastCol));
    }
}

namespace {
// The block between the current cell and the far corner of the selection, whichever way it was
// selected.
struct Block {
    int top, left, bottom, right;
    bool single() const { return top == bottom && left == right; }
};
Block selectedBlock(const Grid &g)
{
    return {std::min(g.Row(), g.RowSel()), std::min(g.Col(), g.ColSel()), std::max(g.Row(), g.RowSel()),
            std::max(g.Col(), g.ColSel())};
}
} // namespace

QString copyCell(const GradeTable &t)
{
    const Grid &g = t.grid;
    const Block b = selectedBlock(g);
    if (b.single())
        return g.TextMatrix(g.RowSel(), g.ColSel());
    // A block goes out as spreadsheets exchange it: cells joined by tabs, rows by line ends.
    QStringList rows;
    for (int r = b.top; r <= b.bottom; ++r) {
        QStringList cells;
        for (int c = b.left; c <= b.right; ++c)
            cells << g.TextMatrix(r, c);
        rows << cells.join(QLatin1Char('\t'));
    }
    return rows.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString cutCell(GradeTable &t)
{
    const QString text = copyCell(t);
    Grid &g = t.grid;
    const Block b = selectedBlock(g);
    t.beginChange();
    if (b.single()) {
        g.setTextMatrix(g.RowSel(), g.ColSel(), QString());
        return text;
    }
    GridBulk bulk(g);
    for (int r = b.top; r <= b.bottom; ++r)
        for (int c = b.left; c <= b.right; ++c)
            g.setTextMatrix(r, c, QString());
    return text;
}

void pasteCell(GradeTable &t, const QString &clipboardText)
{
    Grid &g = t.grid;
    t.beginChange();
    if (!clipboardText.contains(QLatin1Char('\t')) && !clipboardText.contains(QLatin1Char('\n'))) {
        g.setTextMatrix(g.RowSel(), g.ColSel(), clipboardText);
        return;
    }
    // Copied from a spreadsheet: the block fills the grid from the selection's first cell, row
    // by row, and what reaches past the last row or column is left out.
    QString text = clipboardText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    const Block b = selectedBlock(g);
    const int top = std::max(b.top, 1), left = std::max(b.left, 1);
    GridBulk bulk(g);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size() && top + i < g.Rows(); ++i) {
        const QStringList cells = lines[i].split(QLatin1Char('\t'));
        for (int j = 0; j < cells.size() && left + j < g.Cols(); ++j)
            g.setTextMatrix(top + i, left + j, cells[j]);
    }
}

void deleteRange(GradeTable &t)
{
    t.beginChange();
    Grid &g = t.grid;
    const Block b = selectedBlock(g);
    GridBulk bulk(g);
    for (int r = std::max(b.top, 1); r <= b.bottom; ++r)
        for (int c = std::max(b.left, 1); c <= b.right; ++c)
            g.setTextMatrix(r, c, QString());
}

void selectAll(GradeTable &t)
{
    Grid &g = t.grid;
    g.setCurrent(1, 1);
    g.setRowSel(g.Rows() - 1);
    g.setColSel(g.Cols() - 1);
}

QString positionText(const Grid &g)
{
    return QStringLiteral("行:") + QString::number(g.Row()) + QStringLiteral("列:") + QString::number(g.Col());
}

} // namespace table::editing
