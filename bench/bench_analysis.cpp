// The grade analysis on a whole grade's table and over a grade of classes: `stats` on the
// 5,000-row table with 50,000 formulas against the evaluated copy alone, and the grade summary of
// 20 classes of 50 students against loading those 20 tables.
#include "bench_common.h"
#include "formula_columns.h"

#include "core/analysis/grade_summary.h"
#include "core/analysis/table_analysis.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/shell/school_tree.h"
#include "core/table/table_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

namespace {

using namespace bench;

constexpr int kClasses = 20;
constexpr int kClassSize = 50;

} // namespace

// The grade summary of 20 classes, each the first 50 students of `t`, against loading their tables.
bool gradeBench(const table::GradeTable &t, const QString &name, formula::Calculator &calc, qsizetype &sink)
{
    auto &o = out();
    QTemporaryDir dir;
    base::Workspace ws(dir.path());
    GoAheadPrompter prompter;
    QStringList classes;
    for (int k = 1; k <= kClasses; ++k)
        classes << QStringLiteral("（%1）班").arg(k);
    if (!shell::writeSchool(ws.schoolInfoFile(), {QStringLiteral("一中"), {{QStringLiteral("高一"), classes}}})) {
        std::fprintf(stderr, "cannot write the school tree\n");
        return false;
    }
    table::GradeTable one = t;
    one.grid.setRows(kClassSize + 1);
    QStringList paths;
    for (const QString &c : classes) {
        const QString folder = ws.tableDataDir() + QStringLiteral("一中/高一/") + c;
        QDir().mkpath(folder);
        paths << folder + QStringLiteral("/期中.gdt");
        if (!table::TableFile(ws, prompter).writeTableFile(one, paths.back(), QString())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(paths.back()));
            return false;
        }
    }
    const double loadMs = medianMs([&] {
        for (const QString &p : paths) {
            table::GradeTable loaded;
            table::TableFile(ws, prompter).readTableFile(p, loaded);
            sink += loaded.grid.Rows();
        }
    });
    const QList<shell::TreeNode> nodes = shell::treeNodes(*shell::readSchool(ws.schoolInfoFile()));
    const int grade = shell::nodeByPath(nodes, QStringLiteral("一中/高一"));
    qsizetype rows = 0;
    const double gradeMs = medianMs([&] {
        const std::optional<analysis::GradeSummary> s =
            analysis::summarizeGrade(ws, prompter, calc, nodes, grade, QStringLiteral("期中"), {});
        rows = s ? s->sheet.size() : 0;
        sink += s ? analysis::tabText({s->sheet}).size() : 0;
    });
    if (rows != kClasses + 2 || prompter.messages) {
        std::fprintf(stderr, "the grade summary has %lld rows\n", static_cast<long long>(rows));
        return false;
    }
    o << "  grade of " << kClasses << " classes of " << kClassSize << ": loading " << loadMs << " ms, summary "
      << gradeMs << " ms (" << sink % 7 << ")\n";
    row(QStringLiteral("stats --grade, 20 classes of 50, ") + name, gradeMs, QStringLiteral("loading the 20 tables"),
        loadMs, QStringLiteral("ratio<=1.5"));
    return true;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    auto &o = out();

    table::GradeTable t;
    makeFormulaTable(t);
    formula::Calculator calc;
    qsizetype sink = 0;
    const double copyMs = medianMs([&] { sink += formula::evaluatedCopy(t, calc).Rows(); });
    qsizetype fields = 0;
    const double statsMs = medianMs([&] {
        const analysis::TableAnalysis a(t, calc);
        const analysis::AnalysisOptions options;
        const analysis::AnalysisResult r = a.analyse(a.preselectedColumns(options), options);
        fields = r.fields.size();
        sink += analysis::tabText({r.figureSheet(), r.bandSheet()}).size();
    });
    o << "bench_analysis: " << kStudents << " students, " << t.grid.Cols() - 1 << " fields, " << fields
      << " analysed; evaluated copy " << copyMs << " ms, stats " << statsMs << " ms\n";
    row(QStringLiteral("stats, 5000 rows x 40 fields, 50000 formulas"), statsMs, QStringLiteral("evaluated copy"),
        copyMs, QStringLiteral("ratio<=1.5"));

    // A grade of 20 classes, each the first 50 students of a table: with the ten formula columns,
    // and with the scores alone.
    table::GradeTable plain;
    makeClassTable(plain);
    const struct {
        const table::GradeTable *source;
        QString name;
    } grades[] = {{&t, QStringLiteral("with 10 formula columns")}, {&plain, QStringLiteral("scores only")}};
    for (const auto &g : grades)
        if (!gradeBench(*g.source, g.name, calc, sink))
            return 1;
    return 0;
}
