#include "cli/table_cli.h"

#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/table_file.h"

#include <QTextStream>

namespace table::cli {

int runShowCommand(Context &ctx, Args args)
{
    table::GradeTable t;
    Exit failure = Done;
    const std::optional<QStringList> ops = tableOperands(ctx, args, 1, t, &failure);
    if (!ops)
        return failure;
    const table::Grid &g = t.grid;
    ctx.out << table::toFileLine(t.title) << '\n'
            << g.Rows() << '\n'
            << g.Cols() << '\n'
            << table::toFileLine(t.teacher) << '\n'
            << table::toFileLine(t.classInfo) << '\n'
            << table::toFileLine(t.numberFormat) << '\n';
    formula::Calculator &calc = formula::calculator(ctx.ws);
    for (int r = 0; r < g.Rows(); ++r) {
        QStringList cells;
        cells.reserve(g.Cols());
        for (int c = 0; c < g.Cols(); ++c)
            cells << table::toFileLine(formula::displayValue(g, r, c, t.numberFormat, calc));
        ctx.out << cells.join(QLatin1Char('\t')) << '\n';
    }
    return Done;
}

int runSaveAsCommand(Context &ctx, Args args)
{
    const bool unprotected = args.flag(QStringLiteral("--unprotected"));
    table::GradeTable t;
    Exit failure = Done;
    const std::optional<QStringList> ops = tableOperands(ctx, args, 2, t, &failure);
    if (!ops)
        return failure;
    t.unprotectedSave = unprotected;
    return saveTable(ctx, t, ops->at(0), ops->at(1));
}

int runCalcCommand(Context &ctx, Args args)
{
    // The text after the command is the expression, also when it begins with "-".
    const QString expression = args.raw().join(QLatin1Char(' '));
    if (expression.isEmpty())
        return Usage;
    printLine(ctx, formula::calculator(ctx.ws).Calculate(expression));
    return Done;
}

} // namespace table::cli
