#include "cli/analysis_cli.h"

#include "core/analysis/analysis_page.h"
#include "core/analysis/grade_summary.h"
#include "core/analysis/table_analysis.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/shell/school_tree.h"
#include "core/table/sort_rows.h"

#include <QDate>
#include <QTextStream>
#include <cmath>

namespace analysis {

using namespace table::cli;

namespace {

// The command's options once read: what the analysis takes, and the fields named on the line
// (resolved against the table or the grade's tables later).
struct StatsRequest {
    AnalysisOptions options;
    std::optional<QStringList> fields;
    QList<QPair<QString, int>> fieldFullMarks; // --full FIELD=N, in order
    std::optional<QString> pdf;
};

enum class Parsed { Ok, Malformed, OutOfRange };

// A number as the sort reads one; nullopt (malformed) otherwise.
std::optional<double> numberOption(const QString &text)
{
    const std::optional<double> v = table::sortNumber(text);
    if (!v || !std::isfinite(*v))
        return std::nullopt;
    return v;
}

// A number already known to be one, within [lo, hi] (and whole when asked); otherwise the message.
bool inRange(Context &ctx, const QString &text, double lo, double hi, bool whole, double *into)
{
    const double v = *numberOption(text);
    if (v < lo || v > hi || (whole && v != std::floor(v))) {
        tell(ctx, QStringLiteral("参数超出范围：") + text);
        return false;
    }
    *into = v;
    return true;
}

// Takes the options out of `args`, then the one operand into *operand.
Parsed readRequest(Context &ctx, Args &args, StatsRequest *r, QString *operand)
{
    const std::optional<QString> fields = args.value(QStringLiteral("--fields"));
    const QStringList fulls = args.values(QStringLiteral("--full"));
    const std::optional<QString> pass = args.value(QStringLiteral("--pass"));
    const std::optional<QString> excellent = args.value(QStringLiteral("--excellent"));
    const std::optional<QString> low = args.value(QStringLiteral("--low"));
    const std::optional<QString> band = args.value(QStringLiteral("--band"));
    r->pdf = args.value(QStringLiteral("--pdf"));
    const std::optional<QStringList> ops = args.operands(1);
    if (!ops)
        return Parsed::Malformed;
    *operand = ops->at(0);
    if (fields)
        r->fields = fields->split(QLatin1Char(','));
    // A value that is no number makes the line malformed, before any range is looked at.
    for (const QString &full : fulls) {
        const qsizetype eq = full.lastIndexOf(QLatin1Char('='));
        if (eq == 0 || !numberOption(full.mid(eq + 1)))
            return Parsed::Malformed;
    }
    for (const std::optional<QString> *text : {&pass, &excellent, &low, &band})
        if (*text && !numberOption(**text))
            return Parsed::Malformed;

    double v = 0;
    for (const QString &full : fulls) {
        const qsizetype eq = full.lastIndexOf(QLatin1Char('='));
        if (!inRange(ctx, full.mid(eq + 1), 1, kMaxFullMarks, true, &v))
            return Parsed::OutOfRange;
        if (eq < 0)
            r->options.defaultFullMarks = int(v);
        else
            r->fieldFullMarks << qMakePair(full.left(eq), int(v));
    }
    const std::pair<const std::optional<QString> *, double *> percents[] = {
        {&pass, &r->options.passPercent}, {&excellent, &r->options.excellentPercent}, {&low, &r->options.lowPercent}};
    for (const auto &[text, into] : percents)
        if (*text && !inRange(ctx, **text, 0, 100, false, into))
            return Parsed::OutOfRange;
    if (band) {
        if (!inRange(ctx, *band, 1, kMaxFullMarks, true, &v))
            return Parsed::OutOfRange;
        r->options.bandWidth = int(v);
    }
    return Parsed::Ok;
}

void printText(Context &ctx, const QString &text)
{
    ctx.out << text;
    ctx.out.flush();
}

int writePdf(Context &ctx, const StatsRequest &r, const AnalysisPage &page)
{
    if (!r.pdf)
        return Done;
    return exportAnalysisPdf(page, absolutePath(*r.pdf), ctx.ws.printLineWidth, ctx.ws, ctx.prompter) ? Done : Failed;
}

int statsOfTable(Context &ctx, const QString &file, StatsRequest &r)
{
    table::GradeTable t;
    if (!loadTable(ctx, file, t))
        return Failed;
    for (const auto &[field, marks] : r.fieldFullMarks) {
        const std::optional<int> c = fieldColumn(ctx, t, field);
        if (!c)
            return Failed;
        r.options.fullMarks.insert(t.grid.cellText(0, *c).trimmed(), marks);
    }
    QList<int> columns;
    if (r.fields) {
        for (const QString &f : *r.fields) {
            const std::optional<int> c = fieldColumn(ctx, t, f);
            if (!c)
                return Failed;
            if (!columns.contains(*c))
                columns << *c;
        }
    }
    const TableAnalysis analysis(std::move(t), formula::calculator(ctx.ws));
    if (!r.fields)
        columns = analysis.preselectedColumns(r.options);
    const AnalysisResult result = analysis.analyse(columns, r.options);
    printText(ctx, tabText({result.figureSheet(), result.bandSheet()}));
    return writePdf(ctx, r, analysisPage(result, 0, QDate::currentDate()));
}

int statsOfGrade(Context &ctx, const QString &gradePath, const QString &tableName, StatsRequest &r)
{
    const std::optional<shell::School> school = shell::readSchool(ctx.ws.schoolInfoFile());
    if (!school) {
        tell(ctx, shell::kNoSchoolTree);
        return Failed;
    }
    const QList<shell::TreeNode> nodes = shell::treeNodes(*school);
    const int grade = shell::nodeByPath(nodes, gradePath);
    if (grade < 0 || nodes[grade].image != 2) {
        tell(ctx, QStringLiteral("找不到年级：") + gradePath);
        return Failed;
    }
    for (const auto &[field, marks] : r.fieldFullMarks)
        r.options.fullMarks.insert(field.trimmed(), marks);
    QStringList fields;
    if (r.fields)
        for (const QString &f : *r.fields)
            if (!fields.contains(f.trimmed()))
                fields << f.trimmed();
    const std::optional<GradeSummary> summary =
        summarizeGrade(ctx.ws, ctx.prompter, formula::calculator(ctx.ws), nodes, grade, tableName, r.options, fields);
    if (!summary)
        return Failed;
    if (summary->classes.isEmpty()) {
        tell(ctx, QStringLiteral("该年级的班级中没有表格“") + tableName + QStringLiteral("”"));
        return Failed;
    }
    QStringList named = fields;
    for (const auto &[field, marks] : r.fieldFullMarks)
        named << field.trimmed();
    for (const QString &f : named)
        if (!summary->fieldNamesFound.contains(f)) {
            tell(ctx, QStringLiteral("找不到字段：") + f);
            return Failed;
        }
    printText(ctx, tabText({summary->sheet}));
    for (const QString &note : summary->notes)
        tell(ctx, note);
    return writePdf(ctx, r, gradePage(*summary, 0, QDate::currentDate()));
}

} // namespace

int runStatsCommand(Context &ctx, Args args)
{
    const std::optional<QString> grade = args.value(QStringLiteral("--grade"));
    StatsRequest r;
    QString operand;
    const Parsed parsed = readRequest(ctx, args, &r, &operand);
    if (parsed == Parsed::Malformed)
        return Usage;
    if (parsed == Parsed::OutOfRange)
        return Failed;
    if (const QString why = optionsRefusal(r.options); !why.isEmpty()) {
        tell(ctx, why);
        return Failed;
    }
    return grade ? statsOfGrade(ctx, *grade, operand, r) : statsOfTable(ctx, operand, r);
}

} // namespace analysis
