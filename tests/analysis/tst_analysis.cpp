// The grade analysis: the figures and bands of one field over tables a teacher types (halves that
// binary floating point would round the wrong way, rates of one in 32, absent students, formula
// cells, texts, empty rows, full marks 150 and band widths that do not divide), the preselection,
// the grade summary over a school tree with tied classes, a missing and a damaged class table, the
// tab-separated and CSV texts, and the printed page by the numbers of the recording surface.
#include "class_table.h"
#include "scripted_prompter.h"

#include "core/analysis/analysis_page.h"
#include "core/analysis/grade_summary.h"
#include "core/analysis/table_analysis.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/recording_surface.h"
#include "core/shell/school_tree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A table of the fields 姓名, 基础 and 成绩; each row "name|base|score" (a score may be a formula
// on 基础, column 2).
table::GradeTable scoreTable(const QStringList &rows)
{
    table::GradeTable t;
    table::Grid &g = t.grid;
    g.setRows(int(rows.size()) + 1);
    g.setCols(4);
    g.setTextMatrix(0, 1, QStringLiteral("姓名"));
    g.setTextMatrix(0, 2, QStringLiteral("基础"));
    g.setTextMatrix(0, 3, QStringLiteral("成绩"));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(QLatin1Char('|'));
        for (int c = 0; c < cells.size(); ++c)
            g.setTextMatrix(r + 1, c + 1, cells[c]);
    }
    t.rebuildHeader();
    t.title = QStringLiteral("期中");
    return t;
}

// n rows "学生k||score".
QStringList students(int n, const QString &score)
{
    QStringList rows;
    for (int k = 0; k < n; ++k)
        rows << QStringLiteral("学生%1||%2").arg(k).arg(score);
    return rows;
}

// The bands as "label count rate" lines.
QStringList bandLines(const analysis::FieldFigures &f)
{
    QStringList lines;
    for (const analysis::ScoreBand &b : f.bands)
        lines << QStringLiteral("%1 %2 %3").arg(b.label).arg(b.count).arg(analysis::rateText(b.count, f.scores));
    return lines;
}

table::GradeTable namedTable(const QStringList &fields, const QList<QStringList> &rows)
{
    table::GradeTable t;
    t.grid.setRows(int(rows.size()) + 1);
    t.grid.setCols(int(fields.size()) + 1);
    for (int c = 0; c < fields.size(); ++c)
        t.grid.setTextMatrix(0, c + 1, fields[c]);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            t.grid.setTextMatrix(r + 1, c + 1, rows[r][c]);
    t.rebuildHeader();
    return t;
}

} // namespace

class AnalysisTest : public QObject {
    Q_OBJECT

private slots:
    // One field's figure row (科目 … 低分率) and bands under the given full marks and band width.
    void figures_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("fullMarks");
        QTest::addColumn<int>("bandWidth");
        QTest::addColumn<QStringList>("figures");
        QTest::addColumn<QStringList>("bands");

        const auto row = [](const QString &text) { return text.split(QLatin1Char(' ')); };
        const auto empty = [](QString text) {
            return text.replace(QLatin1Char('_'), QString()).split(QLatin1Char(' '));
        };
        QTest::newRow("exact halves")
            << QStringList{QStringLiteral("甲||76.14"), QStringLiteral("乙||76.15")} << 100 << 10
            << row(QStringLiteral("成绩 2 2 0 76.15 76.15 76.14 0.01 2 100.00% 0 0.00% 0 0.00%"))
            << QStringList{QStringLiteral("90～100 0 0.00%"), QStringLiteral("80～89 0 0.00%"),
                           QStringLiteral("70～79 2 100.00%"), QStringLiteral("60～69 0 0.00%"),
                           QStringLiteral("60以下 0 0.00%")};
        QTest::newRow("one of 32") << students(31, QStringLiteral("70")) + QStringList{QStringLiteral("尾||90")} << 100
                                   << 10
                                   << row(QStringLiteral("成绩 32 32 0 70.63 90 70 3.48 32 100.00% 1 3.13% 0 0.00%"))
                                   << QStringList{QStringLiteral("90～100 1 3.13%"), QStringLiteral("80～89 0 0.00%"),
                                                  QStringLiteral("70～79 31 96.88%"), QStringLiteral("60～69 0 0.00%"),
                                                  QStringLiteral("60以下 0 0.00%")};
        QTest::newRow("all absent") << QStringList{QStringLiteral("甲||缺考"), QStringLiteral("乙||"),
                                                   QStringLiteral("丙||免考")}
                                    << 100 << 10 << empty(QStringLiteral("成绩 3 0 3 _ _ _ _ 0 _ 0 _ 0 _"))
                                    << QStringList{QStringLiteral("90～100 0 "), QStringLiteral("80～89 0 "),
                                                   QStringLiteral("70～79 0 "), QStringLiteral("60～69 0 "),
                                                   QStringLiteral("60以下 0 ")};
        // 89.5 counts in 80～89 as a teacher reads it; 81.125 rounds up.
        QTest::newRow("decimals") << QStringList{QStringLiteral("甲||85.5"), QStringLiteral("乙||89.5"),
                                                 QStringLiteral("丙||90"), QStringLiteral("丁||59.5")}
                                  << 100 << 10
                                  << row(QStringLiteral("成绩 4 4 0 81.13 90 59.5 12.61 3 75.00% 3 75.00% 0 0.00%"))
                                  << QStringList{QStringLiteral("90～100 1 25.00%"), QStringLiteral("80～89 2 50.00%"),
                                                 QStringLiteral("70～79 0 0.00%"), QStringLiteral("60～69 0 0.00%"),
                                                 QStringLiteral("60以下 1 25.00%")};
        QTest::newRow("formula cells")
            << QStringList{QStringLiteral("甲|80|！公式：cell(?,2)+5"), QStringLiteral("乙|60|！公式：cell(?,2)/2")}
            << 100 << 10 << row(QStringLiteral("成绩 2 2 0 57.5 85 30 27.5 1 50.00% 1 50.00% 1 50.00%"))
            << QStringList{QStringLiteral("90～100 0 0.00%"), QStringLiteral("80～89 1 50.00%"),
                           QStringLiteral("70～79 0 0.00%"), QStringLiteral("60～69 0 0.00%"),
                           QStringLiteral("60以下 1 50.00%")};
        // 基础 itself a formula: 成绩 gets its value as the evaluated copy gives it.
        QTest::newRow("a formula over a formula")
            << QStringList{QStringLiteral("甲|！公式：40*2|！公式：cell(?,2)+5"),
                           QStringLiteral("乙|！公式：60|！公式：cell(?,2)/2")}
            << 100 << 10 << row(QStringLiteral("成绩 2 2 0 57.5 85 30 27.5 1 50.00% 1 50.00% 1 50.00%"))
            << QStringList{QStringLiteral("90～100 0 0.00%"), QStringLiteral("80～89 1 50.00%"),
                           QStringLiteral("70～79 0 0.00%"), QStringLiteral("60～69 0 0.00%"),
                           QStringLiteral("60以下 1 50.00%")};
        // "085" is the number 85; the texts are absent students.
        QTest::newRow("texts") << QStringList{QStringLiteral("甲||085"), QStringLiteral("乙||免考"),
                                              QStringLiteral("丙||缺考"), QStringLiteral("丁|| 61 ")}
                               << 100 << 10 << row(QStringLiteral("成绩 4 2 2 73 85 61 12 2 100.00% 1 50.00% 0 0.00%"))
                               << QStringList{QStringLiteral("90～100 0 0.00%"), QStringLiteral("80～89 1 50.00%"),
                                              QStringLiteral("70～79 0 0.00%"), QStringLiteral("60～69 1 50.00%"),
                                              QStringLiteral("60以下 0 0.00%")};
        // Rows left empty for a larger class, one only with a 总分-like formula of empty cells, are
        // no students; a student without a score is absent.
        QTest::newRow("empty rows") << QStringList{QStringLiteral("甲||90"), QStringLiteral("乙||"),
                                                   QStringLiteral("||"), QStringLiteral("| |"),
                                                   QStringLiteral("||！公式：cell(?,2)+cell(?,2)")}
                                    << 100 << 10
                                    << row(QStringLiteral("成绩 2 1 1 90 90 90 0 1 100.00% 1 100.00% 0 0.00%"))
                                    << QStringList{QStringLiteral("90～100 1 100.00%"),
                                                   QStringLiteral("80～89 0 0.00%"), QStringLiteral("70～79 0 0.00%"),
                                                   QStringLiteral("60～69 0 0.00%"), QStringLiteral("60以下 0 0.00%")};
        QTest::newRow("full marks 150, band 20")
            << QStringList{QStringLiteral("a||150"), QStringLiteral("b||130"), QStringLiteral("c||129.5"),
                           QStringLiteral("d||110"), QStringLiteral("e||95"),  QStringLiteral("f||90"),
                           QStringLiteral("g||59.5")}
            << 150 << 20 << row(QStringLiteral("成绩 7 7 0 109.14 150 59.5 28.16 6 85.71% 3 42.86% 1 14.29%"))
            << QStringList{QStringLiteral("130～150 2 28.57%"), QStringLiteral("110～129 2 28.57%"),
                           QStringLiteral("90～109 2 28.57%"), QStringLiteral("90以下 1 14.29%")};
        // 15 does not divide 40: the band that would reach below 60 ends at it. A score above the
        // full marks counts at the top, one below 0 at the bottom.
        QTest::newRow("band width not dividing")
            << QStringList{QStringLiteral("a||105"), QStringLiteral("b||85"), QStringLiteral("c||84.5"),
                           QStringLiteral("d||70"),  QStringLiteral("e||69"), QStringLiteral("f||60"),
                           QStringLiteral("g||-3")}
            << 100 << 15 << row(QStringLiteral("成绩 7 7 0 67.21 105 -3 31.7 6 85.71% 2 28.57% 1 14.29%"))
            << QStringList{QStringLiteral("85～100 2 28.57%"), QStringLiteral("70～84 2 28.57%"),
                           QStringLiteral("60～69 2 28.57%"), QStringLiteral("60以下 1 14.29%")};
    }
    void figures()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, fullMarks);
        QFETCH(int, bandWidth);
        QFETCH(QStringList, figures);
        QFETCH(QStringList, bands);
        const table::GradeTable t = scoreTable(rows);
        formula::Calculator calc;
        const analysis::TableAnalysis a(t, calc);
        analysis::AnalysisOptions o;
        o.fullMarks.insert(QStringLiteral("成绩"), fullMarks);
        o.bandWidth = bandWidth;
        const analysis::AnalysisResult result = a.analyse({3}, o);
        QCOMPARE(result.fields.size(), 1);
        QCOMPARE(result.fields[0].figureRow(), figures);
        QCOMPARE(bandLines(result.fields[0]), bands);
        // The analysis never changes the table it reads.
        QCOMPARE(t.grid.TextMatrix(1, 3), rows[0].split(QLatin1Char('|')).value(2));
    }

    // Rounding on the decimal value, and the rates' two decimals.
    void numberTexts_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 80.0 << QStringLiteral("80");
        QTest::newRow("half") << 80.5 << QStringLiteral("80.5");
        QTest::newRow("below one") << 0.5 << QStringLiteral("0.5");
        QTest::newRow("binary just below a half") << 76.145 << QStringLiteral("76.15");
        QTest::newRow("sum of tenths") << 0.1 + 0.2 << QStringLiteral("0.3");
        QTest::newRow("negative half") << -2.675 << QStringLiteral("-2.68");
        QTest::newRow("tiny negative") << -0.001 << QStringLiteral("0");
        QTest::newRow("large") << 123456789.125 << QStringLiteral("123456789.13");
    }
    void numberTexts()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(analysis::decimalText(value), text);
    }

    // The fields a teacher analyses unless choosing: holding scores, all from 0 to full marks.
    void preselection_data()
    {
        QTest::addColumn<int>("mathsFullMarks");
        QTest::addColumn<QList<int>>("columns");
        QTest::newRow("default full marks") << 100 << QList<int>{3, 8};
        QTest::newRow("数学 out of 150") << 150 << QList<int>{3, 4, 8};
    }
    void preselection()
    {
        QFETCH(int, mathsFullMarks);
        QFETCH(QList<int>, columns);
        // 总分 (208) is past any full marks and 语文加分 within them; both are formulas.
        const QString total = QStringLiteral("！公式：cell(?,3)+cell(?,4)"),
                      bonus = QStringLiteral("！公式：cell(?,3)+2");
        const table::GradeTable t = namedTable(
            {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学"),
             QStringLiteral("备注"), QStringLiteral("空"), QStringLiteral("总分"), QStringLiteral("语文加分")},
            {{QStringLiteral("20240001"), QStringLiteral("甲"), QStringLiteral("88"), QStringLiteral("120"),
              QStringLiteral("好"), QString(), total, bonus},
             {QStringLiteral("20240002"), QStringLiteral("乙"), QStringLiteral("缺考"), QStringLiteral("95"),
              QStringLiteral("良"), QString(), total, bonus}});
        formula::Calculator calc;
        const analysis::TableAnalysis a(t, calc);
        analysis::AnalysisOptions o;
        o.fullMarks.insert(QStringLiteral("数学"), mathsFullMarks);
        QCOMPARE(a.preselectedColumns(o), columns);
        // Left out, 总分 is still analysed whole when chosen.
        QCOMPARE(a.sample(7).scores, std::vector<double>{208});
        QCOMPARE(a.sample(8).scores, std::vector<double>{90});
    }

    // A grade's fields come in order of first appearance, class by class, also when the class
    // they first appear in has no scores in them.
    void gradeFieldsInOrderOfFirstAppearance()
    {
        formula::Calculator calc;
        analysis::GradeScores g;
        const auto add = [&](const table::GradeTable &t) {
            analysis::ClassScores c;
            c.table = std::make_shared<analysis::TableAnalysis>(t, calc);
            c.students = c.table->students();
            const QStringList names = c.table->fieldNames();
            for (int k = 0; k < names.size(); ++k) {
                c.fieldOrder << names[k];
                c.columns.insert(names[k], k + 1);
                if (!g.fieldNamesFound.contains(names[k]))
                    g.fieldNamesFound << names[k];
            }
            g.classes << c;
        };
        add(namedTable({QStringLiteral("数学"), QStringLiteral("语文")}, {{QString(), QStringLiteral("80")}}));
        add(namedTable({QStringLiteral("语文"), QStringLiteral("数学")},
                       {{QStringLiteral("70"), QStringLiteral("90")}}));
        QCOMPARE(g.preselectedFields({}), (QStringList{QStringLiteral("数学"), QStringLiteral("语文")}));
    }

    // 期中 over 初一: (1)班 and (4)班 tie on 语文 behind (2)班, (5)班 comes fourth; (3)班 has no
    // 期中; (4)班 has no 数学; (5)班's 数学 has no scores and so no rank.
    void gradeSummary()
    {
        QTemporaryDir dir;
        base::Workspace ws(dir.path());
        ws.tablePassword = QStringLiteral("pw");
        const QStringList classes{QStringLiteral("（1）班"), QStringLiteral("（2）班"), QStringLiteral("（3）班"),
                                  QStringLiteral("（4）班"), QStringLiteral("（5）班")};
        QVERIFY(shell::writeSchool(
            ws.schoolInfoFile(),
            {QStringLiteral("一中"), {{QStringLiteral("初一"), classes}, {QStringLiteral("初二"), {}}}}));
        const auto save = [&](const QString &cls, const QString &name, table::GradeTable t) {
            const QString folder = ws.tableDataDir() + QStringLiteral("一中/初一/") + cls;
            QDir().mkpath(folder);
            return saveTable(ws.programDir(), ws.tablePassword, folder + QLatin1Char('/') + name, t);
        };
        const QStringList yuShu{QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学")};
        QVERIFY(save(classes[0], QStringLiteral("期中"),
                     namedTable(yuShu, {{QStringLiteral("a"), QStringLiteral("70"), QStringLiteral("90")},
                                        {QStringLiteral("b"), QStringLiteral("90"), QStringLiteral("50")}})));
        QVERIFY(save(
            classes[1], QStringLiteral("期中"),
            namedTable({QStringLiteral("姓名"), QStringLiteral("数学"), QStringLiteral("语文"), QStringLiteral("英语")},
                       {{QStringLiteral("c"), QStringLiteral("100"), QStringLiteral("90"), QStringLiteral("88")}})));
        QVERIFY(save(classes[1], QStringLiteral("月考"), namedTable(yuShu, {})));
        QVERIFY(save(
            classes[3], QStringLiteral("期中"),
            namedTable({QStringLiteral("姓名"), QStringLiteral("语文")}, {{QStringLiteral("d"), QStringLiteral("80")},
                                                                          {QStringLiteral("e"), QStringLiteral("80")},
                                                                          {QStringLiteral("f"), QStringLiteral("")}})));
        QVERIFY(save(classes[4], QStringLiteral("期中"),
                     namedTable(yuShu, {{QStringLiteral("g"), QStringLiteral("70"), QStringLiteral("缺考")}})));

        const QList<shell::TreeNode> nodes = shell::treeNodes(*shell::readSchool(ws.schoolInfoFile()));
        const int grade = shell::nodeByPath(nodes, QStringLiteral("一中/初一"));
        QCOMPARE(analysis::gradeTableNames(ws, nodes, grade),
                 (QStringList{QStringLiteral("期中"), QStringLiteral("月考")}));

        ScriptedPrompter prompter;
        formula::Calculator calc;
        const std::optional<analysis::GradeSummary> s =
            analysis::summarizeGrade(ws, prompter, calc, nodes, grade, QStringLiteral("期中"), {});
        VERIFY_PROMPTS(prompter);
        QVERIFY(s);
        QCOMPARE(s->fields, (QStringList{QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语")}));
        const QStringList lines = analysis::tabText({s->sheet}).split(QLatin1Char('\n'));
        const QStringList expected{
            QStringLiteral(
                "班级\t人数\t语文平均分\t语文及格率\t语文优秀率\t语文名次\t数学平均分\t数学及格率\t数学优秀率\t"
                "数学名次\t英语平均分\t英语及格率\t英语优秀率\t英语名次"),
            QStringLiteral("（1）班\t2\t80\t100.00%\t50.00%\t2\t70\t50.00%\t50.00%\t2\t\t\t\t"),
            QStringLiteral("（2）班\t1\t90\t100.00%\t100.00%\t1\t100\t100.00%\t100.00%\t1\t88\t100.00%\t100.00%\t1"),
            QStringLiteral("（4）班\t3\t80\t100.00%\t0.00%\t2\t\t\t\t\t\t\t\t"),
            QStringLiteral("（5）班\t1\t70\t100.00%\t0.00%\t4\t\t\t\t\t\t\t\t"),
            QStringLiteral("年级\t7\t80\t100.00%\t33.33%\t\t80\t66.67%\t66.67%\t\t88\t100.00%\t100.00%\t"),
            QString()};
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], expected[i]);
        QCOMPARE(s->notes, QStringList{QStringLiteral("（3）班：没有表格“期中”")});
        QCOMPARE(s->averageChart(0).values, (QList<double>{80, 90, 80, 70}));

        // A chosen list keeps its order; a class table that cannot be opened stops the summary.
        const std::optional<analysis::GradeSummary> chosen = analysis::summarizeGrade(
            ws, prompter, calc, nodes, grade, QStringLiteral("期中"), {}, {QStringLiteral("数学")});
        QVERIFY(chosen);
        QCOMPARE(chosen->sheet.first().size(), 6);
        QFile damaged(ws.tableDataDir() + QStringLiteral("一中/初一/（3）班/期中.gdt"));
        QVERIFY(QDir().mkpath(ws.tableDataDir() + QStringLiteral("一中/初一/（3）班")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("PK\x03\x04 not a table");
        damaged.close();
        prompter.expectMessage();
        QVERIFY(!analysis::summarizeGrade(ws, prompter, calc, nodes, grade, QStringLiteral("期中"), {}));
        VERIFY_PROMPTS(prompter);
    }

    // 复制's text and 保存为CSV's bytes: GBK, CR LF, a comma in a value quoted.
    void texts()
    {
        const analysis::Sheet a{{QStringLiteral("科目"), QStringLiteral("人数")},
                                {QStringLiteral("语,文"), QStringLiteral("2")}};
        const analysis::Sheet b{{QStringLiteral("x")}};
        QCOMPARE(analysis::tabText({a, b}), QStringLiteral("科目\t人数\n语,文\t2\n\nx\n"));
        QCOMPARE(analysis::csvBytes({a, b}),
                 base::codec::encode(QStringLiteral("科目,人数\r\n\"语,文\",2\r\n\r\nx\r\n")));
    }

    // The printed page on the recording surface: one A4 page, the heading, the figures, a bar
    // per band, nothing below the bottom margin; a table of many fields still on one page.
    void printedPage_data()
    {
        QTest::addColumn<int>("fields");
        QTest::addColumn<int>("pages");
        QTest::newRow("three fields") << 3 << 1;
        QTest::newRow("forty fields") << 40 << 1;
        QTest::newRow("two hundred fields") << 200 << 0; // more than one page: at least two
    }
    void printedPage()
    {
        QFETCH(int, fields);
        QFETCH(int, pages);
        QStringList names;
        QStringList scores;
        for (int f = 0; f < fields; ++f) {
            names << QStringLiteral("科目%1").arg(f);
            scores << QString::number(60 + f % 40);
        }
        QList<QStringList> rows;
        for (int r = 0; r < 30; ++r)
            rows << scores;
        table::GradeTable t = namedTable(names, rows);
        t.title = QStringLiteral("高一（3）班期中");
        formula::Calculator calc;
        const analysis::TableAnalysis a(t, calc);
        const analysis::AnalysisResult result = a.analyse(a.preselectedColumns({}), {});
        QCOMPARE(result.fields.size(), fields);
        const analysis::AnalysisPage page = analysis::analysisPage(result, 0, QDate(2026, 12, 9));

        print::RecordingSurface out;
        QString error;
        QVERIFY2(analysis::layoutAnalysisPage(out, page, &error), qPrintable(error));
        if (pages > 0)
            QCOMPARE(out.pageCount(), pages);
        else
            QVERIFY(out.pageCount() >= 2);
        QStringList texts;
        int bars = 0;
        for (const print::Call &c : out.calls()) {
            if (c.kind == print::Call::Text || c.kind == print::Call::TextInRect)
                texts << c.text;
            bars += c.kind == print::Call::FilledBox;
            if (c.kind != print::Call::Cls && c.kind != print::Call::NewPage)
                QVERIFY2(std::max(c.y1, c.y2) <= print::kA4Height - 567 + 1 && std::max(c.x1, c.x2) <= print::kA4Width,
                         qPrintable(c.text));
        }
        QCOMPARE(bars, 5);
        for (const QString &s :
             {QStringLiteral("成绩分析：高一（3）班期中"), QStringLiteral("科目0"), QStringLiteral("60"),
              QStringLiteral("100.00%"), QStringLiteral("90～100"), QStringLiteral("60以下"),
              QStringLiteral("学科：科目0"), QStringLiteral("打印时间：2026/12/9")})
            QVERIFY2(texts.contains(s), qPrintable(s));
    }
};

QTEST_MAIN(AnalysisTest)
#include "tst_analysis.moc"
