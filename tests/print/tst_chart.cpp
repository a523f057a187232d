// Charts: the geometry of the three variants on the recording surface (categories, grid lines and
// labels up to the top line, points, bars, the line colours and legend, title and print time, at
// scale 1 and 1.74), everything inside the picture, the numeric checks of the boxes, the non-zero
// minimum, values beyond the maximum, the data taken from the evaluated table, the selection
// checks, the printed page's margin and settings, the saved bitmap and the command line's rows.
#include "cli/print_cli.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/chart_drawing.h"
#include "core/print/chart_job.h"
#include "core/print/fonts.h"
#include "core/print/printer.h"
#include "core/table/grade_table.h"
#include "scripted_prompter.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace print;

namespace {

// 姓名, 语文, 数学, 总分 = 语文 + 数学, 评价 = 总分 ÷ 2 (a formula over a formula).
void makeClass(table::GradeTable &t)
{
    table::Grid &g = t.grid;
    g.setRows(5);
    g.setCols(6);
    const QStringList names{QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学"),
                            QStringLiteral("总分"), QStringLiteral("评价")};
    for (int c = 1; c <= 5; ++c)
        g.setTextMatrix(0, c, names[c - 1]);
    t.rebuildHeader();
    const QStringList students{QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五"),
                               QStringLiteral("赵六")};
    for (int r = 1; r <= 4; ++r) {
        g.setTextMatrix(r, 1, students[r - 1]);
        g.setTextMatrix(r, 2, QString::number(60 + r * 10));
        g.setTextMatrix(r, 3, r == 4 ? QStringLiteral("缺考") : QString::number(50 + r));
        g.setTextMatrix(r, 4, QStringLiteral("！公式：cell(?,2)+cell(?,3)"));
        g.setTextMatrix(r, 5, QStringLiteral("！公式：cell(?,4)/2"));
    }
    t.title = QStringLiteral("期中成绩");
}

QList<const Call *> callsOf(const RecordingSurface &s, Call::Kind kind)
{
    QList<const Call *> found;
    for (const Call &c : s.calls())
        if (c.kind == kind)
            found << &c;
    return found;
}

const Call *textCall(const RecordingSurface &s, const QString &text)
{
    for (const Call &c : s.calls())
        if (c.kind == Call::Text && c.text == text)
            return &c;
    return nullptr;
}

ChartData threeCategories()
{
    ChartData d;
    d.categories = QStringList{QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语")};
    d.lines << ChartLine{QStringLiteral("张三"), {100, 50, 0}};
    d.bars = {100, 50, 0};
    d.subject = QStringLiteral("语文");
    d.axis = ChartAxis{0, 100, 5};
    d.title = QStringLiteral("期中成绩");
    d.printTime = chartPrintTime(QDate(2026, 12, 8));
    return d;
}

enum Variant { Up, Down, Bar };

constexpr QRgb kGrid = 0xff408080;

// The plot's ends: where its zero line (the grid line at 3500 × scale) begins and ends.
std::pair<double, double> plotEnds(const RecordingSurface &s, double scale, QPointF origin = {})
{
    for (const Call *c : callsOf(s, Call::Line))
        if (c->color == kGrid && qFuzzyCompare(c->y1, origin.y() + 3500 * scale))
            return {c->x1, c->x2};
    return {0, 0};
}

double plotRight(const RecordingSurface &s, double scale)
{
    return plotEnds(s, scale).second;
}

// Whether a call's span lies within `r` (its edges included).
bool within(const QRectF &r, const Call &c)
{
    const double eps = 1e-6;
    return std::min(c.x1, c.x2) >= r.left() - eps && std::max(c.x1, c.x2) <= r.right() + eps &&
           std::min(c.y1, c.y2) >= r.top() - eps && std::max(c.y1, c.y2) <= r.bottom() + eps;
}

// Points and joins of the plot, not the legend's samples right of it.
QList<const Call *> plotted(const RecordingSurface &s, Call::Kind kind, double scale)
{
    QList<const Call *> found;
    const double right = plotRight(s, scale);
    for (const Call *c : callsOf(s, kind))
        if (c->x1 < right && c->color != kGrid && c->color != 0xff000000)
            found << c;
    return found;
}

void drawVariant(Surface &s, double scale, const ChartData &d, int variant)
{
    if (variant == Up)
        drawLineChartUp(s, scale, d);
    else if (variant == Down)
        drawLineChartDown(s, scale, d);
    else
        drawBarChart(s, scale, d);
}

class FakePrinters : public PrinterSystem {
public:
    QList<PrinterValues> applied;
    QList<std::shared_ptr<CallList>> jobs;
    class Device : public RecordingSurface {
    public:
        explicit Device(std::shared_ptr<CallList> log) : m_log(std::move(log)) {}

    protected:
        void emitCall(const Call &c) override { m_log->push_back(c); }

    private:
        std::shared_ptr<CallList> m_log;
    };
    QStringList printerNames() const override { return {QStringLiteral("HP")}; }
    QString defaultPrinterName() const override { return QStringLiteral("HP"); }
    PrinterValues currentValues(const QString &) const override { return {}; }
    std::unique_ptr<Surface> open(const QString &, const PrinterValues &values, const QString &) override
    {
        applied << values;
        jobs << std::make_shared<CallList>();
        return std::make_unique<Device>(jobs.last());
    }
};

} // namespace

class ChartTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    table::GradeTable m_doc;

private slots:
    void initTestCase() { substituteChineseFonts(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_dir->path());
        m_p.clear();
        m_doc = table::GradeTable();
        makeClass(m_doc);
    }
    void cleanup() { VERIFY_PROMPTS(m_p); }

    // Three categories divide the plot from 400 to its right end in four: the ticks, the points
    // of the line charts and the middles of the bars. The bar chart's plot ends at 6540; a line
    // chart's where its legend begins: at scale 1 "张三" (320 twips in the fixed measure) with its
    // 240 + 60 sample takes 620, and 250 part it from the plot, so 6940 − 870 = 6070.
    void categoriesAtTheirPositions_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("right"); // at scale 1; 0 when only the spacing is checked
        QTest::newRow("up, scale 1") << int(Up) << 1.0 << 6070.0;
        QTest::newRow("down, scale 1") << int(Down) << 1.0 << 6070.0;
        QTest::newRow("bar, scale 1") << int(Bar) << 1.0 << 6540.0;
        QTest::newRow("up, scale 1.74") << int(Up) << 1.74 << 0.0;
        QTest::newRow("bar, scale 1.74") << int(Bar) << 1.74 << 6540.0;
    }
    void categoriesAtTheirPositions()
    {
        QFETCH(int, variant);
        QFETCH(double, scale);
        QFETCH(double, right);
        RecordingSurface s;
        drawVariant(s, scale, threeCategories(), variant);
        const double end = plotRight(s, scale);
        if (right > 0)
            QCOMPARE(end, right * scale);
        const double step = (end - 400 * scale) / 4;
        QList<double> ticks, marks;
        for (const Call *c : callsOf(s, Call::Line))
            if (c->x1 == c->x2 && qFuzzyCompare(c->y1, 3450 * scale) && qFuzzyCompare(c->y2, 3500 * scale))
                ticks << c->x1;
        for (const Call *c : plotted(s, variant == Bar ? Call::FilledBox : Call::Circle, scale))
            marks << (c->x1 + c->x2) / 2;
        QCOMPARE(ticks.size(), 3);
        QCOMPARE(marks.size(), 3);
        for (int k = 0; k < 3; ++k) {
            const double expected = 400 * scale + (k + 1) * step;
            QVERIFY2(qAbs(ticks[k] - expected) < 1e-6, qPrintable(QString::number(ticks[k])));
            QVERIFY2(qAbs(marks[k] - expected) < 1e-6, qPrintable(QString::number(marks[k])));
        }
        // The category labels are centred under their ticks at y 3600.
        const Call *label = textCall(s, QStringLiteral("数学"));
        QVERIFY(label);
        QVERIFY(qAbs((label->x1 + label->x2) / 2 - ticks[1]) < 1e-6);
        QCOMPARE(label->y1, 3600 * scale);
    }

    // Max 100 in 5 segments: six grid lines in RGB(64, 128, 128) across the plot, from the zero
    // line to the top line at 350, each labelled left of the axis, centred on its line; the top
    // one with the maximum (upwards, bar) or the minimum (downwards: 0 is an empty label, 50 is
    // shown). The axis reaches the top line.
    void gridLinesAndLabels_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<double>("min");
        QTest::addColumn<QStringList>("labels"); // from the zero line upwards
        QTest::newRow("up") << int(Up) << 0.0
                            << QStringList{QString(),
                                           QStringLiteral("20"),
                                           QStringLiteral("40"),
                                           QStringLiteral("60"),
                                           QStringLiteral("80"),
                                           QStringLiteral("100")};
        QTest::newRow("down") << int(Down) << 0.0
                              << QStringList{QStringLiteral("100"), QStringLiteral("80"), QStringLiteral("60"),
                                             QStringLiteral("40"),  QStringLiteral("20"), QString()};
        QTest::newRow("down from 50") << int(Down) << 50.0
                                      << QStringList{QStringLiteral("100"), QStringLiteral("90"), QStringLiteral("80"),
                                                     QStringLiteral("70"),  QStringLiteral("60"), QStringLiteral("50")};
        QTest::newRow("bar") << int(Bar) << 0.0
                             << QStringList{QString(),
                                            QStringLiteral("20"),
                                            QStringLiteral("40"),
                                            QStringLiteral("60"),
                                            QStringLiteral("80"),
                                            QStringLiteral("100")};
    }
    void gridLinesAndLabels()
    {
        QFETCH(int, variant);
        QFETCH(double, min);
        QFETCH(QStringList, labels);
        ChartData d = threeCategories();
        d.axis.min = min;
        RecordingSurface s;
        drawVariant(s, 1, d, variant);
        const double right = plotRight(s, 1);
        QList<double> ys;
        for (const Call *c : callsOf(s, Call::Line))
            if (c->color == kGrid) {
                QCOMPARE(c->x1, 400.0);
                QCOMPARE(c->x2, right);
                QCOMPARE(c->y1, c->y2);
                ys << c->y1;
            }
        QCOMPARE(ys, (QList<double>{3500, 2870, 2240, 1610, 980, 350}));
        int texts = 0;
        for (int j = 0; j < 6; ++j) {
            if (labels[j].isEmpty())
                continue;
            const Call *label = textCall(s, labels[j]);
            QVERIFY2(label, qPrintable(labels[j]));
            QCOMPARE(label->x2, 400.0);
            QCOMPARE((label->y1 + label->y2) / 2, ys[j]);
            ++texts;
        }
        // No label beyond those: a label "0" or one past the top would show here.
        int numbers = 0;
        for (const Call *c : callsOf(s, Call::Text))
            numbers += c->x2 <= 400 && !c->text.isEmpty() && c->text.at(0).isDigit();
        QCOMPARE(numbers, texts);
        // The frame: the axis from the top line down to the zero line, the zero line across.
        bool axis = false, zero = false;
        for (const Call *c : callsOf(s, Call::Line)) {
            axis = axis || (c->x1 == 400 && c->x2 == 400 && c->y1 == 350 && c->y2 == 3500);
            zero = zero || (c->color != kGrid && c->y1 == 3500 && c->y2 == 3500 && c->x1 == 400 && c->x2 == right);
        }
        QVERIFY(axis);
        QVERIFY(zero);
    }

    // Points, lines and bars: 100 on the top line, 50 halfway, 0 on the zero line (upward and bar)
    // or the other way round (downward); the row's name in the legend right of the plot.
    void valuesOnTheAxis_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QList<double>>("ys");
        QTest::newRow("up") << int(Up) << QList<double>{350, 1925, 3500};
        QTest::newRow("down") << int(Down) << QList<double>{3500, 1925, 350};
        QTest::newRow("bar") << int(Bar) << QList<double>{350, 1925, 3500};
    }
    void valuesOnTheAxis()
    {
        QFETCH(int, variant);
        QFETCH(QList<double>, ys);
        RecordingSurface s;
        drawVariant(s, 1.74, threeCategories(), variant);
        QList<double> found;
        if (variant == Bar) {
            for (const Call *c : callsOf(s, Call::FilledBox)) {
                QCOMPARE(c->fillColor, QRgb(0xff808080));
                QCOMPARE(c->y1, 3500 * 1.74);
                // Half-width 3100 ÷ 4 ÷ 2 = 387.5, rounded to 388.
                QCOMPARE(c->x2 - c->x1, 2 * 388 * 1.74);
                found << c->y2 / 1.74;
            }
            // Above the plot right of the labels, clear of the top label.
            const Call *subject = textCall(s, QStringLiteral("学科：语文"));
            const Call *top = textCall(s, QStringLiteral("100"));
            QVERIFY(subject && top);
            QCOMPARE(subject->x1, 400 * 1.74);
            QVERIFY(subject->y2 <= top->y1 || subject->x1 >= top->x2);
            QVERIFY(subject->y2 <= 350 * 1.74);
        } else {
            for (const Call *c : plotted(s, Call::Circle, 1.74)) {
                QCOMPARE(c->color, QRgb(0xff800000));
                QCOMPARE(c->x2 - c->x1, 60 * 1.74);
                found << (c->y1 + c->y2) / 2 / 1.74;
            }
            QCOMPARE(plotted(s, Call::Line, 1.74).size(), 2);
            const Call *name = textCall(s, QStringLiteral("张三"));
            QVERIFY(name);
            QVERIFY(name->x1 > plotRight(s, 1.74));
        }
        QCOMPARE(found.size(), ys.size());
        for (int i = 0; i < ys.size(); ++i)
            QVERIFY2(qAbs(found[i] - ys[i]) < 1e-6, qPrintable(QString::number(found[i])));
    }

    // A value within min … max lies between the top line (350) and the zero line: 98 of 100 stays
    // below the top line upwards, just above the zero line downwards.
    void valuesWithinTheAxisInsideThePlot_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("y");
        QTest::newRow("up 98") << int(Up) << 98.0 << 413.0;
        QTest::newRow("bar 98") << int(Bar) << 98.0 << 413.0;
        QTest::newRow("down 98") << int(Down) << 98.0 << 3437.0;
        QTest::newRow("down 2") << int(Down) << 2.0 << 413.0;
    }
    void valuesWithinTheAxisInsideThePlot()
    {
        QFETCH(int, variant);
        QFETCH(double, value);
        QFETCH(double, y);
        ChartData d = threeCategories();
        d.lines[0].values = {value, value, value};
        d.bars = {value, value, value};
        RecordingSurface s;
        drawVariant(s, 1, d, variant);
        const QList<const Call *> marks = plotted(s, variant == Bar ? Call::FilledBox : Call::Circle, 1);
        QCOMPARE(marks.size(), 3);
        for (const Call *c : marks) {
            const double top = variant == Bar ? c->y2 : (c->y1 + c->y2) / 2;
            QVERIFY2(qAbs(top - y) < 1e-6, qPrintable(QString::number(top)));
            QVERIFY(top > 350 && top < 3500);
        }
    }

    // Each row of a line chart in a colour of its own (the palette repeats after ten), its points
    // and joins in it; the legend right of the plot shows a sample in that colour level with the
    // row's name.
    void linesHaveTheirColoursAndALegend_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("variant");
        QTest::newRow("one") << 1 << int(Up);
        QTest::newRow("three") << 3 << int(Down);
        QTest::newRow("twelve, the palette again") << 12 << int(Up);
    }
    void linesHaveTheirColoursAndALegend()
    {
        QFETCH(int, rows);
        QFETCH(int, variant);
        ChartData d = threeCategories();
        d.lines.clear();
        for (int i = 0; i < rows; ++i)
            d.lines << ChartLine{QStringLiteral("学生%1").arg(i + 1), {double(10 + i), double(50 + i), double(90 - i)}};
        RecordingSurface s;
        drawVariant(s, 1, d, variant);
        const double right = plotRight(s, 1);
        const QList<const Call *> points = plotted(s, Call::Circle, 1);
        const QList<const Call *> joins = plotted(s, Call::Line, 1);
        QCOMPARE(points.size(), 3 * rows);
        QCOMPARE(joins.size(), 2 * rows);
        QSet<QRgb> colours;
        for (int i = 0; i < rows; ++i) {
            const QRgb colour = chartLineColor(i);
            for (int k = 0; k < 3; ++k)
                QCOMPARE(points[3 * i + k]->color, colour);
            QCOMPARE(joins[2 * i]->color, colour);
            colours << colour;
            const Call *name = textCall(s, QStringLiteral("学生%1").arg(i + 1));
            QVERIFY(name);
            QVERIFY(name->x1 > right && name->x2 <= 7000);
            const double middle = (name->y1 + name->y2) / 2;
            bool sample = false;
            for (const Call *c : callsOf(s, Call::Line))
                sample = sample || (c->color == colour && c->x1 > right && c->x2 < name->x1 && c->y1 == middle &&
                                    c->y2 == middle);
            QVERIFY2(sample, qPrintable(name->text));
        }
        QCOMPARE(colours.size(), std::min(rows, 10));
        QVERIFY(!colours.contains(kGrid) && !colours.contains(0xff000000));
    }

    // Nothing is drawn outside the picture (or, printed, outside its place on the page): not the
    // top label (six digits move the axis right), not a long name, not a legend longer than the
    // plot is high, which ends in "…".
    void everythingInsideThePicture_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("print");
        QTest::addColumn<bool>("more"); // the legend ends in "…"
        QTest::addColumn<double>("max");
        const QString longName = QString(30, QChar(u'长'));
        for (bool print : {false, true}) {
            const char *where = print ? "printed" : "preview";
            QTest::addRow("bar, %s", where) << int(Bar) << 1 << QStringLiteral("张三") << print << false << 100.0;
            QTest::addRow("up, long name, %s", where) << int(Up) << 2 << longName << print << false << 100.0;
            QTest::addRow("down, 45 rows, %s", where)
                << int(Down) << 45 << QStringLiteral("张三") << print << false << 100.0;
            QTest::addRow("up, 200 rows, %s", where)
                << int(Up) << 200 << QStringLiteral("张三") << print << true << 100.0;
            QTest::addRow("bar, maximum 100000, %s", where)
                << int(Bar) << 1 << QStringLiteral("张三") << print << false << 100000.0;
            QTest::addRow("down, maximum 100000, %s", where)
                << int(Down) << 3 << QStringLiteral("张三") << print << false << 100000.0;
        }
    }
    void everythingInsideThePicture()
    {
        QFETCH(int, variant);
        QFETCH(int, rows);
        QFETCH(QString, name);
        QFETCH(bool, print);
        QFETCH(bool, more);
        QFETCH(double, max);
        ChartData d = threeCategories();
        d.axis.max = max;
        d.bars = {0, 0.98 * max, max};
        d.lines.clear();
        for (int i = 0; i < rows; ++i)
            d.lines << ChartLine{name + QString::number(i), {0, 0.98 * max, max}};
        const double scale = print ? kChartPrintScale : 1;
        const QPointF origin = print ? kChartPrintOrigin : QPointF();
        RecordingSurface s;
        if (variant == Up)
            drawLineChartUp(s, scale, d, origin);
        else if (variant == Down)
            drawLineChartDown(s, scale, d, origin);
        else
            drawBarChart(s, scale, d, origin);
        const QRectF picture(origin, QSizeF(7000 * scale, 4600 * scale));
        int drawn = 0;
        for (const Call &c : s.calls()) {
            if (c.kind == Call::Cls)
                continue;
            ++drawn;
            QVERIFY2(within(picture, c),
                     qPrintable(
                         QStringLiteral("%1 at %2, %3 … %4, %5").arg(c.text).arg(c.x1).arg(c.y1).arg(c.x2).arg(c.y2)));
        }
        QVERIFY(drawn > 20);
        // The maximum's label is in, and so is the end of the legend.
        QVERIFY(textCall(s, QString::number(max)));
        QCOMPARE(bool(textCall(s, QStringLiteral("…"))), more);
        const auto [left, right] = plotEnds(s, scale, origin);
        QVERIFY(left >= origin.x() + 400 * scale);
        if (variant != Bar)
            QVERIFY(right - left >= 3000 * scale - 1e-6);
    }

    // A value above the maximum is drawn beyond the plot: above it upwards, below it downwards.
    void valuesAboveTheMaximumNotClipped_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<double>("y");
        QTest::newRow("up") << int(Up) << -1225.0;
        QTest::newRow("down") << int(Down) << 5075.0;
        QTest::newRow("bar") << int(Bar) << -1225.0;
    }
    void valuesAboveTheMaximumNotClipped()
    {
        QFETCH(int, variant);
        QFETCH(double, y);
        ChartData d = threeCategories();
        d.lines[0].values = {150, 150, 150};
        d.bars = {150, 150, 150};
        RecordingSurface s;
        drawVariant(s, 1, d, variant);
        const QList<const Call *> marks = plotted(s, variant == Bar ? Call::FilledBox : Call::Circle, 1);
        QCOMPARE(marks.size(), 3);
        QCOMPARE(variant == Bar ? marks[0]->y2 : (marks[0]->y1 + marks[0]->y2) / 2, y);
    }

    // With a minimum of 50 the line charts plot (v − 50) ÷ 50 and label 50, 60 … so the axis tells
    // the truth; the bar chart ignores the minimum.
    void nonZeroMinimum_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QStringList>("labels"); // from the zero line upwards
        QTest::addColumn<double>("y75");
        QTest::newRow("up") << int(Up) << QStringList{QStringLiteral("50"), QStringLiteral("60"), QStringLiteral("70"),
                                                      QStringLiteral("80"), QStringLiteral("90"), QStringLiteral("100")}
                            << 1925.0;
        QTest::newRow("down") << int(Down)
                              << QStringList{QStringLiteral("100"), QStringLiteral("90"), QStringLiteral("80"),
                                             QStringLiteral("70"),  QStringLiteral("60"), QStringLiteral("50")}
                              << 1925.0;
        QTest::newRow("bar") << int(Bar)
                             << QStringList{QString(),
                                            QStringLiteral("20"),
                                            QStringLiteral("40"),
                                            QStringLiteral("60"),
                                            QStringLiteral("80"),
                                            QStringLiteral("100")}
                             << 1137.5;
    }
    void nonZeroMinimum()
    {
        QFETCH(int, variant);
        QFETCH(QStringList, labels);
        QFETCH(double, y75);
        ChartData d = threeCategories();
        d.axis = ChartAxis{50, 100, 5};
        d.lines[0].values = {75, 75, 75};
        d.bars = {75, 75, 75};
        RecordingSurface s;
        drawVariant(s, 1, d, variant);
        const double ys[] = {3500, 2870, 2240, 1610, 980, 350};
        for (int j = 0; j < 6; ++j) {
            if (labels[j].isEmpty())
                continue;
            const Call *label = textCall(s, labels[j]);
            QVERIFY2(label, qPrintable(labels[j]));
            QCOMPARE((label->y1 + label->y2) / 2, ys[j]);
        }
        const Call *mark = callsOf(s, variant == Bar ? Call::FilledBox : Call::Circle).value(0);
        QVERIFY(mark);
        QCOMPARE(variant == Bar ? mark->y2 : (mark->y1 + mark->y2) / 2, y75);
    }

    // The boxes by their numeric value: empty, zero or "00" become 1 (shown so in the boxes), the
    // limits hold, a minimum not below the maximum is taken as 0.
    void axisFromTheBoxes_data()
    {
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("segments");
        QTest::addColumn<double>("axisMin");
        QTest::addColumn<double>("axisMax");
        QTest::addColumn<int>("axisSegments");
        QTest::addColumn<QString>("maxShown");
        QTest::addColumn<QString>("segmentsShown");
        QTest::newRow("as typed") << "20"
                                  << "150"
                                  << "5" << 20.0 << 150.0 << 5 << "150"
                                  << "5";
        QTest::newRow("max 0") << "0"
                               << "0"
                               << "10" << 0.0 << 1.0 << 10 << "1"
                               << "10";
        QTest::newRow("max empty") << "0"
                                   << ""
                                   << "10" << 0.0 << 1.0 << 10 << "1"
                                   << "10";
        QTest::newRow("00 and 00") << "0"
                                   << "00"
                                   << "00" << 0.0 << 1.0 << 1 << "1"
                                   << "1";
        QTest::newRow("segments empty") << ""
                                        << "100"
                                        << "" << 0.0 << 100.0 << 1 << "100"
                                        << "1";
        QTest::newRow("beyond the limits") << "0"
                                           << "999999"
                                           << "1000" << 0.0 << 100000.0 << 100 << "999999"
                                           << "1000";
        QTest::newRow("min at max") << "100"
                                    << "100"
                                    << "4" << 0.0 << 100.0 << 4 << "100"
                                    << "4";
        QTest::newRow("min above max") << "500"
                                       << "100"
                                       << "4" << 0.0 << 100.0 << 4 << "100"
                                       << "4";
    }
    void axisFromTheBoxes()
    {
        QFETCH(QString, min);
        QFETCH(QString, max);
        QFETCH(QString, segments);
        QFETCH(double, axisMin);
        QFETCH(double, axisMax);
        QFETCH(int, axisSegments);
        QFETCH(QString, maxShown);
        QFETCH(QString, segmentsShown);
        ChartOptions o;
        o.min = min;
        o.max = max;
        o.segments = segments;
        const ChartAxis a = normalizeAxis(o);
        QCOMPARE(a.min, axisMin);
        QCOMPARE(a.max, axisMax);
        QCOMPARE(a.segments, axisSegments);
        QCOMPARE(o.max, maxShown);
        QCOMPARE(o.segments, segmentsShown);
    }

    // A maximum of 0 draws as 1: a value of 1 reaches the top line; one segment (segments "0"):
    // the zero line and the top line.
    void maximumZeroDrawsAsOne()
    {
        ChartJob job(m_doc, formula::calculator(*m_ws));
        ChartOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.bar = false;
        o.fields = {2};
        o.rows = {1};
        o.max = QStringLiteral("0");
        o.segments = QStringLiteral("0");
        m_doc.grid.setTextMatrix(1, 2, QStringLiteral("1"));
        ChartJob one(m_doc, formula::calculator(*m_ws));
        const auto preview = one.preview(o, m_p);
        QVERIFY(preview);
        QCOMPARE(o.max, QStringLiteral("1"));
        QCOMPARE(o.segments, QStringLiteral("1"));
        const Call *point = callsOf(*preview, Call::Circle).value(0);
        QVERIFY(point);
        QCOMPARE((point->y1 + point->y2) / 2, 350.0);
        int gridLines = 0;
        for (const Call *c : callsOf(*preview, Call::Line))
            gridLines += c->color == kGrid;
        QCOMPARE(gridLines, 2);
    }

    // The chart takes the values the teacher sees after 计算所有公式: 评价 is a formula over the
    // formula 总分; text cells chart as 0; the display field names the rows.
    void dataFromTheEvaluatedTable()
    {
        ChartJob job(m_doc, formula::calculator(*m_ws));
        QCOMPARE(job.fieldNames(), (QStringList{QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学"),
                                                QStringLiteral("总分"), QStringLiteral("评价")}));
        QCOMPARE(job.rowTexts(1), (QStringList{QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五"),
                                               QStringLiteral("赵六")}));
        QCOMPARE(job.rowTexts(2).first(), QStringLiteral("70"));
        ChartOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.bar = false;
        o.fields = {5, 3};
        o.rows = {4, 1};
        const ChartData d = job.data(o);
        QCOMPARE(d.categories, (QStringList{QStringLiteral("评价"), QStringLiteral("数学")}));
        QCOMPARE(d.lines.size(), 2);
        QCOMPARE(d.lines[0].name, QStringLiteral("赵六"));
        // 赵六: 数学 "缺考" and the formula error it causes in 评价 both chart as 0.
        QCOMPARE(job.values().TextMatrix(4, 5), QStringLiteral("公式错误"));
        QCOMPARE(d.lines[0].values, (QList<double>{0, 0}));
        QCOMPARE(d.lines[1].name, QStringLiteral("张三"));
        QCOMPARE(d.lines[1].values, (QList<double>{60.5, 51}));
        QCOMPARE(d.title, QStringLiteral("期中成绩"));
        QCOMPARE(d.printTime, QStringLiteral("打印时间： 2026/12/8"));
        // The table itself still holds its formulas.
        QCOMPARE(m_doc.grid.TextMatrix(1, 5), QStringLiteral("！公式：cell(?,4)/2"));
    }

    // The bar chart's subject: the focused field when it is checked, else the first checked one.
    void barSubject_data()
    {
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<int>("focused");
        QTest::addColumn<QString>("subject");
        QTest::newRow("focused and checked") << QList<int>{2, 3} << 3 << QStringLiteral("数学");
        QTest::newRow("focused, not checked") << QList<int>{4, 2} << 3 << QStringLiteral("总分");
        QTest::newRow("nothing focused") << QList<int>{2} << -1 << QStringLiteral("语文");
    }
    void barSubject()
    {
        QFETCH(QList<int>, checked);
        QFETCH(int, focused);
        QFETCH(QString, subject);
        ChartJob job(m_doc, formula::calculator(*m_ws));
        ChartOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.fields = checked;
        o.currentField = focused;
        o.rows = {1, 2};
        const ChartData d = job.data(o);
        QCOMPARE(d.subject, subject);
        QCOMPARE(d.categories, (QStringList{QStringLiteral("张三"), QStringLiteral("李四")}));
    }

    // Title centred under the plot at 3950, print time right-aligned to 6540 at 4300, in 宋体 8.
    void titleAndPrintTime()
    {
        RecordingSurface s;
        drawBarChart(s, 1.74, threeCategories());
        const Call *title = textCall(s, QStringLiteral("期中成绩"));
        const Call *time = textCall(s, QStringLiteral("打印时间： 2026/12/8"));
        QVERIFY(title && time);
        QCOMPARE((title->x1 + title->x2) / 2, 3470 * 1.74);
        QCOMPARE(title->y1, 3950 * 1.74);
        QCOMPARE(time->x2, 6540 * 1.74);
        QCOMPARE(time->y1, 4300 * 1.74);
        QCOMPARE(time->font->name, QStringLiteral("宋体"));
        QCOMPARE(time->font->size, 8.0);
    }

    // 刷新预览 and 打印 without a checked field or a selected row: the message, nothing drawn.
    void nothingSelected_data()
    {
        QTest::addColumn<QList<int>>("fields");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("no field") << QList<int>{} << QList<int>{1};
        QTest::newRow("no row") << QList<int>{2} << QList<int>{};
        QTest::newRow("rows outside the table") << QList<int>{2} << QList<int>{0, 9};
    }
    void nothingSelected()
    {
        QFETCH(QList<int>, fields);
        QFETCH(QList<int>, rows);
        FakePrinters *fake = new FakePrinters;
        m_ws->printers.reset(fake);
        ChartJob job(m_doc, formula::calculator(*m_ws));
        ChartOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.fields = fields;
        o.rows = rows;
        m_p.expectMessage(QStringLiteral("请先选择要处理的数据（字段、处理对象）。"), QStringLiteral("提示"));
        QVERIFY(!job.preview(o, m_p));
        m_p.expectMessage(QStringLiteral("请先选择要处理的数据（字段、处理对象）。"), QStringLiteral("提示"));
        QVERIFY(!job.print(o, *m_ws, m_p));
        QVERIFY(fake->jobs.isEmpty());
    }

    // The bar chart charts one subject: with two fields ticked 刷新预览, 打印 and 导出PDF say so and
    // draw nothing; a line chart takes several.
    void barChartTakesOneSubject_data()
    {
        QTest::addColumn<bool>("bar");
        QTest::addColumn<QList<int>>("fields");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("bar, two fields") << true << QList<int>{2, 3} << false;
        QTest::newRow("bar, one field") << true << QList<int>{3} << true;
        QTest::newRow("bar, one field and one outside the table") << true << QList<int>{3, 9} << true;
        QTest::newRow("line, two fields") << false << QList<int>{2, 3} << true;
    }
    void barChartTakesOneSubject()
    {
        QFETCH(bool, bar);
        QFETCH(QList<int>, fields);
        QFETCH(bool, drawn);
        FakePrinters *fake = new FakePrinters;
        m_ws->printers.reset(fake);
        ChartJob job(m_doc, formula::calculator(*m_ws));
        ChartOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.bar = bar;
        o.fields = fields;
        o.rows = {1, 2};
        const QString refusal = QStringLiteral("柱形图只能选择一个科目。");
        const QString pdf = m_dir->filePath(QStringLiteral("图表.pdf"));
        if (!drawn)
            for (int i = 0; i < 3; ++i)
                m_p.expectMessage(refusal, QStringLiteral("提示"));
        QCOMPARE(bool(job.preview(o, m_p)), drawn);
        QCOMPARE(job.print(o, *m_ws, m_p), drawn);
        QCOMPARE(fake->jobs.size(), drawn ? 1 : 0);
        QCOMPARE(job.exportPdf(o, pdf, *m_ws, m_p), drawn);
        QCOMPARE(QFile::exists(pdf), drawn);
        for (const PromptRecord &r : m_p.shown)
            QCOMPARE(r.icon, ui::Icon::Information);
    }

    // Every variant prints with the program's settings (copies, duplex, quality) on A4 portrait, at
    // 1.5 times the preview 567 twips (1 cm) from the paper's top and left edges, within the
    // page's width less that margin on the right too: the top line's label too.
    void everyVariantAppliesThePrinterSettings_data()
    {
        QTest::addColumn<bool>("bar");
        QTest::addColumn<bool>("upward");
        QTest::newRow("up") << false << true;
        QTest::newRow("down") << false << false;
        QTest::newRow("bar") << true << true;
    }
    void everyVariantAppliesThePrinterSettings()
    {
        QFETCH(bool, bar);
        QFETCH(bool, upward);
        FakePrinters *fake = new FakePrinters;
        m_ws->printers.reset(fake);
        m_ws->printCopies = 3;
        m_ws->printDuplex = 2;
        m_ws->printQuality = 600;
        ChartJob job(m_doc, formula::calculator(*m_ws));
        ChartOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.bar = bar;
        o.upward = upward;
        o.fields = bar ? QList<int>{2} : QList<int>{2, 3};
        o.rows = {1, 2, 3};
        QVERIFY(job.print(o, *m_ws, m_p));
        QCOMPARE(fake->applied.size(), 1);
        QCOMPARE(fake->applied[0], (PrinterValues{3, 600, 1, 2, 1}));
        bool ended = false, topLine = false, topLabel = !upward;
        const QRectF inside(QPointF(567, 567), QPointF(11906 - 567, 16838 - 567));
        for (const Call &c : *fake->jobs[0]) {
            ended = ended || c.kind == Call::EndDoc;
            if (c.kind == Call::Text || c.kind == Call::Line || c.kind == Call::FilledBox || c.kind == Call::Circle)
                QVERIFY2(within(inside, c), qPrintable(c.text));
            topLine = topLine ||
                      (c.kind == Call::Line && c.color == kGrid && c.x1 == 567 + 400 * 1.5 && c.y1 == 567 + 350 * 1.5);
            topLabel = topLabel || (c.kind == Call::Text && c.text == QStringLiteral("100") &&
                                    c.x2 == 567 + 400 * 1.5 && (c.y1 + c.y2) / 2 == 567 + 350 * 1.5);
        }
        QVERIFY(ended);
        QVERIFY(topLine);
        QVERIFY(topLabel);
    }

    // chart --rows: every row once, in the order first named, however often a range repeats; the
    // work is bounded by the table's rows (twenty thousand repeats of a whole table finish at
    // once); a number beyond them is refused before anything is expanded.
    void rowListOnTheCommandLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("hi");
        QTest::addColumn<QList<int>>("rows"); // the first and last few when long
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("refusal");
        const auto repeated = [](const QString &item, int times) {
            return QStringList(times, item).join(QLatin1Char(','));
        };
        QTest::newRow("first occurrence order")
            << QStringLiteral("3,1-6,2,5") << 6 << QList<int>{3, 1, 2, 4, 5, 6} << 6 << QString();
        QTest::newRow("a range twenty times")
            << repeated(QStringLiteral("1-6"), 20) << 6 << QList<int>{1, 2, 3, 4, 5, 6} << 6 << QString();
        QTest::newRow("overlapping ranges")
            << QStringLiteral("4-5,2-6,1-3") << 9 << QList<int>{4, 5, 2, 3, 6, 1} << 6 << QString();
        QTest::newRow("1-32765 twenty times") << QStringLiteral("7,") + repeated(QStringLiteral("1-32765"), 20) << 32766
                                              << QList<int>{7, 1, 2, 3} << 32765 << QString();
        QTest::newRow("1-32766 twenty thousand times")
            << repeated(QStringLiteral("1-32766"), 20000) << 32766 << QList<int>{1, 2, 3} << 32766 << QString();
        QTest::newRow("a range far beyond the table") << QStringLiteral("1-5,1-2000000000") << 32766 << QList<int>{}
                                                      << 0 << QStringLiteral("参数超出范围：2000000000");
        QTest::newRow("a row beyond the table")
            << QStringLiteral("1,7") << 6 << QList<int>{} << 0 << QStringLiteral("参数超出范围：7");
    }
    void rowListOnTheCommandLine()
    {
        QFETCH(QString, text);
        QFETCH(int, hi);
        QFETCH(QList<int>, rows);
        QFETCH(int, count);
        QFETCH(QString, refusal);
        QString out;
        QTextStream stream(&out);
        table::cli::Context ctx{*m_ws, m_p, stream};
        if (!refusal.isEmpty())
            m_p.expectMessage(refusal);
        const std::optional<QList<int>> list = numberList(ctx, text, 1, hi);
        QCOMPARE(list.has_value(), refusal.isEmpty());
        if (!list)
            return;
        QCOMPARE(list->size(), count);
        QCOMPARE(list->first(rows.size()), rows);
        QCOMPARE(QSet<int>(list->begin(), list->end()).size(), count);
    }

    // 保存图片: a 24-bit Windows bitmap of 467 × 307 pixels on white, the chart's grey bars in it;
    // a write that fails says so and leaves nothing.
    void savesTheBitmap()
    {
        ChartJob job(m_doc, formula::calculator(*m_ws));
        ChartOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.fields = {2};
        o.rows = {1, 2, 3, 4};
        const auto preview = job.preview(o, m_p);
        QVERIFY(preview);
        const QString path = m_dir->filePath(QStringLiteral("图表.bmp"));
        QVERIFY(saveChartBitmap(preview.get(), path, m_p));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        const auto le32 = [&](int at) {
            return qint32(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8 | quint8(bytes[at + 2]) << 16 |
                          quint32(quint8(bytes[at + 3])) << 24);
        };
        QCOMPARE(le32(18), 467);
        QCOMPARE(le32(22), 307);
        QCOMPARE(int(quint8(bytes[28]) | quint8(bytes[29]) << 8), 24);
        const QImage image(path);
        QCOMPARE(image.size(), QSize(467, 307));
        QCOMPARE(image.pixel(2, 2), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(466, 306), qRgb(255, 255, 255));
        // 李四's bar (语文 80 of 100, the second of four) is grey between its top and the zero line.
        const int x = int(chartCategoryX(2, 4) / 15), y = int(3000 / 15);
        QCOMPARE(image.pixel(x, y), qRgb(128, 128, 128));

        const QString blocked = m_dir->filePath(QStringLiteral("没有这个文件夹/图表.bmp"));
        m_p.expectMessage(QStringLiteral("文件保存失败，请检查介质是否可写、输入的文件名是否合法。"),
                          QStringLiteral("错误"));
        QVERIFY(!saveChartBitmap(preview.get(), blocked, m_p));
        QVERIFY(!QFile::exists(blocked));
    }

    // Before any preview the picture is white; the save dialog offers "*.bmp" and adds the
    // extension; cancelling writes nothing.
    void savePictureDialog()
    {
        const QString typed = m_dir->filePath(QStringLiteral("空白"));
        m_p.expectSaveFile(typed, QStringLiteral("*.bmp"));
        QVERIFY(menuSaveChartBitmap(nullptr, m_p));
        const QImage image(typed + QStringLiteral(".bmp"));
        QCOMPARE(image.size(), QSize(467, 307));
        QCOMPARE(image.pixel(233, 153), qRgb(255, 255, 255));
        m_p.expectSaveFile(QString(), QStringLiteral("*.bmp"));
        QVERIFY(!menuSaveChartBitmap(nullptr, m_p));
    }
};

QTEST_MAIN(ChartTest)
#include "tst_chart.moc"
