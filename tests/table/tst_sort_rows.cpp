// The row sort: what counts as a number, the order of numbers, texts and empty cells in both
// directions, stability, renumbering and positions, undo; and the sort dialog's state and guard.
#include "scripted_prompter.h"

#include "core/table/sort_rows.h"

#include <QtTest>

using namespace table;

namespace {

// Rows "value/id": the sort key and a tag that shows where the row went.
GradeTable makeTable(const QStringList &rows)
{
    GradeTable t;
    Grid &g = t.grid;
    g.setCols(4);
    g.setRows(static_cast<int>(rows.size()) + 1);
    g.setTextMatrix(0, 1, QStringLiteral("成绩"));
    g.setTextMatrix(0, 2, QStringLiteral("标记"));
    g.setTextMatrix(0, 3, QStringLiteral("名次"));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList parts = rows[r].split(QLatin1Char('/'));
        g.setTextMatrix(r + 1, 1, parts.value(0));
        g.setTextMatrix(r + 1, 2, parts.value(1));
    }
    t.rebuildHeader();
    return t;
}

QStringList column(const Grid &g, int col)
{
    QStringList cells;
    for (int r = 1; r < g.Rows(); ++r)
        cells << g.TextMatrix(r, col);
    return cells;
}

QStringList words(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '));
}

QStringList keysOf(const Grid &g, int col)
{
    QStringList keys;
    for (int r = 0; r < g.Rows(); ++r)
        keys << g.TextMatrix(r, col);
    return keys;
}

} // namespace

class TestSortRows : public QObject {
    Q_OBJECT

private slots:
    void numbers_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << QStringLiteral("85") << true << 85.0;
        QTest::newRow("negative") << QStringLiteral("-3") << true << -3.0;
        QTest::newRow("plus") << QStringLiteral("+5") << true << 5.0;
        QTest::newRow("decimal") << QStringLiteral("85.5") << true << 85.5;
        QTest::newRow("trailing point") << QStringLiteral("85.") << true << 85.0;
        QTest::newRow("leading point") << QStringLiteral(".5") << true << 0.5;
        QTest::newRow("blanks around") << QStringLiteral(" 7 ") << true << 7.0;
        QTest::newRow("leading zero") << QStringLiteral("085") << true << 85.0;
        QTest::newRow("negative fraction") << QStringLiteral("-0.125") << true << -0.125;
        QTest::newRow("fifteen digits") << QStringLiteral("1234567.12345678") << true << 1234567.12345678;
        QTest::newRow("more digits than fit") << QStringLiteral("123456789012345678.5") << true << 123456789012345678.5;
        QTest::newRow("point alone") << QStringLiteral(".") << false << 0.0;
        QTest::newRow("sign alone") << QStringLiteral("-") << false << 0.0;
        QTest::newRow("exponent") << QStringLiteral("1e3") << false << 0.0;
        QTest::newRow("two points") << QStringLiteral("1.2.3") << false << 0.0;
        QTest::newRow("grouping") << QStringLiteral("1,000") << false << 0.0;
        QTest::newRow("two signs") << QStringLiteral("--1") << false << 0.0;
        QTest::newRow("full-width digit") << QStringLiteral("８５") << false << 0.0;
        QTest::newRow("text") << QStringLiteral("缺考") << false << 0.0;
        QTest::newRow("inner blank") << QStringLiteral("8 5") << false << 0.0;
    }
    void numbers()
    {
        QFETCH(QString, key);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::optional<double> n = sortNumber(key);
        QCOMPARE(n.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*n, value);
    }

    void order_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("tags");
        const QStringList numeric{QStringLiteral("9/a"), QStringLiteral("10/b"), QStringLiteral("2/c")};
        QTest::newRow("numbers, not texts") << numeric << true << words("c a b");
        QTest::newRow("numbers descending") << numeric << false << words("b a c");
        const QStringList mixed{QStringLiteral("85/a"),  QStringLiteral("缺考/b"), QStringLiteral("60/c"),
                                QStringLiteral("/d"),    QStringLiteral("92/e"),   QStringLiteral("  /f"),
                                QStringLiteral("病假/g")};
        QTest::newRow("absent among scores") << mixed << true << words("c a e g b d f");
        QTest::newRow("absent among scores, descending") << mixed << false << words("e a c b g d f");
        const QStringList names{QStringLiteral("张三/a"), QStringLiteral("李四/b"), QStringLiteral("王五/c"),
                                QStringLiteral("赵六/d"), QStringLiteral("阿明/e")};
        QTest::newRow("pinyin") << names << true << words("e b c a d");
        QTest::newRow("pinyin descending") << names << false << words("d a c b e");
        const QStringList ties{QStringLiteral("90/a"),  QStringLiteral("85/b"),   QStringLiteral("90/c"),
                               QStringLiteral("85./d"), QStringLiteral("缺考/e"), QStringLiteral("缺考/f")};
        QTest::newRow("stable ascending") << ties << true << words("b d a c e f");
        QTest::newRow("stable descending") << ties << false << words("a c b d e f");
        QTest::newRow("negative and fractions") << QStringList{QStringLiteral("-3/a"), QStringLiteral(".5/b"),
                                                               QStringLiteral("+5/c"), QStringLiteral("0/d")}
                                                << true << words("a d b c");
        QTest::newRow("one row") << QStringList{QStringLiteral("x/a")} << false << words("a");
    }
    void order()
    {
        QFETCH(QStringList, rows);
        QFETCH(bool, ascending);
        QFETCH(QStringList, tags);
        GradeTable t = makeTable(rows);
        QVERIFY(sortTable(t, {1, ascending, -1}, keysOf(t.grid, 1)));
        QCOMPARE(column(t.grid, 2), tags);
    }

    void positionsAndRenumbering()
    {
        GradeTable t = makeTable(
            {QStringLiteral("85/a"), QStringLiteral("92/b"), QStringLiteral("85/c"), QStringLiteral("缺考/d")});
        Grid &g = t.grid;
        g.setTextMatrix(1, 0, QStringLiteral("x"));
        g.setCellForeColor(1, 2, qRgb(255, 0, 0)); // a mark travels with its row
        QVERIFY(sortTable(t, {1, false, 3}, keysOf(g, 1)));
        QCOMPARE(column(g, 2), words("b a c d"));
        QCOMPARE(column(g, 3), words("1 2 3 4"));
        QCOMPARE(column(g, 0), words("1 2 3 4"));
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("成绩"));
        QCOMPARE(g.cellForeColor(2, 2), qRgb(255, 0, 0));
        QCOMPARE(g.Col(), 1);
        QVERIFY(t.undoEnabled());
        QVERIFY(t.isModified());
        t.undo();
        QCOMPARE(column(g, 2), words("a b c d"));
        QCOMPARE(column(g, 3), QStringList(4, QString()));
    }

    // Shared ranks: equal values (85 and 85.0, equal texts, empty cells) share one and the next
    // skips; by default the positions stay 1, 2, 3 …
    void sharedRanks_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("tags");
        QTest::addColumn<QStringList>("ranks");
        QTest::newRow("shared, descending") << true << false << words("b a c e d g f h") << words("1 2 2 2 5 5 7 7");
        QTest::newRow("shared, ascending") << true << true << words("a c e b d g f h") << words("1 1 1 4 5 5 7 7");
        QTest::newRow("consecutive") << false << false << words("b a c e d g f h") << words("1 2 3 4 5 6 7 8");
    }
    void sharedRanks()
    {
        QFETCH(bool, shared);
        QFETCH(bool, ascending);
        QFETCH(QStringList, tags);
        QFETCH(QStringList, ranks);
        GradeTable t = makeTable({QStringLiteral("85/a"), QStringLiteral("92/b"), QStringLiteral(" 85/c"),
                                  QStringLiteral("缺考/d"), QStringLiteral("85.0/e"), QStringLiteral("/f"),
                                  QStringLiteral("缺考/g"), QStringLiteral(" /h")});
        SortRequest request{1, ascending, 3};
        request.sharedRanks = shared;
        QVERIFY(sortTable(t, request, keysOf(t.grid, 1)));
        QCOMPARE(column(t.grid, 2), tags);
        QCOMPARE(column(t.grid, 3), ranks);
    }

    // Keys come from the caller (formula results): the rows move by the keys, not the texts.
    void keysGiven()
    {
        GradeTable t = makeTable({QStringLiteral("！公式：1/a"), QStringLiteral("！公式：2/b")});
        QVERIFY(sortTable(t, {1, false, -1}, {QString(), QStringLiteral("10"), QStringLiteral("9")}));
        QCOMPARE(column(t.grid, 2), words("a b"));
        QVERIFY(sortTable(t, {1, true, -1}, {QString(), QStringLiteral("10"), QStringLiteral("9")}));
        QCOMPARE(column(t.grid, 2), words("b a"));
    }

    void refusedRequests_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("rank");
        QTest::addColumn<int>("keys");
        QTest::newRow("rank into the sort field") << 1 << 1 << 3;
        QTest::newRow("row numbers") << 0 << -1 << 3;
        QTest::newRow("past the fields") << 4 << -1 << 3;
        QTest::newRow("rank past the fields") << 1 << 4 << 3;
        QTest::newRow("rank into the row numbers") << 1 << 0 << 3;
        QTest::newRow("keys short") << 1 << -1 << 2;
    }
    void refusedRequests()
    {
        QFETCH(int, col);
        QFETCH(int, rank);
        QFETCH(int, keys);
        GradeTable t = makeTable({QStringLiteral("2/a"), QStringLiteral("1/b")});
        QStringList k = keysOf(t.grid, 1).mid(0, keys);
        QVERIFY(!sortTable(t, {col, true, rank}, k));
        QCOMPARE(column(t.grid, 2), words("a b"));
        QVERIFY(!t.undoEnabled());
    }

    // --- the dialog -------------------------------------------------------------------------------

    void noFields()
    {
        GradeTable t;
        ScriptedPrompter p;
        p.expectMessage(QStringLiteral("没有可供排序的字段！"), QStringLiteral("提示"));
        QVERIFY(!checkSortable(t, p));
        VERIFY_PROMPTS(p);
        GradeTable withFields = makeTable({QStringLiteral("1/a")});
        QVERIFY(checkSortable(withFields, p));
    }

    void dialogOpens()
    {
        GradeTable t = makeTable({QStringLiteral("1/a")});
        t.grid.setFormatString(QStringLiteral("  | 成绩 |标记|名次"));
        t.grid.setCol(2);
        const SortDialogModel m(t, true);
        QCOMPARE(m.fields(), (QStringList{QStringLiteral(" 成绩 "), QStringLiteral("标记"), QStringLiteral("名次")}));
        QCOMPARE(m.sortIndex(), 1);
        QCOMPARE(m.targetIndex(), 2);
        QVERIFY(m.ascending());
        QVERIFY(!m.writeBack());
        QVERIFY(!m.targetEnabled());
        QVERIFY(!m.sharedRanks()); // off unless the user ticked it before
        QVERIFY(m.okEnabled());
        QVERIFY(m.writeBackEnabled());

        t.grid.setCol(0);
        const SortDialogModel none(t, false);
        QCOMPARE(none.sortIndex(), -1);
        QVERIFY(!none.okEnabled());
        QVERIFY(!none.ascending());
    }

    void guard_data()
    {
        QTest::addColumn<int>("sort");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("message");
        QTest::addColumn<int>("targetAfter");
        QTest::newRow("tick with the same field") << 0 << 0 << QStringLiteral("tick") << true << 1;
        QTest::newRow("tick with the last field") << 2 << 2 << QStringLiteral("tick") << true << 1;
        QTest::newRow("tick with another field") << 0 << 2 << QStringLiteral("tick") << false << 2;
        QTest::newRow("target onto the sort field") << 1 << 1 << QStringLiteral("target") << true << 2;
        QTest::newRow("sort field onto the target") << 2 << 2 << QStringLiteral("sort") << true << 1;
    }
    void guard()
    {
        QFETCH(int, sort);
        QFETCH(int, target);
        QFETCH(QString, change);
        QFETCH(bool, message);
        QFETCH(int, targetAfter);
        GradeTable t = makeTable({QStringLiteral("1/a")});
        t.grid.setCol(1);
        SortDialogModel m(t, false);
        ScriptedPrompter p;
        if (change != QLatin1String("sort"))
            m.setSortIndex(sort, p);
        if (change != QLatin1String("target"))
            m.setTargetIndex(target, p);
        if (change != QLatin1String("tick"))
            m.setWriteBack(true, p);
        if (message)
            p.expectMessage(QStringLiteral("排序结果不可写回原字段！"), QStringLiteral("提示"));
        if (change == QLatin1String("tick"))
            m.setWriteBack(true, p);
        else if (change == QLatin1String("target"))
            m.setTargetIndex(target, p);
        else
            m.setSortIndex(sort, p);
        VERIFY_PROMPTS(p);
        QCOMPARE(m.targetIndex(), targetAfter);
        QVERIFY(m.targetEnabled());
        const std::optional<SortRequest> r = m.accept(p);
        QVERIFY(r);
        QCOMPARE(r->rankColumn, targetAfter + 1);
        QCOMPARE(r->column, m.sortIndex() + 1);
        QVERIFY(!r->ascending);
    }

    void guardAtConfirm()
    {
        GradeTable t = makeTable({QStringLiteral("1/a")});
        t.grid.setCol(3);
        SortDialogModel m(t, true);
        ScriptedPrompter p;
        // Unticked, choosing the same field is allowed; ticking then, or confirming, is not.
        m.setTargetIndex(2, p);
        QVERIFY(!m.writeBack());
        p.expectMessage(QStringLiteral("排序结果不可写回原字段！"));
        m.setWriteBack(true, p);
        QCOMPARE(m.targetIndex(), 1);
        const std::optional<SortRequest> ok = m.accept(p);
        QVERIFY(ok);
        QCOMPARE(ok->column, 3);
        QCOMPARE(ok->rankColumn, 2);
        VERIFY_PROMPTS(p);
        m.setSharedRanks(true);
        QVERIFY(m.accept(p)->sharedRanks);
        m.setWriteBack(false, p);
        QCOMPARE(m.accept(p)->rankColumn, -1);
        QVERIFY(!m.accept(p)->sharedRanks); // no ranks written
    }

    void oneField()
    {
        GradeTable t;
        t.grid.setTextMatrix(0, 1, QStringLiteral("成绩"));
        t.rebuildHeader();
        t.grid.setCol(1);
        SortDialogModel m(t, true);
        ScriptedPrompter p;
        QVERIFY(!m.writeBackEnabled());
        m.setWriteBack(true, p); // the box is disabled: nothing to write into
        QVERIFY(!m.writeBack());
        QCOMPARE(m.accept(p)->rankColumn, -1);
        VERIFY_PROMPTS(p);
    }
};

QTEST_GUILESS_MAIN(TestSortRows)
#include "tst_sort_rows.moc"
