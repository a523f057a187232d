// Formula evaluation over a full class table with ten formula columns: the display value of every
// cell, turning all formulas into values, and the evaluator alone on the expanded formula texts,
// with muparser parsing and evaluating the same texts as the yardstick.
#include "bench_common.h"
#include "formula_columns.h"

#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <memory>
#include <muParser.h>
#include <string>
#include <vector>

namespace {

using namespace bench;

std::string toMuParser(const QString &expanded)
{
    QString s = expanded;
    s.replace(QStringLiteral("sr("), QStringLiteral("sqrt("));
    return s.toStdString();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    auto &o = out();

    const std::vector<FormulaColumn> columns = formulaColumns();
    QStringList extra;
    for (const FormulaColumn &f : columns)
        extra << f.name;
    table::GradeTable tmpl;
    makeClassTable(tmpl, extra);
    table::Grid &g = tmpl.grid;
    const int firstFormula = kFields + 1;
    for (int r = 1; r <= kStudents; ++r)
        for (int i = 0; i < int(columns.size()); ++i)
            g.setTextMatrix(r, firstFormula + i, formula::kFormulaMarker + columns[size_t(i)].body);
    const long allCells = long(g.Rows()) * g.Cols();
    const long formulaCells = long(kStudents) * long(columns.size());

    formula::Calculator calc;
    // The formulas must give numbers, not error texts.
    o << "bench_formulas: " << kStudents << " students x " << kFields << " fields + " << columns.size()
      << " formula columns; row 1:";
    for (int i = 0; i < int(columns.size()); ++i)
        o << ' ' << columns[size_t(i)].name << '='
          << formula::displayValue(g, 1, firstFormula + i, tmpl.numberFormat, calc);
    o << '\n';
    long errors = 0;
    for (int r = 1; r <= kStudents; ++r)
        for (int c = firstFormula; c < g.Cols(); ++c) {
            const QString v = formula::displayValue(g, r, c, tmpl.numberFormat, calc);
            if (v == QStringLiteral("公式错误") || v == QStringLiteral("引用错误"))
                ++errors;
        }
    if (errors) {
        std::fprintf(stderr, "%ld formula cells give an error text\n", errors);
        return 1;
    }

    double sink = 0;
    const double valueMs = medianMs([&] {
        for (int r = 0; r < g.Rows(); ++r)
            for (int c = 0; c < g.Cols(); ++c)
                sink += double(formula::displayValue(g, r, c, tmpl.numberFormat, calc).size());
    });

    table::GradeTable work;
    GoAheadPrompter prompter;
    bool ran = true;
    const double runMs = medianMs([&] { ran = formula::menuRun(work, prompter, calc) && ran; }, [&] { work = tmpl; });
    if (!ran || formula::isFormula(work.grid.TextMatrix(kStudents, g.Cols() - 1))) {
        std::fprintf(stderr, "menuRun did not replace the formulas\n");
        return 1;
    }

    // The expanded texts the evaluator gets.
    std::vector<QString> texts;
    texts.reserve(size_t(formulaCells));
    const double expandMs = medianMs(
        [&] {
            for (int r = 1; r <= kStudents; ++r)
                for (int c = firstFormula; c < g.Cols(); ++c) {
                    bool ok = false;
                    const QString body = g.TextMatrix(r, c).mid(formula::kFormulaMarker.size()).toLower();
                    texts.push_back(formula::expandReferences(g, r, c, body, &ok));
                }
        },
        [&] { texts.clear(); });
    std::vector<std::string> muTexts;
    muTexts.reserve(texts.size());
    for (const QString &t : texts)
        muTexts.push_back(toMuParser(t));

    std::vector<double> ours(texts.size());
    const double calcMs = medianMs([&] {
        for (size_t i = 0; i < texts.size(); ++i)
            ours[i] = calc.Calculate(texts[i]).toDouble();
    });

    std::vector<double> theirs(texts.size());
    long muErrors = 0;
    const double muMs = medianMs([&] {
        for (size_t i = 0; i < muTexts.size(); ++i) {
            try {
                mu::Parser p;
                p.SetExpr(muTexts[i]);
                theirs[i] = p.Eval();
            } catch (const mu::Parser::exception_type &) {
                ++muErrors;
            }
        }
    });
    // One parser object for all texts: setting an expression still parses it anew.
    const double muReuseMs = medianMs([&] {
        mu::Parser p;
        for (size_t i = 0; i < muTexts.size(); ++i) {
            try {
                p.SetExpr(muTexts[i]);
                sink += p.Eval();
            } catch (const mu::Parser::exception_type &) {
                ++muErrors;
            }
        }
    });
    long disagree = 0;
    for (size_t i = 0; i < ours.size(); ++i)
        if (std::fabs(ours[i] - theirs[i]) > 1e-9 * std::max(1.0, std::fabs(theirs[i])))
            ++disagree;
    if (muErrors || disagree) {
        std::fprintf(stderr, "muparser: %ld errors, %ld results differ from ours\n", muErrors, disagree);
        return 1;
    }
    qsizetype chars = 0;
    for (const QString &t : texts)
        chars += t.size();

    o << "  " << formulaCells << " formula cells of " << allCells << " cells; expanded texts average "
      << chars / qsizetype(texts.size()) << " characters; median of " << kRepeats << " runs\n";
    o << QStringLiteral("  %1 %2 %3 %4\n")
             .arg(QStringLiteral("operation"), -44)
             .arg(QStringLiteral("ms"), 9)
             .arg(QStringLiteral("cells/s"), 12)
             .arg(QStringLiteral("formulas/s"), 12);
    auto line = [&](const QString &what, double ms, long cells) {
        o << QStringLiteral("  %1 %2 %3 %4\n")
                 .arg(what, -44)
                 .arg(ms, 9, 'f', 1)
                 .arg(double(cells) / ms * 1000, 12, 'f', 0)
                 .arg(double(formulaCells) / ms * 1000, 12, 'f', 0);
    };
    line(QStringLiteral("公式2值, every cell"), valueMs, allCells);
    line(QStringLiteral("menuRun"), runMs, allCells);
    line(QStringLiteral("expandReferences, formula cells"), expandMs, formulaCells);
    line(QStringLiteral("Calculator::Calculate, expanded texts"), calcMs, formulaCells);
    line(QStringLiteral("muparser, new parser per text"), muMs, formulaCells);
    line(QStringLiteral("muparser, one parser, SetExpr per text"), muReuseMs, formulaCells);
    o << QStringLiteral("  ratio ours/muparser (time, Calculate vs new parser per text): %1\n")
             .arg(calcMs / muMs, 0, 'f', 2);
    o << QStringLiteral("  ratio ours/muparser (time, Calculate vs one parser):         %1\n")
             .arg(calcMs / muReuseMs, 0, 'f', 2);
    o << QStringLiteral("  (checksum %1)\n").arg(sink, 0, 'g', 6);
    o.flush();
    const QString mu = QStringLiteral("muparser, one parser, SetExpr each");
    row(QStringLiteral("display values, every cell (50,000 formulas)"), valueMs, mu, muReuseMs,
        QStringLiteral("ms<20"));
    row(QStringLiteral("menuRun (50,000 formulas)"), runMs, mu, muReuseMs, QStringLiteral("ms<20"));
    row(QStringLiteral("Calculate, the expanded texts"), calcMs, QStringLiteral("muparser, new parser each"), muMs);
    return 0;
}
