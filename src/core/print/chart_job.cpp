#include "core/print/chart_job.h"

#include "core/base/file_writer.h"
#include "core/base/workspace.h"
#include "core/formula/cell_formula.h"
#include "core/print/painter_surface.h"
#include "core/print/print_output.h"
#include "core/table/grade_table.h"
#include "core/table/sort_rows.h"
#include "core/ui/prompter.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace print {

namespace {

constexpr double kPreviewTwipsPerPixel = 15;

// A box's number: nullopt when empty or not a number.
std::optional<double> boxNumber(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// A cell's value: a number, or 0 when it is not one.
double cellValue(const QString &text)
{
    const std::optional<double> v = table::sortNumber(text);
    return v && std::isfinite(*v) ? *v : 0;
}

} // namespace

ChartAxis normalizeAxis(ChartOptions &o)
{
    ChartAxis a;
    const std::optional<double> max = boxNumber(o.max);
    if (!max || *max <= 0)
        o.max = QStringLiteral("1");
    const std::optional<double> segments = boxNumber(o.segments);
    if (!segments || *segments < 1)
        o.segments = QStringLiteral("1");
    a.max = std::clamp(max && *max > 0 ? *max : 1.0, 1.0, double(kChartMaxLimit));
    a.segments =
        int(std::clamp(segments && *segments >= 1 ? std::floor(*segments) : 1.0, 1.0, double(kChartSegmentsLimit)));
    const std::optional<double> min = boxNumber(o.min);
    a.min = min && *min > 0 ? *min : 0;
    if (a.min >= a.max)
        a.min = 0;
    return a;
}

QImage chartImage(const RecordingSurface &preview)
{
    const int w = int(std::ceil(kChartPictureWidth / kPreviewTwipsPerPixel));
    const int h = int(std::ceil(kChartPictureHeight / kPreviewTwipsPerPixel));
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    // 96 dots per inch: one pixel is 15 twips.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    CallPainter painter(p, 1.0 / kPreviewTwipsPerPixel);
    for (const Call &c : preview.calls())
        painter.paint(c);
    p.end();
    return image;
}

QByteArray bitmapBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Qt writes every image of more than 8 bits per pixel as a 24-bit bitmap.
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888)))
        return {};
    return bytes;
}

ChartJob::ChartJob(const table::GradeTable &doc, formula::Calculator &calc)
    : m_values(formula::evaluatedCopy(doc, calc)), m_caption(doc.title)
{
}

QStringList ChartJob::fieldNames() const
{
    QStringList names;
    for (int c = 1; c < m_values.Cols(); ++c)
        names << m_values.TextMatrix(0, c).trimmed();
    return names;
}

QStringList ChartJob::rowTexts(int labelField) const
{
    QStringList texts;
    for (int r = 1; r < m_values.Rows(); ++r)
        texts << m_values.TextMatrix(r, labelField);
    return texts;
}

ChartOptions ChartJob::initialOptions(const QDate &today) const
{
    ChartOptions o;
    o.title = m_caption;
    o.date = today;
    o.currentField = m_values.Cols() > 1 ? 1 : -1;
    o.labelField = 1;
    return o;
}

bool ChartJob::checkSelection(const ChartOptions &o, ui::Prompter &prompter) const
{
    const auto isField = [&](int c) { return c >= 1 && c < m_values.Cols(); };
    const auto isRow = [&](int r) { return r >= 1 && r < m_values.Rows(); };
    if (o.bar && std::count_if(o.fields.begin(), o.fields.end(), isField) > 1) {
        prompter.message(QStringLiteral("柱形图只能选择一个科目。"), QStringLiteral("提示"), ui::Icon::Information);
        return false;
    }
    if (std::any_of(o.fields.begin(), o.fields.end(), isField) && std::any_of(o.rows.begin(), o.rows.end(), isRow))
        return true;
    prompter.message(QStringLiteral("请先选择要处理的数据（字段、处理对象）。"), QStringLiteral("提示"),
                     ui::Icon::Information);
    return false;
}

int ChartJob::barSubject(const ChartOptions &o)
{
    if (o.fields.contains(o.currentField))
        return o.currentField;
    return o.fields.isEmpty() ? -1 : o.fields.first();
}

ChartData ChartJob::data(const ChartOptions &options) const
{
    ChartOptions o = options;
    ChartData d;
    d.axis = normalizeAxis(o);
    d.title = o.title;
    d.printTime = chartPrintTime(o.date);
    const auto isField = [&](int c) { return c >= 1 && c < m_values.Cols(); };
    const auto isRow = [&](int r) { return r >= 1 && r < m_values.Rows(); };
    const int label = isField(o.labelField) ? o.labelField : 1;
    if (o.bar) {
        const int subject = barSubject(o);
        d.subject = isField(subject) ? m_values.TextMatrix(0, subject).trimmed() : QString();
        for (int r : o.rows) {
            if (!isRow(r))
                continue;
            d.categories << m_values.TextMatrix(r, label);
            d.bars << (isField(subject) ? cellValue(m_values.TextMatrix(r, subject)) : 0);
        }
        return d;
    }
    QList<int> fields;
    for (int c : o.fields)
        if (isField(c)) {
            fields << c;
            d.categories << m_values.TextMatrix(0, c).trimmed();
        }
    for (int r : o.rows) {
        if (!isRow(r))
            continue;
        ChartLine line;
        line.name = m_values.TextMatrix(r, label);
        for (int c : fields)
            line.values << cellValue(m_values.TextMatrix(r, c));
        d.lines << line;
    }
    return d;
}

void ChartJob::draw(Surface &out, double scale, const ChartOptions &o, QPointF origin) const
{
    const ChartData d = data(o);
    if (o.bar)
        drawBarChart(out, scale, d, origin);
    else if (o.upward)
        drawLineChartUp(out, scale, d, origin);
    else
        drawLineChartDown(out, scale, d, origin);
}

std::unique_ptr<RecordingSurface> ChartJob::preview(ChartOptions &o, ui::Prompter &prompter) const
{
    if (!checkSelection(o, prompter))
        return nullptr;
    normalizeAxis(o);
    auto out = std::make_unique<RecordingSurface>(RecordingSurface::Measure::Fonts, kPreviewTwipsPerPixel,
                                                  kChartPictureWidth, kChartPictureHeight);
    draw(*out, kChartPreviewScale, o);
    return out;
}

bool ChartJob::print(ChartOptions &o, base::Workspace &ws, ui::Prompter &prompter) const
{
    if (!checkSelection(o, prompter))
        return false;
    normalizeAxis(o);
    return printPages(
        [&](Surface &page, QString *) {
            draw(page, kChartPrintScale, o, kChartPrintOrigin);
            return true;
        },
        o.title, kPortrait, ws, prompter);
}

bool ChartJob::exportPdf(ChartOptions &o, const QString &path, base::Workspace &ws, ui::Prompter &prompter) const
{
    if (!checkSelection(o, prompter))
        return false;
    normalizeAxis(o);
    return exportPagesPdf(
        [&](Surface &page, QString *) {
            draw(page, kChartPrintScale, o, kChartPrintOrigin);
            return true;
        },
        o.title, kPortrait, ws.printLineWidth, path, ws, prompter);
}

bool ChartJob::menuExportPdf(ChartOptions &o, base::Workspace &ws, ui::Prompter &prompter) const
{
    if (!checkSelection(o, prompter))
        return false;
    const QString path = ui::ShowSaveDialog(prompter, QStringLiteral("*.pdf"));
    if (path.isEmpty())
        return false;
    return exportPdf(o, path, ws, prompter);
}

bool saveChartBitmap(const RecordingSurface *preview, const QString &path, ui::Prompter &prompter)
{
    const RecordingSurface blank(RecordingSurface::Measure::Fixed, kPreviewTwipsPerPixel, kChartPictureWidth,
                                 kChartPictureHeight);
    const QByteArray bytes = bitmapBytes(chartImage(preview ? *preview : blank));
    if (bytes.isEmpty() || base::writeFileAtomically(path, bytes) != base::WriteResult::Written) {
        prompter.message(kOutputSaveFailed, QStringLiteral("错误"), ui::Icon::Critical);
        return false;
    }
    return true;
}

bool menuSaveChartBitmap(const RecordingSurface *preview, ui::Prompter &prompter)
{
    const QString path = ui::ShowSaveDialog(prompter, QStringLiteral("*.bmp"));
    if (path.isEmpty())
        return false;
    return saveChartBitmap(preview, path, prompter);
}

} // namespace print
