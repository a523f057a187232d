#include "core/analysis/analysis_page.h"

#include "core/print/chart_drawing.h"
#include "core/print/print_output.h"
#include "core/print/recording_surface.h"
#include "core/print/table_print_engine.h"
#include "core/print/table_print_job.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

using print::Surface;

constexpr double kMargin = 567;
constexpr double kGap = 240;
constexpr double kCellX = 60;
constexpr double kCellY = 30;
constexpr double kHeadingSize = 14;
constexpr double kTimeSize = 8;
constexpr double kChartScales[] = {print::kChartPrintScale, 1};
constexpr double kTableSizes[] = {9, 8, 7, 6, 5};

print::PrintFont pageFont(const QString &name, double size, bool bold = false)
{
    print::PrintFont f;
    f.name = name;
    f.size = size;
    f.bold = bold;
    return f;
}

const QString kSong = QStringLiteral("宋体");

double rowHeight(double size)
{
    return size * 20 + 2 * kCellY;
}

// Each column as wide as its widest text in 宋体 `size`, plus the cell's inner space.
std::vector<double> columnWidths(Surface &out, const Sheet &sheet, double size)
{
    out.setFont(pageFont(kSong, size));
    std::vector<double> widths;
    for (const QStringList &row : sheet)
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (widths.size() <= size_t(c))
                widths.resize(size_t(c) + 1, 2 * kCellX);
            widths[size_t(c)] = std::max(widths[size_t(c)], std::ceil(out.TextWidth(row[c])) + 2 * kCellX);
        }
    return widths;
}

// A sheet as printed: its columns and their widths.
struct Table {
    Sheet sheet;
    std::vector<double> widths;
};

const QString kTooLarge = QStringLiteral("分析结果超出一页，请减少分析的科目。");

// An axis of whole steps of 1, 2 or 5 times a power of ten, at most about five segments, reaching
// the largest value.
print::ChartAxis chartAxis(const QList<double> &values)
{
    double highest = 0;
    for (double v : values)
        if (std::isfinite(v))
            highest = std::max(highest, v);
    double step = 1;
    const double raw = highest / 5;
    for (double power = 1; step < raw; power *= 10) {
        for (double m : {1.0, 2.0, 5.0}) {
            step = m * power;
            if (step >= raw)
                break;
        }
    }
    print::ChartAxis axis;
    axis.segments = std::clamp(int(std::ceil(highest / step)), 1, 100);
    axis.max = axis.segments * step;
    axis.min = 0;
    return axis;
}

print::ChartData chartData(const ChartBars &bars)
{
    print::ChartData d;
    d.categories = bars.labels;
    d.bars = bars.values;
    d.subject = bars.field;
    d.title = bars.title;
    d.axis = chartAxis(bars.values);
    return d;
}

// A table through the table print engine from CurrentY, its first row the header (repeated on
// every page when it goes on over pages). On one page, a table that wants a second page fails.
bool drawSheet(Surface &out, const Table &table, double size, int lineWidth, bool pages, QString *error)
{
    const Sheet &sheet = table.sheet;
    print::TablePrintEngine tp;
    tp.HasFooter = false;
    const int cols = int(table.widths.size());
    if (sheet.isEmpty() || cols == 0)
        return true;
    if (!tp.setRows(int(sheet.size()) - 1) || !tp.setCols(cols) || !tp.setHeaderRows(1)) {
        *error = tp.ErrDescription();
        return false;
    }
    const print::FontRef font = std::make_shared<print::PrintFont>(pageFont(kSong, size));
    for (int c = 0; c < cols; ++c) {
        tp.setHeaderText(0, c, sheet[0].value(c));
        tp.setHeaderFont(0, c, font);
        tp.setColWidth(c, table.widths[size_t(c)]);
        // Names on the left, numbers on the right.
        tp.setColAlignment(c, c == 0 ? print::DT_LEFT : print::DT_RIGHT);
        tp.setColFont(c, font);
        for (int r = 1; r < sheet.size(); ++r)
            tp.setTextMatrix(r - 1, c, sheet[r].value(c));
    }
    tp.MarginLeft = tp.MarginTop = tp.MarginBottom = kMargin;
    tp.CellXOffset = kCellX;
    tp.CellYOffset = kCellY;
    tp.LineThickness = short(lineWidth);
    tp.HeaderLineThickness = short(2 * lineWidth);
    tp.PrintHeaderOnEveryPage = true;
    bool overflow = false;
    tp.NewPage = [&](Surface *&surface, bool &topSet, bool &cancel, int) {
        if (!pages) {
            overflow = true;
            cancel = true;
            return;
        }
        surface->NewPage();
        surface->setCurrentY(kMargin);
        topSet = true;
    };
    if (!tp.DrawTable(&out, 0, 1)) {
        *error = tp.ErrDescription();
        return false;
    }
    if (overflow) {
        *error = kTooLarge;
        return false;
    }
    return true;
}

// The sheet in pieces no wider than `room`: each piece repeats the first `keys` columns (the
// names a row is read by) and takes as many of the others as fit, at least one.
std::vector<Table> fitToWidth(Surface &out, const Sheet &sheet, int keys, double size, double room)
{
    std::vector<Table> pieces;
    if (sheet.isEmpty())
        return pieces;
    const std::vector<double> widths = columnWidths(out, sheet, size);
    const int cols = int(widths.size());
    keys = std::min(keys, cols);
    double keyWidth = 0;
    for (int c = 0; c < keys; ++c)
        keyWidth += widths[size_t(c)];
    int next = keys;
    do {
        std::vector<int> columns;
        for (int c = 0; c < keys; ++c)
            columns.push_back(c);
        double used = keyWidth;
        while (next < cols && (columns.size() == size_t(keys) || used + widths[size_t(next)] <= room)) {
            used += widths[size_t(next)];
            columns.push_back(next++);
        }
        Table t;
        for (const QStringList &row : sheet) {
            QStringList part;
            for (int c : columns)
                part << row.value(c);
            t.sheet << part;
        }
        for (int c : columns)
            t.widths.push_back(widths[size_t(c)]);
        pieces.push_back(std::move(t));
    } while (next < cols);
    return pieces;
}

std::vector<Table> pageTables(Surface &out, const AnalysisPage &page, double size, double room)
{
    std::vector<Table> tables = fitToWidth(out, page.figures, page.keyColumns, size, room);
    for (Table &t : fitToWidth(out, page.bands, 1, size, room))
        tables.push_back(std::move(t));
    return tables;
}

enum class Flow { OnePage, Pages };

// Draws heading, tables, chart and print time from the top of the page. On one page a table that
// would reach the bottom margin fails the layout; otherwise the tables go on over new pages and
// the chart starts a page of its own when it does not fit under them.
bool drawPage(Surface &out, const AnalysisPage &page, const std::vector<Table> &tables, double size, double scale,
              int lineWidth, Flow flow, QString *error)
{
    const QString heading = QStringLiteral("成绩分析：") + page.title;
    const double width = out.ScaleWidth();
    const double bottom = out.ScaleHeight() - kMargin;
    out.setFont(pageFont(QStringLiteral("黑体"), kHeadingSize, true));
    out.setCurrentX((width - out.TextWidth(heading)) / 2);
    out.setCurrentY(kMargin);
    out.Print(heading);
    out.setCurrentY(kMargin + kHeadingSize * 20 + kGap);
    for (const Table &t : tables) {
        if (!drawSheet(out, t, size, lineWidth, flow == Flow::Pages, error))
            return false;
        out.setCurrentY(out.CurrentY() + kGap);
    }
    if (!page.notes.isEmpty()) {
        out.setFont(pageFont(kSong, size));
        for (const QString &note : page.notes) {
            if (flow == Flow::Pages && out.CurrentY() + rowHeight(size) > bottom) {
                out.NewPage();
                out.setCurrentY(kMargin);
            }
            const double y = out.CurrentY();
            out.setCurrentX(kMargin);
            out.Print(note);
            out.setCurrentY(y + rowHeight(size));
        }
        out.setCurrentY(out.CurrentY() + kGap);
    }
    const double chartHeight = print::kChartPictureHeight * scale + kGap / 2 + kTimeSize * 20;
    if (out.CurrentY() + chartHeight > bottom) {
        if (flow == Flow::OnePage) {
            *error = kTooLarge;
            return false;
        }
        out.NewPage();
        out.setCurrentY(kMargin);
    }
    // The chart routine clears the surface it draws on: it draws on a recording of its own, whose
    // calls are played here.
    const double chartTop = out.CurrentY();
    print::RecordingSurface chart(print::RecordingSurface::Measure::Fonts, out.twipsPerPixelX(), out.Width(),
                                  out.Height());
    print::drawBarChart(chart, scale, chartData(page.chart), QPointF(kMargin, chartTop));
    for (const print::Call &call : chart.calls())
        if (call.kind != print::Call::Cls)
            out.play(call);
    out.setFont(pageFont(kSong, kTimeSize));
    out.setCurrentY(chartTop + print::kChartPictureHeight * scale + kGap / 2);
    out.setCurrentX(width - kMargin - out.TextWidth(page.printTime));
    out.Print(page.printTime);
    if (!out.ok()) {
        *error = out.errorText();
        return false;
    }
    return true;
}

} // namespace

AnalysisPage analysisPage(const AnalysisResult &result, int field, const QDate &today)
{
    AnalysisPage page;
    page.title = result.title;
    page.figures = result.figureSheet();
    page.bands = result.bandSheet(field);
    page.chart = result.bandChart(field);
    page.printTime = print::printTimeText(today);
    return page;
}

AnalysisPage gradePage(const GradeSummary &summary, int field, const QDate &today)
{
    AnalysisPage page;
    page.title = summary.grade + QLatin1Char(' ') + summary.tableName;
    page.figures = summary.sheet;
    page.keyColumns = 2;
    page.notes = summary.notes;
    page.chart = summary.averageChart(field);
    page.printTime = print::printTimeText(today);
    return page;
}

bool layoutAnalysisPage(Surface &out, const AnalysisPage &page, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const int lineWidth = std::clamp(out.DrawWidth(), 1, 10);
    const double room = out.ScaleWidth() - 2 * kMargin;
    const double bottom = out.ScaleHeight() - kMargin;
    const double tablesTop = kMargin + kHeadingSize * 20 + kGap;
    const print::PrintFont savedFont = out.Font();

    // The largest font, then the larger chart, that keep everything on one page.
    for (double size : kTableSizes) {
        const std::vector<Table> tables = pageTables(out, page, size, room);
        double height = tablesTop;
        for (const Table &t : tables)
            height += double(t.sheet.size()) * rowHeight(size) + kGap;
        if (!page.notes.isEmpty())
            height += double(page.notes.size()) * rowHeight(size) + kGap;
        for (double scale : kChartScales)
            if (height + print::kChartPictureHeight * scale + kGap / 2 + kTimeSize * 20 <= bottom) {
                const bool ok = drawPage(out, page, tables, size, scale, lineWidth, Flow::OnePage, error);
                out.setFont(savedFont);
                return ok;
            }
    }
    // Too much for one page even so: the tables in 宋体 9 over as many pages as they need.
    const bool ok = drawPage(out, page, pageTables(out, page, kTableSizes[0], room), kTableSizes[0], 1, lineWidth,
                             Flow::Pages, error);
    out.setFont(savedFont);
    return ok;
}

bool printAnalysisPage(const AnalysisPage &page, base::Workspace &ws, ui::Prompter &prompter)
{
    return print::printPages([&](Surface &out, QString *error) { return layoutAnalysisPage(out, page, error); },
                             QStringLiteral("成绩分析：") + page.title, print::kPortrait, ws, prompter);
}

bool exportAnalysisPdf(const AnalysisPage &page, const QString &path, int penWidth, base::Progress &progress,
                       ui::Prompter &prompter)
{
    return print::exportPagesPdf([&](Surface &out, QString *error) { return layoutAnalysisPage(out, page, error); },
                                 QStringLiteral("成绩分析：") + page.title, print::kPortrait, penWidth, path, progress,
                                 prompter);
}

} // namespace analysis
