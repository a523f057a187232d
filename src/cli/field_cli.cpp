#include "cli/field_cli.h"

#include "core/table/fields.h"
#include "core/table/table_properties.h"
#include "core/table/templates.h"

#include <algorithm>
#include <optional>

namespace table {

using namespace cli;

namespace {
int templateSave(Context &ctx, const QString &file, const QString &name)
{
    // A refused name is told before the table is read.
    if (const std::optional<QString> problem = templateNameProblem(name)) {
        tell(ctx, problem->isEmpty() ? QStringLiteral("名称不能为空！") : *problem);
        return Failed;
    }
    GradeTable t;
    if (!loadTable(ctx, file, t))
        return Failed;
    return ui::report(ctx.prompter, saveTemplate(t.grid, ctx.ws, name)) ? Done : Failed;
}

int templateApply(Context &ctx, const QString &file, const QString &name, const std::optional<QString> &out)
{
    GradeTable t;
    if (!loadTableToChange(ctx, file, t, out))
        return Failed;
    if (!askApplyTemplate(t, ctx.ws, ctx.prompter, name + kTemplateSuffix))
        return Failed;
    return saveTable(ctx, t, file, out);
}
} // namespace

int runTemplateCommand(Context &ctx, Args args)
{
    const std::optional<QString> out = args.value(QStringLiteral("--out"));
    const std::optional<QStringList> ops = args.operands();
    if (!ops || ops->isEmpty())
        return Usage;
    const QString &sub = ops->at(0);
    if (sub == QLatin1String("list") && ops->size() == 1 && !out) {
        for (const QString &entry : templateMenuEntries(ctx.ws))
            printLine(ctx, entry);
        return Done;
    }
    if (sub == QLatin1String("save") && ops->size() == 3 && !out)
        return templateSave(ctx, ops->at(1), ops->at(2));
    if (sub == QLatin1String("apply") && ops->size() == 3)
        return templateApply(ctx, ops->at(1), ops->at(2), out);
    return Usage;
}

int runFieldCommand(Context &ctx, Args args)
{
    const std::optional<QString> out = args.value(QStringLiteral("--out"));
    const std::optional<QStringList> ops = args.operands();
    if (!ops || ops->isEmpty())
        return Usage;
    const QString &sub = ops->at(0);
    const qsizetype wanted = sub == QLatin1String("remove") ? 3 : 4;
    if ((sub != QLatin1String("insert") && sub != QLatin1String("remove") && sub != QLatin1String("rename")) ||
        ops->size() != wanted)
        return Usage;
    const QString &file = ops->at(1);
    GradeTable t;
    if (!loadTableToChange(ctx, file, t, out))
        return Failed;
    FieldRequest request;
    ui::Outcome (*operation)(GradeTable &, const FieldRequest &) = insertField;
    if (sub == QLatin1String("insert")) {
        const std::optional<int> at = numberInRange(ctx, ops->at(2), 0, t.grid.Cols() - 1);
        if (!at)
            return Failed;
        request = {.column = *at, .name = ops->at(3), .agreed = 0};
    } else {
        // Column 0 holds the row numbers, which the operation refuses as the window does.
        const QString &field = ops->at(2);
        const bool rowNumbers =
            !field.isEmpty() && std::all_of(field.begin(), field.end(), [](QChar c) { return c == u'0'; });
        const std::optional<int> col = rowNumbers ? 0 : fieldColumn(ctx, t, field);
        if (!col)
            return Failed;
        request.column = *col;
        if (sub == QLatin1String("remove")) {
            // Naming the field is the answer to whether its data goes; formulas it breaks are asked.
            request.agreed = RemoveFieldData;
            operation = removeField;
        } else {
            request.name = ops->at(3);
            operation = renameField;
        }
    }
    if (!ui::settle(ctx.prompter, request, [&](const FieldRequest &r) { return operation(t, r); }).done())
        return Failed;
    return saveTable(ctx, t, file, out);
}

int runSetPropsCommand(Context &ctx, Args args)
{
    const std::optional<QString> title = args.value(QStringLiteral("--title"));
    const std::optional<QString> teacher = args.value(QStringLiteral("--teacher"));
    const std::optional<QString> classInfo = args.value(QStringLiteral("--class-info"));
    const std::optional<QString> classSize = args.value(QStringLiteral("--class-size"));
    const std::optional<QString> decimals = args.value(QStringLiteral("--decimals"));
    const bool pad = args.flag(QStringLiteral("--pad"));
    const std::optional<QString> out = args.value(QStringLiteral("--out"));
    const std::optional<QStringList> ops = args.operands(1);
    if (!ops || (pad && !decimals) || (!title && !teacher && !classInfo && !classSize && !decimals))
        return Usage;

    GradeTable t;
    if (!loadTableToChange(ctx, ops->at(0), t, out))
        return Failed;
    // Every value is checked before the table is touched.
    if (title && title->isEmpty()) {
        tell(ctx, QStringLiteral("标题不能为空！"));
        return Failed;
    }
    ClassInfo info = classInfoOf(t);
    if (classSize) {
        const std::optional<int> size = numberInRange(ctx, *classSize, 0, kMaxClassSize);
        if (!size)
            return Failed;
        info.classSize = *size;
    }
    std::optional<int> places;
    if (decimals && !(places = numberInRange(ctx, *decimals, 0, kMaxDecimals)))
        return Failed;

    if (teacher)
        info.teacher = *teacher;
    if (classInfo)
        info.info = *classInfo;
    if ((classSize || teacher || classInfo) && !applyClassInfo(t, info)) {
        tell(ctx, kTableTooLarge);
        return Failed;
    }
    if (title)
        setTitle(t, *title);
    if (places)
        applyDataFormat(t, dataFormatFor(*places, pad));
    return saveTable(ctx, t, ops->at(0), out);
}

} // namespace table
