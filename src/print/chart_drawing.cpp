#include "print/chart_drawing.h"

#include "formula/number_format.h"

#include <algorithm>
#include <cmath>

namespace print {

namespace {

constexpr double kLeft = 400;
constexpr double kRight = 6540;
constexpr double kZero = 3500;
constexpr double kAxisTop = 210;
constexpr double kTickTop = 3450;
constexpr double kCategoryLabelY = 3600;
constexpr double kTitleY = 3950;
constexpr double kPrintTimeY = 4300;
constexpr double kPointRadius = 30;
// A value far beyond the axis is still drawn beyond the plot; this only keeps the coordinates
// finite and within what a paint device can take.
constexpr double kFarthest = 100000;

constexpr QRgb kGridColor = 0xff408080; // RGB(64, 128, 128)
constexpr QRgb kLineColor = 0xff800000; // RGB(128, 0, 0)
constexpr QRgb kBarColor = 0xff808080;  // RGB(128, 128, 128)
constexpr QRgb kBlack = 0xff000000;

enum class Variant { Up, Down, Bar };

// A grid label: whole number with "###", so 0 gives an empty label.
QString axisLabel(double value)
{
    return formula::formatNumber(formula::numberText(value), QStringLiteral("###"));
}

double bounded(double y)
{
    if (std::isnan(y))
        return kZero;
    return std::clamp(y, -kFarthest, kFarthest);
}

// The value of grid line k (1, 1 − 1/n, …, 1/n) in each variant.
double gridValue(Variant v, const ChartAxis &a, double k)
{
    switch (v) {
    case Variant::Up:
        return a.min + (1 - k) * (a.max - a.min);
    case Variant::Down:
        return a.min + k * (a.max - a.min);
    case Variant::Bar:
        break;
    }
    return (1 - k) * a.max;
}

double valueY(Variant v, const ChartAxis &a, double value)
{
    const double span = a.max - a.min;
    switch (v) {
    case Variant::Up:
        return bounded((1 - (value - a.min) / span) * kZero);
    case Variant::Down:
        return bounded((value - a.min) / span * kZero);
    case Variant::Bar:
        break;
    }
    return bounded((1 - value / a.max) * kZero);
}

// What every variant does first: clear, font, grid lines with their labels, the frame and the
// category ticks with their labels.
void startChart(Surface &out, double s, const ChartData &data, Variant variant)
{
    out.Cls();
    out.setScaleMode(vbTwips);
    PrintFont font;
    font.name = QStringLiteral("宋体");
    font.size = 8;
    out.setFont(font);
    out.setForeColor(kBlack);
    out.setFillStyle(vbFSTransparent);

    const ChartAxis &a = data.axis;
    const int n = std::clamp(a.segments, 1, 100);
    for (int j = 0; j < n; ++j) {
        const double k = double(n - j) / n;
        const double y = kZero * double(n - j) / n * s;
        out.Line(kLeft * s, y, kRight * s, y, LineKind::Line, kGridColor);
        const QString label = axisLabel(gridValue(variant, a, k));
        out.setCurrentX(kLeft * s - out.TextWidth(label));
        out.setCurrentY(y - out.TextHeight(label) / 2);
        out.Print(label);
    }

    out.Line(kLeft * s, kAxisTop * s, kLeft * s, kZero * s);
    out.Line(kLeft * s, kZero * s, kRight * s, kZero * s);

    const int m = int(data.categories.size());
    for (int k = 1; k <= m; ++k) {
        const double x = chartCategoryX(k, m) * s;
        out.Line(x, kTickTop * s, x, kZero * s);
        const QString &label = data.categories[k - 1];
        out.setCurrentX(x - out.TextWidth(label) / 2);
        out.setCurrentY(kCategoryLabelY * s);
        out.Print(label);
    }
}

// Title centred under the plot, the print time right-aligned to the plot's right edge.
void endChart(Surface &out, double s, const ChartData &data)
{
    out.setForeColor(kBlack);
    out.setCurrentX((kLeft + kRight) / 2 * s - out.TextWidth(data.title) / 2);
    out.setCurrentY(kTitleY * s);
    out.Print(data.title);
    out.setCurrentX(kRight * s - out.TextWidth(data.printTime));
    out.setCurrentY(kPrintTimeY * s);
    out.Print(data.printTime);
}

void drawLineChart(Surface &out, double s, const ChartData &data, Variant variant)
{
    startChart(out, s, data, variant);
    const int m = int(data.categories.size());
    for (const ChartLine &line : data.lines) {
        const int points = std::min(m, int(line.values.size()));
        if (points == 0)
            continue;
        double x = 0, y = 0;
        for (int k = 1; k <= points; ++k) {
            const double px = chartCategoryX(k, m) * s;
            const double py = valueY(variant, data.axis, line.values[k - 1]) * s;
            if (k > 1)
                out.Line(x, y, px, py, LineKind::Line, kLineColor);
            out.Circle(px, py, kPointRadius * s, kLineColor);
            x = px;
            y = py;
        }
        // The row's name just right of its last point, its middle level with the point.
        out.setForeColor(kLineColor);
        out.setCurrentX(x + 2 * kPointRadius * s);
        out.setCurrentY(y - out.TextHeight(line.name) / 2);
        out.Print(line.name);
        out.setForeColor(kBlack);
    }
    endChart(out, s, data);
}

} // namespace

double chartCategoryX(int k, int m)
{
    return kLeft + double(k) * (kRight - kLeft) / double(m + 1);
}

void drawLineChartUp(Surface &out, double scale, const ChartData &data)
{
    drawLineChart(out, scale, data, Variant::Up);
}

void drawLineChartDown(Surface &out, double scale, const ChartData &data)
{
    drawLineChart(out, scale, data, Variant::Down);
}

void drawBarChart(Surface &out, double s, const ChartData &data)
{
    startChart(out, s, data, Variant::Bar);
    out.setCurrentX(120 * s);
    out.setCurrentY(90 * s);
    out.Print(QStringLiteral("学科：") + data.subject);
    const int m = int(data.categories.size());
    const double halfWidth = std::round(3100.0 / double(m + 1) / 2);
    for (int k = 1; k <= std::min(m, int(data.bars.size())); ++k) {
        const double x = chartCategoryX(k, m);
        const double top = valueY(Variant::Bar, data.axis, data.bars[k - 1]);
        out.Line((x - halfWidth) * s, kZero * s, (x + halfWidth) * s, top * s, LineKind::FilledBox, kBarColor);
    }
    endChart(out, s, data);
}

QString chartPrintTime(const QDate &date)
{
    return QStringLiteral("打印时间： ") + date.toString(QStringLiteral("yyyy/M/d"));
}

} // namespace print
