#include "cli/formula_cli.h"

#include "core/formula/calculate.h"
#include "core/formula/formula_editor.h"

namespace formula {

using namespace table::cli;

namespace {
// "R,C" in decimal digits; nullopt when it is not of that form.
std::optional<QStringList> cellOperand(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    for (const QString &p : parts)
        if (p.isEmpty() || !std::all_of(p.begin(), p.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
    return parts;
}
} // namespace

int runFormulaCommand(Context &ctx, Args args)
{
    const std::optional<QString> at = args.value(QStringLiteral("--at"));
    const std::optional<QStringList> ops = args.operands(4);
    if (!ops || !at)
        return Usage;
    const std::optional<Operation> op = operationFromName(ops->at(1));
    const std::optional<QStringList> from = cellOperand(ops->at(2)), to = cellOperand(ops->at(3)),
                                     target = cellOperand(*at);
    if (!op || !from || !to || !target)
        return Usage;

    table::GradeTable t;
    if (!loadTable(ctx, ops->at(0), t))
        return Failed;
    const table::Grid &g = t.grid;
    int cells[6];
    const QStringList all = *from + *to + *target;
    for (int i = 0; i < 6; ++i) {
        const std::optional<int> v = numberInRange(ctx, all[i], 0, (i % 2 == 0 ? g.Rows() : g.Cols()) - 1);
        if (!v)
            return Failed;
        cells[i] = *v;
    }
    t.grid.setCurrent(cells[4], cells[5]);
    if (const std::optional<QString> refusal = FormulaEditor::refusal(t)) {
        tell(ctx, *refusal);
        return Failed;
    }
    FormulaEditor editor(t, calculator(ctx.ws));
    editor.setOperation(*op);
    editor.setSelection(cells[0], cells[1], cells[2], cells[3]);
    if (editor.body().isEmpty()) {
        tell(ctx, QStringLiteral("公式错误"));
        return Failed;
    }
    printLine(ctx, editor.body());
    if (editor.refersToFormula()) {
        tell(ctx, kRefersToFormula);
        return Failed;
    }
    printLine(ctx, editor.preview());
    return Done;
}

} // namespace formula
