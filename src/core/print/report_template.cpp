#include "core/print/report_template.h"

#include "core/base/ini_profile.h"
#include "core/base/text_codec.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace print {

namespace {

const QString kLabelSeparator = QStringLiteral("｜");

// A whole number, spaces around it allowed; nullopt otherwise.
std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// The number at the start of a field, as far as it is an optional sign and digits; 0 without any.
qint64 leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    qint64 v = 0;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i)
        v = std::min<qint64>(v * 10 + (t[i].unicode() - u'0'), qint64(1) << 40);
    return negative ? -v : v;
}

// Coordinates far beyond any page are held to this many twips either way, so no paint device gets
// numbers it cannot take.
constexpr double kFarthest = 100000;

double held(double v)
{
    return std::clamp(v, -kFarthest, kFarthest);
}

// The part of the line inside ±kFarthest (Liang–Barsky), so what shows on the page keeps its slope;
// a line wholly outside is held to the border.
ReportLine clipped(ReportLine l)
{
    const double dx = l.x2 - l.x1, dy = l.y2 - l.y1;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {l.x1 + kFarthest, kFarthest - l.x1, l.y1 + kFarthest, kFarthest - l.y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return {held(l.x1), held(l.y1), held(l.x2), held(l.y2)};
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return {held(l.x1), held(l.y1), held(l.x2), held(l.y2)};
    return {held(l.x1 + t0 * dx), held(l.y1 + t0 * dy), held(l.x1 + t1 * dx), held(l.y1 + t1 * dy)};
}

// The index of the last record: −1 (or below) for none, at most 10000.
std::optional<int> recordCount(const QString &text)
{
    const std::optional<int> n = wholeNumber(text);
    if (!n || *n > kMaxReportRecord)
        return std::nullopt;
    return std::max(*n, -1) + 1;
}

} // namespace

QString ChangeText(const QString &all, const QString &oldText, const QString &newText)
{
    if (oldText.isEmpty())
        return all;
    QString result;
    result.reserve(all.size());
    qsizetype from = 0;
    for (qsizetype at = all.indexOf(oldText); at >= 0; at = all.indexOf(oldText, from)) {
        result += QStringView(all).mid(from, at - from);
        result += newText;
        from = at + oldText.size();
    }
    result += QStringView(all).mid(from);
    return result;
}

std::optional<ReportLine> parseLineRecord(const QString &record)
{
    const QStringList parts = record.split(QLatin1Char(','));
    if (parts.size() < 4)
        return std::nullopt;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        const std::optional<int> n = wholeNumber(parts[i]);
        if (!n)
            return std::nullopt;
        v[i] = *n;
    }
    return clipped(ReportLine{double(v[0]), double(v[1]), double(v[2]), double(v[3])});
}

std::optional<ReportLabel> parseLabelRecord(const QString &record)
{
    const QStringList f = record.split(kLabelSeparator);
    if (f.size() < 10)
        return std::nullopt;
    ReportLabel l;
    l.caption = ChangeText(f[0], QStringLiteral("[/]"), QStringLiteral("\r\n"));
    l.top = held(double(leadingNumber(f[1])));
    l.left = held(double(leadingNumber(f[2])));
    l.font.name = f[3].trimmed().isEmpty() ? QStringLiteral("宋体") : f[3].trimmed();
    l.font.bold = leadingNumber(f[4]) != 0;
    l.font.italic = leadingNumber(f[5]) != 0;
    const qint64 size = leadingNumber(f[6]);
    l.font.size = size <= 0 ? 9 : double(std::min<qint64>(size, 1000));
    l.font.strikethrough = leadingNumber(f[7]) != 0;
    l.font.underline = leadingNumber(f[8]) != 0;
    // The rest of the record is the colour; its number ends where the digits end.
    const qint64 color = leadingNumber(f.mid(9).join(kLabelSeparator)) & 0xffffff;
    l.color = qRgb(int(color & 0xff), int((color >> 8) & 0xff), int((color >> 16) & 0xff));
    return l;
}

std::optional<ReportTemplate> parseReportTemplate(const QString &iniText)
{
    const base::ini::Document doc(iniText);
    const QString zero = QStringLiteral("0");
    const QString info = QStringLiteral("Information");
    const std::optional<int> lines = recordCount(doc.value(info, QStringLiteral("LinesNum"), zero));
    const std::optional<int> labels = recordCount(doc.value(info, QStringLiteral("LabelsNum"), zero));
    if (!lines || !labels)
        return std::nullopt;
    ReportTemplate t;
    t.landscape = wholeNumber(doc.value(info, QStringLiteral("Page"), zero)) == -1;
    for (int i = 0; i < *lines; ++i) {
        const QString record = doc.value(QStringLiteral("Lines"), QString::number(i), zero);
        const std::optional<ReportLine> line = parseLineRecord(record);
        if (!line)
            return std::nullopt;
        t.lineRecords << record;
        t.lines << *line;
    }
    for (int i = 0; i < *labels; ++i) {
        const std::optional<ReportLabel> label =
            parseLabelRecord(doc.value(QStringLiteral("Labels"), QString::number(i), zero));
        if (!label)
            return std::nullopt;
        t.labels << *label;
    }
    return t;
}

std::optional<ReportTemplate> readReportTemplate(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxReportTemplateBytes)
        return std::nullopt;
    QString text;
    if (!base::codec::readText(path, &text))
        return std::nullopt;
    return parseReportTemplate(text);
}

void DrawLines(const ReportLine &line, bool red, Surface &out)
{
    out.Line(line.x1, line.y1, line.x2, line.y2, LineKind::Line, red ? qRgb(255, 0, 0) : qRgb(0, 0, 0));
}

void drawReportPage(Surface &out, const ReportTemplate &t, const QStringList &texts)
{
    out.setScaleMode(vbTwips);
    for (const ReportLine &line : t.lines)
        DrawLines(line, false, out);
    for (qsizetype i = 0; i < t.labels.size(); ++i) {
        const ReportLabel &label = t.labels[i];
        out.setFont(label.font);
        out.setForeColor(label.color);
        out.setCurrentX(label.left);
        out.setCurrentY(label.top);
        out.Print(i < texts.size() ? texts[i] : label.caption);
    }
    out.setForeColor(qRgb(0, 0, 0));
}

} // namespace print
