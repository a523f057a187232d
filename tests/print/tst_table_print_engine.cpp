// The table print engine on the recording surface: properties and their errors, re-dimensioning,
// page breaks (64 body rows of 宋体 9 on A4), the header on every page, merging, pictures, the
// NewPage event and the table that can never fit.
#include "core/print/recording_surface.h"
#include "core/print/table_print_engine.h"
#include "core/print/tp_helper.h"
#include "core/table/grid.h"

#include <QTest>

using namespace print;

namespace {

// A grade-table grid: the header row, `students` rows, columns 序号, 姓名, 语文.
table::Grid classGrid(int students)
{
    table::Grid g;
    g.setRows(students + 1);
    g.setCols(3);
    g.setTextMatrix(0, 1, QStringLiteral("姓名"));
    g.setTextMatrix(0, 2, QStringLiteral("语文"));
    for (int r = 1; r <= students; ++r) {
        g.setTextMatrix(r, 0, QString::number(r));
        g.setTextMatrix(r, 1, QStringLiteral("学生%1").arg(r));
        g.setTextMatrix(r, 2, QString::number(60 + r % 40));
    }
    g.setColWidth(0, 600);
    g.setColWidth(1, 1500);
    g.setColWidth(2, 900);
    return g;
}

// The engine as the print dialog uses it: filled from the grid, margins 567, on a printer.
struct Run {
    TablePrintEngine tp;
    RecordingSurface out;
    QList<int> lastRows; // lLastPrintedRow of every NewPage

    explicit Run(const table::Grid &g)
    {
        QVERIFY(mdlTPHelper::LoadFromFlexGrid(tp, g, -1));
        tp.MarginTop = tp.MarginBottom = tp.MarginLeft = 567;
        tp.NewPage = [this](Surface *&o, bool &, bool &, int last) {
            lastRows << last;
            o->NewPage();
        };
        out.setCurrentY(567);
    }
    bool draw() { return tp.DrawTable(&out, 0, 1); }
    // Text calls per page, in drawing order.
    QList<QStringList> pageTexts() const
    {
        QList<QStringList> pages{{}};
        for (const Call &c : out.calls()) {
            if (c.kind == Call::NewPage)
                pages.append(QStringList());
            else if (c.kind == Call::TextInRect)
                pages.last() << c.text;
        }
        return pages;
    }
    // Boxes of one page whose left edge is at `x` (twips).
    QList<Call> boxesAt(int page, double x) const
    {
        QList<Call> found;
        int p = 0;
        for (const Call &c : out.calls()) {
            if (c.kind == Call::NewPage)
                ++p;
            else if (p == page && c.kind == Call::Box && c.x1 == x)
                found << c;
        }
        return found;
    }
};

} // namespace

class TablePrintEngineTest : public QObject {
    Q_OBJECT

private slots:
    void refusedValues_data()
    {
        QTest::addColumn<int>("what");
        QTest::addColumn<int>("error");
        QTest::newRow("Rows -1") << 0 << 380;
        QTest::newRow("Cols 0") << 1 << 380;
        QTest::newRow("HeaderRows 0") << 2 << 380;
        QTest::newRow("TextMatrix row past the end") << 3 << 9;
        QTest::newRow("TextMatrix column past the end") << 4 << 9;
        QTest::newRow("MergeRow takes no negative index") << 5 << 9;
        QTest::newRow("ColWidth past the end") << 6 << 9;
        QTest::newRow("FooterText without a footer") << 7 << 9;
        QTest::newRow("ColFont takes no negative index") << 8 << 9;
        QTest::newRow("more cells than the engine holds") << 9 << 7;
    }
    void refusedValues()
    {
        QFETCH(int, what);
        QFETCH(int, error);
        TablePrintEngine tp;
        bool ok = true;
        switch (what) {
        case 0:
            ok = tp.setRows(-1);
            break;
        case 1:
            ok = tp.setCols(0);
            break;
        case 2:
            ok = tp.setHeaderRows(0);
            break;
        case 3:
            ok = tp.setTextMatrix(5, 0, QStringLiteral("x"));
            break;
        case 4:
            ok = tp.setTextMatrix(-1, 2, QStringLiteral("x"));
            break;
        case 5:
            ok = tp.setMergeRow(-1, true);
            break;
        case 6:
            ok = tp.setColWidth(2, 100);
            break;
        case 7:
            tp.HasFooter = false;
            tp.setCols(3);
            ok = tp.setFooterText(0, QStringLiteral("x"));
            break;
        case 8:
            ok = tp.setColFont(-1, mdlTPHelper::NewCellFont());
            break;
        case 9:
            ok = tp.setRows(3'000'000);
            break;
        }
        QVERIFY(!ok);
        QCOMPARE(tp.Err(), error);
        QCOMPARE(tp.Rows(), 5); // a refused size changes nothing
        QCOMPARE(tp.Cols(), what == 7 ? 3 : 2);
    }

    void badIndexOnReadGivesEmptyAndError9()
    {
        TablePrintEngine tp;
        QCOMPARE(tp.TextMatrix(0, 5), QString());
        QCOMPARE(tp.Err(), 9);
        tp.clearErr();
        tp.setRows(0);
        QVERIFY(!tp.ColFont(0)); // body row 0 does not exist
        QCOMPARE(tp.Err(), 9);
    }

    void negativeIndexWritesAll()
    {
        TablePrintEngine tp;
        tp.setCols(3);
        QVERIFY(tp.setTextMatrix(-1, 1, QStringLiteral("列")));
        QVERIFY(tp.setTextMatrix(2, -1, QStringLiteral("行")));
        QVERIFY(tp.setColWidth(-1, 700));
        QCOMPARE(tp.TextMatrix(0, 1), QStringLiteral("列"));
        QCOMPARE(tp.TextMatrix(4, 1), QStringLiteral("列"));
        QCOMPARE(tp.TextMatrix(0, 0), QString());
        QCOMPARE(tp.TextMatrix(2, 0), QStringLiteral("行"));
        QCOMPARE(tp.TextMatrix(2, 2), QStringLiteral("行"));
        QCOMPARE(tp.ColWidth(2), 700.0);
        const FontRef f = mdlTPHelper::NewCellFont();
        QVERIFY(tp.setColFont(2, f));
        QCOMPARE(tp.FontMatrix(4, 2), f); // one shared object
        QVERIFY(tp.setFontMatrix(-1, -1, f));
        QCOMPARE(tp.FontMatrix(3, 0), f);
    }

    void resizingClearsEverything()
    {
        Run run(classGrid(4));
        TablePrintEngine &tp = run.tp;
        tp.setMergeCol(1, true);
        QCOMPARE(tp.ColAlignment(0), 0);
        tp.setColAlignment(2, 2);
        QVERIFY(tp.setRows(3));
        QCOMPARE(tp.TextMatrix(0, 1), QString());
        QCOMPARE(tp.HeaderText(0, 1), QString());
        QVERIFY(!tp.FontMatrix(0, 1));
        QCOMPARE(tp.ColWidth(1), 15.0);
        QCOMPARE(tp.ColAlignment(2), 0);
        QVERIFY(!tp.MergeCol(1));
        // HasFooter was false when it was resized: the footer tables are gone.
        QCOMPARE(tp.FooterText(0), QString());
        QCOMPARE(tp.Err(), 9);
    }

    void fillsFromTheGrid_data()
    {
        QTest::addColumn<double>("fit");
        QTest::addColumn<QList<double>>("widths");
        QTest::newRow("grid widths") << -1.0 << QList<double>{600, 1500, 900};
        QTest::newRow("fit to A4") << 10773.0 << QList<double>{2154.6, 5386.5, 3231.9};
    }
    void fillsFromTheGrid()
    {
        QFETCH(double, fit);
        QFETCH(QList<double>, widths);
        TablePrintEngine tp;
        QVERIFY(mdlTPHelper::LoadFromFlexGrid(tp, classGrid(2), fit));
        QCOMPARE(tp.Rows(), 2);
        QCOMPARE(tp.Cols(), 3);
        QCOMPARE(tp.HeaderRows(), 1);
        QVERIFY(!tp.HasFooter);
        QCOMPARE(tp.CellXOffset, 60.0);
        QCOMPARE(tp.CellYOffset, 30.0);
        QCOMPARE(tp.HeaderLineThickness, short(2));
        QCOMPARE(tp.HeaderText(0, 2), QStringLiteral("语文"));
        QCOMPARE(tp.TextMatrix(1, 1), QStringLiteral("学生2"));
        QVERIFY(tp.FontMatrix(0, 0) != tp.FontMatrix(1, 0)); // every cell its own font
        QCOMPARE(*tp.HeaderFont(0, 0), PrintFont{});
        for (int c = 0; c < 3; ++c)
            QVERIFY(qAbs(tp.ColWidth(c) - widths[c]) < 1e-6);
    }

    void fitSkipsAGridWithoutWidth()
    {
        table::Grid g = classGrid(1);
        for (int c = 0; c < 3; ++c)
            g.setColWidth(c, 0);
        TablePrintEngine tp;
        QVERIFY(mdlTPHelper::LoadFromFlexGrid(tp, g, 10773));
        QCOMPARE(tp.ColWidth(1), 0.0);
    }

    // 129 students: a body row is 180 + 2 × 30 twips, so 64 fit below the header on A4.
    void sixtyFourRowsAPageWithTheHeaderOnEach()
    {
        Run run(classGrid(129));
        QCOMPARE(run.tp.CalcNumRowsPerPage(&run.out, true, false), 64.0);
        QVERIFY(run.draw());
        QCOMPARE(run.lastRows, QList<int>({63, 127}));
        const QList<QStringList> pages = run.pageTexts();
        QCOMPARE(pages.size(), 3);
        for (int p = 0; p < 3; ++p)
            QCOMPARE(pages[p].mid(0, 3), QStringList({QString(), QStringLiteral("姓名"), QStringLiteral("语文")}));
        // Columns are drawn top to bottom: the row numbers of a page come first.
        QCOMPARE(pages[0][3], QStringLiteral("1"));
        QCOMPARE(pages[1][3], QStringLiteral("65"));
        QCOMPARE(pages[2][3], QStringLiteral("129"));
        QCOMPARE(pages[1].size(), 3 + 64 * 3);
        // The first body box of a page sits right under the header at the top margin.
        // Boxes lie on whole pixels: the margin of 567 twips is 38 pixels of 15 twips.
        const QList<Call> col0 = run.boxesAt(1, 570);
        QCOMPARE(col0.size(), 65);
        QCOMPARE(col0[0].y1, 570.0);
        QCOMPARE(col0[1].y1, 810.0);
        QCOMPARE(col0[0].penWidth, 30.0); // header boxes: twice the grid line
        QCOMPARE(col0[1].penWidth, 15.0);
        QCOMPARE(run.out.CurrentY(), 567.0 + 240 + 240);
    }

    void headerOnlyOnPageOneUnlessRepeated()
    {
        Run run(classGrid(100));
        run.tp.PrintHeaderOnEveryPage = false;
        QVERIFY(run.draw());
        const QList<QStringList> pages = run.pageTexts();
        QCOMPARE(pages[0][1], QStringLiteral("姓名"));
        QCOMPARE(pages[1][0], QStringLiteral("65")); // page 2 holds 65 rows without the header
        QCOMPARE(run.lastRows, QList<int>({63}));
    }

    // Three equal texts down a merged column at a page break: one run above, a new one below.
    void mergedColumnRunsStopAtThePageBreak()
    {
        table::Grid g = classGrid(70);
        for (int r = 63; r <= 66; ++r)
            g.setTextMatrix(r, 2, QStringLiteral("缺考"));
        Run run(g);
        run.tp.setMergeCol(2, true);
        QVERIFY(run.draw());
        const double col2 = 570 + 600 + 1500;
        const QList<Call> above = run.boxesAt(0, col2), below = run.boxesAt(1, col2);
        QCOMPARE(above.size(), 1 + 63); // header and rows 1 … 62, then 63 and 64 as one
        QCOMPARE(above.last().y2 - above.last().y1, 480.0);
        QCOMPARE(below[1].y2 - below[1].y1, 480.0); // rows 65 and 66
        QCOMPARE(run.pageTexts()[1].count(QStringLiteral("缺考")), 1);
    }

    void mergedRowRunsEndAtTheLastColumn()
    {
        table::Grid g = classGrid(3);
        g.setTextMatrix(2, 1, QStringLiteral("转学"));
        g.setTextMatrix(2, 2, QStringLiteral("转学"));
        Run run(g);
        run.tp.setMergeRow(1, true);
        QVERIFY(run.draw());
        int spans = 0;
        for (const Call &c : run.out.calls())
            if (c.kind == Call::Box && c.x1 == 570 + 600 && c.x2 == 570 + 600 + 1500 + 900)
                ++spans;
        QCOMPARE(spans, 1);
        QCOMPARE(run.pageTexts()[0].count(QStringLiteral("转学")), 1);
    }

    void noRoomRaisesNewPageAtOnce_data()
    {
        QTest::addColumn<double>("y");
        QTest::newRow("less than a row left") << kA4Height - 567 - 100;
        QTest::newRow("already below the page") << kA4Height + 500; // no room, not negative rows
    }
    void noRoomRaisesNewPageAtOnce()
    {
        QFETCH(double, y);
        Run run(classGrid(3));
        run.out.setCurrentY(y);
        QVERIFY(run.draw());
        QCOMPARE(run.pageTexts().last().size(), 3 + 3 * 3);
        QCOMPARE(run.lastRows, QList<int>({-1}));
        QCOMPARE(run.out.calls().front().kind, Call::NewPage);
    }

    void noRowsDrawsHeaderAndFooter()
    {
        TablePrintEngine tp;
        tp.setRows(0);
        tp.setHeaderFont(-1, -1, mdlTPHelper::NewCellFont());
        tp.setFooterFont(-1, mdlTPHelper::NewCellFont());
        tp.setFooterText(0, QStringLiteral("合计"));
        tp.setHeaderText(0, 0, QStringLiteral("姓名"));
        bool raised = false;
        tp.NewPage = [&](Surface *&, bool &, bool &, int) { raised = true; };
        RecordingSurface out;
        QVERIFY(tp.DrawTable(&out, 0, 1));
        QVERIFY(!raised);
        QStringList texts;
        for (const Call &c : out.calls())
            if (c.kind == Call::TextInRect)
                texts << c.text;
        QCOMPARE(texts, QStringList({QStringLiteral("姓名"), QString(), QStringLiteral("合计"), QString()}));
    }

    void aCellWithoutFontFails()
    {
        TablePrintEngine tp;
        RecordingSurface out;
        QVERIFY(!tp.DrawTable(&out, 0, 1));
        QCOMPARE(tp.Err(), 91);
    }

    // A row higher than a fresh page would ask for new pages without end.
    void aRowHigherThanThePageStops()
    {
        table::Grid g = classGrid(3);
        g.setTextMatrix(2, 1, QStringLiteral("行\n").repeated(90));
        Run run(g);
        run.out.setFont(PrintFont{QStringLiteral("黑体"), 14, true});
        QVERIFY(!run.draw());
        QCOMPARE(run.tp.Err(), int(TablePrintEngine::ErrRowTooHigh));
        QCOMPARE(run.tp.ErrDescription(), QStringLiteral("表格行高超出纸张高度，无法打印。"));
        QCOMPARE(run.lastRows, QList<int>({-1}));
        QCOMPARE(run.out.Font().name, QStringLiteral("黑体")); // the surface's font is put back
    }

    void picturesAreCutToTheCell_data()
    {
        QTest::addColumn<double>("colWidth");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<bool>("painted");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("width");
        // The picture is 96 × 48 px at 96 dpi: 1440 × 720 twips.
        QTest::newRow("left, cut to the column") << 1000.0 << 0 << true << 567.0 + 60 << 880.0;
        QTest::newRow("centred") << 2000.0 << 1 << true << 567.0 + 280 << 1440.0;
        QTest::newRow("right") << 2000.0 << 2 << true << 567.0 + 2000 - 60 - 1440 << 1440.0;
        QTest::newRow("no width left") << 100.0 << 0 << false << 0.0 << 0.0;
    }
    void picturesAreCutToTheCell()
    {
        QFETCH(double, colWidth);
        QFETCH(int, alignment);
        QFETCH(bool, painted);
        QFETCH(double, x);
        QFETCH(double, width);
        TablePrintEngine tp;
        tp.setRows(1);
        tp.setCols(1);
        tp.setFontMatrix(-1, -1, mdlTPHelper::NewCellFont());
        tp.setHeaderFont(-1, -1, mdlTPHelper::NewCellFont());
        tp.setFooterFont(-1, mdlTPHelper::NewCellFont());
        tp.setColWidth(0, colWidth);
        tp.setColAlignment(0, alignment);
        tp.MarginLeft = 567;
        tp.CellXOffset = 60;
        tp.ResizeCellsToPicHeight = true;
        QImage img(96, 48, QImage::Format_RGB32);
        img.setDotsPerMeterX(3780);
        img.setDotsPerMeterY(3780);
        tp.setPictureMatrix(0, 0, std::make_shared<const Picture>(Picture{img}));
        RecordingSurface out;
        QVERIFY(tp.DrawTable(&out, 0, 1));
        const auto pic =
            std::find_if(out.calls().begin(), out.calls().end(), [](const Call &c) { return c.kind == Call::Picture; });
        QCOMPARE(pic != out.calls().end(), painted);
        if (painted) {
            QVERIFY(qAbs(pic->x1 - x) < 0.5);
            QVERIFY(qAbs(pic->x2 - pic->x1 - width) < 0.5);
            QVERIFY(qAbs(pic->y2 - pic->y1 - 720) < 0.5); // the row grew to the picture's height
        }
    }
};

QTEST_MAIN(TablePrintEngineTest)
#include "tst_table_print_engine.moc"
