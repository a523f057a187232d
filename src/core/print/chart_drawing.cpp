#include "core/print/chart_drawing.h"

#include "core/formula/number_format.h"

#include <algorithm>
#include <cmath>

namespace print {

namespace {

constexpr double kLeft = 400;
constexpr double kRight = 6540;
constexpr double kTop = 350;
constexpr double kZero = 3500;
constexpr double kTickTop = 3450;
constexpr double kCategoryLabelY = 3600;
constexpr double kTitleY = 3950;
constexpr double kPrintTimeY = 4300;
constexpr double kSubjectY = 90;
constexpr double kPointRadius = 30;
constexpr double kLabelRoom = 30; // between the picture's left edge and the widest grid label
// A value far beyond the axis is still drawn beyond the plot; this only keeps the coordinates
// finite and within what a paint device can take.
constexpr double kFarthest = 100000;

// The legend of the line charts, in logical twips: each entry a short line with a point in the
// row's colour, then the name; entries one under the other from the top line down to the zero
// line, in further columns side by side when one does not hold them.
constexpr double kPictureRight = 6940;    // the legend's right end, inside the picture's 7000
constexpr double kLegendSample = 240;     // the sample line
constexpr double kLegendGap = 60;         // sample to name
constexpr double kLegendColumnGap = 150;  // between two columns
constexpr double kLegendRowGap = 60;      // between two entries, added to the text's height
constexpr double kLegendPlotGap = 250;    // between the plot's right end and the legend
constexpr double kLegendNameWidth = 1200; // longer names are shortened with "…"
constexpr double kNarrowestPlot = 3000;   // the legend takes no more columns than leave this

constexpr QRgb kGridColor = 0xff408080; // RGB(64, 128, 128)
constexpr QRgb kBarColor = 0xff808080;  // RGB(128, 128, 128)
constexpr QRgb kBlack = 0xff000000;
// Dark and saturated enough to tell apart on paper and from the grid; the first one is the
// colour a single line always had.
constexpr QRgb kLinePalette[] = {0xff800000, 0xff0050c8, 0xff008a00, 0xffe07000, 0xff8000a0,
                                 0xffe0007a, 0xff00a0e0, 0xff8b5a2b, 0xff8c8c00, 0xffff3030};

enum class Variant { Up, Down, Bar };

// Logical twips to the surface's twips, and where the plot begins.
struct Place {
    double s;
    QPointF origin;
    double left = kLeft;
    double x(double v) const { return origin.x() + v * s; }
    double y(double v) const { return origin.y() + v * s; }
};

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

// The value of grid line f (0 at the zero line … 1 at the top) in each variant.
double gridValue(Variant v, const ChartAxis &a, double f)
{
    switch (v) {
    case Variant::Up:
        return a.min + f * (a.max - a.min);
    case Variant::Down:
        return a.max - f * (a.max - a.min);
    case Variant::Bar:
        break;
    }
    return f * a.max;
}

// Where a value lies, as the height above the zero line in parts of the plot (1 at the top).
double valueY(Variant v, const ChartAxis &a, double value)
{
    const double span = a.max - a.min;
    double f = value / a.max;
    if (v == Variant::Up)
        f = (value - a.min) / span;
    else if (v == Variant::Down)
        f = (a.max - value) / span;
    return bounded(kZero - f * (kZero - kTop));
}

double categoryX(int k, int m, double left, double right)
{
    return left + double(k) * (right - left) / double(m + 1);
}

void setChartFont(Surface &out)
{
    out.setScaleMode(vbTwips);
    PrintFont font;
    font.name = QStringLiteral("宋体");
    font.size = 8;
    out.setFont(font);
}

// The chart's font on `out`, and the place with the plot's left edge at 400 unless a grid label
// is too wide for the room left of it (a maximum of six digits).
Place placeChart(Surface &out, double s, QPointF origin, const ChartAxis &a, Variant variant)
{
    setChartFont(out);
    Place p{s, origin};
    const int n = std::clamp(a.segments, 1, 100);
    for (int j = 0; j <= n; ++j)
        p.left = std::max(p.left, kLabelRoom + out.TextWidth(axisLabel(gridValue(variant, a, double(j) / n))) / s);
    return p;
}

// What every variant does first: clear, font, grid lines with their labels, the frame and the
// category ticks with their labels; the plot ends at `right`.
void startChart(Surface &out, const Place &p, const ChartData &data, Variant variant, double right)
{
    out.Cls();
    setChartFont(out);
    out.setForeColor(kBlack);
    out.setFillStyle(vbFSTransparent);

    const ChartAxis &a = data.axis;
    const int n = std::clamp(a.segments, 1, 100);
    for (int j = 0; j <= n; ++j) {
        const double y = p.y(kZero - (kZero - kTop) * j / n);
        out.Line(p.x(p.left), y, p.x(right), y, LineKind::Line, kGridColor);
        const QString label = axisLabel(gridValue(variant, a, double(j) / n));
        out.setCurrentX(p.x(p.left) - out.TextWidth(label));
        out.setCurrentY(y - out.TextHeight(label) / 2);
        out.Print(label);
    }

    out.Line(p.x(p.left), p.y(kTop), p.x(p.left), p.y(kZero));
    out.Line(p.x(p.left), p.y(kZero), p.x(right), p.y(kZero));

    const int m = int(data.categories.size());
    for (int k = 1; k <= m; ++k) {
        const double x = p.x(categoryX(k, m, p.left, right));
        out.Line(x, p.y(kTickTop), x, p.y(kZero));
        const QString &label = data.categories[k - 1];
        out.setCurrentX(x - out.TextWidth(label) / 2);
        out.setCurrentY(p.y(kCategoryLabelY));
        out.Print(label);
    }
}

// Title centred under the bar chart's plot, the print time right-aligned to its right edge.
void endChart(Surface &out, const Place &p, const ChartData &data)
{
    out.setForeColor(kBlack);
    out.setCurrentX(p.x((kLeft + kRight) / 2) - out.TextWidth(data.title) / 2);
    out.setCurrentY(p.y(kTitleY));
    out.Print(data.title);
    out.setCurrentX(p.x(kRight) - out.TextWidth(data.printTime));
    out.setCurrentY(p.y(kPrintTimeY));
    out.Print(data.printTime);
}

// `text` cut with "…" so that it is at most `width` surface twips wide.
QString fitted(const Surface &out, const QString &text, double width)
{
    if (out.TextWidth(text) <= width)
        return text;
    // The longest whole-character prefix that fits with "…", found by halving: a cell may hold a
    // very long text, and no legend entry holds 2000 characters.
    const QList<uint> chars = text.toUcs4();
    qsizetype fits = 0, tooMany = std::min<qsizetype>(chars.size(), 2000);
    const auto prefix = [&](qsizetype n) {
        return QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.data()), n);
    };
    while (tooMany - fits > 1) {
        const qsizetype mid = (fits + tooMany) / 2;
        if (out.TextWidth(prefix(mid) + QStringLiteral("…")) <= width)
            fits = mid;
        else
            tooMany = mid;
    }
    return prefix(fits) + QStringLiteral("…");
}

// The legend's entries and columns; the plot ends where it begins.
struct Legend {
    QStringList names; // what each entry shows
    bool more = false; // not every row had room: the last entry is "…", without a sample
    int perColumn = 1;
    double columnWidth = 0; // logical
    double rowHeight = 0;   // logical
    double left = kRight;   // logical
    double plotRight = kRight;
};

Legend layLegend(const Surface &out, const Place &p, const QList<ChartLine> &lines)
{
    Legend l;
    const double textHeight = out.TextHeight(QString()) / p.s;
    l.rowHeight = textHeight + kLegendRowGap;
    l.perColumn = int(std::floor((kZero - kTop) / l.rowHeight)) + 1;
    double nameWidth = 0;
    QStringList names;
    for (const ChartLine &line : lines) {
        names << fitted(out, line.name, kLegendNameWidth * p.s);
        nameWidth = std::max(nameWidth, out.TextWidth(names.last()) / p.s);
    }
    l.columnWidth = kLegendSample + kLegendGap + nameWidth;
    const auto plotRight = [&](int columns) {
        return kPictureRight - columns * l.columnWidth - (columns - 1) * kLegendColumnGap - kLegendPlotGap;
    };
    int columns = std::max(1, int((names.size() + l.perColumn - 1) / l.perColumn));
    while (columns > 1 && plotRight(columns) - p.left < kNarrowestPlot)
        --columns;
    const qsizetype room = qsizetype(columns) * l.perColumn;
    if (names.size() > room) {
        names.resize(room);
        names.last() = QStringLiteral("…");
        l.more = true;
    }
    l.names = names;
    l.plotRight = plotRight(columns);
    l.left = l.plotRight + kLegendPlotGap;
    return l;
}

void drawLegend(Surface &out, const Place &p, const Legend &l)
{
    for (qsizetype i = 0; i < l.names.size(); ++i) {
        const double x = l.left + double(i / l.perColumn) * (l.columnWidth + kLegendColumnGap);
        const double y = p.y(kTop + double(i % l.perColumn) * l.rowHeight);
        out.setForeColor(kBlack);
        out.setCurrentX(p.x(x + kLegendSample + kLegendGap));
        out.setCurrentY(y - out.TextHeight(l.names[i]) / 2);
        out.Print(l.names[i]);
        if (l.more && i == l.names.size() - 1)
            continue;
        const QRgb color = chartLineColor(int(i));
        out.Line(p.x(x), y, p.x(x + kLegendSample), y, LineKind::Line, color);
        out.Circle(p.x(x + kLegendSample / 2), y, kPointRadius * p.s, color);
    }
}

void drawLineChart(Surface &out, double s, QPointF origin, const ChartData &data, Variant variant)
{
    // The legend is measured in the chart's font; the plot ends where the legend begins.
    const Place p = placeChart(out, s, origin, data.axis, variant);
    const Legend legend = layLegend(out, p, data.lines);
    startChart(out, p, data, variant, legend.plotRight);
    const int m = int(data.categories.size());
    for (qsizetype i = 0; i < data.lines.size(); ++i) {
        const ChartLine &line = data.lines[i];
        const QRgb color = chartLineColor(int(i));
        const int points = std::min(m, int(line.values.size()));
        double x = 0, y = 0;
        for (int k = 1; k <= points; ++k) {
            const double px = p.x(categoryX(k, m, p.left, legend.plotRight));
            const double py = p.y(valueY(variant, data.axis, line.values[k - 1]));
            if (k > 1)
                out.Line(x, y, px, py, LineKind::Line, color);
            out.Circle(px, py, kPointRadius * p.s, color);
            x = px;
            y = py;
        }
    }
    drawLegend(out, p, legend);
    endChart(out, p, data);
}

} // namespace

double chartCategoryX(int k, int m)
{
    return categoryX(k, m, kLeft, kRight);
}

QRgb chartLineColor(int i)
{
    constexpr int n = int(std::size(kLinePalette));
    return kLinePalette[((i % n) + n) % n];
}

void drawLineChartUp(Surface &out, double scale, const ChartData &data, QPointF origin)
{
    drawLineChart(out, scale, origin, data, Variant::Up);
}

void drawLineChartDown(Surface &out, double scale, const ChartData &data, QPointF origin)
{
    drawLineChart(out, scale, origin, data, Variant::Down);
}

void drawBarChart(Surface &out, double scale, const ChartData &data, QPointF origin)
{
    const Place p = placeChart(out, scale, origin, data.axis, Variant::Bar);
    startChart(out, p, data, Variant::Bar, kRight);
    // Above the plot, right of the grid labels, clear of the top line's label.
    out.setCurrentX(p.x(p.left));
    out.setCurrentY(p.y(kSubjectY));
    out.Print(QStringLiteral("学科：") + data.subject);
    const int m = int(data.categories.size());
    const double halfWidth = std::round(3100.0 / double(m + 1) / 2);
    for (int k = 1; k <= std::min(m, int(data.bars.size())); ++k) {
        const double x = categoryX(k, m, p.left, kRight);
        const double top = valueY(Variant::Bar, data.axis, data.bars[k - 1]);
        out.Line(p.x(x - halfWidth), p.y(kZero), p.x(x + halfWidth), p.y(top), LineKind::FilledBox, kBarColor);
    }
    endChart(out, p, data);
}

QString chartPrintTime(const QDate &date)
{
    return QStringLiteral("打印时间： ") + date.toString(QStringLiteral("yyyy/M/d"));
}

} // namespace print
