#include "core/analysis/score_figures.h"

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace analysis {

namespace {

// Scores are exact in ten-thousandths when typed with up to four decimals; beyond this size the
// sums could leave 64 bits.
constexpr double kExactUnits = 10000;
constexpr double kExactLimit = 1e7;

// n hundredths as "12", "12.5", "12.25" (trailing zeros dropped) or, with `fixed`, "12.50",
// followed by `suffix` (0 for none). Written into a buffer: a grade summary makes thousands.
QString hundredthsText(qint64 hundredths, bool fixed, char suffix = 0)
{
    const bool negative = hundredths < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(hundredths) : quint64(hundredths);
    char text[32];
    char *end = text;
    if (negative && magnitude != 0)
        *end++ = '-';
    end = std::to_chars(end, text + sizeof text, magnitude / 100).ptr;
    const int cents = int(magnitude % 100);
    if (fixed || cents != 0) {
        *end++ = '.';
        *end++ = char('0' + cents / 10);
        if (fixed || cents % 10 != 0)
            *end++ = char('0' + cents % 10);
    }
    if (suffix)
        *end++ = suffix;
    return QString::fromLatin1(text, end - text);
}

// numerator ÷ denominator rounded to a whole number, halves away from zero; denominator > 0.
qint64 roundedQuotient(qint64 numerator, qint64 denominator)
{
    const bool negative = numerator < 0;
    const quint64 n = negative ? quint64(0) - quint64(numerator) : quint64(numerator);
    const quint64 d = quint64(denominator);
    const quint64 q = n / d + (2 * (n % d) >= d ? 1 : 0);
    return negative ? -qint64(q) : qint64(q);
}

// The score in ten-thousandths when it is a whole number of them.
std::optional<qint64> exactUnits(double x)
{
    if (!(std::fabs(x) <= kExactLimit))
        return std::nullopt;
    const double v = x * kExactUnits;
    // Rounded by hand: std::round is a library call, and this runs for every score.
    const double r = double(qint64(v >= 0 ? v + 0.5 : v - 0.5));
    // A few units in the last place: what the decimal text's conversion and the product leave.
    if (std::fabs(v - r) > std::max(1.0, std::fabs(v)) * 1e-15)
        return std::nullopt;
    return qint64(r);
}

} // namespace

QString optionsRefusal(const AnalysisOptions &o)
{
    const auto wholeInRange = [](int v) { return v >= 1 && v <= kMaxFullMarks; };
    bool marks = wholeInRange(o.defaultFullMarks);
    for (auto it = o.fullMarks.cbegin(); it != o.fullMarks.cend(); ++it)
        marks = marks && wholeInRange(it.value());
    if (!marks)
        return QStringLiteral("满分必须是1～%1之间的整数。").arg(kMaxFullMarks);
    const auto percent = [](double p) { return p >= 0 && p <= 100; };
    if (!percent(o.passPercent) || !percent(o.excellentPercent) || !percent(o.lowPercent))
        return QStringLiteral("及格、优秀和低分的百分比必须在0～100之间。");
    if (!wholeInRange(o.bandWidth))
        return QStringLiteral("分数段的宽度必须是1～%1之间的整数。").arg(kMaxFullMarks);
    return {};
}

QString decimalText(double value)
{
    if (!std::isfinite(value))
        return {};
    // "d.dddddddddddddde±X": the 15 significant digits the value was most likely written with.
    const QByteArray e = QByteArray::number(value, 'e', 14);
    const bool negative = e.startsWith('-');
    const qsizetype mark = e.indexOf('e');
    QByteArray digits = e.mid(negative ? 1 : 0, mark - (negative ? 1 : 0));
    digits.remove(1, 1); // the decimal point
    const qint64 mantissa = digits.toLongLong();
    // value = ± mantissa × 10^shift / 100
    const int shift = e.mid(mark + 1).toInt() - 14 + 2;
    if (shift >= 2) {
        // A whole number far beyond the scores: its digits and zeros.
        QString text = QString::fromLatin1(digits) + QString(shift - 2, QLatin1Char('0'));
        return negative && mantissa != 0 ? QLatin1Char('-') + text : text;
    }
    qint64 hundredths = 0;
    if (shift >= 0) {
        hundredths = mantissa * (shift == 1 ? 10 : 1);
    } else if (shift >= -18) {
        qint64 power = 1;
        for (int i = 0; i < -shift; ++i)
            power *= 10;
        hundredths = roundedQuotient(mantissa, power);
    }
    return hundredthsText(negative ? -hundredths : hundredths, false);
}

QString rateText(qint64 count, qint64 total)
{
    if (total <= 0)
        return {};
    return hundredthsText(roundedQuotient(count * 10000, total), true, '%');
}

QList<ScoreBand> scoreBands(int fullMarks, double passLine, int width)
{
    QList<ScoreBand> bands;
    if (width < 1)
        return bands;
    const QString full = QString::number(fullMarks);
    double high = fullMarks;
    for (int k = 1;; ++k) {
        double low = double(fullMarks) - double(k) * width;
        const bool last = low <= passLine;
        if (last)
            low = passLine;
        ScoreBand b;
        b.low = low;
        b.high = high;
        b.label = decimalText(low) + QStringLiteral("～") + (k == 1 ? full : decimalText(high - 1));
        bands << b;
        if (last)
            break;
        high = low;
    }
    ScoreBand below;
    below.low = -std::numeric_limits<double>::infinity();
    below.high = passLine;
    below.label = decimalText(passLine) + QStringLiteral("以下");
    bands << below;
    return bands;
}

QString FieldFigures::meanText() const
{
    if (!mean)
        return {};
    if (exactSum)
        return hundredthsText(roundedQuotient(*exactSum, qint64(scores) * 100), false);
    return decimalText(*mean);
}

QStringList figureHeader()
{
    return {QStringLiteral("科目"),     QStringLiteral("人数"),   QStringLiteral("实考"),     QStringLiteral("缺考"),
            QStringLiteral("平均分"),   QStringLiteral("最高分"), QStringLiteral("最低分"),   QStringLiteral("标准差"),
            QStringLiteral("及格人数"), QStringLiteral("及格率"), QStringLiteral("优秀人数"), QStringLiteral("优秀率"),
            QStringLiteral("低分人数"), QStringLiteral("低分率")};
}

QStringList FieldFigures::figureRow() const
{
    const auto number = [](const std::optional<double> &v) { return v ? decimalText(*v) : QString(); };
    return {name,
            QString::number(students),
            QString::number(scores),
            QString::number(absent()),
            meanText(),
            number(highest),
            number(lowest),
            number(deviation),
            QString::number(passCount),
            rateText(passCount, scores),
            QString::number(excellentCount),
            rateText(excellentCount, scores),
            QString::number(lowCount),
            rateText(lowCount, scores)};
}

namespace {

// The figures' lines and counts before any score is read.
FieldFigures emptyFigures(const QString &name, int students, const AnalysisOptions &o)
{
    FieldFigures f;
    f.name = name;
    f.fullMarks = o.fullMarksOf(name);
    f.passLine = f.fullMarks * o.passPercent / 100;
    f.excellentLine = f.fullMarks * o.excellentPercent / 100;
    f.lowLine = f.fullMarks * o.lowPercent / 100;
    f.students = students;
    return f;
}

// Mean and deviation from the exact sums.
void finishExactly(FieldFigures &f, qint64 units, __int128 squareUnits)
{
    const double n = double(f.scores);
    f.exactSum = units;
    f.exactSquares = squareUnits;
    f.mean = double(units) / kExactUnits / n;
    // n² × variance in units², exactly: n Σu² − (Σu)².
    const __int128 scaled = __int128(f.scores) * squareUnits - __int128(units) * units;
    const double variance = double(scaled) / (n * n) / (kExactUnits * kExactUnits);
    f.deviation = std::sqrt(std::max(0.0, variance));
}

} // namespace

FieldFigures fieldFigures(const QString &name, const FieldSample &sample, const AnalysisOptions &o, bool withBands)
{
    return fieldFigures(name, sample.students, sample.scores, o, withBands);
}

FieldFigures fieldFigures(const QString &name, int students, const std::vector<double> &scores,
                          const AnalysisOptions &o, bool withBands)
{
    FieldFigures f = emptyFigures(name, students, o);
    f.scores = int(scores.size());
    if (withBands)
        f.bands = scoreBands(f.fullMarks, f.passLine, o.bandWidth);
    if (scores.empty())
        return f;

    double sum = 0;
    qint64 units = 0;
    __int128 squareUnits = 0;
    bool exact = true;
    double highest = scores.front(), lowest = highest;
    for (double x : scores) {
        sum += x;
        if (exact) {
            const std::optional<qint64> u = exactUnits(x);
            exact = u.has_value();
            units += u.value_or(0);
            squareUnits += __int128(u.value_or(0)) * u.value_or(0);
        }
        highest = std::max(highest, x);
        lowest = std::min(lowest, x);
        f.passCount += x >= f.passLine;
        f.excellentCount += x >= f.excellentLine;
        f.lowCount += x < f.lowLine;
        // The bands stand from the top down: the first whose lower bound the score reaches. (An
        // empty list is not touched: begin() would allocate it for every score.)
        if (withBands) {
            const auto band =
                std::partition_point(f.bands.begin(), f.bands.end(), [x](const ScoreBand &b) { return x < b.low; });
            if (band != f.bands.end())
                ++band->count;
        }
    }
    f.highest = highest;
    f.lowest = lowest;
    if (exact) {
        finishExactly(f, units, squareUnits);
        return f;
    }
    const double n = double(f.scores);
    const double mean = sum / n;
    double variance = 0;
    for (double x : scores)
        variance += (x - mean) * (x - mean);
    variance /= n;
    f.mean = mean;
    f.deviation = std::sqrt(std::max(0.0, variance));
    return f;
}

std::optional<FieldFigures> pooledFigures(const QString &name, int students, const QList<const FieldFigures *> &parts,
                                          const AnalysisOptions &o)
{
    FieldFigures f = emptyFigures(name, students, o);
    qint64 units = 0;
    __int128 squareUnits = 0;
    for (const FieldFigures *p : parts) {
        if (p->scores == 0)
            continue;
        if (!p->exactSum)
            return std::nullopt;
        f.highest = f.scores == 0 ? *p->highest : std::max(*f.highest, *p->highest);
        f.lowest = f.scores == 0 ? *p->lowest : std::min(*f.lowest, *p->lowest);
        f.scores += p->scores;
        f.passCount += p->passCount;
        f.excellentCount += p->excellentCount;
        f.lowCount += p->lowCount;
        units += *p->exactSum;
        squareUnits += p->exactSquares;
    }
    if (f.scores > 0)
        finishExactly(f, units, squareUnits);
    return f;
}

int compareMeans(const FieldFigures &a, const FieldFigures &b)
{
    if (a.exactSum && b.exactSum) {
        const __int128 left = __int128(*a.exactSum) * b.scores;
        const __int128 right = __int128(*b.exactSum) * a.scores;
        return left < right ? -1 : left > right ? 1 : 0;
    }
    const double x = a.mean.value_or(0), y = b.mean.value_or(0);
    return x < y ? -1 : x > y ? 1 : 0;
}

bool preselects(const std::vector<double> &scores, int fullMarks)
{
    return !scores.empty() &&
           std::all_of(scores.begin(), scores.end(), [fullMarks](double x) { return x >= 0 && x <= fullMarks; });
}

} // namespace analysis
