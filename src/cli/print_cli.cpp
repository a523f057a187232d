#include "cli/print_cli.h"

#include "cli/printer_plugin.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/print_output.h"
#include "core/print/printer.h"
#include "core/print/table_print_job.h"
#include "core/ui/prompter.h"

#include <QDate>

#include <numeric>
#include <vector>

namespace print {

using namespace table::cli;

std::optional<QList<int>> numberList(Context &ctx, const QString &text, int lo, int hi)
{
    // Each number is taken once, so a text that repeats a range costs no more than the range:
    // next[n − lo] leads to the first number from n on not yet taken (path-halving, as in a
    // disjoint-set forest), and a range only visits the numbers it adds.
    std::vector<int> next;
    const auto firstFree = [&](int n) {
        int i = n - lo;
        while (next[i] != i) {
            next[i] = next[next[i]];
            i = next[i];
        }
        return i + lo;
    };
    QList<int> numbers;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const qsizetype dash = item.indexOf(QLatin1Char('-'), 1);
        const std::optional<int> a = numberInRange(ctx, dash < 0 ? item : item.left(dash), lo, hi);
        if (!a)
            return std::nullopt;
        std::optional<int> b = a;
        if (dash >= 0) {
            b = numberInRange(ctx, item.mid(dash + 1), *a, hi);
            if (!b)
                return std::nullopt;
        }
        if (next.empty()) {
            next.resize(std::size_t(hi - lo) + 2);
            std::iota(next.begin(), next.end(), 0);
        }
        for (int n = firstFree(*a); n <= *b; n = firstFree(n + 1)) {
            numbers << n;
            next[n - lo] = n - lo + 1;
        }
    }
    return numbers;
}

std::optional<QDate> dateOption(const std::optional<QString> &text)
{
    if (!text)
        return QDate::currentDate();
    const QDate date = QDate::fromString(*text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        return std::nullopt;
    return date;
}

bool choosePrinter(Context &ctx, const QString &name)
{
    const PrinterSystem &system = printers(ctx.ws);
    // Only scorvane-cli's own printers can be missing; the tests may install others.
    if (const auto *plugin = dynamic_cast<const PluginPrinterSystem *>(&system)) {
        const QString error = plugin->loadError();
        if (!error.isEmpty()) {
            ctx.prompter.message(error, QStringLiteral("打印错误"), ui::Icon::Critical);
            return false;
        }
    }
    if (!system.printerNames().contains(name)) {
        showPrinterError(ctx.prompter);
        return false;
    }
    ctx.ws.printerName = name;
    return true;
}

int runPrintCommand(Context &ctx, Args args)
{
    const bool listPages = args.flag(QStringLiteral("--list-pages"));
    const std::optional<QString> pdf = args.value(QStringLiteral("--pdf"));
    const std::optional<QString> printer = args.value(QStringLiteral("--printer"));
    const std::optional<QString> page = args.value(QStringLiteral("--page"));
    const std::optional<QString> row = args.value(QStringLiteral("--row"));
    const std::optional<QString> title = args.value(QStringLiteral("--title"));
    const std::optional<QString> footer = args.value(QStringLiteral("--footer"));
    const std::optional<QString> date = args.value(QStringLiteral("--date"));
    const bool noTeacher = args.flag(QStringLiteral("--no-teacher"));
    const bool noClassInfo = args.flag(QStringLiteral("--no-class-info"));
    const bool noLines = args.flag(QStringLiteral("--no-lines"));
    const bool noFit = args.flag(QStringLiteral("--no-fit"));
    const bool pageNumbers = args.flag(QStringLiteral("--page-numbers"));
    const std::optional<QString> penWidth = args.value(QStringLiteral("--pen-width"));
    const auto ops = args.operands(1);
    // One output; a page and a row exclude each other, as in the dialog.
    if (!ops || int(listPages) + int(pdf.has_value()) + int(printer.has_value()) != 1 || (page && row))
        return Usage;
    const std::optional<QDate> today = dateOption(date);
    if (!today)
        return Usage;

    table::GradeTable t;
    if (!loadTable(ctx, ops->at(0), t))
        return Failed;
    const TablePrintJob job(t, formula::calculator(ctx.ws));
    if (listPages) {
        for (const QString &choice : job.pageChoices())
            table::cli::printLine(ctx, choice);
        return Done;
    }

    PrintOptions o = job.initialOptions(*today);
    o.pageNumbers = pageNumbers;
    if (penWidth) {
        // The printer settings' choices: 1 to 10 pixels.
        const std::optional<int> n = numberInRange(ctx, *penWidth, 1, 10);
        if (!n)
            return Failed;
        ctx.ws.printLineWidth = *n;
    }
    if (page) {
        const std::optional<int> n = numberInRange(ctx, *page, 1, job.pageCount());
        if (!n)
            return Failed;
        o.page = *n;
    }
    if (row) {
        const std::optional<int> n = numberInRange(ctx, *row, 1, job.values().Rows() - 1);
        if (!n)
            return Failed;
        o.row = *n;
    }
    if (title)
        o.title = *title;
    if (footer)
        o.footer = *footer;
    o.teacher = o.teacher && !noTeacher;
    o.classInfo = !noClassInfo;
    o.lines = !noLines;
    o.fitToPaper = !noFit;

    if (pdf)
        return job.exportPdf(o, absolutePath(*pdf), ctx.ws, ctx.prompter) ? Done : Failed;
    if (!choosePrinter(ctx, *printer))
        return Failed;
    return job.print(o, ctx.ws, ctx.prompter) ? Done : Failed;
}

} // namespace print
