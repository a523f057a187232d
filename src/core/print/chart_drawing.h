#pragma once
// The three chart variants of ChartDialog, each one routine that draws on any surface: the preview
// picture at scale 1, or the printed page at scale 1.5 with the picture's corner 1 cm from the
// paper's top and left edges. Every routine draws in a logical space whose unit is one twip at
// scale 1 (the picture, 7000 × 4600) and maps each coordinate to origin + coordinate × scale;
// texts keep "宋体" 8 at every scale.
// The plot spans y 350 (its top line) … 3500 (the zero line) and is framed by the axis at x 400
// (further right when a grid label is wider than 370, as six digits are) from the top line down
// and the zero line across. n segments give n + 1 grid lines, the zero line and the top line
// included, each labelled (a whole number, empty for 0) right-aligned to the axis and centred on
// its line. Every value from the minimum to the maximum lies between the two
// lines; values beyond the axis are drawn beyond them.
// The plot ends at x 6540 in the bar chart. In the line charts it ends where the legend begins:
// right of the plot, inside the picture, one entry per row (a sample line and point in the row's
// colour, then its name, shortened with "…" past 1200), top-down from the top line to the zero
// line, in as many columns side by side as needed while the plot stays at least 3000 wide; rows
// beyond that room end the legend in "…".
// The m categories lie at x = left + k × (right − left) ÷ (m + 1), k = 1 … m, with ticks from
// y 3450 and their labels centred at y 3600; the title is centred on x 3470 at y 3950, the print
// time right-aligned to x 6540 at y 4300.
#include "core/print/surface.h"

#include <QDate>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

namespace print {

// The preview picture Picture1: 7000 × 4600 twips, 467 × 307 pixels at 15 twips per pixel.
inline constexpr double kChartPictureWidth = 7000;
inline constexpr double kChartPictureHeight = 4600;
inline constexpr double kChartPreviewScale = 1;
// On A4 portrait (11906 twips wide) the picture is 10500 twips wide at 1.5: 567 twips (1 cm) from
// the left edge it leaves 839 on the right, and its top keeps 1 cm from the paper's top, clear of
// a printer's unprintable margin.
inline constexpr double kChartPrintScale = 1.5;
inline constexpr QPointF kChartPrintOrigin{567, 567};

// The value axis as the routines take it: max ≥ 1, 1 ≤ segments ≤ 100, 0 ≤ min < max.
struct ChartAxis {
    double min = 0;
    double max = 100;
    int segments = 10;
};

// One row of a line chart: its display text and one value per category.
struct ChartLine {
    QString name;
    QList<double> values;
};

struct ChartData {
    QStringList categories; // labels under the ticks, left to right
    QList<ChartLine> lines; // line charts: one per row
    QList<double> bars;     // bar chart: one value per category
    QString subject;        // bar chart: the subject field's name, after "学科："
    ChartAxis axis;
    QString title;
    QString printTime; // "打印时间： " and the date
};

// The category position k (1 … m) of m categories in the bar chart with its axis at 400, at scale 1.
double chartCategoryX(int k, int m);
// The colour of line chart row i (0 …): a fixed palette of clearly different colours, repeated.
QRgb chartLineColor(int i);

// Below, f = j ÷ n is grid line j (0 … n) from the zero line up, at y = 3500 − f × 3150; the
// routines draw with the picture's top-left corner at `origin` (twips on the surface).
// The line chart with the value axis upwards ("降序↑", scores): a value v lies at
// f = (v − min) ÷ (max − min); the lines are labelled min + f(max − min), the top one max.
void drawLineChartUp(Surface &out, double scale, const ChartData &data, QPointF origin = {});
// The line chart with the value axis downwards ("升序↓", ranks): v lies at f = (max − v) ÷ (max − min);
// the lines are labelled max − f(max − min), the top one min.
void drawLineChartDown(Surface &out, double scale, const ChartData &data, QPointF origin = {});
// The bar chart (one subject, several students, "学科：…" above the plot right of the labels):
// bars from the zero line up to f = v ÷ max; the lines are labelled f × max; the minimum is not used.
void drawBarChart(Surface &out, double scale, const ChartData &data, QPointF origin = {});

// "打印时间： " followed by the date in the short form yyyy/M/d.
QString chartPrintTime(const QDate &date);

} // namespace print
