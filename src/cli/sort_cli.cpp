#include "cli/sort_cli.h"

#include "core/formula/sort_keys.h"
#include "core/table/sort_rows.h"

namespace formula {

using namespace table::cli;

int runSortCommand(Context &ctx, Args args)
{
    const bool descending = args.flag(QStringLiteral("--desc"));
    const std::optional<QString> rankInto = args.value(QStringLiteral("--rank-into"));
    const std::optional<QString> ties = args.value(QStringLiteral("--ties"));
    const std::optional<QString> out = args.value(QStringLiteral("--out"));
    const std::optional<QStringList> ops = args.operands(2);
    // "--ties shared": equal values share a rank (1, 2, 2, 4); "consecutive" is the default.
    if (!ops || (ties && (!rankInto || (*ties != QLatin1String("shared") && *ties != QLatin1String("consecutive")))))
        return Usage;
    table::GradeTable t;
    if (!loadTableToChange(ctx, ops->at(0), t, out))
        return Failed;
    if (!table::checkSortable(t, ctx.prompter))
        return Failed;
    const std::optional<int> column = fieldColumn(ctx, t, ops->at(1));
    if (!column)
        return Failed;
    table::SortRequest request;
    request.column = *column;
    request.ascending = !descending;
    if (rankInto) {
        const std::optional<int> rank = fieldColumn(ctx, t, *rankInto);
        if (!rank)
            return Failed;
        if (*rank == *column) {
            tell(ctx, QStringLiteral("排序结果不可写回原字段！"));
            return Failed;
        }
        request.rankColumn = *rank;
        request.sharedRanks = ties && *ties == QLatin1String("shared");
    }
    if (!table::sortTable(t, request, columnDisplayValues(t, request.column, ctx.ws)))
        return Failed;
    return saveTable(ctx, t, ops->at(0), out);
}

} // namespace formula
