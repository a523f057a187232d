#pragma once
// The references of a formula body, cell(row,col), as text: the one reader of them that the
// evaluator and the column commands share, and the rewrite that makes references follow their
// columns when fields are inserted, removed or moved. Nothing here evaluates.
#include "core/table/grid.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace table::refs {

// One place of a reference: "?" (only exactly that, as in "(?," and ",?)") for the formula
// cell's own row or column, otherwise a whole number with spaces allowed around it.
struct Index {
    bool own = false;
    int value = 0;
    int resolve(int ownIndex) const { return own ? ownIndex : value; }
};

inline bool readIndex(QStringView text, Index *out)
{
    if (text == u"?") {
        out->own = true;
        return true;
    }
    bool ok = false;
    out->value = text.trimmed().toInt(&ok);
    return ok;
}

// The next "cell" in any letter case from `from`, or -1. Hand-written: Qt's case-insensitive
// search folds every character and is several times slower on this hot path.
inline qsizetype findCell(QStringView text, qsizetype from)
{
    auto lower = [](char16_t ch) { return ch >= u'A' && ch <= u'Z' ? char16_t(ch + 32) : ch; };
    const char16_t *d = text.utf16();
    for (qsizetype i = from, last = text.size() - 4; i <= last; ++i)
        if (lower(d[i]) == u'c' && lower(d[i + 1]) == u'e' && lower(d[i + 2]) == u'l' && lower(d[i + 3]) == u'l')
            return i;
    return -1;
}

struct Reference {
    qsizetype start = 0; // of "cell"
    qsizetype end = 0;   // just past the ")"
    qsizetype comma = 0; // between row and column
    Index row, col;
};

// Walks the references of a body from left to right, giving each to `f` (which answers whether to
// go on). False when a "cell" is not followed by "(", a row, ",", a column and ")", or when `f`
// stopped. The text after a reference's ")" is searched again, never the text inserted for it.
template <typename F> inline bool forEachReference(QStringView body, F &&f)
{
    qsizetype pos = 0;
    for (;;) {
        const qsizetype at = findCell(body, pos);
        if (at < 0)
            return true;
        const qsizetype open = at + 4;
        if (open >= body.size() || body.at(open) != QLatin1Char('('))
            return false;
        const qsizetype comma = body.indexOf(QLatin1Char(','), open + 1);
        const qsizetype close = comma < 0 ? -1 : body.indexOf(QLatin1Char(')'), comma + 1);
        Reference ref;
        ref.start = at;
        ref.end = close + 1;
        ref.comma = comma;
        if (close < 0 || !readIndex(body.mid(open + 1, comma - open - 1), &ref.row) ||
            !readIndex(body.mid(comma + 1, close - comma - 1), &ref.col))
            return false;
        if (!f(ref))
            return false;
        pos = ref.end;
    }
}

// Where each column of a grid goes in a change of its columns: newColumn[c] for the old column
// c, or kRemoved. `newCols` is the grid's column count afterwards.
struct ColumnMap {
    static constexpr int kRemoved = -1;
    std::vector<int> newColumn;
    int newCols = 0;

    static ColumnMap inserted(int oldCols, int at);
    static ColumnMap removed(int oldCols, int at);
};

// The text written for a column that no longer exists: outside every grid, so the formula is a
// formula error rather than a reference to a neighbour.
inline constexpr int kRemovedColumnIndex = -1;

// The formula body with the column of every reference by number moved as `map` says; a column
// the map removes becomes kRemovedColumnIndex. "?" stays (it follows the formula's own cell), a
// number outside the old grid stays outside the new one, and everything else of the text stays
// as written. References after a malformed one are left as they are (the formula is an error).
QString remapColumns(const QString &body, const ColumnMap &map);

// Rewrites every formula of the grid (after its columns were moved) with remapColumns.
void remapFormulaColumns(Grid &grid, const ColumnMap &map);

// For each column c of the grid: how many formula cells outside c refer to c by number.
std::vector<int> formulaReferenceCounts(const Grid &grid);

} // namespace table::refs
