// The formula editor's logic: the body of each operation for one cell, a row, a block, a reverse
// selection and the target's own row; the preview; the notice for formula cells; placing the
// formula; and the formula help's example.
#include "core/formula/calculate.h"
#include "core/formula/formula_editor.h"
#include "core/formula/formula_help.h"
#include "scripted_prompter.h"

#include <QTest>

using namespace formula;

namespace {
// 5 rows × 7 columns; data cell (r, c) holds r × 10 + c.
table::GradeTable makeTable()
{
    table::GradeTable t;
    table::Grid &g = t.grid;
    g.setRows(6);
    g.setCols(7);
    t.rebuildHeader();
    for (int r = 1; r < 6; ++r)
        for (int c = 1; c < 7; ++c)
            g.setTextMatrix(r, c, QString::number(r * 10 + c));
    return t;
}
} // namespace

class FormulaEditorTest : public QObject {
    Q_OBJECT
private slots:
    void bodies_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QList<int>>("selection"); // anchor row, col, end row, col
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("value");
        // The target is cell (5, 6) throughout.
        const QList<int> one{2, 2, 2, 2}, row{3, 2, 3, 4}, block{1, 1, 2, 2}, reverse{2, 2, 1, 1}, own{5, 2, 5, 4};
        const auto S = [](const char *s) { return QString::fromUtf8(s); };
        QTest::newRow("sum, one cell") << 0 << one << S("cell(2,2)") << S("22");
        QTest::newRow("sum, row") << 0 << row << S("cell(3,2)+cell(3,3)+cell(3,4)") << S("99");
        QTest::newRow("sum, block") << 0 << block << S("cell(1,1)+cell(1,2)+cell(2,1)+cell(2,2)") << S("66");
        QTest::newRow("sum, reverse") << 0 << reverse << S("cell(2,2)+cell(2,1)+cell(1,2)+cell(1,1)") << S("66");
        QTest::newRow("sum, own row") << 0 << own << S("cell(?,2)+cell(?,3)+cell(?,4)") << S("159");
        QTest::newRow("difference, one cell") << 1 << one << S("cell(2,2)") << S("22");
        QTest::newRow("difference, row") << 1 << row << S("cell(3,2)-cell(3,3)-cell(3,4)") << S("-35");
        QTest::newRow("difference, reverse")
            << 1 << reverse << S("cell(2,2)-cell(2,1)-cell(1,2)-cell(1,1)") << S("-22");
        QTest::newRow("product, row") << 2 << row << S("cell(3,2)*cell(3,3)*cell(3,4)") << S("35904");
        QTest::newRow("product, own row") << 2 << own << S("cell(?,2)*cell(?,3)*cell(?,4)") << S("148824");
        QTest::newRow("average, one cell") << 3 << one << S("(cell(2,2))/1") << S("22");
        QTest::newRow("average, own row") << 3 << own << S("(cell(?,2)+cell(?,3)+cell(?,4))/3") << S("53");
        QTest::newRow("average, block") << 3 << block << S("(cell(1,1)+cell(1,2)+cell(2,1)+cell(2,2))/4") << S("16.5");
        QTest::newRow("variance, one cell") << 4 << one << S("(1/1)*(cell(2,2)^2-1*((cell(2,2))/1)^2)") << S("");
        QTest::newRow("variance, row")
            << 4 << row << S("(1/3)*(cell(3,2)^2+cell(3,3)^2+cell(3,4)^2-3*((cell(3,2)+cell(3,3)+cell(3,4))/3)^2)")
            << S(".67");
        QTest::newRow("stddev, block")
            << 5 << block
            << S("sr((1/4)*(cell(1,1)^2+cell(1,2)^2+cell(2,1)^2+cell(2,2)^2-4*((cell(1,1)+cell(1,2)+cell(2,1)+"
                 "cell(2,2))/4)^2))")
            << S("5.02");
        QTest::newRow("stddev, reverse own column")
            << 5 << QList<int>{2, 6, 1, 6} << S("sr((1/2)*(cell(2,?)^2+cell(1,?)^2-2*((cell(2,?)+cell(1,?))/2)^2))")
            << S("5");
        QTest::newRow("the target itself") << 0 << QList<int>{5, 6, 5, 6} << S("cell(?,?)") << S("56");
    }
    void bodies()
    {
        QFETCH(int, op);
        QFETCH(QList<int>, selection);
        QFETCH(QString, body);
        QFETCH(QString, value);
        table::GradeTable t = makeTable();
        t.grid.setCurrent(5, 6);
        Calculator calc;
        FormulaEditor editor(t, calc);
        QCOMPARE(editor.targetText(), QStringLiteral("行:5列:6"));
        editor.setSelection(selection[0], selection[1], selection[2], selection[3]);
        editor.setOperation(static_cast<Operation>(op));
        QCOMPARE(editor.body(), body);
        QCOMPARE(editor.preview(), value);
        QVERIFY(editor.acceptable());
    }

    void operationsByName()
    {
        QCOMPARE(operationFromName(QStringLiteral("stddev")), Operation::StandardDeviation);
        QCOMPARE(operationFromName(QStringLiteral("求乘积")), Operation::Product);
        QVERIFY(!operationFromName(QStringLiteral("mean")));
    }

    void hugeSelectionGivesNoBody()
    {
        QVERIFY(selectionReferences(1, 1, 1000, 3, 0, 0).isEmpty());
        QCOMPARE(selectionReferences(1, 1, 1000, 2, 0, 0).size(), 2000);
    }

    void formulaCellIsToldOncePerBody()
    {
        table::GradeTable t = makeTable();
        t.grid.setTextMatrix(2, 3, QStringLiteral("！公式：cell(?,1)*2"));
        t.grid.setCurrent(4, 4);
        Calculator calc;
        FormulaEditor editor(t, calc);
        ScriptedPrompter p;
        p.expectMessage(QStringLiteral("公式中不可以引用已经包含公式的单元格！"));
        p.expectMessage(QStringLiteral("公式中不可以引用已经包含公式的单元格！"));
        editor.setSelection(2, 2, 2, 3);
        QVERIFY(editor.refersToFormula());
        QVERIFY(!editor.acceptable());
        QCOMPARE(editor.preview(), QStringLiteral("公式错误"));
        QVERIFY(editor.warnIfDue(p));
        QVERIFY(!editor.warnIfDue(p)); // the same formula again: told already
        editor.setOperation(Operation::Product);
        QVERIFY(editor.warnIfDue(p));
        editor.setSelection(2, 1, 2, 2);
        QVERIFY(editor.acceptable());
        QVERIFY(!editor.warnIfDue(p));
        VERIFY_PROMPTS(p);
    }

    void otherFailuresPreviewFormulaError()
    {
        table::GradeTable t = makeTable();
        t.grid.setTextMatrix(1, 1, QStringLiteral("缺考"));
        t.grid.setCurrent(3, 3);
        Calculator calc;
        FormulaEditor editor(t, calc);
        editor.setBody(QStringLiteral("cell(1,1)+1"));
        QCOMPARE(editor.preview(), QStringLiteral("公式错误"));
        QVERIFY(!editor.refersToFormula());
        QVERIFY(editor.acceptable());
        editor.setBody(QStringLiteral("cell(99,1)"));
        QCOMPARE(editor.preview(), QStringLiteral("公式错误"));
        QVERIFY(editor.acceptable());
    }

    void previewReadsTheCopyAndUsesTheDataFormat()
    {
        table::GradeTable t = makeTable();
        t.numberFormat = QStringLiteral("###.000");
        t.grid.setCurrent(2, 5);
        Calculator calc;
        FormulaEditor editor(t, calc);
        editor.grid.setTextMatrix(2, 1, QStringLiteral("0.5"));
        editor.setBody(QStringLiteral("CELL(?,1)*2"));
        QCOMPARE(editor.preview(), QStringLiteral("1.000"));
        QCOMPARE(t.grid.TextMatrix(2, 1), QStringLiteral("21"));
    }

    void placingTheFormula()
    {
        table::GradeTable t = makeTable();
        t.grid.setCurrent(3, 6);
        Calculator calc;
        FormulaEditor editor(t, calc);
        QVERIFY(!editor.acceptable()); // nothing selected yet
        editor.setSelection(3, 1, 3, 2);
        QVERIFY(editor.apply(t));
        QCOMPARE(t.grid.TextMatrix(3, 6), QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
        QVERIFY(t.isModified());
        t.undo();
        QCOMPARE(t.grid.TextMatrix(3, 6), QStringLiteral("36"));
    }

    void theRowNumberColumnIsRefused_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("refused");
        QTest::newRow("column 0") << 2 << 0 << true;
        QTest::newRow("header row") << 0 << 2 << true;
        QTest::newRow("data cell") << 1 << 1 << false;
    }
    void theRowNumberColumnIsRefused()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(bool, refused);
        table::GradeTable t = makeTable();
        t.grid.setCurrent(row, col);
        const std::optional<QString> refusal = FormulaEditor::refusal(t);
        QCOMPARE(refusal.has_value(), refused);
        if (refused)
            QCOMPARE(*refusal, QStringLiteral("请先选定要放置公式的单元格！"));
    }

    void helpExampleGives5_25()
    {
        Calculator calc;
        QCOMPARE(calc.Calculate(help::kExample), QStringLiteral("5.25"));
    }

    void helpCalculatorShowsResults_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<int>("base");
        QTest::addColumn<QString>("shown");
        const int dec = int(CalcOptions::Base::Dec), bin = int(CalcOptions::Base::Bin);
        QTest::newRow("cos(60)") << QStringLiteral("cos(60)") << dec << QStringLiteral("0.5");
        QTest::newRow("tan(45)") << QStringLiteral("tan(45)") << dec << QStringLiteral("1");
        QTest::newRow("sin(30)") << QStringLiteral("sin(30)") << dec << QStringLiteral("0.5");
        QTest::newRow("1/3") << QStringLiteral("1/3") << dec << QStringLiteral("0.33333333333333");
        QTest::newRow("small") << QStringLiteral("1/300000") << dec << QStringLiteral("3.3333333333333E-06");
        QTest::newRow("whole number kept")
            << QStringLiteral("123456789012345") << dec << QStringLiteral("123456789012345");
        QTest::newRow("error") << QStringLiteral("2+3)") << dec << QStringLiteral("公式错误");
        QTest::newRow("binary") << QStringLiteral("32767") << bin << QStringLiteral("111111111111111");
    }
    void helpCalculatorShowsResults()
    {
        QFETCH(QString, expression);
        QFETCH(int, base);
        QFETCH(QString, shown);
        Calculator calc;
        calc.options.base = CalcOptions::Base(base);
        QCOMPARE(help::shownResult(calc.Calculate(expression), calc.options.base == CalcOptions::Base::Dec), shown);
    }

    void helpNoteSaysResultsShowAtOnce()
    {
        QVERIFY(!help::kNote.contains(QStringLiteral("无法立即")));
        QVERIFY(help::kNote.contains(QStringLiteral("立即显示")));
    }
};

QTEST_GUILESS_MAIN(FormulaEditorTest)
#include "tst_formula_editor.moc"
