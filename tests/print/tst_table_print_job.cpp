// Preview and printing of a grade table: the page and row choices, what each page holds, heading
// and trailer, formulas printed as values with the table left untouched, the printer's and the
// PDF's pages, and every failure with its message.
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/fonts.h"
#include "core/print/painter_surface.h"
#include "core/print/printer.h"
#include "core/print/table_print_job.h"
#include "core/table/grade_table.h"
#include "scripted_prompter.h"
#include "test_support.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace print;

namespace {

// A class of `students` with 姓名, 语文, 数学 and the formula 总分 = 语文 + 数学.
void makeClass(table::GradeTable &t, int students)
{
    table::Grid &g = t.grid;
    g.setRows(students + 1);
    g.setCols(5);
    g.setTextMatrix(0, 1, QStringLiteral("姓名"));
    g.setTextMatrix(0, 2, QStringLiteral("语文"));
    g.setTextMatrix(0, 3, QStringLiteral("数学"));
    g.setTextMatrix(0, 4, QStringLiteral("总分"));
    t.rebuildHeader();
    for (int r = 1; r <= students; ++r) {
        g.setTextMatrix(r, 1, QStringLiteral("学生%1").arg(r));
        g.setTextMatrix(r, 2, QString::number(50 + r % 50));
        g.setTextMatrix(r, 3, QString::number(40 + r % 60));
        g.setTextMatrix(r, 4, QStringLiteral("！公式：cell(?,2)+cell(?,3)"));
    }
    t.title = QStringLiteral("期中成绩");
    t.teacher = QStringLiteral("李老师");
    t.classInfo = QStringLiteral("初二（1）班\n共 %1 人").arg(students);
}

// Printers for tests: each job is recorded; `failAt` makes the device fail at that call.
class FakePrinters : public PrinterSystem {
public:
    QStringList names;
    QList<std::shared_ptr<CallList>> jobs;
    QList<PrinterValues> applied;
    QStringList opened;
    bool failOnEnd = false;

    class Device : public RecordingSurface {
    public:
        Device(std::shared_ptr<CallList> log, bool failOnEnd) : m_log(std::move(log)), m_fail(failOnEnd) {}
        bool killed = false;

    protected:
        void emitCall(const Call &c) override { m_log->push_back(c); }
        bool finishDocument() override
        {
            if (m_fail)
                fail(QStringLiteral("offline"));
            return !m_fail;
        }

    private:
        std::shared_ptr<CallList> m_log;
        bool m_fail;
    };

    QStringList printerNames() const override { return names; }
    QString defaultPrinterName() const override { return names.value(1); }
    PrinterValues currentValues(const QString &) const override { return {}; }
    std::unique_ptr<Surface> open(const QString &name, const PrinterValues &values, const QString &) override
    {
        opened << name;
        applied << values;
        jobs << std::make_shared<CallList>();
        return std::make_unique<Device>(jobs.last(), failOnEnd);
    }
};

// The texts of a recording by page (NewPage calls, or A4 bands of a tall preview).
QList<QStringList> textsByPage(const CallList &calls, bool byBand)
{
    QList<QStringList> pages{{}};
    for (const Call &c : calls) {
        if (c.kind == Call::NewPage) {
            pages.append(QStringList());
            continue;
        }
        if (c.kind != Call::Text && c.kind != Call::TextInRect)
            continue;
        const int page = byBand ? int(c.y1 / kA4Height) : int(pages.size()) - 1;
        while (pages.size() <= page)
            pages.append(QStringList());
        pages[page] << c.text;
    }
    return pages;
}

// The row numbers (the texts of column 0 below the header) by page, in order.
QList<QStringList> rowNumbers(const CallList &calls, bool byBand)
{
    QList<QStringList> pages{{}};
    for (const Call &c : calls) {
        if (c.kind == Call::NewPage)
            pages.append(QStringList());
        if (c.kind != Call::TextInRect || c.x1 > 700 || c.text.trimmed().isEmpty())
            continue;
        const int page = byBand ? int(c.y1 / kA4Height) : int(pages.size()) - 1;
        while (pages.size() <= page)
            pages.append(QStringList());
        pages[page] << c.text;
    }
    return pages;
}

} // namespace

class TablePrintJobTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    table::GradeTable m_doc;

    std::unique_ptr<RecordingSurface> preview(const PrintOptions &o)
    {
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        return job.preview(o, *m_ws, m_p);
    }

private slots:
    void initTestCase() { substituteChineseFonts(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_dir->path());
        m_ws->setPanelText(1, QStringLiteral("就绪"));
        m_p.clear();
        m_doc = table::GradeTable();
        makeClass(m_doc, 129);
    }
    void cleanup() { VERIFY_PROMPTS(m_p); }

    void pageChoices_data()
    {
        QTest::addColumn<int>("students");
        QTest::addColumn<int>("pages");
        QTest::newRow("none") << 0 << 1;
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("64") << 64 << 1;
        QTest::newRow("65") << 65 << 2;
        QTest::newRow("129: the last student needs a third page") << 129 << 3;
    }
    void pageChoices()
    {
        QFETCH(int, students);
        QFETCH(int, pages);
        table::GradeTable t;
        makeClass(t, students);
        TablePrintJob job(t, formula::calculator(*m_ws));
        QCOMPARE(job.pageCount(), pages);
        QStringList expected{QStringLiteral("全部")};
        for (int p = 1; p <= pages; ++p)
            expected << QString::number(p);
        QCOMPARE(job.pageChoices(), expected);
        QCOMPARE(job.rowChoices().size(), students + 1);
        QCOMPARE(job.rowChoices().first(), QStringLiteral("任意"));
    }

    void initialOptions()
    {
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        const PrintOptions o = job.initialOptions(QDate(2026, 12, 8));
        QCOMPARE(o.title, QStringLiteral("期中成绩"));
        QCOMPARE(o.printTime, QStringLiteral("打印时间：2026/12/8"));
        QVERIFY(o.teacher && o.classInfo && o.lines && o.fitToPaper);
        QCOMPARE(o.page, 0);
        QCOMPARE(o.row, 0);
        m_doc.teacher.clear();
        QVERIFY(!TablePrintJob(m_doc, formula::calculator(*m_ws)).initialOptions(QDate(2026, 1, 2)).teacher);
    }

    // Each page of the preview: its first and last student, the heading on page 1 and the
    // trailer on the last page only.
    void previewPages_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("height"); // in A4 pages
        QTest::addColumn<QStringList>("firstAndLast");
        QTest::addColumn<bool>("heading");
        QTest::addColumn<bool>("trailer");
        QTest::newRow("all") << 0 << 0 << 3 << QStringList{QStringLiteral("1"), QStringLiteral("129")} << true << true;
        QTest::newRow("page 1") << 1 << 0 << 1 << QStringList{QStringLiteral("1"), QStringLiteral("64")} << true
                                << false;
        QTest::newRow("page 2") << 2 << 0 << 1 << QStringList{QStringLiteral("65"), QStringLiteral("128")} << false
                                << false;
        QTest::newRow("page 3") << 3 << 0 << 1 << QStringList{QStringLiteral("129"), QStringLiteral("129")} << false
                                << true;
        QTest::newRow("one row") << 0 << 77 << 1 << QStringList{QStringLiteral("77"), QStringLiteral("77")} << true
                                 << true;
    }
    void previewPages()
    {
        QFETCH(int, page);
        QFETCH(int, row);
        QFETCH(int, height);
        QFETCH(QStringList, firstAndLast);
        QFETCH(bool, heading);
        QFETCH(bool, trailer);
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        PrintOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.page = page;
        o.row = row;
        const auto out = job.preview(o, *m_ws, m_p);
        QCOMPARE(out->Height(), height * kA4Height);
        const QList<QStringList> pages = textsByPage(out->calls(), true);
        const QList<QStringList> numbersByPage = rowNumbers(out->calls(), true);
        QStringList numbers;
        for (const QStringList &p : numbersByPage)
            numbers += p;
        QCOMPARE(numbers.first(), firstAndLast[0]);
        QCOMPARE(numbers.last(), firstAndLast[1]);
        QCOMPARE(pages.first().contains(QStringLiteral("期中成绩")), heading);
        QCOMPARE(pages.first().contains(QStringLiteral("教师： 李老师")), heading);
        QCOMPARE(pages.last().contains(QStringLiteral("打印时间：2026/12/8")), trailer);
        QCOMPARE(pages.last().contains(QStringLiteral("初二（1）班")), trailer);
        QCOMPARE(m_ws->panelText(1), QStringLiteral("就绪"));
        if (page == 0 && row == 0) {
            QCOMPARE(numbersByPage[0].size(), 64);
            QCOMPARE(numbersByPage[1].first(), QStringLiteral("65"));
            QCOMPARE(numbersByPage[1].last(), QStringLiteral("128"));
        }
    }

    // A page of the work grid has the table's columns with the table's own widths.
    void workGridKeepsTheColumnWidths()
    {
        m_doc.grid.setColWidth(1, 2345);
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        PrintOptions o;
        o.page = 2;
        const table::Grid work = job.workGrid(o);
        QCOMPARE(work.Rows(), 65);
        QCOMPARE(work.Cols(), 5);
        QCOMPARE(work.ColWidth(1), 2345);
        QCOMPARE(work.TextMatrix(0, 4), QStringLiteral("总分"));
        QCOMPARE(work.TextMatrix(64, 1), QStringLiteral("学生128"));
    }

    void formulasPrintAsValuesAndTheTableStaysAsItWas()
    {
        m_doc.grid.setTextMatrix(1, 2, QStringLiteral("90"));
        m_doc.grid.setTextMatrix(1, 3, QStringLiteral("85.5"));
        m_doc.beginChange();
        m_doc.grid.setTextMatrix(2, 2, QStringLiteral("新值"));
        m_doc.settleChange();
        const table::Grid before = m_doc.grid;
        m_doc.markSaved();
        PrintOptions o;
        o.row = 1;
        const auto out = preview(o);
        QVERIFY(textsByPage(out->calls(), true)[0].contains(QStringLiteral("175.5")));
        for (int r = 0; r < before.Rows(); ++r)
            for (int c = 0; c < before.Cols(); ++c)
                QCOMPARE(m_doc.grid.TextMatrix(r, c), before.TextMatrix(r, c));
        QCOMPARE(m_doc.history().stepCount(), 1);
        QVERIFY(!m_doc.redoEnabled());
        QVERIFY(!m_doc.isModified());
    }

    void pageLinesAndBoxesFollowTheLinesOption_data()
    {
        QTest::addColumn<bool>("lines");
        QTest::newRow("lines") << true;
        QTest::newRow("no lines") << false;
    }
    void pageLinesAndBoxesFollowTheLinesOption()
    {
        QFETCH(bool, lines);
        PrintOptions o;
        o.lines = lines;
        const auto out = preview(o);
        int boxes = 0, grey = 0;
        for (const Call &c : out->calls()) {
            boxes += c.kind == Call::Box;
            if (c.kind == Call::Line && c.color == 0xff808080) {
                ++grey;
                QCOMPARE(c.y1, std::round(c.y1 / kA4Height) * kA4Height); // at a page's edge
                QCOMPARE(c.x2 - c.x1, kA4Width);
            }
        }
        QCOMPARE(grey, lines ? 2 : 0);
        QCOMPARE(boxes > 0, lines);
    }

    void withoutTeacherNoTeacherLine()
    {
        m_doc.teacher.clear();
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        const auto out = job.preview(job.initialOptions(QDate(2026, 1, 1)), *m_ws, m_p);
        for (const Call &c : out->calls())
            QVERIFY(!c.text.startsWith(QStringLiteral("教师")));
    }

    // 64 students fill the first page: the trailer goes to a page of its own, at the top margin
    // and without the table's header.
    void trailerMovesToANewPage_data()
    {
        QTest::addColumn<int>("students");
        QTest::addColumn<int>("trailerPage");
        QTest::newRow("fits") << 60 << 0;
        QTest::newRow("does not fit") << 64 << 1;
    }
    void trailerMovesToANewPage()
    {
        QFETCH(int, students);
        QFETCH(int, trailerPage);
        table::GradeTable t;
        makeClass(t, students);
        TablePrintJob job(t, formula::calculator(*m_ws));
        const PrintOptions o = job.initialOptions(QDate(2026, 12, 8));
        for (const auto output : {TablePrintJob::Output::Preview, TablePrintJob::Output::Paper}) {
            RecordingSurface out;
            QVERIFY(job.layout(out, o, output, 1, nullptr));
            const bool preview = output == TablePrintJob::Output::Preview;
            const QList<QStringList> pages = textsByPage(out.calls(), preview);
            QCOMPARE(pages.size(), trailerPage + 1);
            QVERIFY(pages.last().contains(o.printTime));
            // The trailer's first line (the class information, under an empty line) on its page.
            const auto info = std::find_if(out.calls().begin(), out.calls().end(),
                                           [](const Call &c) { return c.text == QStringLiteral("初二（1）班"); });
            QVERIFY(info != out.calls().end());
            if (trailerPage == 1) {
                QVERIFY(!pages[1].contains(QStringLiteral("姓名")));
                QCOMPARE(info->y1 - (preview ? kA4Height : 0), 567.0 + 180);
            }
            // Nothing of the trailer reaches into the bottom margin.
            for (const Call &c : out.calls())
                if (c.kind == Call::Text)
                    QVERIFY(std::fmod(c.y2, kA4Height) <= kA4Height - 567 || c.y2 == kA4Height);
        }
    }

    void aRowTooHighIsAnErrorNotAnEndlessLoop()
    {
        m_doc.grid.setTextMatrix(3, 1, QStringLiteral("很\n").repeated(90));
        m_p.expectMessage(QStringLiteral("表格行高超出纸张高度，无法打印。"), QStringLiteral("打印错误"));
        const auto out = preview(PrintOptions{});
        QCOMPARE(m_ws->panelText(1), QStringLiteral("就绪"));
        QCOMPARE(m_doc.grid.TextMatrix(3, 4), QStringLiteral("！公式：cell(?,2)+cell(?,3)"));
    }

    void printWithoutPrinter()
    {
        m_p.expectMessage(QStringLiteral("打印错误，请检查 打印机连接！"), QStringLiteral("打印错误"));
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        QVERIFY(!job.print(PrintOptions{}, *m_ws, m_p));
        QCOMPARE(m_ws->panelText(1), QStringLiteral("就绪"));
        QCOMPARE(m_p.shown.last().icon, ui::Icon::Critical);
    }

    // 打印 sends the pages the preview shows, on the chosen printer with the program's settings.
    void printSendsTheChosenPages_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("pages");
        QTest::newRow("all") << 0 << 0 << 3;
        QTest::newRow("page 2") << 2 << 0 << 1;
        QTest::newRow("one row") << 0 << 5 << 1;
    }
    void printSendsTheChosenPages()
    {
        QFETCH(int, page);
        QFETCH(int, row);
        QFETCH(int, pages);
        auto printers = std::make_shared<FakePrinters>();
        printers->names = {QStringLiteral("HP"), QStringLiteral("Canon")};
        m_ws->printers = printers;
        m_ws->printCopies = 2;
        m_ws->printDuplex = 3;
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        PrintOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.page = page;
        o.row = row;
        QVERIFY(job.print(o, *m_ws, m_p));
        QCOMPARE(printers->opened, QStringList{QStringLiteral("Canon")}); // the default
        QCOMPARE(printers->applied.first().copies, 2);
        QCOMPARE(printers->applied.first().duplex, 3);
        const CallList &sent = *printers->jobs.first();
        QCOMPARE(textsByPage(sent, false).size(), pages);
        QCOMPARE(sent.back().kind, Call::EndDoc);
        QCOMPARE(m_ws->panelText(1), QStringLiteral("就绪"));
    }

    void aFailingPrinterIsReported()
    {
        auto printers = std::make_shared<FakePrinters>();
        printers->names = {QStringLiteral("HP")};
        printers->failOnEnd = true;
        m_ws->printers = printers;
        m_p.expectMessage(QStringLiteral("打印错误，请检查 打印机连接！"), QStringLiteral("打印错误"));
        QVERIFY(!TablePrintJob(m_doc, formula::calculator(*m_ws)).print(PrintOptions{}, *m_ws, m_p));
    }

    void aLayoutErrorStartsNoJob()
    {
        auto printers = std::make_shared<FakePrinters>();
        printers->names = {QStringLiteral("HP")};
        m_ws->printers = printers;
        m_doc.grid.setTextMatrix(3, 1, QStringLiteral("很\n").repeated(90));
        m_p.expectMessage(QStringLiteral("表格行高超出纸张高度，无法打印。"), QStringLiteral("打印错误"));
        QVERIFY(!TablePrintJob(m_doc, formula::calculator(*m_ws)).print(PrintOptions{}, *m_ws, m_p));
        QVERIFY(printers->jobs.first()->empty());
    }

    // The PDF: A4 pages, the heading centred at the top, the row numbers down the left margin,
    // the print time right-aligned under the table.
    void pdfHoldsThePrintedPages()
    {
        if (!havePdfTools())
            QSKIP("poppler-utils not installed");
        const QString path = m_dir->filePath(QStringLiteral("期中.pdf"));
        m_p.expectSaveFile(path, QStringLiteral("*.pdf"));
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        QVERIFY(job.menuExportPdf(job.initialOptions(QDate(2026, 12, 8)), *m_ws, m_p));
        const QString info = QString::fromUtf8(runProcess(QStringLiteral("pdfinfo"), {path}).out);
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("595 x 842 pts (A4)")), qPrintable(info));
        const QList<PdfPage> pages = pdfPages(path);
        QCOMPARE(pages.size(), 3);
        for (const PdfPage &p : pages) {
            QVERIFY(qAbs(p.width - 595) < 1);
            QVERIFY(qAbs(p.height - 842) < 1);
        }
        const PdfWord *title = pages[0].find(QStringLiteral("期中成绩"));
        QVERIFY(title);
        QVERIFY(qAbs((title->xMin + title->xMax) / 2 - 595.35 / 2) < 1); // centred
        QVERIFY(title->yMin > 0 && title->yMax < 28.35);                 // on the paper, above the table
        const PdfWord *teacher = pages[0].find(QStringLiteral("李老师"));
        QVERIFY(teacher);
        QVERIFY(qAbs(teacher->xMax - (595.35 - 28.35)) < 1); // right-aligned at the margin
        const PdfWord *one = pages[0].find(QStringLiteral("1"));
        QVERIFY(one && one->xMin > 28.35 + 3 && one->xMin < 28.35 + 6); // margin + cell offset
        const QStringList page3 = pages[2].texts();
        QVERIFY(page3.contains(QStringLiteral("学生129")));
        QVERIFY(!page3.contains(QStringLiteral("学生128")));
        QVERIFY(page3.contains(QStringLiteral("打印时间：2026/12/8")));
        const PdfWord *time = pages[2].find(QStringLiteral("打印时间：2026/12/8"));
        QVERIFY(qAbs(time->xMax - (595.35 - 28.35)) < 1);
        QVERIFY(time->yMax < 842 - 28.35);
        QVERIFY(!pages[1].texts().contains(QStringLiteral("期中成绩"))); // heading on page 1 only
    }

    void pdfThatCannotBeWritten()
    {
        m_p.expectMessage(QStringLiteral("文件保存失败，请检查介质是否可写、输入的文件名是否合法。"),
                          QStringLiteral("错误"));
        TablePrintJob job(m_doc, formula::calculator(*m_ws));
        const QString path = m_dir->filePath(QStringLiteral("没有/这个/目录.pdf"));
        QVERIFY(!job.exportPdf(PrintOptions{}, path, *m_ws, m_p));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(filesIn(m_dir->path()), QStringList());
    }

    void cancelledSaveDialogWritesNothing()
    {
        m_p.expectSaveFile(QString(), QStringLiteral("*.pdf"));
        QVERIFY(!TablePrintJob(m_doc, formula::calculator(*m_ws)).menuExportPdf(PrintOptions{}, *m_ws, m_p));
        QCOMPARE(filesIn(m_dir->path()), QStringList());
    }
};

QTEST_MAIN(TablePrintJobTest)
#include "tst_table_print_job.moc"
