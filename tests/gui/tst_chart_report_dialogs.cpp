// The chart window ChartDialog and the report window ReportDialog as the user meets them: controls,
// captions and first values, the number boxes' filters, the message when nothing is chosen, the
// preview picture and the corrected boxes, the bar chart refusing several subjects, the rows listed by the display
// field; opening a template (and a malformed one leaving the window usable), binding and unbinding, the binding-file
// menu, the paper switch, the range guard, the scroll bars; and the registered commands.
#include "class_table.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/fonts.h"
#include "core/table/command.h"
#include "core/table/grade_table.h"
#include "core/table/table_file.h"
#include "gui/print/chart_dialog.h"
#include "gui/print/print_preview_view.h"
#include "gui/print/report_dialog.h"
#include "scripted_prompter.h"
#include "widget_child.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QValidator>
#include <QtTest>

using namespace print;

namespace {

int inkIn(const QImage &image)
{
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += image.pixel(x, y) != qRgb(255, 255, 255);
    return ink;
}

const QString kBar = QStringLiteral("｜");

} // namespace

class ChartReportDialogsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    table::GradeTable m_doc;

    std::unique_ptr<ChartDialog> chartDialog(std::shared_ptr<const ChartJob> job)
    {
        ChartDialog::Actions a;
        a.rowTexts = [job](int field) { return job->rowTexts(field); };
        a.preview = [this, job](ChartOptions &o) {
            return std::shared_ptr<const RecordingSurface>(job->preview(o, m_p));
        };
        auto d = std::make_unique<ChartDialog>(job->fieldNames(), job->initialOptions(QDate(2026, 12, 8)), a);
        d->show();
        return d;
    }
    QString writeCard(const QString &name, const QString &page = QStringLiteral("0"))
    {
        const QString path = m_dir->filePath(name);
        base::codec::writeLines(
            path, {QStringLiteral("[Information]"), QStringLiteral("LinesNum=0"), QStringLiteral("LabelsNum=2"),
                   QStringLiteral("Page=") + page, QStringLiteral("[Lines]"), QStringLiteral("0=1000,1000,9000,1000"),
                   QStringLiteral("[Labels]"), QStringLiteral("0=") + reportLabel(QStringLiteral("姓名"), 1200, 1000),
                   QStringLiteral("1=") + reportLabel(QStringLiteral("（姓名）"), 1200, 3000),
                   QStringLiteral("2=") + reportLabel(QStringLiteral("评语[/]良好"), 3000, 1000)});
        return path;
    }

private slots:
    void initTestCase() { substituteChineseFonts(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_dir->path());
        m_doc = table::GradeTable();
        fillClassTable(m_doc,
                       {.students = 5, .firstScore = 70, .step = 1, .bonus = 10, .title = QStringLiteral("期中成绩")});
        m_p.clear();
    }
    void cleanup() { VERIFY_PROMPTS(m_p); }

    void chartControls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("Option1") << "Option1" << QStringLiteral("折线图");
        QTest::newRow("Option2") << "Option2" << QStringLiteral("柱形图");
        QTest::newRow("Option4") << "Option4" << QStringLiteral("降序↑");
        QTest::newRow("Option3") << "Option3" << QStringLiteral("升序↓");
        QTest::newRow("Command4") << "Command4" << QStringLiteral("刷新预览");
        QTest::newRow("Command5") << "Command5" << QStringLiteral("打印");
        QTest::newRow("Command1") << "Command1" << QStringLiteral("打印设置");
        QTest::newRow("cmdPdf") << "cmdPdf" << QStringLiteral("导出PDF");
    }
    void chartControls()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        const auto d = chartDialog(std::make_shared<ChartJob>(m_doc, formula::calculator(*m_ws)));
        QCOMPARE(d->windowTitle(), QStringLiteral("图表（A4纵向，约半张）"));
        QCOMPARE(d->findChild<QAbstractButton *>(name)->text(), text);
        QVERIFY(child<QRadioButton>(d.get(), "Option2")->isChecked());
        QVERIFY(child<QRadioButton>(d.get(), "Option4")->isChecked());
        QCOMPARE(child<QLineEdit>(d.get(), "Text1")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLineEdit>(d.get(), "Text2")->text(), QStringLiteral("100"));
        QCOMPARE(child<QLineEdit>(d.get(), "Text3")->text(), QStringLiteral("10"));
        QCOMPARE(child<QLineEdit>(d.get(), "Text6")->text(), QStringLiteral("期中成绩"));
        QVERIFY(child<QLabel>(d.get(), "Label9")->text().contains(QStringLiteral("保存图片")));
        auto *list1 = child<QListWidget>(d.get(), "List1");
        QCOMPARE(list1->count(), 3);
        QCOMPARE(list1->currentRow(), 0);
        QCOMPARE(list1->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(child<QComboBox>(d.get(), "Combo1")->currentText(), QStringLiteral("姓名"));
        auto *list2 = child<QListWidget>(d.get(), "List2");
        QCOMPARE(list2->count(), 5);
        QCOMPARE(list2->item(4)->text(), QStringLiteral("学生5"));
        QCOMPARE(list2->selectionMode(), QAbstractItemView::MultiSelection);
        QCOMPARE(child<QLabel>(d.get(), "Picture1")->size(), QSize(467, 307));
        QCOMPARE(d->findChildren<QGroupBox *>().first()->title(), QStringLiteral("图表类型："));
    }

    // The number boxes take digits only, up to their limits.
    void numberBoxes_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("segments 100") << "Text3"
                                      << "100" << true;
        QTest::newRow("segments 101") << "Text3"
                                      << "101" << false;
        QTest::newRow("segments 00") << "Text3"
                                     << "00" << true;
        QTest::newRow("maximum 100000") << "Text2"
                                        << "100000" << true;
        QTest::newRow("maximum 100001") << "Text2"
                                        << "100001" << false;
        QTest::newRow("minus") << "Text1"
                               << "-5" << false;
        QTest::newRow("letters") << "Text2"
                                 << "1e3" << false;
        QTest::newRow("full-width digits") << "Text2" << QStringLiteral("１０") << false;
    }
    void numberBoxes()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        const auto d = chartDialog(std::make_shared<ChartJob>(m_doc, formula::calculator(*m_ws)));
        const QValidator *v = d->findChild<QLineEdit *>(box)->validator();
        QVERIFY(v);
        int pos = 0;
        QCOMPARE(v->validate(typed, pos) == QValidator::Acceptable, accepted);
    }

    // 刷新预览 without a ticked field: the message, the picture stays white. With one: the picture,
    // and a maximum of "0" shown as "1".
    void refreshThePreview()
    {
        const auto d = chartDialog(std::make_shared<ChartJob>(m_doc, formula::calculator(*m_ws)));
        auto *list2 = child<QListWidget>(d.get(), "List2");
        list2->item(1)->setSelected(true);
        list2->item(3)->setSelected(true);
        m_p.expectMessage(QStringLiteral("请先选择要处理的数据（字段、处理对象）。"), QStringLiteral("提示"));
        QTest::mouseClick(child<QPushButton>(d.get(), "Command4"), Qt::LeftButton);
        QCOMPARE(inkIn(d->picture()), 0);
        QVERIFY(!d->previewPages());

        child<QListWidget>(d.get(), "List1")->item(2)->setCheckState(Qt::Checked);
        child<QLineEdit>(d.get(), "Text2")->setText(QStringLiteral("0"));
        child<QLineEdit>(d.get(), "Text3")->setText(QString());
        QTest::mouseClick(child<QPushButton>(d.get(), "Command4"), Qt::LeftButton);
        QCOMPARE(child<QLineEdit>(d.get(), "Text2")->text(), QStringLiteral("1"));
        QCOMPARE(child<QLineEdit>(d.get(), "Text3")->text(), QStringLiteral("1"));
        QVERIFY(inkIn(d->picture()) > 500);
        const QImage shown = child<QLabel>(d.get(), "Picture1")->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(467, 307));
        QVERIFY(inkIn(shown) > 500);
        const ChartOptions o = d->options();
        QCOMPARE(o.fields, QList<int>{3});
        QCOMPARE(o.rows, (QList<int>{2, 4}));
        QVERIFY(o.bar);
    }

    // 柱形图 with two ticked subjects: the message, nothing drawn (an earlier picture stays); a
    // line chart takes both.
    void barChartWithSeveralSubjects_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QList<int>>("ticked"); // List1 rows
        QTest::addColumn<bool>("drawn");
        QTest::newRow("bar, two subjects") << "Option2" << QList<int>{1, 2} << false;
        QTest::newRow("bar, one subject") << "Option2" << QList<int>{2} << true;
        QTest::newRow("line, two subjects") << "Option1" << QList<int>{1, 2} << true;
    }
    void barChartWithSeveralSubjects()
    {
        QFETCH(QString, type);
        QFETCH(QList<int>, ticked);
        QFETCH(bool, drawn);
        const auto d = chartDialog(std::make_shared<ChartJob>(m_doc, formula::calculator(*m_ws)));
        child<QListWidget>(d.get(), "List2")->item(0)->setSelected(true);
        child<QListWidget>(d.get(), "List1")->item(1)->setCheckState(Qt::Checked);
        QTest::mouseClick(child<QPushButton>(d.get(), "Command4"), Qt::LeftButton);
        const QImage before = d->picture();
        QVERIFY(inkIn(before) > 500);

        for (int i = 0; i < 3; ++i)
            child<QListWidget>(d.get(), "List1")
                ->item(i)
                ->setCheckState(ticked.contains(i) ? Qt::Checked : Qt::Unchecked);
        child<QRadioButton>(d.get(), qPrintable(type))->setChecked(true);
        if (!drawn)
            m_p.expectMessage(QStringLiteral("柱形图只能选择一个科目。"), QStringLiteral("提示"));
        QTest::mouseClick(child<QPushButton>(d.get(), "Command4"), Qt::LeftButton);
        QCOMPARE(d->picture() == before, !drawn);
        QVERIFY(m_p.shown.isEmpty() || m_p.shown.last().icon == ui::Icon::Information);
    }

    // Another display field lists the rows by its text, keeping the chosen rows.
    void rowsFollowTheDisplayField()
    {
        const auto d = chartDialog(std::make_shared<ChartJob>(m_doc, formula::calculator(*m_ws)));
        auto *list2 = child<QListWidget>(d.get(), "List2");
        list2->item(2)->setSelected(true);
        child<QComboBox>(d.get(), "Combo1")->setCurrentIndex(2);
        QCOMPARE(list2->item(0)->text(), QStringLiteral("81")); // 总分, a formula's value
        QVERIFY(list2->item(2)->isSelected());
        QCOMPARE(d->options().labelField, 3);
    }

    void chartCommandOpensTheWindow()
    {
        table::CommandRegistry registry;
        registerChartDialogs(registry);
        table::TableFile files(*m_ws, m_p);
        table::CommandContext ctx{m_doc, *m_ws, m_p, files};
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *d = dynamic_cast<ChartDialog *>(QApplication::activeModalWidget());
            seen = d && d->options().title == QStringLiteral("期中成绩");
            if (d)
                d->reject();
        });
        registry.find(QStringLiteral("menuPrintTB"))->run(ctx);
        QVERIFY(seen);
        QVERIFY(!m_doc.isModified());
        QCOMPARE(m_doc.grid.TextMatrix(1, 3), QStringLiteral("！公式：cell(?,2)+10"));
    }

    // ReportDialog: its menus, a template opened with its labels, a malformed one refused with the
    // window as it was, binding and unbinding, the binding files.
    void reportWindow()
    {
        ReportSession session(m_doc, formula::calculator(*m_ws), *m_ws);
        ReportDialog d(session, m_p, *m_ws, {});
        d.show();
        QCOMPARE(d.windowTitle(), QStringLiteral("报表打印"));
        auto *print = child<QAction>(&d, "menuPrint");
        QCOMPARE(print->text(), QStringLiteral("开始打印(&P)"));
        QVERIFY(!print->isEnabled());
        QCOMPARE(child<QMenu>(&d, "menuLinkData")->title(), QStringLiteral("引用数据与标签绑定(&L)"));
        QCOMPARE(d.linkFileEntries().size(), 1);
        QCOMPARE(d.linkFileEntries()[0]->text(), QStringLiteral("没有绑定数据文件"));
        QVERIFY(!d.linkFileEntries()[0]->isEnabled());
        auto *fields = child<QComboBox>(&d, "Combo2");
        QCOMPARE(fields->count(), 3);
        QCOMPARE(fields->currentText(), QStringLiteral("总分"));
        QCOMPARE(child<QComboBox>(&d, "Combo5")->count(), 5);
        QVERIFY(child<QRadioButton>(&d, "Option2")->isChecked());

        m_p.expectOpenFile(writeCard(QStringLiteral("card.rpl")), QStringLiteral("*.rpl"));
        d.openTemplate();
        QCOMPARE(m_p.shown.last().title, QStringLiteral("打开"));
        auto *labels = child<QComboBox>(&d, "Combo1");
        QCOMPARE(labels->count(), 3);
        QCOMPARE(labels->currentText(), QStringLiteral("评语[/]良好"));
        QVERIFY(print->isEnabled());
        QVERIFY(d.preview()->pages()->hasDrawing());

        labels->setCurrentIndex(1);
        fields->setCurrentIndex(0);
        d.bindLabel();
        d.bindLabel();
        auto *bound = child<QListWidget>(&d, "List1");
        QCOMPARE(bound->count(), 1);
        QCOMPARE(bound->item(0)->text(), QStringLiteral("（姓名） = 姓名"));

        // A malformed template: the message, and the window keeps its template and bindings.
        const QString bad = m_dir->filePath(QStringLiteral("bad.rpl"));
        base::codec::writeLines(bad, {QStringLiteral("[Information]"), QStringLiteral("LinesNum=x")});
        m_p.expectOpenFile(bad, QStringLiteral("*.rpl"));
        m_p.expectMessage(QStringLiteral("文件格式错误，不是有效的报表模板文件。"), QStringLiteral("错误"));
        d.openTemplate();
        QCOMPARE(labels->count(), 3);
        QCOMPARE(bound->count(), 1);
        QVERIFY(print->isEnabled());

        m_p.expectInput(QStringLiteral("请输入要保存的引用数据的文件名:"), QStringLiteral("一班"),
                        QStringLiteral("保存"));
        d.saveBinding();
        QCOMPARE(d.linkFileEntries().size(), 1);
        QCOMPARE(d.linkFileEntries()[0]->text(), QStringLiteral("一班.bind"));
        QVERIFY(d.linkFileEntries()[0]->isEnabled());

        bound->setCurrentRow(0);
        m_p.expectQuestion(QStringLiteral("是否取消绑定：（姓名） = 姓名 ？"), ui::Answer::Yes, QStringLiteral("提示"));
        d.unbindLabel();
        QCOMPARE(bound->count(), 0);
        d.linkFileEntries()[0]->trigger();
        QCOMPARE(bound->count(), 1);
        QCOMPARE(session.pageTexts(2)[1], QStringLiteral("学生2"));
    }

    // The paper switch redraws the page turned; the range guard holds on both boxes; the preview
    // scrolls over the whole page.
    void reportPaperRangeAndScrolling()
    {
        ReportSession session(m_doc, formula::calculator(*m_ws), *m_ws);
        QVERIFY(session.openTemplate(writeCard(QStringLiteral("card.rpl")), m_p));
        ReportDialog d(session, m_p, *m_ws, {});
        d.resize(900, 700);
        d.show();
        PreviewView *view = d.preview();
        QCOMPARE(view->pictureWidth(), kA4Width);
        QVERIFY(view->vscScroll()->maximum() > 0);
        const int lines = [&] {
            int n = 0;
            for (const Call &c : view->pages()->calls())
                n += c.kind == Call::Line;
            return n;
        }();
        QCOMPARE(lines, 1);
        child<QRadioButton>(&d, "Option5")->click();
        QCOMPARE(view->pictureWidth(), kA4Height);
        QCOMPARE(view->pictureHeight(), kA4Width);
        int linesAfter = 0;
        for (const Call &c : view->pages()->calls())
            linesAfter += c.kind == Call::Line;
        QCOMPARE(linesAfter, 1);
        QVERIFY(session.landscape());

        auto *first = child<QComboBox>(&d, "Combo4");
        auto *last = child<QComboBox>(&d, "Combo5");
        child<QRadioButton>(&d, "Option3")->click();
        last->setCurrentIndex(1);
        first->setCurrentIndex(3);
        QCOMPARE(last->currentIndex(), 3);
        last->setCurrentIndex(0);
        QCOMPARE(last->currentIndex(), 3);
        last->setCurrentIndex(4);
        QCOMPARE(session.items(d.itemChoice()), (QList<int>{4, 5}));
        // Below the preview the controls keep 2200 twips.
        QCOMPARE(d.height() - (view->geometry().bottom() + 1), 2200 / 15);
    }

    // An underlined label keeps its line right under its text in the window, where the preview
    // paints at an offset from the window's corner.
    void underlineUnderItsText()
    {
        const QString path = m_dir->filePath(QStringLiteral("sign.rpl"));
        QStringList fields = reportLabel(QStringLiteral("家长签字"), 1500, 1500).split(kBar);
        fields[8] = QStringLiteral("1");
        base::codec::writeLines(path, {QStringLiteral("[Information]"), QStringLiteral("LinesNum=-1"),
                                       QStringLiteral("LabelsNum=0"), QStringLiteral("[Labels]"),
                                       QStringLiteral("0=") + fields.join(kBar)});
        ReportSession session(m_doc, formula::calculator(*m_ws), *m_ws);
        QVERIFY(session.openTemplate(path, m_p));
        ReportDialog d(session, m_p, *m_ws, {});
        d.resize(900, 700);
        d.show();
        const QImage shot = d.grab().toImage();
        const QPoint at = d.preview()->picTarget()->mapTo(&d, QPoint(0, 0));
        QVERIFY(at.y() > 0);
        const int top = at.y() + 1500 / 15;
        int lowest = -1;
        for (int y = top - 5; y < top + 60; ++y)
            for (int x = at.x() + 100; x < at.x() + 160; ++x)
                if (qGray(shot.pixel(x, y)) < 100)
                    lowest = y;
        // 12 points are 16 pixels: the line lies within the text's line.
        QVERIFY2(lowest >= top + 12 && lowest <= top + 17, qPrintable(QString::number(lowest - top)));
    }

    void reportCommands()
    {
        table::CommandRegistry registry;
        registerReportDialogs(registry);
        table::TableFile files(*m_ws, m_p);
        table::CommandContext ctx{m_doc, *m_ws, m_p, files};
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<ReportDialog *>(QApplication::activeModalWidget());
            seen = d && d->findChild<QComboBox *>(QStringLiteral("Combo3"))->count() == 5;
            if (d)
                d->reject();
        });
        registry.find(QStringLiteral("menuPrintBB"))->run(ctx);
        QVERIFY(seen);
        m_p.expectMessage(QStringLiteral("无法找到组件：报表生成器.exe"), QStringLiteral("错误"));
        registry.find(QStringLiteral("menuBBedit"))->run(ctx);
    }

    // The report designer beside the program runs as a process of its own.
    void startsANativeDesigner()
    {
        const QString marker = m_dir->filePath(QStringLiteral("started"));
        const QString program = m_ws->programDir() + QStringLiteral("报表生成器");
        base::codec::writeText(program, QStringLiteral("#!/bin/sh\ntouch '") + marker + QStringLiteral("'\n"));
        QFile(program).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        table::CommandRegistry registry;
        registerReportDialogs(registry);
        table::TableFile files(*m_ws, m_p);
        table::CommandContext ctx{m_doc, *m_ws, m_p, files};
        registry.find(QStringLiteral("menuBBedit"))->run(ctx);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    }
};

QTEST_MAIN(ChartReportDialogsTest)
#include "tst_chart_report_dialogs.moc"
