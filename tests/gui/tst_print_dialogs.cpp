// The print dialogs as the user meets them: PrintDialog's controls, its exclusive page and row
// choices and its buttons, the preview with its scroll bars and grey page lines, PrinterSettingsDialog with
// and without printers, the settings put on a Qt printer, and the registered commands leaving
// the table as it was.
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/fonts.h"
#include "core/table/command.h"
#include "core/table/grade_table.h"
#include "core/table/table_file.h"
#include "gui/print/print_preview_view.h"
#include "gui/print/print_setup_dialog.h"
#include "gui/print/printer_qt.h"
#include "gui/print/printer_settings_dialog.h"
#include "scripted_prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace print;

namespace {

void makeClass(table::GradeTable &t, int students)
{
    table::Grid &g = t.grid;
    g.setRows(students + 1);
    g.setCols(3);
    g.setTextMatrix(0, 1, QStringLiteral("姓名"));
    g.setTextMatrix(0, 2, QStringLiteral("总分"));
    t.rebuildHeader();
    for (int r = 1; r <= students; ++r) {
        g.setTextMatrix(r, 1, QStringLiteral("学生%1").arg(r));
        g.setTextMatrix(r, 2, QStringLiteral("！公式：%1+1").arg(r));
    }
    t.title = QStringLiteral("期中");
    t.teacher = QStringLiteral("王老师");
}

template <typename W> W *child(QWidget *w, const char *name)
{
    W *found = w->findChild<W *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

} // namespace

class PrintDialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    table::GradeTable m_doc;
    QList<PrintOptions> m_previews, m_prints, m_pdfs;
    int m_settings = 0;

    std::unique_ptr<PrintDialog> setupDialog(bool hasTeacher = true)
    {
        const auto job = std::make_shared<TablePrintJob>(m_doc, formula::calculator(*m_ws));
        PrintDialog::Actions a;
        a.preview = [this, job](const PrintOptions &o) {
            m_previews << o;
            return std::shared_ptr<const RecordingSurface>(job->preview(o, *m_ws, m_p));
        };
        a.print = [this](const PrintOptions &o) { m_prints << o; };
        a.exportPdf = [this](const PrintOptions &o) { m_pdfs << o; };
        a.printerSettings = [this] { ++m_settings; };
        auto d = std::make_unique<PrintDialog>(job->pageChoices(), job->rowChoices(),
                                               job->initialOptions(QDate(2026, 12, 8)), hasTeacher, a);
        d->show();
        return d;
    }

private slots:
    void initTestCase() { substituteChineseFonts(); }
    void init()
    {
        m_ws = std::make_unique<base::Workspace>(m_dir.path());
        m_doc = table::GradeTable();
        makeClass(m_doc, 129);
        m_previews.clear();
        m_prints.clear();
        m_pdfs.clear();
        m_settings = 0;
        m_p.clear();
    }
    void cleanup() { VERIFY_PROMPTS(m_p); }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("Check3") << QStringLiteral("Check3") << QStringLiteral("显示班级信息");
        QTest::newRow("chkColWidth") << QStringLiteral("chkColWidth") << QStringLiteral("适应纸张大小(A4纸张)");
        QTest::newRow("cmdPdf") << QStringLiteral("cmdPdf") << QStringLiteral("导出PDF(&D)");
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        const auto d = setupDialog();
        QCOMPARE(d->windowTitle(), QStringLiteral("打印:"));
        auto *button = d->findChild<QAbstractButton *>(name);
        QVERIFY(button);
        QCOMPARE(button->text(), text);
        QCOMPARE(child<QLineEdit>(d.get(), "Text2")->text(), QStringLiteral("期中"));
        QCOMPARE(child<QComboBox>(d.get(), "Combo1")->count(), 4);
        QCOMPARE(child<QComboBox>(d.get(), "Combo2")->count(), 130);
        QCOMPARE(m_previews.size(), 1); // built on opening
    }

    void pageAndRowExcludeEachOther()
    {
        const auto d = setupDialog();
        auto *pages = child<QComboBox>(d.get(), "Combo1");
        auto *rows = child<QComboBox>(d.get(), "Combo2");
        pages->setCurrentIndex(2);
        emit pages->activated(2);
        rows->setCurrentIndex(5);
        emit rows->activated(5);
        QCOMPARE(pages->currentText(), QStringLiteral("全部"));
        QCOMPARE(d->options().row, 5);
        pages->setCurrentIndex(3);
        emit pages->activated(3);
        QCOMPARE(rows->currentText(), QStringLiteral("任意"));
        // The preview follows each choice at once.
        QCOMPARE(m_previews.size(), 4);
        QCOMPARE(m_previews.last().page, 3);
        QCOMPARE(m_previews.last().row, 0);
        child<QCheckBox>(d.get(), "chkPageNumbers")->click();
        QCOMPARE(m_previews.size(), 5);
        QVERIFY(m_previews.last().pageNumbers);
        QTest::mouseClick(child<QPushButton>(d.get(), "cmdRefresh"), Qt::LeftButton);
        QCOMPARE(m_previews.last().page, 3);
        QCOMPARE(m_previews.last().row, 0);
        QTest::mouseClick(child<QPushButton>(d.get(), "cmdPrint"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(d.get(), "cmdPdf"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(d.get(), "Command1"), Qt::LeftButton);
        QCOMPARE(m_prints.size(), 1);
        QCOMPARE(m_prints.last().page, 3); // what the preview shows
        QCOMPARE(m_pdfs.size(), 1);
        QCOMPARE(m_settings, 1);
    }

    void withoutTeacherTheTeacherBoxIsOff()
    {
        const auto d = setupDialog(false);
        auto *box = child<QCheckBox>(d.get(), "Check2");
        QVERIFY(!box->isEnabled());
        QVERIFY(!box->isChecked());
        QVERIFY(!d->options().teacher);
    }

    // Three pages at 15 twips per pixel: the bars reach the whole picture in 120-twip steps, and
    // the page line shows grey where page 1 ends.
    void previewScrollsAndShowsPageLines()
    {
        const auto d = setupDialog();
        d->resize(800, 600);
        PreviewView *view = d->preview();
        QCOMPARE(view->height(), 600 - 103 - child<QWidget>(d.get(), "previewBar")->height());
        QCOMPARE(view->pictureHeight(), 3 * kA4Height);
        const int thick = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
        QCOMPARE(view->vscScroll()->maximum(),
                 int(std::lround((3 * kA4Height - view->height() * 15.0 + thick * 15.0) / 120 + 1)));
        QCOMPARE(view->hscScroll()->maximum(), int(std::lround((kA4Width - 800 * 15.0 + thick * 15.0) / 120 + 1)));
        view->vscScroll()->setValue(130); // the picture's top at 15600 twips: page 1 ends 82.7 px down
        const QImage shot = view->picTarget()->grab().toImage();
        int greyRows = 0;
        for (int y = 78; y < 88; ++y) {
            int grey = 0;
            for (int x = 0; x < 700; ++x)
                grey += qGray(shot.pixel(x, y)) == 128;
            greyRows += grey > 600;
        }
        QCOMPARE(greyRows, 1);
        // Text and ruled boxes of the last rows of page 1 are painted above the line.
        int ink = 0;
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 700; ++x)
                ink += qGray(shot.pixel(x, y)) < 100;
        QVERIFY(ink > 100);
    }

    // The page buttons scroll a page's top into view and say where the view is; the zoom scales
    // the bars' reach, and 整页 shows one whole page.
    void previewPagesAndZoom()
    {
        const auto d = setupDialog();
        d->resize(800, 600);
        PreviewView *view = d->preview();
        auto *label = child<QLabel>(d.get(), "lblPage");
        QCOMPARE(label->text(), QStringLiteral("第 1 页 共 3 页"));
        QVERIFY(!child<QPushButton>(d.get(), "cmdPreviousPage")->isEnabled());
        child<QPushButton>(d.get(), "cmdLastPage")->click();
        QCOMPARE(view->vscScroll()->value(), int(std::lround(2 * kA4Height / 120)));
        QCOMPARE(label->text(), QStringLiteral("第 3 页 共 3 页"));
        QVERIFY(!child<QPushButton>(d.get(), "cmdNextPage")->isEnabled());
        child<QPushButton>(d.get(), "cmdPreviousPage")->click();
        QCOMPARE(label->text(), QStringLiteral("第 2 页 共 3 页"));

        auto *zoom = child<QComboBox>(d.get(), "cboZoom");
        const int atFull = view->vscScroll()->maximum();
        zoom->setCurrentText(QStringLiteral("50%"));
        QCOMPARE(view->twipsPerPixel(), 30.0);
        QVERIFY(view->vscScroll()->maximum() < atFull);             // smaller pictures need less scrolling
        QCOMPARE(label->text(), QStringLiteral("第 2 页 共 3 页")); // the page stays in view
        zoom->setCurrentText(QStringLiteral("整页"));
        QVERIFY(kA4Height / view->twipsPerPixel() <= view->picTarget()->height() + 0.5);
        d->resize(800, 900); // fitted again to the new size
        QVERIFY(std::abs(kA4Height / view->twipsPerPixel() - view->picTarget()->height()) <= 1 ||
                std::abs(kA4Width / view->twipsPerPixel() - view->picTarget()->width()) <= 1);
    }

    void printerSettingsWithoutPrinter()
    {
        PrinterSetup s;
        s.printers = {kNoPrinterInstalled};
        PrinterSettingsDialog d(s, {});
        QCOMPARE(d.windowTitle(), QStringLiteral("打印设置："));
        auto *printers = child<QComboBox>(&d, "Combo1");
        QCOMPARE(printers->currentText(), QStringLiteral("没有安装打印机设备"));
        QVERIFY(!printers->isEnabled());
        QVERIFY(!child<QPushButton>(&d, "Command1")->isEnabled());
        QCOMPARE(child<QComboBox>(&d, "Combo2")->count(), 8);
        QCOMPARE(child<QComboBox>(&d, "Combo3")->itemText(9), QStringLiteral("10"));
        QVERIFY(!child<QComboBox>(&d, "Combo3")->isEditable());
    }

    void copiesTakeDigitsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letters dropped") << QStringLiteral("a2b") << QStringLiteral("2");
        QTest::newRow("at most three digits") << QStringLiteral("12345") << QStringLiteral("123");
    }
    void copiesTakeDigitsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        PrinterSetup s;
        s.printers = {QStringLiteral("HP")};
        s.available = true;
        s.copies.clear();
        PrinterSettingsDialog d(s, {});
        d.show();
        auto *copies = child<QLineEdit>(&d, "Text1");
        QTest::keyClicks(copies, typed);
        QCOMPARE(copies->text(), shown);
    }

    void choosingAPrinterShowsItsValues()
    {
        PrinterSetup s;
        s.printers = {QStringLiteral("HP"), QStringLiteral("Canon")};
        s.available = true;
        int asked = -1;
        PrinterSettingsDialog d(s, [&](const PrinterSetup &shown, int index) {
            asked = index;
            PrinterSetup next = shown;
            next.printer = index;
            next.copies = QStringLiteral("4");
            next.duplex = true;
            next.horizontal = false;
            return next;
        });
        d.show();
        auto *option1 = child<QRadioButton>(&d, "Option1");
        QVERIFY(!option1->isEnabled());
        auto *printers = child<QComboBox>(&d, "Combo1");
        printers->setCurrentIndex(1);
        emit printers->activated(1);
        QCOMPARE(asked, 1);
        QCOMPARE(child<QLineEdit>(&d, "Text1")->text(), QStringLiteral("4"));
        QVERIFY(child<QCheckBox>(&d, "Check1")->isChecked());
        QVERIFY(option1->isEnabled());
        QVERIFY(child<QRadioButton>(&d, "Option2")->isChecked());
        child<QCheckBox>(&d, "Check1")->setChecked(false);
        QVERIFY(!option1->isEnabled());
        const PrinterSetup out = d.setup();
        QCOMPARE(out.printer, 1);
        QVERIFY(!out.duplex);
    }

    void settingsReachTheQtPrinter_data()
    {
        QTest::addColumn<int>("duplex");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("qtDuplex");
        QTest::addColumn<int>("resolution");
        QTest::newRow("one-sided, medium") << 1 << -3 << int(QPrinter::DuplexNone) << 0;
        QTest::newRow("short side, 600 dpi") << 2 << 600 << int(QPrinter::DuplexShortSide) << 600;
        QTest::newRow("long side, 300 dpi") << 3 << 300 << int(QPrinter::DuplexLongSide) << 300;
    }
    void settingsReachTheQtPrinter()
    {
        QFETCH(int, duplex);
        QFETCH(int, quality);
        QFETCH(int, qtDuplex);
        QFETCH(int, resolution);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        const int before = printer.resolution();
        applyPrinterValues(printer, PrinterValues{3, quality, 1, duplex});
        QCOMPARE(printer.copyCount(), 3);
        // A PDF printer keeps no duplex mode; the mapping is checked on its own.
        QCOMPARE(int(qtDuplexMode(duplex)), qtDuplex);
        QCOMPARE(printer.resolution(), resolution ? resolution : before);
        QVERIFY(printer.fullPage());
        QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A4);
    }

    void commandsAreRegistered()
    {
        table::CommandRegistry registry;
        registerPrintDialogs(registry);
        QCOMPARE(registry.forButton(base::ToolButton::Print)->name(), QStringLiteral("menuPrintView"));
        QVERIFY(registry.find(QStringLiteral("menuSeletPrinter")));
    }

    // The preview command evaluates into a copy: cells, undo and change marker stay as they were.
    void previewCommandLeavesTheTable()
    {
        table::CommandRegistry registry;
        registerPrintDialogs(registry);
        table::TableFile files(*m_ws, m_p);
        table::CommandContext ctx{m_doc, *m_ws, m_p, files};
        const QString formula = m_doc.grid.TextMatrix(3, 2);
        bool sawDialog = false;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<PrintDialog *>(QApplication::activeModalWidget());
            sawDialog = d && d->preview()->pages() && d->preview()->pages()->hasDrawing();
            if (d)
                d->reject();
        });
        registry.find(QStringLiteral("menuPrintView"))->run(ctx);
        QVERIFY(sawDialog);
        QCOMPARE(m_doc.grid.TextMatrix(3, 2), formula);
        QVERIFY(!m_doc.undoEnabled());
        QVERIFY(!m_doc.isModified());
        QCOMPARE(m_ws->panelText(1), QStringLiteral("就绪"));
    }
};

QTEST_MAIN(PrintDialogsTest)
#include "tst_print_dialogs.moc"
