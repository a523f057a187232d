// The formula expansion of a table: the bytes (UTF-8) as a table of five columns, one cell per
// line row by row below the header, the first line its number format; every formula cell is
// evaluated as printing and export do.
#include "core/base/text_codec.h"
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr int kCols = 5;
    const QStringList lines =
        base::codec::splitLines(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (lines.isEmpty() || lines.size() > 2000)
        return 0;
    table::GradeTable t;
    t.numberFormat = lines.first();
    table::Grid &g = t.grid;
    const int cells = int(lines.size()) - 1;
    g.setCols(kCols);
    g.setRows(1 + (cells + kCols - 1) / kCols + 1);
    for (int i = 0; i < cells; ++i)
        g.setTextArray(kCols + i, lines.at(i + 1));
    formula::Calculator calc;
    formula::evaluatedCopy(t, calc);
    for (int i = 0; i < cells && i < 20; ++i)
        formula::resultLabel(lines.at(i + 1), g, t.numberFormat, calc);
    return 0;
}
