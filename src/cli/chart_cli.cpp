#include "cli/print_cli.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/chart_job.h"
#include "core/ui/prompter.h"

namespace print {

using namespace table::cli;

int runChartCommand(Context &ctx, Args args)
{
    const std::optional<QString> type = args.value(QStringLiteral("--type"));
    const std::optional<QString> fields = args.value(QStringLiteral("--fields"));
    const std::optional<QString> rows = args.value(QStringLiteral("--rows"));
    const std::optional<QString> labelField = args.value(QStringLiteral("--label-field"));
    const std::optional<QString> min = args.value(QStringLiteral("--min"));
    const std::optional<QString> max = args.value(QStringLiteral("--max"));
    const std::optional<QString> segments = args.value(QStringLiteral("--segments"));
    const std::optional<QString> title = args.value(QStringLiteral("--title"));
    const std::optional<QString> date = args.value(QStringLiteral("--date"));
    const std::optional<QString> pdf = args.value(QStringLiteral("--pdf"));
    const std::optional<QString> bmp = args.value(QStringLiteral("--bmp"));
    const std::optional<QString> printer = args.value(QStringLiteral("--printer"));
    const auto ops = args.operands(1);
    if (!ops || !type || int(pdf.has_value()) + int(bmp.has_value()) + int(printer.has_value()) != 1)
        return Usage;
    const bool bar = *type == QLatin1String("bar");
    if (!bar && *type != QLatin1String("up") && *type != QLatin1String("down"))
        return Usage;
    const std::optional<QDate> today = dateOption(date);
    if (!today)
        return Usage;

    table::GradeTable t;
    if (!loadTable(ctx, ops->at(0), t))
        return Failed;
    const ChartJob job(t, formula::calculator(ctx.ws));
    ChartOptions o = job.initialOptions(*today);
    o.bar = bar;
    o.upward = *type == QLatin1String("up");
    if (fields && !fields->isEmpty()) {
        for (const QString &f : fields->split(QLatin1Char(','))) {
            const std::optional<int> c = fieldColumn(ctx, t, f);
            if (!c)
                return Failed;
            o.fields << *c;
        }
    }
    o.currentField = o.fields.isEmpty() ? -1 : o.fields.first();
    if (rows && !rows->isEmpty()) {
        const std::optional<QList<int>> list = numberList(ctx, *rows, 1, job.values().Rows() - 1);
        if (!list)
            return Failed;
        o.rows = *list;
    }
    if (labelField) {
        const std::optional<int> c = fieldColumn(ctx, t, *labelField);
        if (!c)
            return Failed;
        o.labelField = *c;
    }
    // As in the window's boxes: digits only, within the validators' limits; 0 is taken as 1.
    const auto number = [&](const std::optional<QString> &text, int hi, QString *into) {
        if (!text)
            return true;
        const std::optional<int> n = numberInRange(ctx, *text, 0, hi);
        if (n)
            *into = QString::number(*n);
        return n.has_value();
    };
    if (!number(min, kChartMaxLimit, &o.min) || !number(max, kChartMaxLimit, &o.max) ||
        !number(segments, kChartSegmentsLimit, &o.segments))
        return Failed;
    if (title)
        o.title = *title;

    if (bmp) {
        const std::unique_ptr<RecordingSurface> preview = job.preview(o, ctx.prompter);
        if (!preview)
            return Failed;
        return saveChartBitmap(preview.get(), absolutePath(*bmp), ctx.prompter) ? Done : Failed;
    }
    if (pdf)
        return job.exportPdf(o, absolutePath(*pdf), ctx.ws, ctx.prompter) ? Done : Failed;
    if (!job.checkSelection(o, ctx.prompter))
        return Failed;
    if (!choosePrinter(ctx, *printer))
        return Failed;
    return job.print(o, ctx.ws, ctx.prompter) ? Done : Failed;
}

} // namespace print
