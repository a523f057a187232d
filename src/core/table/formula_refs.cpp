#include "core/table/formula_refs.h"

#include "core/table/formula_text.h"

namespace table::refs {

ColumnMap ColumnMap::inserted(int oldCols, int at)
{
    ColumnMap m;
    m.newCols = oldCols + 1;
    m.newColumn.resize(std::size_t(std::max(oldCols, 0)));
    for (int c = 0; c < oldCols; ++c)
        m.newColumn[std::size_t(c)] = c < at ? c : c + 1;
    return m;
}

ColumnMap ColumnMap::removed(int oldCols, int at)
{
    ColumnMap m;
    m.newCols = oldCols - 1;
    m.newColumn.resize(std::size_t(std::max(oldCols, 0)));
    for (int c = 0; c < oldCols; ++c)
        m.newColumn[std::size_t(c)] = c < at ? c : c == at ? kRemoved : c - 1;
    return m;
}

namespace {
// The new number of an old column; an old column outside the grid keeps its distance past the
// last column, so it stays outside.
int mappedColumn(const ColumnMap &map, int c)
{
    const int oldCols = int(map.newColumn.size());
    if (c < 0)
        return c;
    if (c >= oldCols)
        return c - oldCols + map.newCols;
    const int to = map.newColumn[std::size_t(c)];
    return to == ColumnMap::kRemoved ? kRemovedColumnIndex : to;
}
} // namespace

QString remapColumns(const QString &body, const ColumnMap &map)
{
    QString out;
    qsizetype pos = 0;
    bool changed = false;
    const QStringView view(body);
    forEachReference(view, [&](const Reference &ref) {
        if (ref.col.own)
            return true;
        const int to = mappedColumn(map, ref.col.value);
        if (to == ref.col.value)
            return true;
        if (!changed) {
            out.reserve(body.size() + 8);
            changed = true;
        }
        out += view.sliced(pos, ref.comma + 1 - pos);
        out += QString::number(to);
        out += QLatin1Char(')');
        pos = ref.end;
        return true;
    });
    if (!changed)
        return body;
    out += view.sliced(pos);
    return out;
}

void remapFormulaColumns(Grid &grid, const ColumnMap &map)
{
    const qsizetype marker = kFormulaMarker.size();
    for (int r = 0; r < grid.Rows(); ++r)
        for (int c = 0; c < grid.Cols(); ++c) {
            const QString &text = grid.cellText(r, c);
            if (!isFormula(text))
                continue;
            const QString body = text.mid(marker);
            const QString moved = remapColumns(body, map);
            if (moved != body)
                grid.setTextMatrix(r, c, kFormulaMarker + moved);
        }
}

std::vector<int> formulaReferenceCounts(const Grid &grid)
{
    const int cols = grid.Cols();
    std::vector<int> counts(std::size_t(std::max(cols, 0)), 0);
    std::vector<int> seenBy(counts.size(), -1); // the last formula cell counted for the column
    int cell = 0;
    for (int r = 0; r < grid.Rows(); ++r)
        for (int c = 0; c < cols; ++c, ++cell) {
            const QString &text = grid.cellText(r, c);
            if (!isFormula(text))
                continue;
            forEachReference(QStringView(text).sliced(kFormulaMarker.size()), [&](const Reference &ref) {
                const int to = ref.col.value;
                if (!ref.col.own && to >= 0 && to < cols && to != c && seenBy[std::size_t(to)] != cell) {
                    seenBy[std::size_t(to)] = cell;
                    ++counts[std::size_t(to)];
                }
                return true;
            });
        }
    return counts;
}

} // namespace table::refs
