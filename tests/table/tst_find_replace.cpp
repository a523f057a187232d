// Find with its pattern rules, marks and results menu; replace; and their command-line forms.
#include "scripted_prompter.h"

#include "cli/find_cli.h"
#include "core/base/workspace.h"
#include "core/table/find_replace.h"
#include "core/table/table_file.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace table;

namespace {

// A table of the given rows under the given fields; cells separated by "|".
GradeTable makeTable(const QStringList &fields, const QStringList &rows)
{
    GradeTable t;
    Grid &g = t.grid;
    g.setCols(static_cast<int>(fields.size()) + 1);
    g.setRows(static_cast<int>(rows.size()) + 1);
    for (int c = 0; c < fields.size(); ++c)
        g.setTextMatrix(0, c + 1, fields[c]);
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(QLatin1Char('|'));
        for (int c = 0; c < cells.size(); ++c)
            g.setTextMatrix(r + 1, c + 1, cells[c]);
    }
    t.rebuildHeader();
    return t;
}

// The marks of the data cells, row by row: "." none, "R" red, "B" blue, lower case when bold.
QString marks(const Grid &g)
{
    QStringList rows;
    for (int r = 1; r < g.Rows(); ++r) {
        QString row;
        for (int c = 1; c < g.Cols(); ++c) {
            const QRgb color = g.cellForeColor(r, c);
            QChar m = color == kEqualMark ? u'R' : color == kContainingMark ? u'B' : color == 0 ? u'.' : u'?';
            if (g.cellFontBold(r, c))
                m = m.toLower();
            row += m;
        }
        rows << row;
    }
    return rows.join(QLatin1Char(' '));
}

struct Counter : GridObserver {
    int resets = 0, moves = 0, cells = 0;
    void gridReset() override { ++resets; }
    void currentChanged() override { ++moves; }
    void cellChanged(int, int) override { ++cells; }
};

const QStringList kFields{QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文"),
                          QStringLiteral("评语")};
const QStringList kRows{QStringLiteral("1|张三|85|良好"), QStringLiteral("2|李四|张|张三同学"),
                        QStringLiteral("3|王五|90|张"), QStringLiteral("4|赵六|张?|")};

} // namespace

class TestFindReplace : public QObject {
    Q_OBJECT

private slots:
    void pattern_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("match");
        auto row = [](const char *name, const char *text, const char *pattern, bool match) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(pattern) << match;
        };
        row("star", "abc", "a*c", true);
        row("star empty run", "ac", "a*c", true);
        row("question", "abc", "a?c", true);
        row("question needs one", "ac", "a?c", false);
        row("question is one character", "张三丰", "张?", false);
        row("question takes a pair", "\xF0\xA0\x80\x80x", "?x", true);
        row("hash digit", "a1c", "a#c", true);
        row("hash letter", "abc", "a#c", false);
        row("hash full-width digit", "\xEF\xBC\x95", "#", false);
        row("list", "bbc", "[abc]bc", true);
        row("list miss", "dbc", "[abc]bc", false);
        row("negated list", "xbc", "[!abc]bc", true);
        row("negated list miss", "abc", "[!abc]bc", false);
        row("range", "m", "[a-z]", true);
        row("range is case-sensitive", "M", "[a-z]", false);
        row("descending range", "m", "[z-a]", false);
        row("dash at the end", "a-b", "a[x-]b", true);
        row("chinese range", "乙", "[一-龥]", true);
        row("ranges by character code", "乙", "[甲-丁]", false);
        row("star in a list", "*", "[*]", true);
        row("star in a list is literal", "a", "[*]", false);
        row("question in a list", "?", "[?]", true);
        row("hash in a list", "#", "[#]", true);
        row("empty list", "ab", "a[]b", true);
        row("negated empty list", "!", "[!]", true);
        row("unclosed bracket", "a[b", "a[b", true);
        row("unclosed bracket contains", "xa[bx", "*a[b*", true);
        row("unclosed bracket is literal", "ab", "a[b", false);
        row("closing bracket alone", "a]", "a]", true);
        row("case", "ABC", "abc", false);
        row("empty text, star", "", "*", true);
        row("empty both", "", "", true);
        row("empty pattern", "a", "", false);
        row("contains", "期中考试", "*中考*", true);
        row("contains with wildcard", "张三", "*张?*", true);
        row("trailing text", "abcb", "*b", true);
        row("backtrack", "aaab", "*a?b", true);
        row("backtrack fails", "aaa", "*a?b", false);
    }
    void pattern()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, match);
        QCOMPARE(likeMatch(text, pattern), match);
    }

    // Patterns that make a backtracking matcher take exponential time finish at once here.
    void pathologicalPatterns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("match");
        QTest::newRow("many stars") << QString(60, u'a') << QString(QStringLiteral("*a")).repeated(30) + u'b' << false;
        QTest::newRow("stars and questions")
            << QString(2000, u'a') << QString(QStringLiteral("*?")).repeated(200) + u'b' << false;
        QTest::newRow("long text") << QString(20000, u'a') + u'b' << QString(QStringLiteral("*a")).repeated(50) + u'b'
                                   << true;
        QTest::newRow("many lists") << QString(3000, u'x') << QString(QStringLiteral("*[xy]")).repeated(100) + u'z'
                                    << false;
        QTest::newRow("open brackets") << QString(5000, u'[') << QString(QStringLiteral("*[")).repeated(100) + u'x'
                                       << false;
    }
    void pathologicalPatterns()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, match);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(likeMatch(text, pattern), match);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }

    // --- find -----------------------------------------------------------------------------------

    void findMarks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("red");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<bool>("blue");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("as it opens") << QStringLiteral("张") << true << false << true << true
                                     << QStringLiteral(".... ..R. ...R ....") << QList<int>{2, 3};
        QTest::newRow("containing") << QStringLiteral("张") << true << false << false << true
                                    << QStringLiteral(".B.. ..RB ...R ..B.") << QList<int>{1, 2, 3, 4};
        QTest::newRow("containing, bold") << QStringLiteral("张") << true << true << false << true
                                          << QStringLiteral(".b.. ..rb ...r ..b.") << QList<int>{1, 2, 3, 4};
        QTest::newRow("containing, no blue") << QStringLiteral("张") << true << false << false << false
                                             << QStringLiteral(".... ..R. ...R ....") << QList<int>{1, 2, 3, 4};
        QTest::newRow("bold without red") << QStringLiteral("张") << false << true << true << true
                                          << QStringLiteral(".... .... .... ....") << QList<int>{2, 3};
        QTest::newRow("wildcard in containing") << QStringLiteral("张?") << true << false << false << true
                                                << QStringLiteral(".B.. ...B .... ..R.") << QList<int>{1, 2, 4};
        QTest::newRow("wildcard not in equal") << QStringLiteral("张?") << true << false << true << true
                                               << QStringLiteral(".... .... .... ..R.") << QList<int>{4};
        QTest::newRow("header and numbers never match") << QStringLiteral("姓名") << true << false << false << true
                                                        << QStringLiteral(".... .... .... ....") << QList<int>{};
        QTest::newRow("row number") << QStringLiteral("1") << true << false << true << true
                                    << QStringLiteral("R... .... .... ....") << QList<int>{1};
    }
    void findMarks()
    {
        QFETCH(QString, text);
        QFETCH(bool, red);
        QFETCH(bool, bold);
        QFETCH(bool, whole);
        QFETCH(bool, blue);
        QFETCH(QString, marks);
        QFETCH(QList<int>, rows);
        GradeTable t = makeTable(kFields, kRows);
        const int found = findCells(t, text, {red, bold, whole, blue});
        QCOMPARE(::marks(t.grid), marks);
        QList<int> listed;
        for (const FindResult &r : t.findResults.entries)
            listed << r.row;
        QCOMPARE(listed, rows);
        QCOMPARE(found, rows.size());
        QCOMPARE(t.findResults.summary,
                 rows.isEmpty() ? QStringLiteral("(空)") : QStringLiteral("共 %1 行包含查找内容。").arg(rows.size()));
    }

    void unmarkedKeepOrLose()
    {
        GradeTable t = makeTable(kFields, kRows);
        Grid &g = t.grid;
        g.setCellForeColor(2, 3, kContainingMark);
        g.setCellFontBold(2, 3, true);
        g.setCellForeColor(1, 1, kEqualMark);
        // Equal, but red not ticked: keeps its earlier mark; cell (1, 1) matches nothing: cleared.
        findCells(t, QStringLiteral("张"), {false, false, true, true});
        QCOMPARE(marks(g), QStringLiteral(".... ..b. .... ...."));
        findCells(t, QStringLiteral("无"), {});
        QCOMPARE(marks(g), QStringLiteral(".... .... .... ...."));
        QCOMPARE(t.findResults.summary, QStringLiteral("(空)"));
        QVERIFY(t.findResults.entries.isEmpty());
    }

    void captions()
    {
        GradeTable t = makeTable(kFields, kRows);
        findCells(t, QStringLiteral("张"), {true, false, false, true});
        QStringList captions;
        for (const FindResult &r : t.findResults.entries)
            captions << r.caption;
        QCOMPARE(captions,
                 (QStringList{QStringLiteral("1: 第 1 行。“1；张三”"), QStringLiteral("2: 第 2 行。“2；李四”"),
                              QStringLiteral("3: 第 3 行。“3；王五”"), QStringLiteral("4: 第 4 行。“4；赵六”")}));
        QCOMPARE(t.findResults.summary, QStringLiteral("共 4 行包含查找内容。"));

        // Long texts shortened; a table with one field has no second cell.
        GradeTable one = makeTable({QStringLiteral("姓名")}, {QStringLiteral("abcdefghijklmnopqrstuvw")});
        findCells(one, QStringLiteral("abcdefghijklmnopqrstuvw"), {});
        QCOMPARE(one.findResults.entries.value(0).caption, QStringLiteral("1: 第 1 行。“abcdefgh...pqrstuvw；”"));
    }

    void findLeavesTheCurrentCell()
    {
        GradeTable t = makeTable(kFields, kRows);
        Grid &g = t.grid;
        g.setCurrent(2, 3);
        g.setTopRow(2);
        Counter counter;
        g.addObserver(&counter);
        findCells(t, QStringLiteral("张"), {true, true, false, true});
        clearFindMarks(t);
        g.removeObserver(&counter);
        QCOMPARE(g.Row(), 2);
        QCOMPARE(g.Col(), 3);
        QCOMPARE(counter.moves, 0);
        QCOMPARE(counter.cells, 0);
        QCOMPARE(counter.resets, 2); // one redraw per command
        QCOMPARE(marks(g), QStringLiteral(".... .... .... ...."));
        QCOMPARE(t.findResults.entries.size(), 4); // clearing keeps the results
        QVERIFY(!t.undoEnabled());
        QVERIFY(!t.isModified());
    }

    void goToResult()
    {
        GradeTable t = makeTable(kFields, kRows);
        Grid &g = t.grid;
        findCells(t, QStringLiteral("张"), {});
        QVERIFY(goToFindResult(t, 2));
        // The cursor on the cell found, never on the row numbers.
        QCOMPARE(g.Row(), 3);
        QCOMPARE(g.Col(), 4);
        QCOMPARE(g.RowSel(), 3);
        QCOMPARE(g.ColSel(), 4);
        QCOMPARE(g.TopRow(), 3);
        QVERIFY(!goToFindResult(t, 0));
        QVERIFY(!goToFindResult(t, 3));
        g.setRows(3); // row 3 is gone
        QVERIFY(!goToFindResult(t, 2));
        QVERIFY(goToFindResult(t, 1));
        QCOMPARE(g.Row(), 2);
        QCOMPARE(g.Col(), 3);
    }

    // --- replace ------------------------------------------------------------------------------

    void replaceCell_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("after");
        auto row = [](const char *name, const char *cell, const char *from, const char *to, bool whole,
                      const char *after) {
            QTest::newRow(name) << QString::fromUtf8(cell) << QString::fromUtf8(from) << QString::fromUtf8(to) << whole
                                << QString::fromUtf8(after);
        };
        row("whole equal", "85", "85", "90", true, "90");
        row("whole not equal", "850", "85", "90", true, "850");
        row("contains", "850", "85", "90", false, "900");
        row("left to right, no overlap", "aaa", "aa", "b", false, "ba");
        row("every occurrence", "张三张三", "张", "李", false, "李三李三");
        row("case-sensitive", "Abc", "a", "x", false, "Abc");
        row("wildcards are plain", "a*c", "*", "x", false, "axc");
        row("whole empty fills empty", "", "", "缺考", true, "缺考");
        row("whole empty leaves text", "x", "", "缺考", true, "x");
        row("contains empty changes nothing", "x", "", "y", false, "x");
        row("empty cell, contains empty", "", "", "y", false, "");
        row("formula body", "！公式：cell(?,1)+1", "1", "2", false, "！公式：cell(?,2)+2");
        row("formula marker untouched", "！公式：cell(?,1)+1", "公式", "x", false, "！公式：cell(?,1)+1");
        row("formula marker and body", "！公式：1", "！公式：1", "x", true, "！公式：1");
        row("formula body whole", "！公式：1", "1", "2", true, "！公式：2");
        row("marker inside a text", "a！公式：b", "公式", "x", false, "a！x：b");
    }
    void replaceCell()
    {
        QFETCH(QString, cell);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, whole);
        QFETCH(QString, after);
        QCOMPARE(replacedText(cell, from, to, whole), after);
    }

    void replaceTable()
    {
        GradeTable t = makeTable(kFields, {QStringLiteral("1|张三|85|"), QStringLiteral("2|李四||良")});
        t.grid.setTextMatrix(0, 3, QString());
        const Grid before = t.grid;
        QCOMPARE(replaceAll(t, QString(), QStringLiteral("缺考"), true), 2);
        const Grid &g = t.grid;
        QCOMPARE(g.TextMatrix(1, 4), QStringLiteral("缺考"));
        QCOMPARE(g.TextMatrix(2, 3), QStringLiteral("缺考"));
        QCOMPARE(g.TextMatrix(0, 3), QString()); // the header is not searched
        QCOMPARE(g.TextMatrix(1, 0), QStringLiteral("1"));
        QVERIFY(t.undoEnabled());
        QVERIFY(t.isModified());
        t.undo();
        for (int r = 1; r < g.Rows(); ++r)
            for (int c = 1; c < g.Cols(); ++c)
                QCOMPARE(g.TextMatrix(r, c), before.TextMatrix(r, c));
    }

    void replaceNothing()
    {
        GradeTable t = makeTable(kFields, kRows);
        QCOMPARE(replaceAll(t, QString(), QStringLiteral("x"), false), 0);
        QCOMPARE(replaceAll(t, QStringLiteral("不在"), QStringLiteral("x"), false), 0);
        QVERIFY(!t.undoEnabled());
        QVERIFY(!t.isModified());
    }

    // --- command line -------------------------------------------------------------------------

    void commandLine()
    {
        QTemporaryDir dir;
        base::Workspace ws(dir.path());
        ws.tablePassword = QStringLiteral("T@pw");
        ScriptedPrompter prompter;
        TableFile file(ws, prompter);
        GradeTable t = makeTable(kFields, kRows);
        const QString path = dir.path() + QStringLiteral("/班");
        QVERIFY(file.save(t, path));
        QString text;
        QTextStream out(&text);
        cli::Context ctx{ws, prompter, out};
        const QString gdt = path + QStringLiteral(".gdt");

        QCOMPARE(cli::runFindCommand(ctx, cli::Args({gdt, QStringLiteral("张")})), 0);
        out.flush();
        QCOMPARE(text, QStringLiteral("共 2 行包含查找内容。\n1: 第 2 行。“2；李四”\n2: 第 3 行。“3；王五”\n"));
        text.clear();
        QCOMPARE(cli::runFindCommand(ctx, cli::Args({gdt, QStringLiteral("张?"), QStringLiteral("--contains")})), 0);
        out.flush();
        QCOMPARE(text.count(QLatin1Char('\n')), 4);
        text.clear();
        QCOMPARE(cli::runFindCommand(ctx, cli::Args({gdt, QStringLiteral("无")})), 0);
        out.flush();
        QCOMPARE(text, QStringLiteral("(空)\n"));
        QCOMPARE(cli::runFindCommand(ctx, cli::Args({gdt, QString()})), 2);

        text.clear();
        const QString copy = dir.path() + QStringLiteral("/副本.gdt");
        QCOMPARE(cli::runReplaceCommand(
                     ctx, cli::Args({gdt, QStringLiteral("张"), QStringLiteral("章"), QStringLiteral("--out"), copy})),
                 0);
        out.flush();
        QCOMPARE(text, QStringLiteral("5\n"));
        GradeTable back;
        QVERIFY(file.load(back, dir.path() + QStringLiteral("/副本"), true));
        QCOMPARE(back.grid.TextMatrix(2, 4), QStringLiteral("章三同学"));
        // In place, an existing file is written only when the overwrite question is answered.
        prompter.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::No);
        QCOMPARE(cli::runReplaceCommand(
                     ctx, cli::Args({gdt, QStringLiteral("张"), QStringLiteral("x"), QStringLiteral("--whole")})),
                 1);
        VERIFY_PROMPTS(prompter);
        QVERIFY(file.load(back, path, true));
        QCOMPARE(back.grid.TextMatrix(3, 4), QStringLiteral("张"));
        QCOMPARE(cli::runReplaceCommand(ctx, cli::Args({gdt, QStringLiteral("a")})), 2);
    }
};

QTEST_GUILESS_MAIN(TestFindReplace)
#include "tst_find_replace.moc"
