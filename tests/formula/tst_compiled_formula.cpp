// Compiled formulas against the text expansion they stand for: chosen cases where inserting a
// cell's text changes how the formula reads (negative numbers, literals running together, texts
// that only look like numbers), randomized tables and formulas on which every display value, the
// evaluator's answer and last error, and the whole-table commands must agree with the expansion,
// and the direct formatting of a result against formatting its text.
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/formula/number_format.h"
#include "scripted_prompter.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <initializer_list>

using namespace formula;
using table::GradeTable;
using table::Grid;

namespace {

const QString M = QStringLiteral("！公式：");

// The display value both ways on fresh evaluators; they must agree.
QString bothWays(const Grid &g, int row, int col, qint64 *compiled = nullptr)
{
    Calculator a, b;
    const QString value = displayValue(g, row, col, QStringLiteral("###.##"), a);
    const QString expected = expandedValue(g, row, col, QStringLiteral("###.##"), b);
    if (value != expected)
        qWarning("%s: compiled %s, expanded %s", qPrintable(g.TextMatrix(row, col)), qPrintable(value),
                 qPrintable(expected));
    if (compiled)
        *compiled = compiledEvaluations(a);
    return value == expected ? value : QStringLiteral("<differ>");
}

// Cell texts: numbers in every spelling, texts that only look like numbers, words, formulas.
const QStringList kCellTexts = {
    QString(),
    QStringLiteral(" "),
    QStringLiteral("  "),
    QStringLiteral("0"),
    QStringLiteral("5"),
    QStringLiteral("85"),
    QStringLiteral("90.5"),
    QStringLiteral("3."),
    QStringLiteral(".5"),
    QStringLiteral("007"),
    QStringLiteral("-3"),
    QStringLiteral("-0"),
    QStringLiteral("-.5"),
    QStringLiteral("-2.5"),
    QStringLiteral("100"),
    QStringLiteral("1e5"),
    QStringLiteral("+3"),
    QStringLiteral(" 4"),
    QStringLiteral("4 "),
    QStringLiteral("--3"),
    QStringLiteral("- 3"),
    QStringLiteral("1.2.3"),
    QStringLiteral("."),
    QStringLiteral("-"),
    QStringLiteral("abc"),
    QStringLiteral("缺考"),
    QStringLiteral("12345678901234567"),
    QStringLiteral("0.1"),
    QStringLiteral("(2+3)"),
    QStringLiteral("2)"),
    QStringLiteral("pi"),
    QStringLiteral("1") + QString(400, QLatin1Char('0')),
    QStringLiteral("0.000000000000000000001"),
    QStringLiteral("9999999999999999"),
    QStringLiteral("2^2"),
    QStringLiteral("-1e5"),
    QStringLiteral("1,5"),
    QStringLiteral("３"),
};

// A random formula body over a grid of `rows` × `cols`: mostly expressions the evaluator accepts,
// with references in every form, and now and then a piece that runs into its neighbour.
class BodyMaker {
public:
    BodyMaker(QRandomGenerator &rng, int rows, int cols) : m_rng(rng), m_rows(rows), m_cols(cols) {}

    QString body() { return expression(0); }

private:
    int pick(int n) { return int(m_rng.bounded(n)); }

    QString index(int size)
    {
        switch (pick(16)) {
        case 0:
        case 1:
            return QStringLiteral("?");
        case 2:
            return QString::number(size + pick(3)); // outside the grid
        case 3:
            return QStringLiteral(" %1 ").arg(pick(size));
        default:
            return QString::number(pick(size));
        }
    }

    QString reference()
    {
        const int form = pick(40);
        if (form == 0)
            return QStringLiteral("cell(?,?)");
        const QString word =
            form == 1 ? QStringLiteral("CELL") : (form == 2 ? QStringLiteral("Cell") : QStringLiteral("cell"));
        if (form == 3)
            return word + QStringLiteral("(?,") + index(m_cols) + QLatin1Char(')');
        if (form == 4)
            return word + QLatin1Char('(') + index(m_rows) + QStringLiteral(",?)");
        if (form == 5)
            return word + QStringLiteral("(1"); // malformed
        return word + QStringLiteral("(%1,%2)").arg(pick(3) ? QStringLiteral("?") : index(m_rows), index(m_cols));
    }

    QString operand(int depth)
    {
        static const QStringList numbers = {QStringLiteral("2"),  QStringLiteral("0"),   QStringLiteral("1.5"),
                                            QStringLiteral("3."), QStringLiteral(".25"), QStringLiteral("10")};
        static const QStringList names = {QStringLiteral("pi"), QStringLiteral("e"), QStringLiteral("ans")};
        static const QStringList functions = {QStringLiteral("sin"), QStringLiteral("sr"),  QStringLiteral("log"),
                                              QStringLiteral("ln"),  QStringLiteral("itn"), QStringLiteral("hcs"),
                                              QStringLiteral("cot")};
        const int kind = depth > 3 ? pick(3) : pick(8);
        switch (kind) {
        case 0:
        case 1:
            return reference();
        case 2:
            return numbers.at(pick(int(numbers.size())));
        case 3:
            return names.at(pick(int(names.size())));
        case 4:
            return QLatin1Char('(') + expression(depth + 1) + (pick(6) ? QStringLiteral(")") : QString());
        case 5:
            return functions.at(pick(int(functions.size()))) +
                   (pick(3) ? QLatin1Char('(') + expression(depth + 1) + QLatin1Char(')') : reference());
        case 6:
            return QLatin1Char('-') + operand(depth + 1);
        default:
            return reference() + QLatin1Char('^') + (pick(2) ? QStringLiteral("2") : reference());
        }
    }

    QString expression(int depth)
    {
        static const QStringList joins = {QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("*"),
                                          QStringLiteral("/"), QStringLiteral(""),  QStringLiteral(" "),
                                          QStringLiteral("^"), QStringLiteral("1"), QStringLiteral("."),
                                          QStringLiteral("x"), QStringLiteral("-"), QStringLiteral("+")};
        QString out = operand(depth);
        const int more = pick(depth > 2 ? 2 : 5);
        for (int i = 0; i < more; ++i)
            out += (pick(8) ? joins.at(pick(4)) : joins.at(pick(int(joins.size())))) + operand(depth);
        return out;
    }

    QRandomGenerator &m_rng;
    int m_rows, m_cols;
};

void randomGrid(QRandomGenerator &rng, Grid &g, int rows, int cols)
{
    g.setRows(rows);
    g.setCols(cols);
    BodyMaker maker(rng, rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const int roll = int(rng.bounded(10));
            if (roll < 2)
                g.setTextMatrix(r, c, M + maker.body());
            else if (roll < 9)
                g.setTextMatrix(r, c, QString::number(int(rng.bounded(201)) - 40));
            else
                g.setTextMatrix(r, c, kCellTexts.at(int(rng.bounded(int(kCellTexts.size())))));
        }
}

// The whole-table pass the way the expansion gives it: row by row, each row from the left.
Grid expandedCopy(const GradeTable &t, Calculator &calc)
{
    Grid g = t.grid;
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c)
            if (isFormula(g.TextMatrix(r, c)))
                g.setTextMatrix(r, c, expandedValue(g, r, c, t.numberFormat, calc));
    return g;
}

QStringList cells(const Grid &g)
{
    QStringList out;
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c)
            out << g.TextMatrix(r, c);
    return out;
}

} // namespace

class CompiledFormulaTest : public QObject {
    Q_OBJECT

private slots:
    // One formula in cell (1, 4) over cells (1, 1) … (1, 3).
    void insertion_data()
    {
        QTest::addColumn<QStringList>("refs");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("compiled");
        auto row = [](const char *name, std::initializer_list<const char *> cells, const char *body,
                      const char *expected, bool compiled) {
            QStringList refs;
            for (const char *c : cells)
                refs << QString::fromUtf8(c);
            QTest::newRow(name) << refs << QString::fromUtf8(body) << QString::fromUtf8(expected) << compiled;
        };
        row("sum", {"80", "90.5", ""}, "cell(?,1)+cell(?,2)+cell(?,3)", "170.5", true);
        row("negative first spans the rest", {"-3", "5", ""}, "cell(?,1)+cell(?,2)", "-8", true);
        row("negative after binary minus", {"5", "-3", ""}, "cell(?,1)-cell(?,2)", "8", true);
        row("negative base of a power", {"-3", "", ""}, "cell(1,1)^2", "-9", true);
        row("negative after ^", {"2", "-3", ""}, "cell(?,1)^cell(?,2)", "公式错误", false);
        row("negative after a function", {"-30", "", ""}, "sincell(?,1)", "公式错误", false);
        row("function of a literal", {"30", "", ""}, "sincell(?,1)", ".5", true);
        row("digit before", {"5", "", ""}, "1cell(?,1)", "15", false);
        row("digit after", {"3", "", ""}, "cell(?,1)5", "35", false);
        row("point after", {"3", "", ""}, "cell(?,1).5", "3.5", false);
        row("two references run together", {"1", "2", ""}, "cell(?,1)cell(?,2)", "12", false);
        row("negative after a reference", {"1", "-2", ""}, "cell(?,1)cell(?,2)", "-1", true);
        row("exponent notation", {"1e5", "", ""}, "cell(?,1)+1", "公式错误", false);
        row("plus sign", {"+3", "", ""}, "cell(?,1)+1", "公式错误", false);
        row("leading space", {" 4", "", ""}, "cell(?,1)*2", "8", false);
        row("leading zeros", {"007", "", ""}, "cell(?,1)*2", "14", true);
        row("trailing point", {"3.", "", ""}, "cell(?,1)*2", "6", true);
        row("blank cell", {"  ", "", ""}, "cell(?,1)+cell(?,2)+2", "2", true);
        row("implicit product", {"3", "4", ""}, "cell(?,1) cell(?,2)", "12", true);
        row("name after a literal", {"2", "", ""}, "cell(?,1)pi", "6.28", true);
        row("text", {"缺考", "", ""}, "cell(?,1)+1", "公式错误", false);
        row("self reference", {"1", "", ""}, "cell(?,?)", "引用错误", false);
        row("outside the grid", {"1", "", ""}, "cell(?,9)", "公式错误", false);
        row("division by a zero cell", {"0", "", ""}, "1/cell(?,1)", "公式错误", true);
        row("nested negative", {"-2", "-3", "4"}, "(cell(?,1))*cell(?,2)+cell(?,3)", "14", true);
    }
    void insertion()
    {
        QFETCH(QStringList, refs);
        QFETCH(QString, body);
        QFETCH(QString, expected);
        QFETCH(bool, compiled);
        Grid g;
        g.setRows(3);
        g.setCols(5);
        for (int c = 1; c <= 3; ++c)
            g.setTextMatrix(1, c, refs.value(c - 1));
        g.setTextMatrix(1, 4, M + body);
        qint64 used = 0;
        QCOMPARE(bothWays(g, 1, 4, &used), expected);
        QCOMPARE(used == 1, compiled);
    }

    // The same compiled text follows the cells and the formula's own place: nothing but the
    // formula text is kept between evaluations.
    void followsEdits()
    {
        Calculator calc;
        Grid g;
        g.setRows(4);
        g.setCols(4);
        const QString f = M + QStringLiteral("cell(?,1)*2+cell(1,2)");
        g.setTextMatrix(1, 1, QStringLiteral("10"));
        g.setTextMatrix(2, 1, QStringLiteral("-1"));
        g.setTextMatrix(1, 2, QStringLiteral("1"));
        g.setTextMatrix(1, 3, f);
        g.setTextMatrix(2, 3, f);
        const QString fmt = QStringLiteral("###.##");
        QCOMPARE(displayValue(g, 1, 3, fmt, calc), QStringLiteral("21"));
        QCOMPARE(displayValue(g, 2, 3, fmt, calc), QStringLiteral("-3")); // -(1*2+1)
        g.setTextMatrix(1, 2, QStringLiteral("备注"));
        QCOMPARE(displayValue(g, 1, 3, fmt, calc), QStringLiteral("公式错误"));
        g.setTextMatrix(1, 2, QStringLiteral("2.5"));
        QCOMPARE(displayValue(g, 1, 3, fmt, calc), QStringLiteral("22.5"));
        g.setTextMatrix(1, 3, M + QStringLiteral("cell(?,1)/4"));
        QCOMPARE(displayValue(g, 1, 3, fmt, calc), QStringLiteral("2.5"));
        calc.options.angle = CalcOptions::Angle::Radians;
        g.setTextMatrix(1, 1, QStringLiteral("0"));
        g.setTextMatrix(1, 3, M + QStringLiteral("cos(cell(?,1)+pi)"));
        QCOMPARE(displayValue(g, 1, 3, fmt, calc), QStringLiteral("-1"));
    }

    void randomized_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 12; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed * 7919u;
    }
    void randomized()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        qint64 compared = 0, compiled = 0;
        Calculator a, b;
        for (int round = 0; round < 250; ++round) {
            GradeTable t;
            randomGrid(rng, t.grid, 3 + int(rng.bounded(6)), 3 + int(rng.bounded(5)));
            if (round % 5 == 4)
                t.numberFormat = QStringLiteral("0.000");
            const Grid &g = t.grid;
            // Every cell, in an order unlike the table's, so "ans" carries different values.
            const qint64 before = compiledEvaluations(a);
            for (int i = 0; i < g.Rows() * g.Cols(); ++i) {
                const int r = int(rng.bounded(g.Rows())), c = int(rng.bounded(g.Cols()));
                const QString ours = displayValue(g, r, c, t.numberFormat, a);
                const QString theirs = expandedValue(g, r, c, t.numberFormat, b);
                if (ours != theirs || a.answer() != b.answer() || a.lastError() != b.lastError())
                    QFAIL(qPrintable(QStringLiteral("%1 at (%2,%3): %4 / %5, answers %6 / %7, errors %8 / %9")
                                         .arg(g.TextMatrix(r, c))
                                         .arg(r)
                                         .arg(c)
                                         .arg(ours, theirs)
                                         .arg(a.answer())
                                         .arg(b.answer())
                                         .arg(a.lastError(), b.lastError())));
                compared += isFormula(g.TextMatrix(r, c));
            }
            compiled += compiledEvaluations(a) - before;
            // The whole-table pass: formulas that read formulas already replaced.
            QCOMPARE(cells(evaluatedCopy(t, a)), cells(expandedCopy(t, b)));
            QCOMPARE(a.answer(), b.answer());
        }
        QVERIFY(compared > 1000);
        // The compiled form carried a good share of the formulas, or the comparison proved little.
        // (About a fifth: many random formulas read a text, a formula or no expression at all.)
        QVERIFY2(compiled > compared / 6, qPrintable(QStringLiteral("%1 of %2").arg(compiled).arg(compared)));
    }

    // The compiled form formats the number directly; it must write what formatting the result
    // text writes, halves and whole numbers (written without the general conversion) included.
    void formattedValue()
    {
        QRandomGenerator rng(77);
        const QStringList formats = {QStringLiteral("###.##"),
                                     QStringLiteral("###.000"),
                                     QStringLiteral("###."),
                                     QStringLiteral("#,##0.0"),
                                     QString(),
                                     QStringLiteral("x")};
        QList<double> values = {0.5,  -0.5,      1,      -1,    85,      170.5,  1e14 - 0.5,       1e14,
                                1e15, -1e15 + 1, 0.125,  2.345, 1.0 / 3, -0.004, 99999999999999.5, 123456789012345.0,
                                1e-5, 5e-324,    1.7e308};
        for (int i = 0; i < 4000; ++i) {
            const int kind = int(rng.bounded(4));
            const double mag = std::pow(10.0, rng.bounded(34.0) - 12);
            double v = (rng.generateDouble() - 0.5) * mag;
            if (kind == 0)
                v = std::trunc(v);
            else if (kind == 1)
                v = std::trunc(v * 2) / 2;
            else if (kind == 2)
                v = std::round(v * 100) / 100;
            values << v;
        }
        for (double v : std::as_const(values))
            for (const QString &f : formats)
                QCOMPARE(formatValue(v, f), formatResult(numberText(v), f));
    }

    // 检查所有公式有效性 and 计算所有公式 through the compiled form mark and replace exactly the
    // cells the expansion does.
    void tableCommands()
    {
        QRandomGenerator rng(4242);
        for (int round = 0; round < 30; ++round) {
            GradeTable t;
            randomGrid(rng, t.grid, 4 + int(rng.bounded(5)), 4 + int(rng.bounded(4)));
            GradeTable checked = t, run = t;
            Calculator a, b;
            menuCheckGS(checked, a);
            Grid marked = t.grid;
            for (int r = 0; r < marked.Rows(); ++r)
                for (int c = 0; c < marked.Cols(); ++c)
                    if (expandedValue(marked, r, c, t.numberFormat, b) == QStringLiteral("公式错误"))
                        marked.setTextMatrix(r, c, marked.TextMatrix(r, c) + QStringLiteral("(公式错误)"));
            QCOMPARE(cells(checked.grid), cells(marked));

            ScriptedPrompter prompter;
            prompter.expectQuestion(QString(), ui::Answer::Ok);
            QVERIFY(menuRun(run, prompter, a));
            QCOMPARE(cells(run.grid), cells(expandedCopy(t, b)));
        }
    }
};

QTEST_GUILESS_MAIN(CompiledFormulaTest)
#include "tst_compiled_formula.moc"
