// The analysis dialogs as the teacher meets them: the first choices, the figures worked out again
// at every change, the outputs 复制 and 保存为CSV, the choices remembered per user, the table left as
// it was, and the grade summary over the class tables read once.
#include "class_table.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/print/fonts.h"
#include "core/print/recording_surface.h"
#include "core/shell/school_tree.h"
#include "core/table/grade_table.h"
#include "core/ui/settings_store.h"
#include "gui/analysis/analysis_dialog.h"
#include "gui/analysis/grade_summary_dialog.h"
#include "scripted_prompter.h"
#include "widget_child.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace analysis;

namespace {
constexpr int kPassedColumn = 8; // 及格人数
} // namespace

class AnalysisDialogTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    table::GradeTable m_doc;

private slots:
    void initTestCase() { print::substituteChineseFonts(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_dir->path());
        m_doc = table::GradeTable();
        // 语文 71 … 75, 总分 its formula + 10: 81 … 85; 姓名 holds no scores.
        fillClassTable(m_doc,
                       {.students = 5, .firstScore = 70, .step = 1, .bonus = 10, .title = QStringLiteral("期中")});
        m_p.clear();
    }
    void cleanup() { VERIFY_PROMPTS(m_p); }

    // Each change shows new figures at once; 语文's 及格人数 and the number of fields analysed.
    void figuresFollowEveryChoice_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("passed");
        QTest::addColumn<int>("fields");
        QTest::addColumn<QString>("topBand");
        enum { None, PassLine, Uncheck, FullMarks, BadFullMarks };
        QTest::newRow("as it opens") << int(None) << QStringLiteral("5") << 2 << QStringLiteral("90～100");
        QTest::newRow("pass line 74%") << int(PassLine) << QStringLiteral("2") << 2 << QStringLiteral("90～100");
        QTest::newRow("总分 unchecked") << int(Uncheck) << QStringLiteral("5") << 1 << QStringLiteral("90～100");
        QTest::newRow("语文 out of 150") << int(FullMarks) << QStringLiteral("0") << 2 << QStringLiteral("140～150");
        QTest::newRow("full marks not a number")
            << int(BadFullMarks) << QStringLiteral("5") << 2 << QStringLiteral("90～100");
    }
    void figuresFollowEveryChoice()
    {
        QFETCH(int, change);
        QFETCH(QString, passed);
        QFETCH(int, fields);
        QFETCH(QString, topBand);
        const table::Grid before = m_doc.grid;
        AnalysisDialog d(m_doc, *m_ws, m_p, AnalysisOptions{});
        auto *marks = child<QTableWidget>(&d, "grdFullMarks");
        switch (change) {
        case 1:
            child<QSpinBox>(&d, "txtPass")->setValue(74);
            break;
        case 2:
            child<QListWidget>(&d, "lstFields")->item(2)->setCheckState(Qt::Unchecked);
            break;
        case 3:
            marks->item(1, 1)->setText(QStringLiteral("150"));
            break;
        case 4:
            marks->item(1, 1)->setText(QStringLiteral("满分"));
            QCOMPARE(marks->item(1, 1)->text(), QStringLiteral("100"));
            break;
        }
        auto *figures = child<QTableWidget>(&d, "grdFigures");
        QCOMPARE(figures->rowCount(), fields);
        QCOMPARE(figures->item(0, 0)->text(), QStringLiteral("语文"));
        QCOMPARE(figures->item(0, kPassedColumn)->text(), passed);
        QCOMPARE(child<QTableWidget>(&d, "grdBands")->item(0, 0)->text(), topBand);
        QVERIFY(d.findChild<QWidget *>(QStringLiteral("picChart")));
        // Only read: no change marker, no cell touched, formulas kept as formulas.
        QVERIFY(!m_doc.isModified());
        for (int r = 0; r < before.Rows(); ++r)
            for (int c = 0; c < before.Cols(); ++c)
                QCOMPARE(m_doc.grid.TextMatrix(r, c), before.TextMatrix(r, c));
    }

    void copyAndCsvHoldBothTables()
    {
        AnalysisDialog d(m_doc, *m_ws, m_p, AnalysisOptions{});
        d.copyTables();
        const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
        QVERIFY(lines.first().startsWith(QStringLiteral("科目\t人数\t实考")));
        QVERIFY(lines.contains(QStringLiteral("科目\t分数段\t人数\t比例")));
        const QString path = m_dir->filePath(QStringLiteral("分析.csv"));
        m_p.expectSaveFile(path);
        d.saveCsv();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith(base::codec::encode(QStringLiteral("科目,人数,实考"))));
        QVERIFY(bytes.contains("\r\n"));
    }

    // 期中 of 初一: （1）班 语文 50 and 70, （2）班 65, （3）班 without the table. The tables are read
    // when the dialog opens: a new pass line after they are gone still gives new rates. The note
    // stands under the table and on the printed page.
    void gradeSummaryReadsTheTablesOnce()
    {
        m_ws->tablePassword = QStringLiteral("pw");
        const QStringList classes{QStringLiteral("（1）班"), QStringLiteral("（2）班"), QStringLiteral("（3）班")};
        QVERIFY(
            shell::writeSchool(m_ws->schoolInfoFile(), {QStringLiteral("一中"), {{QStringLiteral("初一"), classes}}}));
        const struct {
            int students, first;
        } shapes[] = {{2, 30}, {1, 45}}; // the first score is first + step
        for (int k = 0; k < 2; ++k) {
            const QString folder = m_ws->tableDataDir() + QStringLiteral("一中/初一/") + classes[k];
            QVERIFY(QDir().mkpath(folder));
            table::GradeTable t;
            fillClassTable(t, {.students = shapes[k].students,
                               .firstScore = shapes[k].first,
                               .step = 20,
                               .bonus = 10,
                               .title = QStringLiteral("期中")});
            QVERIFY(saveTable(m_ws->programDir(), m_ws->tablePassword, folder + QStringLiteral("/期中"), t));
        }
        const QList<shell::TreeNode> nodes = shell::treeNodes(*shell::readSchool(m_ws->schoolInfoFile()));
        const int grade = shell::nodeByPath(nodes, QStringLiteral("一中/初一"));
        GradeSummaryDialog d(nodes, grade, gradeTableNames(*m_ws, nodes, grade), *m_ws, m_p, AnalysisOptions{});
        QVERIFY(child<QSpinBox>(&d, "txtBand")->isHidden());
        auto *grid = child<QTableWidget>(&d, "grdSummary");
        const auto column = [&](int c) {
            QStringList texts;
            for (int r = 0; r < grid->rowCount(); ++r)
                texts << grid->item(r, c)->text();
            return texts;
        };
        QCOMPARE(column(0), (QStringList{classes[0], classes[1], QStringLiteral("年级")}));
        QCOMPARE(column(2), (QStringList{QStringLiteral("60"), QStringLiteral("65"), QStringLiteral("61.67")}));
        QCOMPARE(column(3),
                 (QStringList{QStringLiteral("50.00%"), QStringLiteral("100.00%"), QStringLiteral("66.67%")}));
        QCOMPARE(column(5), (QStringList{QStringLiteral("2"), QStringLiteral("1"), QString()}));
        const QString note = QStringLiteral("（3）班：没有表格“期中”");
        QCOMPARE(child<QLabel>(&d, "lblNotes")->text(), note);

        QVERIFY(QDir(m_ws->tableDataDir()).removeRecursively());
        child<QSpinBox>(&d, "txtPass")->setValue(66);
        QCOMPARE(column(3), (QStringList{QStringLiteral("50.00%"), QStringLiteral("0.00%"), QStringLiteral("33.33%")}));

        print::RecordingSurface out;
        QString error;
        QVERIFY2(layoutAnalysisPage(out, d.page(), &error), qPrintable(error));
        QStringList texts;
        for (const print::Call &c : out.calls())
            texts << c.text;
        for (const QString &s :
             {QStringLiteral("成绩分析：初一 期中"), note, QStringLiteral("33.33%"), QStringLiteral("语文平均分")})
            QVERIFY2(texts.contains(s), qPrintable(s));
        QCOMPARE(out.pageCount(), 1);
    }

    void choicesAreRememberedPerUser()
    {
        ui::MemorySettingsStore settings;
        AnalysisOptions o;
        o.passPercent = 70;
        o.bandWidth = 5;
        rememberOptions(&settings, QStringLiteral("张老师"), o);
        QCOMPARE(rememberedOptions(&settings, QStringLiteral("张老师")).passPercent, 70.0);
        QCOMPARE(rememberedOptions(&settings, QStringLiteral("张老师")).bandWidth, 5);
        QCOMPARE(rememberedOptions(&settings, QStringLiteral("李老师")).passPercent, 60.0);
    }
};

QTEST_MAIN(AnalysisDialogTest)
#include "tst_analysis_dialog.moc"
