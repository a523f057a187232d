#include "cli/print_cli.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/report_session.h"
#include "core/ui/prompter.h"

#include <QFileInfo>

namespace print {

using namespace table::cli;

namespace {

// Opens the template named on the command line; a missing file is named.
bool openTemplate(Context &ctx, ReportSession &session, const QString &path)
{
    const QString file = absolutePath(path);
    if (!QFileInfo(file).isFile()) {
        tell(ctx, QStringLiteral("找不到文件：") + file);
        return false;
    }
    return session.openTemplate(file, ctx.prompter);
}

// LABEL=FIELD: the label by its number or its caption (line breaks as "[/]"), the field by its
// number or name. Bound as 绑定 does; false with a message when either does not exist.
bool link(Context &ctx, ReportSession &session, const table::GradeTable &t, const QString &pair)
{
    const qsizetype eq = pair.lastIndexOf(QLatin1Char('='));
    if (eq <= 0) {
        tell(ctx, QStringLiteral("参数超出范围：") + pair);
        return false;
    }
    const QString label = pair.left(eq);
    const QStringList captions = session.labelCaptions();
    int index = int(captions.indexOf(label));
    bool digits = true;
    for (QChar c : label)
        digits = digits && c >= u'0' && c <= u'9';
    if (digits) {
        bool ok = false;
        const int n = label.toInt(&ok);
        index = ok && n >= 1 && n <= captions.size() ? n - 1 : -1;
    }
    if (index < 0) {
        tell(ctx, QStringLiteral("找不到标签：") + label);
        return false;
    }
    const std::optional<int> field = fieldColumn(ctx, t, pair.mid(eq + 1));
    if (!field)
        return false;
    session.bind(index, *field - 1);
    return true;
}

} // namespace

int runReportCommand(Context &ctx, Args args)
{
    const std::optional<QString> bind = args.value(QStringLiteral("--bind"));
    const QStringList links = args.values(QStringLiteral("--link"));
    const std::optional<QString> item = args.value(QStringLiteral("--item"));
    const std::optional<QString> range = args.value(QStringLiteral("--items"));
    const bool all = args.flag(QStringLiteral("--all"));
    const std::optional<QString> pdf = args.value(QStringLiteral("--pdf"));
    const std::optional<QString> printer = args.value(QStringLiteral("--printer"));
    const auto ops = args.operands(2);
    if (!ops || int(item.has_value()) + int(range.has_value()) + int(all) > 1 ||
        int(pdf.has_value()) + int(printer.has_value()) != 1)
        return Usage;

    table::GradeTable t;
    if (!loadTable(ctx, ops->at(0), t))
        return Failed;
    ReportSession session(t, formula::calculator(ctx.ws), ctx.ws);
    if (!openTemplate(ctx, session, ops->at(1)))
        return Failed;
    if (bind && !session.loadBindings(*bind + QStringLiteral(".bind"), ctx.prompter))
        return Failed;
    for (const QString &pair : links)
        if (!link(ctx, session, t, pair))
            return Failed;

    ItemChoice choice;
    if (item) {
        const std::optional<int> k = numberInRange(ctx, *item, 1, session.itemCount());
        if (!k)
            return Failed;
        choice.kind = ItemChoice::One;
        choice.one = *k;
    } else if (range) {
        const qsizetype dash = range->indexOf(QLatin1Char('-'), 1);
        const std::optional<int> first =
            numberInRange(ctx, dash < 0 ? *range : range->left(dash), 1, session.itemCount());
        if (!first)
            return Failed;
        const std::optional<int> last =
            dash < 0 ? first : numberInRange(ctx, range->mid(dash + 1), *first, session.itemCount());
        if (!last)
            return Failed;
        choice.kind = ItemChoice::Range;
        choice.first = *first;
        choice.last = *last;
    }
    const QList<int> items = session.items(choice);
    if (items.isEmpty()) {
        tell(ctx, QStringLiteral("没有可打印的项目。"));
        return Failed;
    }
    if (pdf)
        return session.exportPdf(items, absolutePath(*pdf), ctx.ws, ctx.prompter) ? Done : Failed;
    if (!choosePrinter(ctx, *printer))
        return Failed;
    return session.print(items, ctx.prompter) ? Done : Failed;
}

int runBindCommand(Context &ctx, Args args)
{
    const std::optional<QString> name = args.value(QStringLiteral("--save"));
    const auto ops = args.operands();
    // A binding file without a single pair would bind nothing.
    if (!ops || ops->size() < 3 || !name)
        return Usage;
    table::GradeTable t;
    if (!loadTable(ctx, ops->at(1), t))
        return Failed;
    ReportSession session(t, formula::calculator(ctx.ws), ctx.ws);
    if (!openTemplate(ctx, session, ops->at(0)))
        return Failed;
    for (const QString &pair : ops->mid(2))
        if (!link(ctx, session, t, pair))
            return Failed;
    return session.saveBindings(*name, ctx.prompter) ? Done : Failed;
}

} // namespace print
