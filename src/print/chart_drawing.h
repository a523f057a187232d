#pragma once
// The three chart variants of frm图表, each one routine that draws on any surface: the preview
// picture at scale 1 or the printed page at scale 1.74. Every routine draws in a logical space
// whose unit is one twip at scale 1 and multiplies each coordinate by the scale: the plot spans
// x 400 … 6540 and y 0 (top) … 3500 (the zero line); the categories lie at
// x = 400 + k × 6140 ÷ (m + 1), k = 1 … m; title at y 3950, print time at y 4300; "宋体" 8.
#include "print/surface.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace print {

// The preview picture Picture1: 7000 × 4600 twips, 467 × 307 pixels at 15 twips per pixel.
inline constexpr double kChartPictureWidth = 7000;
inline constexpr double kChartPictureHeight = 4600;
inline constexpr double kChartPreviewScale = 1;
inline constexpr double kChartPrintScale = 1.74;

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

// The category position k (1 … m) of m categories, at scale 1.
double chartCategoryX(int k, int m);

// The line chart with the value axis upwards ("降序↑", scores): a value v lies at
// y = (1 − (v − min) ÷ (max − min)) × 3500; line k of the grid is labelled min + (1 − k)(max − min).
void drawLineChartUp(Surface &out, double scale, const ChartData &data);
// The line chart with the value axis downwards ("升序↓", ranks): y = (v − min) ÷ (max − min) × 3500;
// line k is labelled min + k(max − min).
void drawLineChartDown(Surface &out, double scale, const ChartData &data);
// The bar chart (one subject, several students): bars from the zero line up to (1 − v ÷ max) × 3500;
// line k is labelled (1 − k) × max; the minimum is not used.
void drawBarChart(Surface &out, double scale, const ChartData &data);

// "打印时间： " followed by the date in the short form yyyy/M/d.
QString chartPrintTime(const QDate &date);

} // namespace print
