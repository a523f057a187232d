#include "core/formula/sort_keys.h"

#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"

namespace formula {

QStringList columnDisplayValues(const table::GradeTable &t, int col, base::Workspace &ws)
{
    const table::Grid &g = t.grid;
    QStringList values;
    values.reserve(g.Rows());
    Calculator *calc = nullptr;
    for (int r = 0; r < g.Rows(); ++r) {
        const QString text = g.TextMatrix(r, col);
        if (!isFormula(text)) {
            values << text;
            continue;
        }
        if (!calc)
            calc = &calculator(ws);
        values << displayValue(g, r, col, t.numberFormat, *calc);
    }
    return values;
}

} // namespace formula
