// Charts: the geometry of the three variants on the recording surface (categories, grid lines and
// labels, points, bars, title and print time, at scale 1 and 1.74), the numeric checks of the
// boxes, the non-zero minimum, values beyond the maximum, the data taken from the evaluated table,
// the selection check, the printer settings of every variant and the saved bitmap.
#include "base/workspace.h"
#include "formula/calculate.h"
#include "print/chart_drawing.h"
#include "print/chart_job.h"
#include "print/fonts.h"
#include "print/printer.h"
#include "scripted_prompter.h"
#include "table/grade_table.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace print;

namespace {

// 姓名, 语文, 数学, 总分 = 语文 + 数学, 评价 = 总分 ÷ 2 (a formula over a formula).
void makeClass(table::GradeTable &t)
{
    table::Grid &g = t.成绩表;
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
    t.Caption = QStringLiteral("期中成绩");
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

    // Three categories lie at 1935, 3470 and 5005, times the scale: the ticks, the points of the
    // line charts and the middles of the bars.
    void categoriesAtTheirPositions_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<double>("scale");
        for (double scale : {1.0, 1.74}) {
            QTest::addRow("up, scale %g", scale) << int(Up) << scale;
            QTest::addRow("down, scale %g", scale) << int(Down) << scale;
            QTest::addRow("bar, scale %g", scale) << int(Bar) << scale;
        }
    }
    void categoriesAtTheirPositions()
    {
        QFETCH(int, variant);
        QFETCH(double, scale);
        RecordingSurface s;
        drawVariant(s, scale, threeCategories(), variant);
        const QList<double> expected{1935 * scale, 3470 * scale, 5005 * scale};
        QList<double> ticks, marks;
        for (const Call *c : callsOf(s, Call::Line))
            if (c->x1 == c->x2 && qFuzzyCompare(c->y1, 3450 * scale) && qFuzzyCompare(c->y2, 3500 * scale))
                ticks << c->x1;
        for (const Call *c : callsOf(s, variant == Bar ? Call::FilledBox : Call::Circle))
            marks << (c->x1 + c->x2) / 2;
        QCOMPARE(ticks.size(), 3);
        QCOMPARE(marks.size(), 3);
        for (int k = 0; k < 3; ++k) {
            QVERIFY2(qAbs(ticks[k] - expected[k]) < 1e-6, qPrintable(QString::number(ticks[k])));
            QVERIFY2(qAbs(marks[k] - expected[k]) < 1e-6, qPrintable(QString::number(marks[k])));
        }
        // The category labels are centred under their ticks at y 3600.
        const Call *label = textCall(s, QStringLiteral("数学"));
        QVERIFY(label);
        QCOMPARE((label->x1 + label->x2) / 2, 3470 * scale);
        QCOMPARE(label->y1, 3600 * scale);
    }

    // Max 100 in 5 segments: five grid lines in RGB(64, 128, 128) from 400 to 6540, the zero line
    // included and none at the top, each labelled left of the axis, centred on its line.
    void gridLinesAndLabels_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QStringList>("labels"); // from the zero line upwards
        QTest::newRow("up") << int(Up)
                            << QStringList{QString(), QStringLiteral("20"), QStringLiteral("40"), QStringLiteral("60"),
                                           QStringLiteral("80")};
        QTest::newRow("down") << int(Down)
                              << QStringList{QStringLiteral("100"), QStringLiteral("80"), QStringLiteral("60"),
                                             QStringLiteral("40"), QStringLiteral("20")};
        QTest::newRow("bar") << int(Bar)
                             << QStringList{QString(), QStringLiteral("20"), QStringLiteral("40"), QStringLiteral("60"),
                                            QStringLiteral("80")};
    }
    void gridLinesAndLabels()
    {
        QFETCH(int, variant);
        QFETCH(QStringList, labels);
        RecordingSurface s;
        drawVariant(s, 1, threeCategories(), variant);
        QList<double> ys;
        for (const Call *c : callsOf(s, Call::Line))
            if (c->color == 0xff408080) {
                QCOMPARE(c->x1, 400.0);
                QCOMPARE(c->x2, 6540.0);
                QCOMPARE(c->y1, c->y2);
                ys << c->y1;
            }
        QCOMPARE(ys, (QList<double>{3500, 2800, 2100, 1400, 700}));
        for (int j = 0; j < 5; ++j) {
            if (labels[j].isEmpty())
                continue;
            const Call *label = textCall(s, labels[j]);
            QVERIFY2(label, qPrintable(labels[j]));
            QCOMPARE(label->x2, 400.0);
            QCOMPARE((label->y1 + label->y2) / 2, ys[j]);
        }
        // The frame: the axis from 210 down to the zero line, the zero line across.
        bool axis = false, zero = false;
        for (const Call *c : callsOf(s, Call::Line)) {
            axis = axis || (c->x1 == 400 && c->x2 == 400 && c->y1 == 210 && c->y2 == 3500);
            zero = zero || (c->color != 0xff408080 && c->y1 == 3500 && c->y2 == 3500 && c->x1 == 400 && c->x2 == 6540);
        }
        QVERIFY(axis);
        QVERIFY(zero);
    }

    // Points, lines and bars: 100 at the top of the plot, 50 halfway, 0 on the zero line (upward
    // and bar) or the other way round (downward); the row's name right of its last point.
    void valuesOnTheAxis_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QList<double>>("ys");
        QTest::newRow("up") << int(Up) << QList<double>{0, 1750, 3500};
        QTest::newRow("down") << int(Down) << QList<double>{3500, 1750, 0};
        QTest::newRow("bar") << int(Bar) << QList<double>{0, 1750, 3500};
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
            const Call *subject = textCall(s, QStringLiteral("学科：语文"));
            QVERIFY(subject);
            QCOMPARE(subject->x1, 120 * 1.74);
            QCOMPARE(subject->y1, 90 * 1.74);
        } else {
            for (const Call *c : callsOf(s, Call::Circle)) {
                QCOMPARE(c->color, QRgb(0xff800000));
                QCOMPARE(c->x2 - c->x1, 60 * 1.74);
                found << (c->y1 + c->y2) / 2 / 1.74;
            }
            int joins = 0;
            for (const Call *c : callsOf(s, Call::Line))
                joins += c->color == 0xff800000;
            QCOMPARE(joins, 2);
            const Call *name = textCall(s, QStringLiteral("张三"));
            QVERIFY(name);
            QCOMPARE(name->color, QRgb(0xff800000));
            QVERIFY(name->x1 > 5005 * 1.74 + 30 * 1.74);
        }
        QCOMPARE(found.size(), ys.size());
        for (int i = 0; i < ys.size(); ++i)
            QVERIFY2(qAbs(found[i] - ys[i]) < 1e-6, qPrintable(QString::number(found[i])));
    }

    // A value above the maximum is drawn beyond the plot: above it upwards, below it downwards.
    void valuesAboveTheMaximumNotClipped_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<double>("y");
        QTest::newRow("up") << int(Up) << -1750.0;
        QTest::newRow("down") << int(Down) << 5250.0;
        QTest::newRow("bar") << int(Bar) << -1750.0;
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
        const QList<const Call *> marks = callsOf(s, variant == Bar ? Call::FilledBox : Call::Circle);
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
        QTest::newRow("up") << int(Up)
                            << QStringList{QStringLiteral("50"), QStringLiteral("60"), QStringLiteral("70"),
                                           QStringLiteral("80"), QStringLiteral("90")}
                            << 1750.0;
        QTest::newRow("down") << int(Down)
                              << QStringList{QStringLiteral("100"), QStringLiteral("90"), QStringLiteral("80"),
                                             QStringLiteral("70"), QStringLiteral("60")}
                              << 1750.0;
        QTest::newRow("bar") << int(Bar)
                             << QStringList{QString(), QStringLiteral("20"), QStringLiteral("40"), QStringLiteral("60"),
                                            QStringLiteral("80")}
                             << 875.0;
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
        const double ys[] = {3500, 2800, 2100, 1400, 700};
        for (int j = 0; j < 5; ++j) {
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

    // A maximum of 0 draws as 1: a value of 1 reaches the top of the plot, one grid line (segments
    // "0") at the zero line.
    void maximumZeroDrawsAsOne()
    {
        ChartJob job(m_doc, formula::calculator(*m_ws));
        ChartOptions o = job.initialOptions(QDate(2026, 12, 8));
        o.bar = false;
        o.fields = {2};
        o.rows = {1};
        o.max = QStringLiteral("0");
        o.segments = QStringLiteral("0");
        m_doc.成绩表.setTextMatrix(1, 2, QStringLiteral("1"));
        ChartJob one(m_doc, formula::calculator(*m_ws));
        const auto preview = one.preview(o, m_p);
        QVERIFY(preview);
        QCOMPARE(o.max, QStringLiteral("1"));
        QCOMPARE(o.segments, QStringLiteral("1"));
        const Call *point = callsOf(*preview, Call::Circle).value(0);
        QVERIFY(point);
        QCOMPARE((point->y1 + point->y2) / 2, 0.0);
        int gridLines = 0;
        for (const Call *c : callsOf(*preview, Call::Line))
            gridLines += c->color == 0xff408080;
        QCOMPARE(gridLines, 1);
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
        QCOMPARE(m_doc.成绩表.TextMatrix(1, 5), QStringLiteral("！公式：cell(?,4)/2"));
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

    // Every variant prints with the program's settings (copies, duplex, quality) on A4 portrait,
    // at 1.74 times the preview.
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
        o.fields = {2, 3, 4};
        o.rows = {1, 2, 3};
        QVERIFY(job.print(o, *m_ws, m_p));
        QCOMPARE(fake->applied.size(), 1);
        QCOMPARE(fake->applied[0], (PrinterValues{3, 600, 1, 2, 1}));
        bool ended = false, tickAtScale = false;
        for (const Call &c : *fake->jobs[0]) {
            ended = ended || c.kind == Call::EndDoc;
            tickAtScale = tickAtScale || (c.kind == Call::Line && qFuzzyCompare(c.x1, 1935 * 1.74) &&
                                          qFuzzyCompare(c.y1, 3450 * 1.74));
        }
        QVERIFY(ended);
        QVERIFY(tickAtScale);
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
