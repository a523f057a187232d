#include "cli/find_cli.h"

#include "core/table/find_replace.h"

namespace table::cli {

int runFindCommand(Context &ctx, Args args)
{
    const bool contains = args.flag(QStringLiteral("--contains"));
    const std::optional<QStringList> ops = args.operands(2);
    // The find dialog cannot search for an empty text.
    if (!ops || ops->at(1).isEmpty())
        return Usage;
    GradeTable t;
    if (!loadTable(ctx, ops->at(0), t))
        return Failed;
    FindOptions options;
    options.whole = !contains;
    findCells(t, ops->at(1), options);
    printLine(ctx, t.findResults.summary);
    for (const FindResult &r : std::as_const(t.findResults.entries))
        printLine(ctx, r.caption);
    return Done;
}

int runReplaceCommand(Context &ctx, Args args)
{
    const bool whole = args.flag(QStringLiteral("--whole"));
    const std::optional<QString> out = args.value(QStringLiteral("--out"));
    GradeTable t;
    Exit failure = Done;
    const std::optional<QStringList> ops = tableOperandsToChange(ctx, args, 3, t, &failure, out);
    if (!ops)
        return failure;
    const int changed = replaceAll(t, ops->at(1), ops->at(2), whole);
    // Nothing to write back in place when nothing changed; a named output is always written.
    if ((changed > 0 || out) && saveTable(ctx, t, ops->at(0), out) != Done)
        return Failed;
    printLine(ctx, QString::number(changed));
    return Done;
}

} // namespace table::cli
