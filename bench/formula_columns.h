#pragma once
// The ten formula columns the benchmarks add to the class table (totals, averages, variances, a
// standard deviation and a difference over the score columns), as cell formula bodies.
#include "bench_common.h"

#include "core/formula/cell_formula.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace bench {

inline QString ref(int col)
{
    return QStringLiteral("cell(?,%1)").arg(col);
}

inline QString sumOf(int from, int to)
{
    QStringList parts;
    for (int c = from; c <= to; ++c)
        parts << ref(c);
    return parts.join(QLatin1Char('+'));
}

inline QString meanOf(int from, int to)
{
    return QStringLiteral("(%1)/%2").arg(sumOf(from, to)).arg(to - from + 1);
}

// A power ends its term, so each squared deviation is its own parenthesised factor and the sum of
// them is grouped before the division.
inline QString varianceOf(int from, int to)
{
    const QString mean = meanOf(from, to);
    QStringList squares;
    for (int c = from; c <= to; ++c)
        squares << QStringLiteral("(%1-%2)^2").arg(ref(c), mean);
    return QStringLiteral("(%1)/%2").arg(squares.join(QLatin1Char('+'))).arg(to - from + 1);
}

struct FormulaColumn {
    QString name;
    QString body;
};

// Scores: 月考一 in columns 3 … 9, 月考二 10 … 16, 期中 17 … 23, 期末 24 … 30 (语文 first).
inline std::vector<FormulaColumn> formulaColumns()
{
    return {
        {QStringLiteral("总分"), sumOf(3, 30)},
        {QStringLiteral("月考一总分"), sumOf(3, 9)},
        {QStringLiteral("期末总分"), sumOf(24, 30)},
        {QStringLiteral("月考一平均"), meanOf(3, 9)},
        {QStringLiteral("期末平均"), meanOf(24, 30)},
        {QStringLiteral("语数外平均"), meanOf(3, 5)},
        {QStringLiteral("月考一方差"), varianceOf(3, 7)},
        {QStringLiteral("期末方差"), varianceOf(24, 28)},
        {QStringLiteral("月考一标准差"), QStringLiteral("sr(%1)").arg(varianceOf(3, 7))},
        {QStringLiteral("语文进步"), QStringLiteral("cell(?,24)-cell(?,3)")},
    };
}

// The class table with the formula columns after its fields, every student's cells holding them.
inline void makeFormulaTable(table::GradeTable &t)
{
    const std::vector<FormulaColumn> columns = formulaColumns();
    QStringList extra;
    for (const FormulaColumn &f : columns)
        extra << f.name;
    makeClassTable(t, extra);
    table::Grid &g = t.grid;
    for (int r = 1; r <= kStudents; ++r)
        for (int i = 0; i < int(columns.size()); ++i)
            g.setTextMatrix(r, kFields + 1 + i, formula::kFormulaMarker + columns[size_t(i)].body);
}

} // namespace bench
