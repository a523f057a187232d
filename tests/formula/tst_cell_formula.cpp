// Formula cells: the display value of one cell with its references, wildcards and data format;
// the formula bar's switch and label; copying a formula to its column, checking and freezing all
// formulas, each with its question and undo.
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/fields.h"
#include "scripted_prompter.h"

#include <QTest>

using namespace formula;
using namespace Qt::StringLiterals;
using table::GradeTable;
using table::Grid;

namespace {

const QString M = QStringLiteral("！公式：");
const QString kError = QStringLiteral("公式错误");
const QString kRefError = QStringLiteral("引用错误");

// Six rows (header and five students) and five columns: row numbers, 学号, 语文, 数学, 备注.
void makeTable(GradeTable &t)
{
    Grid &g = t.grid;
    g.setRows(6);
    g.setCols(5);
    g.setFormatString(QStringLiteral("  |学号|语文|数学|备注"));
    t.rebuildHeader();
}

// Entries "row,col=text"; the text is everything after the first "=".
void fill(Grid &g, const QStringList &cells)
{
    for (const QString &entry : cells) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const QStringList rc = entry.left(eq).split(QLatin1Char(','));
        g.setTextMatrix(rc.at(0).toInt(), rc.at(1).toInt(), entry.mid(eq + 1));
    }
}

QStringList column(const Grid &g, int col)
{
    QStringList out;
    for (int r = 0; r < g.Rows(); ++r)
        out << g.TextMatrix(r, col);
    return out;
}

QStringList allCells(const Grid &g)
{
    QStringList out;
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c)
            out << g.TextMatrix(r, c);
    return out;
}

const QString kRunQuestion = QStringLiteral("    本操作将导致原来的公式将无法再响应数据源\n"
                                            "的数值变化，请确认您的操作已经达到打印前的最\n"
                                            "后一步。（可以不需执行本操作，打印时就会直接\n"
                                            "显示结果）；确定要继续吗？");

} // namespace

class CellFormulaTest : public QObject {
    Q_OBJECT

private slots:
    void value_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        const QString f = QStringLiteral("###.##");
        auto row = [&](const char *name, const QStringList &cells, const QString &body, const QString &format,
                       const QString &expected, int r = 4, int c = 4) {
            QStringList all = cells;
            all << QStringLiteral("%1,%2=").arg(r).arg(c) + body;
            QTest::newRow(name) << all << r << c << format << expected;
        };
        const QString sum = M + QStringLiteral("cell(?,2)+cell(?,3)");

        row("row sum", {u"4,2=80"_s, u"4,3=90.5"_s}, sum, f, u"170.5"_s);
        row("sum of empty cells is zero, shown empty", {}, sum, f, QString());
        row("space-only cells count as zero", {u"4,2=   "_s, u"4,3=10"_s}, sum, f, u"10"_s);
        row("wildcards follow the formula's row", {u"2,2=1"_s, u"2,3=2"_s, u"4,2=80"_s}, sum, f, u"3"_s, 2, 4);
        row("upper-case reference", {u"4,2=40"_s}, M + u"CELL(?,2)*2"_s, f, u"80"_s);
        row("mixed-case references and names", {u"4,2=40"_s, u"4,3=2"_s}, M + u"Cell(?,2)*cELL(?,3)+SIN(30)"_s, f,
            u"80.5"_s);
        row("wildcard with a space is no wildcard", {u"4,2=40"_s}, M + u"cell( ?,2)"_s, f, kError);
        row("mixed-case reference", {u"4,2=40"_s}, M + u"Cell(?,2)+cElL(?,2)"_s, f, u"80"_s);
        row("the cell itself", {}, M + u"cell(?,?)"_s, f, kRefError);
        row("the cell itself, upper case, among others", {u"4,2=1"_s}, M + u"cell(?,2)+CELL(?,?)"_s, f, kRefError);
        row("self through the row wildcard", {}, M + u"cell(?,2)"_s, f, kError, 4, 2);
        row("self through explicit indices", {}, M + u"cell(4,4)+1"_s, f, kError);
        row("power of an inserted negative", {u"1,2=-3"_s}, M + u"cell(1,2)^2"_s, f, u"-9"_s);
        row("inserted text is not evaluated first", {u"4,2=2+3"_s}, M + u"cell(?,2)*2"_s, f, u"8"_s);
        row("inserted text is not trimmed", {u"4,2= 80 "_s}, M + u"cell(?,2)+1"_s, f, u"81"_s);
        row("remark in Chinese", {u"4,2=缺考"_s}, M + u"cell(?,2)+1"_s, f, kError);
        row("referenced formula is not expanded", {u"1,2=！公式：1+1"_s}, M + u"cell(1,2)+1"_s, f, kError);
        row("cell holding a reference text", {u"1,1=5"_s, u"1,2=cell(1,1)"_s}, M + u"cell(1,2)+1"_s, f, kError);
        row("cell holding its own reference text", {u"1,2=cell(1,2)"_s}, M + u"cell(1,2)"_s, f, kError);
        row("same cell twice", {u"4,2=9"_s}, M + u"cell(?,2)*cell(?,2)"_s, f, u"81"_s);
        row("no reference at all", {}, M + u"2*3-5"_s, f, u"1"_s);
        row("empty body", {}, M, f, kError);
        row("spaces inside explicit indices", {u"1,2=7"_s}, M + u"cell( 1 , 2 )"_s, f, u"7"_s);

        // Wildcards are exactly "(?," and ",?)".
        row("column wildcard", {u"1,4=7"_s}, M + u"cell(1,?)"_s, f, u"7"_s);
        row("row wildcard with a space after the comma", {u"4,2=7"_s}, M + u"cell(?, 2)"_s, f, u"7"_s);
        row("space before the row wildcard", {u"4,2=7"_s}, M + u"cell( ?,2)"_s, f, kError);
        row("space after the row wildcard", {u"4,2=7"_s}, M + u"cell(? ,2)"_s, f, kError);
        row("space before the column wildcard", {u"1,4=7"_s}, M + u"cell(1, ?)"_s, f, kError);
        row("space after the column wildcard", {u"1,4=7"_s}, M + u"cell(1,? )"_s, f, kError);

        // Malformed and out-of-grid references.
        row("row past the last", {}, M + u"cell(6,1)"_s, f, kError);
        row("column past the last", {}, M + u"cell(1,5)"_s, f, kError);
        row("negative row", {}, M + u"cell(-1,1)"_s, f, kError);
        row("huge row", {}, M + u"cell(99999999999,1)"_s, f, kError);
        row("last cell of the grid", {u"5,4=12"_s}, M + u"cell(5,4)"_s, f, u"12"_s, 1, 4);
        row("fractional row", {u"1,2=7"_s}, M + u"cell(1.5,2)"_s, f, kError);
        row("empty row", {}, M + u"cell(,2)"_s, f, kError);
        row("no closing parenthesis", {u"1,2=7"_s}, M + u"cell(1,2"_s, f, kError);
        row("no comma", {u"1,2=7"_s}, M + u"cell(1)+2"_s, f, kError);
        row("cell without parenthesis", {}, M + u"cell+1"_s, f, kError);
        row("cell at the very end", {}, M + u"1+cell"_s, f, kError);
        row("cells", {}, M + u"cells(1,2)"_s, f, kError);

        // The fixed row and column can be referenced like any cell.
        row("header field name", {}, M + u"cell(0,2)+1"_s, f, kError);
        row("header corner of two spaces", {}, M + u"cell(0,0)+3"_s, f, u"3"_s);
        row("row number", {}, M + u"cell(3,0)*10"_s, f, u"30"_s);
        row("own row number", {}, M + u"cell(?,0)"_s, f, u"4"_s);

        // Plain cells come back as they are.
        QTest::newRow("plain number") << QStringList{u"1,2=85"_s} << 1 << 2 << u"0.00"_s << u"85"_s;
        QTest::newRow("plain decimals") << QStringList{u"1,2=85.456"_s} << 1 << 2 << f << u"85.456"_s;
        QTest::newRow("plain text") << QStringList{u"1,2=缺考"_s} << 1 << 2 << f << u"缺考"_s;
        QTest::newRow("marker not at the start")
            << QStringList{u"1,2= ！公式：1+1"_s} << 1 << 2 << f << u" ！公式：1+1"_s;
        QTest::newRow("half-width marker") << QStringList{u"1,2=!公式:1+1"_s} << 1 << 2 << f << u"!公式:1+1"_s;
        QTest::newRow("empty plain cell") << QStringList{} << 1 << 2 << f << QString();

        // The data format applies to formula results only.
        const QStringList score{u"4,2=85.456"_s};
        const QString ref = M + u"cell(?,2)"_s;
        row("###.## rounds to two places", score, ref, f, u"85.46"_s);
        row("###.00 rounds to two places", score, ref, u"###.00"_s, u"85.46"_s);
        row("### drops the decimals", score, ref, u"###"_s, u"85"_s);
        row("0.0 rounds to one place", score, ref, u"0.0"_s, u"85.5"_s);
        row("###.## whole number has no point", {u"4,2=85"_s}, ref, f, u"85"_s);
        row("###.00 pads", {u"4,2=85"_s}, ref, u"###.00"_s, u"85.00"_s);
        row("0.0 pads", {u"4,2=85"_s}, ref, u"0.0"_s, u"85.0"_s);
        row("###.## half without leading zero", {u"4,2=0.5"_s}, ref, f, u".5"_s);
        row("0.0 keeps a leading zero", {u"4,2=0.5"_s}, ref, u"0.0"_s, u"0.5"_s);
        row("zero with ###", {}, ref, u"###"_s, QString());
        row("zero with ###.00", {}, ref, u"###.00"_s, u".00"_s);
        row("zero with 0.0", {}, ref, u"0.0"_s, u"0.0"_s);
        row("two thirds", {}, M + u"2/3"_s, f, u".67"_s);
        row("negative half rounds away from zero", {}, M + u"0-2.5"_s, u"###"_s, u"-3"_s);
        row("error text is not formatted", {}, M + u"1/0"_s, u"###.00"_s, kError);
        row("reference error is not formatted", {}, M + u"cell(?,?)"_s, u"0.0"_s, kRefError);
    }
    void value()
    {
        QFETCH(QStringList, cells);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        GradeTable t;
        makeTable(t);
        fill(t.grid, cells);
        const QStringList before = allCells(t.grid);
        Calculator calc;
        QCOMPARE(displayValue(t.grid, row, col, format, calc), expected);
        QCOMPARE(allCells(t.grid), before);
    }

    void expansionText_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("expanded");
        QTest::addColumn<bool>("ok");
        QTest::newRow("references replaced in place") << u"(cell(?,2)+cell(?,3))/2"_s << u"(80+90.5)/2"_s << true;
        QTest::newRow("empty becomes 0") << u"cell(?,1)+1"_s << u"0+1"_s << true;
        QTest::newRow("inserted reference text stays") << u"cell(1,2)"_s << u"cell(2,2)"_s << true;
        QTest::newRow("inserted text keeps its spaces") << u"(cell(1,3))"_s << u"( 80 )"_s << true;
        QTest::newRow("only spaces count as blank") << u"cell(1,4)"_s << u"\t"_s << true;
        QTest::newRow("reference error") << u"cell(?,?)"_s << kRefError << false;
        QTest::newRow("formula error") << u"cell(9,9)"_s << kError << false;
    }
    void expansionText()
    {
        QFETCH(QString, body);
        QFETCH(QString, expanded);
        QFETCH(bool, ok);
        GradeTable t;
        makeTable(t);
        fill(t.grid, {u"4,2=80"_s, u"4,3=90.5"_s, u"1,2=cell(2,2)"_s, u"1,3= 80 "_s, u"1,4=\t"_s});
        bool done = !ok;
        QCOMPARE(expandReferences(t.grid, 4, 4, body, &done), expanded);
        QCOMPARE(done, ok);
    }

    // Each formula sees the answer of the one evaluated before it.
    void answerCarriesOver()
    {
        GradeTable t;
        makeTable(t);
        fill(t.grid, {u"1,4=！公式：3+4"_s, u"2,4=！公式：ans*2"_s});
        Calculator calc;
        QCOMPARE(displayValue(t.grid, 1, 4, t.numberFormat, calc), u"7"_s);
        QCOMPARE(displayValue(t.grid, 2, 4, t.numberFormat, calc), u"14"_s);
    }

    void setFormulaToColumn_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(ui::Answer::Yes);
        QTest::newRow("no") << int(ui::Answer::No);
    }
    void setFormulaToColumn()
    {
        QFETCH(int, answer);
        const bool yes = answer == int(ui::Answer::Yes);
        GradeTable t;
        makeTable(t);
        Grid &g = t.grid;
        const QString formula = M + u"cell(?,2)+cell(?,3)"_s;
        for (int r = 1; r < g.Rows(); ++r) {
            g.setTextMatrix(r, 1, QString::number(20240100 + r));
            g.setTextMatrix(r, 2, QString::number(60 + r));
            g.setTextMatrix(r, 3, QString::number(70 + r));
            g.setTextMatrix(r, 4, QStringLiteral("旧%1").arg(r));
        }
        g.setTextMatrix(3, 4, formula);
        // The current cell is elsewhere; the command works on the end of the selection.
        g.setCurrent(1, 1);
        g.setRowSel(3);
        g.setColSel(4);
        const QStringList before = allCells(g);

        ScriptedPrompter p;
        p.expectQuestion(u"本操作将会覆盖第 4 列(备注)的所有数据，是否继续？"_s, ui::Answer(answer), u"提示"_s);
        QCOMPARE(menuSetGStoLine(t, p), yes);
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown.at(0).title, u"提示"_s);
        QCOMPARE(p.shown.at(0).buttons, ui::Buttons::YesNo);
        QCOMPARE(p.shown.at(0).icon, ui::Icon::Question);
        QCOMPARE(t.undoEnabled(), yes);
        if (!yes) {
            QCOMPARE(allCells(g), before);
            return;
        }
        QCOMPARE(g.TextMatrix(0, 4), u"备注"_s);
        Calculator calc;
        for (int r = 1; r < g.Rows(); ++r) {
            QCOMPARE(g.TextMatrix(r, 4), formula);
            QCOMPARE(displayValue(g, r, 4, t.numberFormat, calc), QString::number(130 + 2 * r));
            for (int c = 0; c < 4; ++c)
                QCOMPARE(g.TextMatrix(r, c), before.at(r * g.Cols() + c));
        }
        t.undo();
        QCOMPARE(allCells(g), before);
    }

    void setFormulaToColumnNamesTheColumn()
    {
        GradeTable t;
        makeTable(t);
        t.grid.setTextMatrix(2, 2, M + u"1"_s);
        t.grid.setCurrent(2, 2);
        ScriptedPrompter p;
        p.expectQuestion(u"本操作将会覆盖第 2 列(语文)的所有数据，是否继续？"_s, ui::Answer::Yes, u"提示"_s);
        QVERIFY(menuSetGStoLine(t, p));
        VERIFY_PROMPTS(p);
        QCOMPARE(column(t.grid, 2),
                 (QStringList{u"语文"_s, M + u"1"_s, M + u"1"_s, M + u"1"_s, M + u"1"_s, M + u"1"_s}));
    }

    void checkMarksBrokenFormulas()
    {
        GradeTable t;
        makeTable(t);
        Grid &g = t.grid;
        const QString good = M + u"cell(?,2)*2"_s;
        const QString broken = M + u"cell(?,2)+"_s;
        const QString self = M + u"cell(?,?)"_s;
        fill(g, {u"1,2=5"_s, u"1,3="_s + good, u"1,4="_s + broken, u"2,4="_s + self, u"3,2=缺考"_s, u"3,3="_s + good,
                 u"0,3="_s + broken, u"4,0="_s + broken, u"5,1=公式错误"_s});
        QVERIFY(!t.undoEnabled());
        Calculator calc;
        QVERIFY(menuCheckGS(t, calc));
        QVERIFY(t.undoEnabled());
        const QString mark = u"(公式错误)"_s;
        QCOMPARE(g.TextMatrix(1, 3), good);
        QCOMPARE(g.TextMatrix(1, 4), broken + mark);
        QCOMPARE(g.TextMatrix(2, 4), self);          // a reference error is not a formula error
        QCOMPARE(g.TextMatrix(3, 2), u"缺考"_s);     // plain text is never marked
        QCOMPARE(g.TextMatrix(3, 3), good + mark);   // the remark breaks it
        QCOMPARE(g.TextMatrix(0, 3), broken + mark); // fixed row included
        QCOMPARE(g.TextMatrix(4, 0), broken + mark); // fixed column included
        // A plain cell whose text is the error text reads as that error too.
        QCOMPARE(g.TextMatrix(5, 1), u"公式错误"_s + mark);

        QVERIFY(menuCheckGS(t, calc));
        QCOMPARE(g.TextMatrix(1, 4), broken + mark + mark);
        QCOMPARE(g.TextMatrix(3, 3), good + mark + mark);
        QCOMPARE(g.TextMatrix(1, 3), good);

        t.undo();
        QCOMPARE(g.TextMatrix(1, 4), broken + mark);
        QCOMPARE(g.TextMatrix(3, 3), good + mark);
    }

    void runAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << int(ui::Answer::Ok);
        QTest::newRow("cancel") << int(ui::Answer::Cancel);
    }
    void runAsksFirst()
    {
        QFETCH(int, answer);
        const bool ok = answer == int(ui::Answer::Ok);
        GradeTable t;
        makeTable(t);
        fill(t.grid, {u"1,2=80"_s, u"1,4=！公式：cell(?,2)/2"_s});
        const QStringList before = allCells(t.grid);
        ScriptedPrompter p;
        p.expectQuestion(kRunQuestion, ui::Answer(answer), u"提示"_s);
        Calculator calc;
        QCOMPARE(menuRun(t, p, calc), ok);
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown.at(0).buttons, ui::Buttons::OkCancel);
        QCOMPARE(p.shown.at(0).icon, ui::Icon::Question);
        QVERIFY(p.shown.at(0).text.startsWith(u"    本操作"_s));
        QCOMPARE(p.shown.at(0).text.count(QLatin1Char('\n')), 3);
        QCOMPARE(t.undoEnabled(), ok);
        QCOMPARE(t.grid.TextMatrix(1, 4), ok ? u"40"_s : M + u"cell(?,2)/2"_s);
        if (!ok)
            QCOMPARE(allCells(t.grid), before);
    }

    void runReplacesInRowOrder()
    {
        GradeTable t;
        makeTable(t);
        t.numberFormat = u"###.00"_s;
        Grid &g = t.grid;
        fill(g, {u"1,2=10"_s,
                 u"1,3=！公式：cell(1,2)*2"_s, // 20
                 u"1,4=！公式：cell(2,3)+1"_s, // refers to a formula of the next row
                 u"2,3=！公式：5*5"_s,
                 u"2,4=！公式：cell(1,3)+1"_s, // refers to one already replaced
                 u"3,1=！公式：cell(2,4)+1"_s, // refers to the end of the row above
                 u"2,2=！公式：cell(?,?)"_s, u"3,2=缺考"_s, u"3,3=！公式：cell(?,2)"_s, u"0,4=！公式：2*3"_s,
                 u"5,1=12.5"_s});
        const QStringList before = allCells(g);
        ScriptedPrompter p;
        p.expectQuestion(kRunQuestion, ui::Answer::Ok);
        Calculator calc;
        QVERIFY(menuRun(t, p, calc));
        VERIFY_PROMPTS(p);
        QCOMPARE(g.TextMatrix(1, 2), u"10"_s);
        QCOMPARE(g.TextMatrix(1, 3), u"20.00"_s);
        QCOMPARE(g.TextMatrix(1, 4), kError);
        QCOMPARE(g.TextMatrix(2, 3), u"25.00"_s);
        QCOMPARE(g.TextMatrix(2, 4), u"21.00"_s);
        QCOMPARE(g.TextMatrix(3, 1), u"22.00"_s);
        QCOMPARE(g.TextMatrix(2, 2), kRefError);
        QCOMPARE(g.TextMatrix(3, 2), u"缺考"_s);
        QCOMPARE(g.TextMatrix(3, 3), kError);
        QCOMPARE(g.TextMatrix(0, 4), u"6.00"_s);
        QCOMPARE(g.TextMatrix(5, 1), u"12.5"_s); // plain cells are not formatted
        for (const QString &cell : allCells(g))
            QVERIFY2(!isFormula(cell), qPrintable(cell));
        g.setCurrent(1, 3);
        QCOMPARE(resultLabel(g.TextMatrix(1, 3), g, t.numberFormat, calc), u"非公式单元格"_s);

        t.undo();
        for (int r = 1; r < g.Rows(); ++r)
            for (int c = 1; c < g.Cols(); ++c)
                QCOMPARE(g.TextMatrix(r, c), before.at(r * g.Cols() + c));
    }

    void evaluatedCopyLeavesTheTableAlone()
    {
        GradeTable t;
        makeTable(t);
        Grid &g = t.grid;
        fill(g, {u"1,2=80"_s, u"1,3=90"_s, u"1,4=！公式：cell(?,2)+cell(?,3)"_s, u"2,4=！公式：cell(1,4)/2"_s,
                 u"3,4=！公式：cell(?,9)"_s});
        t.snapshotForUndo();
        g.setTextMatrix(5, 1, u"snapshot"_s);
        t.settleChange();
        const int steps = t.history().stepCount();
        const QStringList before = allCells(g);
        Calculator calc;
        // A formula using another formula's result gets that result, as after 计算所有公式.
        const Grid values = evaluatedCopy(t, calc);
        QCOMPARE(values.TextMatrix(1, 4), u"170"_s);
        QCOMPARE(values.TextMatrix(2, 4), u"85"_s);
        QCOMPARE(values.TextMatrix(3, 4), kError);
        QCOMPARE(values.TextMatrix(1, 2), u"80"_s);
        QCOMPARE(displayValue(g, 2, 4, t.numberFormat, calc), kError); // the table itself still refers to a formula
        QCOMPARE(allCells(g), before);
        QCOMPARE(t.history().stepCount(), steps);
        QVERIFY(t.undoEnabled());
        QVERIFY(!t.isModified());
    }

    // A field inserted before 语文 keeps 总分 adding 语文 and 数学 (226, not 体育 + 语文 = 168);
    // once 数学 is removed the total is a formula error, never 语文 + the column after it.
    void totalsFollowTheirFields()
    {
        GradeTable t;
        makeTable(t);
        Grid &g = t.grid;
        fill(g, {u"1,2=110"_s, u"1,3=116"_s, u"1,4=！公式：cell(?,2)+cell(?,3)"_s});
        Calculator calc;
        QCOMPARE(displayValue(g, 1, 4, t.numberFormat, calc), u"226"_s);
        QVERIFY(table::insertColumn(g, 2));
        g.setTextMatrix(1, 2, u"58"_s);
        QCOMPARE(displayValue(g, 1, 5, t.numberFormat, calc), u"226"_s);
        QVERIFY(table::removeColumn(g, 4));
        QCOMPARE(displayValue(g, 1, 4, t.numberFormat, calc), kError);
        QCOMPARE(expandedValue(g, 1, 4, t.numberFormat, calc), kError);
    }

    void formulaCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("check adds the marker") << u"cell(?,2)+1"_s << true << M + u"cell(?,2)+1"_s;
        QTest::newRow("check keeps an existing marker") << M + u"1+1"_s << true << M + u"1+1"_s;
        QTest::newRow("uncheck removes the marker") << M + u"1+1"_s << false << u"1+1"_s;
        QTest::newRow("uncheck of plain text") << u"85"_s << false << u"85"_s;
        QTest::newRow("check of empty text") << QString() << true << M;
        QTest::newRow("uncheck of the bare marker") << M << false << QString();
        QTest::newRow("uncheck removes one marker") << M + M + u"1"_s << false << M + u"1"_s;
        QTest::newRow("marker after a space is not a marker") << u" "_s + M << true << M + u" "_s + M;
    }
    void formulaCheck()
    {
        QFETCH(QString, text);
        QFETCH(bool, checked);
        QFETCH(QString, expected);
        QCOMPARE(applyFormulaCheck(text, checked), expected);
    }

    void formulaBarLabel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("expected");
        const QString sum = M + u"cell(?,2)+cell(?,3)"_s;
        QTest::newRow("formula") << sum << sum << u"=170.5"_s;
        QTest::newRow("zero result") << M + u"0"_s << M + u"0"_s << u"="_s;
        QTest::newRow("error") << M + u"cell(?,?)"_s << M + u"cell(?,?)"_s << u"=引用错误"_s;
        // The value comes from the current cell, the text only decides whether there is one.
        QTest::newRow("value of the current cell") << M + u"1+1"_s << sum << u"=170.5"_s;
        QTest::newRow("plain text") << u"85"_s << sum << u"非公式单元格"_s;
        QTest::newRow("empty text") << QString() << QString() << u"非公式单元格"_s;
    }
    void formulaBarLabel()
    {
        QFETCH(QString, text);
        QFETCH(QString, cell);
        QFETCH(QString, expected);
        GradeTable t;
        makeTable(t);
        fill(t.grid, {u"4,2=80"_s, u"4,3=90.5"_s, u"4,4="_s + cell});
        t.grid.setCurrent(4, 4);
        Calculator calc;
        QCOMPARE(formula::resultLabel(text, t.grid, t.numberFormat, calc), expected);
    }
};

QTEST_GUILESS_MAIN(CellFormulaTest)
#include "tst_cell_formula.moc"
