// Inserting, removing and renaming fields, the field manager, and undo after each.
#include "core/table/fields.h"
#include "core/table/formula_refs.h"
#include "scripted_prompter.h"

#include <QTest>

using namespace table;

namespace {
QStringList L(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list << QString::fromUtf8(item);
    return list;
}

// A table of `rows` − 1 students under the given fields; cell (r, c) holds "r,c".
GradeTable makeTable(const QStringList &fields, int rows = 3)
{
    GradeTable t;
    Grid &g = t.grid;
    g.setRows(rows);
    g.setCols(static_cast<int>(fields.size()) + 1);
    for (int c = 1; c < g.Cols(); ++c)
        g.setTextMatrix(0, c, fields[c - 1]);
    t.rebuildHeader();
    for (int r = 1; r < rows; ++r)
        for (int c = 1; c < g.Cols(); ++c)
            g.setTextMatrix(r, c, QStringLiteral("%1,%2").arg(r).arg(c));
    return t;
}

QStringList headerNames(const Grid &g)
{
    QStringList names;
    for (int c = 1; c < g.Cols(); ++c)
        names << g.TextMatrix(0, c);
    return names;
}

QStringList row(const Grid &g, int r)
{
    QStringList cells;
    for (int c = 1; c < g.Cols(); ++c)
        cells << g.TextMatrix(r, c);
    return cells;
}

const QString kAskName = QStringLiteral("请输入新的字段名称：");
} // namespace

class FieldsTest : public QObject {
    Q_OBJECT
private slots:
    void insertColumn_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("answer"); // null: cancelled
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("row1");
        QTest::addColumn<QString>("format");
        const QStringList abc{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        QTest::newRow("middle, named") << 2 << QStringLiteral("新") << L({"A", "新", "B", "C"})
                                       << L({"1,1", "", "1,2", "1,3"}) << QStringLiteral("  |A|新|B|C");
        QTest::newRow("column 0 goes before field 1")
            << 0 << QStringLiteral("学号") << L({"学号", "A", "B", "C"}) << L({"", "1,1", "1,2", "1,3"})
            << QStringLiteral("  |学号|A|B|C");
        QTest::newRow("last column") << 3 << QStringLiteral(" x ") << L({"A", "B", " x ", "C"})
                                     << L({"1,1", "1,2", "", "1,3"}) << QStringLiteral("  |A|B| x |C");
    }
    void insertColumn()
    {
        QFETCH(int, current);
        QFETCH(QString, answer);
        QFETCH(QStringList, names);
        QFETCH(QStringList, row1);
        QFETCH(QString, format);
        GradeTable t = makeTable({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        t.grid.setCurrent(1, current);
        ScriptedPrompter p;
        p.expectInput(kAskName, answer.isNull() ? std::nullopt : std::optional<QString>(answer),
                      QStringLiteral("字段名称"));
        QVERIFY(askInsertField(t, p));
        VERIFY_PROMPTS(p);
        QCOMPARE(headerNames(t.grid), names);
        QCOMPARE(row(t.grid, 1), row1);
        QCOMPARE(t.grid.FormatString(), format);
        QCOMPARE(t.grid.TextMatrix(1, 0), QStringLiteral("1"));
        QVERIFY(t.isModified());
        QVERIFY(t.undoEnabled());
    }

    // Cancelling the name cancels the insert.
    void cancelledInsertChangesNothing()
    {
        GradeTable t = makeTable({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        t.grid.setCurrent(1, 2);
        ScriptedPrompter p;
        p.expectInput(kAskName, std::nullopt, QStringLiteral("字段名称"));
        QVERIFY(!askInsertField(t, p));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  |A|B|C"));
        QCOMPARE(row(t.grid, 1), L({"1,1", "1,2", "1,3"}));
        QVERIFY(!t.isModified());
        QVERIFY(!t.undoEnabled());
    }

    // One undo takes back the insert and the name given with it.
    void undoAfterInsertRestoresEverything()
    {
        GradeTable t = makeTable({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        t.grid.setCurrent(1, 2);
        ScriptedPrompter p;
        p.expectInput(kAskName, QStringLiteral("新"));
        QVERIFY(askInsertField(t, p));
        t.undo();
        QCOMPARE(headerNames(t.grid), L({"A", "B", "C"}));
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  |A|B|C"));
        QCOMPARE(row(t.grid, 2), L({"2,1", "2,2", "2,3"}));
    }

    void removeColumn()
    {
        GradeTable t = makeTable({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        t.grid.setCurrent(2, 2);
        ScriptedPrompter p;
        p.expectQuestion(QStringLiteral("确实删除项目：“B” 么？"), ui::Answer::No, QStringLiteral("确认删除"));
        QVERIFY(!askRemoveField(t, p));
        QVERIFY(!t.isModified());
        p.expectQuestion(QStringLiteral("确实删除项目：“B” 么？"), ui::Answer::Yes);
        QVERIFY(askRemoveField(t, p));
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown[0].defaultAnswer, ui::Answer::No);
        QCOMPARE(headerNames(t.grid), L({"A", "C"}));
        QCOMPARE(row(t.grid, 2), L({"2,1", "2,3"}));
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  |A|C"));
        t.undo();
        QCOMPARE(headerNames(t.grid), L({"A", "B", "C"}));
        QCOMPARE(row(t.grid, 2), L({"2,1", "2,2", "2,3"}));
    }

    void removingTheOnlyFieldLeavesTheRowNumbers()
    {
        GradeTable t = makeTable({QStringLiteral("A")});
        t.grid.setCurrent(1, 1);
        for (int r = 1; r < 3; ++r) // an empty column is removed without a question
            t.grid.setTextMatrix(r, 1, QStringLiteral(" "));
        ScriptedPrompter p;
        QVERIFY(askRemoveField(t, p));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.grid.Cols(), 1);
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  "));
    }

    void columnZeroIsRefused_data()
    {
        QTest::addColumn<bool>("rename");
        QTest::newRow("remove") << false;
        QTest::newRow("rename") << true;
    }
    void columnZeroIsRefused()
    {
        QFETCH(bool, rename);
        GradeTable t = makeTable({QStringLiteral("A"), QStringLiteral("B")});
        t.grid.setCol(0); // as right after loading
        ScriptedPrompter p;
        p.expectMessage(QStringLiteral("请先选定要操作的列！"), QStringLiteral("提示"));
        QVERIFY(!(rename ? askRenameField(t, p) : askRemoveField(t, p)));
        VERIFY_PROMPTS(p);
        QCOMPARE(headerNames(t.grid), L({"A", "B"}));
        QVERIFY(!t.isModified());
        QVERIFY(!t.undoEnabled());
    }

    void renameKeepsBlanksAndRefusesSeparators()
    {
        GradeTable t = makeTable({QStringLiteral(" 语文 "), QStringLiteral("B")});
        t.grid.setCurrent(1, 1);
        ScriptedPrompter p;
        // The preset is trimmed; a name that would split the header is refused and asked again.
        p.expectInput(kAskName, QStringLiteral("a|b"), QStringLiteral("字段名称"));
        p.expectMessage(QStringLiteral("字段名称中不能包含“|”或换行。"), QStringLiteral("提示"));
        p.expectInput(kAskName, QStringLiteral("x\ny"));
        p.expectMessage(QStringLiteral("字段名称中不能包含“|”或换行。"));
        p.expectInput(kAskName, QStringLiteral("  数学"));
        QVERIFY(askRenameField(t, p));
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown[0].text, kAskName);
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  |  数学|B"));
        QCOMPARE(t.grid.TextMatrix(1, 1), QStringLiteral("1,1"));
    }

    void emptyRenameChangesNothing()
    {
        GradeTable t = makeTable({QStringLiteral("A")});
        t.grid.setCurrent(1, 1);
        ScriptedPrompter p;
        p.expectInput(kAskName, QString());
        QVERIFY(!askRenameField(t, p));
        QVERIFY(!t.undoEnabled());
        QVERIFY(!t.isModified());
    }

    // --- formulas follow their columns -----------------------------------------------------------

    void remapColumns_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("insert"); // else remove
        QTest::addColumn<int>("at");      // in a grid of 5 columns
        QTest::addColumn<QString>("expected");
        QTest::newRow("own row, insert before") << "cell(?,1)+cell(?,2)" << true << 1 << "cell(?,2)+cell(?,3)";
        QTest::newRow("insert between") << "cell(?,1)+cell(?,2)" << true << 2 << "cell(?,1)+cell(?,3)";
        QTest::newRow("own column stays") << "cell(1,?)*cell(?,?)" << true << 1 << "cell(1,?)*cell(?,?)";
        QTest::newRow("row numbers stay") << "cell(2,0)+cell(?,4)" << true << 1 << "cell(2,0)+cell(?,5)";
        QTest::newRow("spaces and case") << "CELL( 2 , 3 )/Cell(2,1)" << true << 2 << "CELL( 2 ,4)/Cell(2,1)";
        QTest::newRow("outside stays outside") << "cell(1,5)+cell(1,-1)" << true << 1 << "cell(1,6)+cell(1,-1)";
        QTest::newRow("remove shifts left") << "cell(?,3)-cell(?,1)" << false << 2 << "cell(?,2)-cell(?,1)";
        QTest::newRow("removed is outside") << "max(cell(1,2),cell(2,3))" << false << 2 << "max(cell(1,-1),cell(2,2))";
        QTest::newRow("outside after removal") << "cell(1,5)" << false << 1 << "cell(1,4)";
        QTest::newRow("malformed rest kept") << "cell(1,2)+cell(1" << true << 1 << "cell(1,3)+cell(1";
        QTest::newRow("no references") << "1+2" << false << 1 << "1+2";
    }
    void remapColumns()
    {
        QFETCH(QString, body);
        QFETCH(bool, insert);
        QFETCH(int, at);
        QFETCH(QString, expected);
        const refs::ColumnMap map = insert ? refs::ColumnMap::inserted(5, at) : refs::ColumnMap::removed(5, at);
        QCOMPARE(refs::remapColumns(body, map), expected);
    }

    // 总分 adds 语文 and 数学 in every row; a new field before 语文 leaves it adding them.
    void insertedFieldKeepsFormulasOnTheirColumns()
    {
        GradeTable t = makeTable({QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("总分")});
        for (int r = 1; r < 3; ++r)
            t.grid.setTextMatrix(r, 3, QStringLiteral("！公式：cell(?,1)+cell(?,2)+cell(1,3)"));
        t.grid.setCurrent(1, 1);
        ScriptedPrompter p;
        p.expectInput(kAskName, QStringLiteral("体育"));
        QVERIFY(askInsertField(t, p));
        QCOMPARE(t.grid.TextMatrix(2, 4), QStringLiteral("！公式：cell(?,2)+cell(?,3)+cell(1,4)"));
        t.undo();
        QCOMPARE(t.grid.TextMatrix(2, 3), QStringLiteral("！公式：cell(?,1)+cell(?,2)+cell(1,3)"));
    }

    // Removing a column that formulas use asks first; Yes leaves them pointing outside the grid.
    void removingAUsedColumnAsks_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }
    void removingAUsedColumnAsks()
    {
        QFETCH(bool, yes);
        const ui::Answer answer = yes ? ui::Answer::Yes : ui::Answer::No;
        GradeTable t = makeTable({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        for (int r = 1; r < 3; ++r)
            t.grid.setTextMatrix(r, 3, QStringLiteral("！公式：cell(?,1)*cell(?,2)"));
        t.grid.setTextMatrix(1, 2, QStringLiteral("！公式：cell(?,1)")); // in B itself: removed with it
        t.grid.setCurrent(1, 1);
        QCOMPARE(formulasReferringTo(t.grid, 1), 3);
        QCOMPARE(formulasReferringTo(t.grid, 2), 2);
        t.grid.setCurrent(1, 2);
        ScriptedPrompter p;
        p.expectQuestion(QStringLiteral("确实删除项目：“B” 么？"), ui::Answer::Yes);
        p.expectQuestion(QStringLiteral("有 2 个公式引用了该列，删除后这些公式将显示“公式错误”。是否继续？"), answer,
                         QStringLiteral("提示"));
        QCOMPARE(askRemoveField(t, p), answer == ui::Answer::Yes);
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown[1].defaultAnswer, ui::Answer::No);
        if (answer == ui::Answer::No) {
            QCOMPARE(t.grid.Cols(), 4);
            QVERIFY(!t.isModified());
            return;
        }
        QCOMPARE(t.grid.TextMatrix(1, 2), QStringLiteral("！公式：cell(?,1)*cell(?,-1)"));
        t.undo();
        QCOMPARE(t.grid.TextMatrix(1, 3), QStringLiteral("！公式：cell(?,1)*cell(?,2)"));
        QCOMPARE(t.grid.TextMatrix(1, 2), QStringLiteral("！公式：cell(?,1)"));
    }

    // --- field manager ---------------------------------------------------------------------------

    void managerFillsFromTheHeader()
    {
        GradeTable t = makeTable({QStringLiteral(" A "), QStringLiteral("B")});
        FieldManager m(t.grid);
        QCOMPARE(m.items, L({"A", "B"}));
        QCOMPARE(m.selected, 1);
        // The names are those of the header cells, also where the header text says less.
        t.grid.setFormatString(QStringLiteral("  |X"));
        QCOMPARE(FieldManager(t.grid).items, L({"X", "B"}));
    }

    void deletingTheMiddleFieldRemovesItsColumn()
    {
        GradeTable t = makeTable({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        FieldManager m(t.grid);
        m.selected = 1;
        ScriptedPrompter p;
        p.expectQuestion(QStringLiteral("确实删除项目：“B” 么？"), ui::Answer::Yes, QStringLiteral("确认删除"));
        m.remove(p);
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown[0].defaultAnswer, ui::Answer::No);
        QVERIFY(ui::report(p, m.apply(t)));
        QCOMPARE(headerNames(t.grid), L({"A", "C"}));
        QCOMPARE(t.grid.FormatString(), QStringLiteral("   |A|C"));
        QCOMPARE(row(t.grid, 1), L({"1,1", "1,3"}));
        QVERIFY(t.isModified());
        t.undo();
        QCOMPARE(headerNames(t.grid), L({"A", "B", "C"}));
    }

    void managerButtons()
    {
        GradeTable t = makeTable({QStringLiteral("A")});
        FieldManager m(t.grid);
        ScriptedPrompter p;
        p.expectInput(QStringLiteral("请输入一个新的项目名称："), QStringLiteral("B"), QStringLiteral("插入项目"));
        p.expectInput(QStringLiteral("请输入一个新的项目名称："), QString()); // empty adds nothing
        p.expectInput(QStringLiteral("请输入一个新的项目名称："), QStringLiteral("C2"), QStringLiteral("项目重命名"));
        p.expectQuestion(QStringLiteral("确实要删除所有项目？"), ui::Answer::No, QStringLiteral("确认删除"));
        // Inserted before the selected entry, which stays selected.
        m.insert(p);
        m.insert(p);
        QCOMPARE(m.items, L({"B", "A"}));
        QCOMPARE(m.selected, 1);
        m.rename(p);
        QCOMPARE(m.items, L({"B", "C2"}));
        m.clear(p);
        QCOMPARE(m.items.size(), 2);
        VERIFY_PROMPTS(p);
        // The new entry is a new empty column in its place; A's cells move with it.
        QVERIFY(ui::report(p, m.apply(t)));
        QCOMPARE(headerNames(t.grid), L({"B", "C2"}));
        QCOMPARE(row(t.grid, 1), L({"", "1,1"}));
    }

    // The manager moves columns with their entries, and the formulas with them.
    void managerMovesFormulasWithTheirColumns()
    {
        GradeTable t = makeTable({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        t.grid.setTextMatrix(1, 3, QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
        FieldManager m(t.grid);
        ScriptedPrompter p;
        m.selected = 0;
        p.expectInput(QStringLiteral("请输入一个新的项目名称："), QStringLiteral("新"));
        m.insert(p);
        m.selected = 2; // B
        p.expectQuestion(QStringLiteral("确实删除项目：“B” 么？"), ui::Answer::Yes);
        p.expectQuestion(QStringLiteral("有 1 个公式引用了该列，删除后这些公式将显示“公式错误”。是否继续？"),
                         ui::Answer::Yes);
        m.remove(p);
        VERIFY_PROMPTS(p);
        QVERIFY(ui::report(p, m.apply(t)));
        QCOMPARE(headerNames(t.grid), L({"新", "A", "C"}));
        QCOMPARE(row(t.grid, 2), L({"", "2,1", "2,3"}));
        QCOMPARE(t.grid.TextMatrix(1, 3), QStringLiteral("！公式：cell(?,2)+cell(?,-1)"));
        t.undo();
        QCOMPARE(t.grid.TextMatrix(1, 3), QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
    }

    void managerNeedsASelection_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("delete") << 0 << QStringLiteral("请先选择要删除的项目。");
        QTest::newRow("clear") << 1 << QStringLiteral("请先选择要删除的项目。");
        QTest::newRow("rename") << 2 << QStringLiteral("请先选定要改名的项目！");
    }
    void managerNeedsASelection()
    {
        QFETCH(int, button);
        QFETCH(QString, message);
        GradeTable t = makeTable({QStringLiteral("A")});
        FieldManager m(t.grid);
        m.selected = -1;
        ScriptedPrompter p;
        p.expectMessage(message, QStringLiteral("提示"));
        if (button == 0)
            m.remove(p);
        else if (button == 1)
            m.clear(p);
        else
            m.rename(p);
        VERIFY_PROMPTS(p);
        QCOMPARE(m.items, QStringList{QStringLiteral("A")});
    }

    void tooManyColumnsAreRefused()
    {
        GradeTable t = makeTable({QStringLiteral("A")}, 2);
        FieldManager m(t.grid);
        for (int i = 0; i < Grid::kMaxCount; ++i)
            m.items << QStringLiteral("x");
        ScriptedPrompter p;
        p.expectMessage(QStringLiteral("表格过大，无法完成该操作。"));
        QVERIFY(!ui::report(p, m.apply(t)));
        QCOMPARE(t.grid.Cols(), 2);
        QVERIFY(!t.isModified());
    }
};

QTEST_GUILESS_MAIN(FieldsTest)
#include "tst_fields.moc"
