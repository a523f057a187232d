#include "core/formula/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

// Choices beyond the patterns the data-format dialog builds ("###." and n "0" or n "#"):
// a value that rounds to zero loses its sign ("-0.004" with "###.##" gives "."), a "," only turns
// grouping on (no scaling by thousands), and any character outside "#0,." makes the pattern
// unusable, so the number text is shown as it is.

namespace formula {

namespace {

// numberText into `out` (at least 32 bytes); the length written.
std::size_t writeNumberText(double value, char *out)
{
    if (value == 0 || !std::isfinite(value)) {
        out[0] = '0';
        return 1;
    }
    // Whole and half values below 1E+14 have at most 15 significant digits: written exactly.
    const double twice = value * 2;
    if (std::fabs(value) < 1e14 && twice == std::trunc(twice)) {
        const auto whole = static_cast<long long>(twice) / 2;
        std::size_t n = 0;
        if (value < 0)
            out[n++] = '-';
        const auto r = std::to_chars(out + n, out + 32, whole < 0 ? -whole : whole);
        n = static_cast<std::size_t>(r.ptr - out);
        if (static_cast<long long>(twice) % 2 != 0) {
            out[n++] = '.';
            out[n++] = '5';
        }
        return n;
    }
    // to_chars ignores the C locale (which the application sets from the environment) and rounds
    // the exact binary value correctly to 15 significant digits.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    // sci is "[-]d.dddddddddddddde±xx".
    const bool negative = sci.front() == '-';
    const std::string_view body = negative ? sci.substr(1) : sci;
    const std::size_t ePos = body.find('e');
    char digits[16];
    std::size_t count = 0;
    for (char c : body.substr(0, ePos))
        if (c != '.')
            digits[count++] = c;
    while (count > 1 && digits[count - 1] == '0')
        --count;
    const std::string_view expText = body.substr(ePos + 1);
    int exponent = 0;
    std::from_chars(expText.data() + (expText.front() == '+' ? 1 : 0), expText.data() + expText.size(), exponent);

    std::size_t n = 0;
    auto put = [&](char c) { out[n++] = c; };
    auto putDigits = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            out[n++] = digits[i];
    };
    if (negative)
        put('-');
    // The general conversion writes 0.0001 plainly but 0.00001 as 1E-05, and switches to an
    // exponent once 15 digits no longer reach the units (1E+15).
    if (exponent >= -4 && exponent <= 14) {
        if (exponent >= 0) {
            const std::size_t intCount = static_cast<std::size_t>(exponent) + 1;
            if (count <= intCount) {
                putDigits(0, count);
                for (std::size_t i = count; i < intCount; ++i)
                    put('0');
            } else {
                putDigits(0, intCount);
                put('.');
                putDigits(intCount, count);
            }
        } else {
            put('0');
            put('.');
            for (int i = 0; i < -exponent - 1; ++i)
                put('0');
            putDigits(0, count);
        }
    } else {
        put(digits[0]);
        if (count > 1) {
            put('.');
            putDigits(1, count);
        }
        put('E');
        put(exponent < 0 ? '-' : '+');
        const int magnitude = std::abs(exponent);
        if (magnitude < 10)
            put('0');
        const auto r = std::to_chars(out + n, out + 32, magnitude);
        n = static_cast<std::size_t>(r.ptr - out);
    }
    return n;
}

} // namespace

QString numberText(double value)
{
    char out[32];
    const std::size_t n = writeNumberText(value, out);
    return QString::fromLatin1(out, static_cast<qsizetype>(n));
}

double numberTextValue(double value)
{
    char out[32];
    const std::size_t n = writeNumberText(value, out);
    double v = 0;
    std::from_chars(out, out + n, v);
    return v;
}

namespace {

// A decimal number as significant digits: the digit at index i has the place value
// 10^(point - 1 - i). No leading or trailing zeros; zero has no digits.
struct Decimal {
    bool negative = false;
    std::string digits;
    long point = 0;
};

// Exponents far beyond any double are not formatted (the digits would only be padding).
constexpr long MaxExponent = 1000;

// `text` holds `n` characters (char or char16_t).
template <typename Ch> bool parseDecimal(const Ch *text, qsizetype n, Decimal &out)
{
    qsizetype i = 0;
    if (i < n && text[i] == Ch('-')) {
        out.negative = true;
        ++i;
    }
    std::string all;
    long intCount = 0;
    bool anyDigit = false;
    while (i < n && text[i] >= Ch('0') && text[i] <= Ch('9')) {
        all.push_back(static_cast<char>(text[i]));
        ++intCount;
        ++i;
        anyDigit = true;
    }
    if (i < n && text[i] == Ch('.')) {
        ++i;
        while (i < n && text[i] >= Ch('0') && text[i] <= Ch('9')) {
            all.push_back(static_cast<char>(text[i]));
            ++i;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return false;
    long exponent = 0;
    if (i < n && (text[i] == Ch('E') || text[i] == Ch('e'))) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == Ch('+') || text[i] == Ch('-'))) {
            expNegative = text[i] == Ch('-');
            ++i;
        }
        bool expDigit = false;
        while (i < n && text[i] >= Ch('0') && text[i] <= Ch('9')) {
            exponent = exponent * 10 + (text[i] - Ch('0'));
            if (exponent > MaxExponent)
                return false;
            ++i;
            expDigit = true;
        }
        if (!expDigit)
            return false;
        if (expNegative)
            exponent = -exponent;
    }
    if (i != n)
        return false;

    std::size_t lead = 0;
    while (lead < all.size() && all[lead] == '0')
        ++lead;
    std::size_t end = all.size();
    while (end > lead && all[end - 1] == '0')
        --end;
    out.digits = all.substr(lead, end - lead);
    out.point = out.digits.empty() ? 0 : intCount + exponent - static_cast<long>(lead);
    return true;
}

// Rounds half away from zero so that no digit lies beyond `decimals` places.
void roundTo(Decimal &d, long decimals)
{
    const long keep = d.point + decimals;
    if (keep >= static_cast<long>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        long i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.point = 0;
}

struct Pattern {
    long minIntDigits = 0; // from the leftmost "0" of the integer part to the point
    bool grouping = false;
    bool hasPoint = false;
    long decimals = 0;    // placeholders after the point
    long minDecimals = 0; // up to the rightmost "0" after the point
};

bool parsePattern(const QString &pattern, Pattern &p)
{
    if (pattern.isEmpty())
        return false;
    long intPlaceholders = 0;
    long leftmostZero = -1;
    for (QChar c : pattern) {
        switch (c.unicode()) {
        case u'#':
        case u'0':
            if (p.hasPoint) {
                ++p.decimals;
                if (c == u'0')
                    p.minDecimals = p.decimals;
            } else {
                if (c == u'0' && leftmostZero < 0)
                    leftmostZero = intPlaceholders;
                ++intPlaceholders;
            }
            break;
        case u'.':
            if (p.hasPoint)
                return false;
            p.hasPoint = true;
            break;
        case u',':
            // Grouping is decided by the integer part; a comma among the decimals is ignored.
            if (!p.hasPoint)
                p.grouping = true;
            break;
        default:
            return false;
        }
    }
    if (leftmostZero >= 0)
        p.minIntDigits = intPlaceholders - leftmostZero;
    return true;
}

// The digits of `d` laid out by the pattern.
std::string formatDecimal(Decimal &d, const Pattern &p)
{
    // Working on the decimal digits of the result text rounds what the teacher sees: 2.345
    // gives 2.35, although the double nearest to 2.345 lies below it.
    roundTo(d, p.decimals);

    std::string intPart;
    if (d.point > 0) {
        const std::size_t count = static_cast<std::size_t>(d.point);
        intPart = d.digits.substr(0, std::min(count, d.digits.size()));
        if (count > intPart.size())
            intPart.append(count - intPart.size(), '0');
    }
    if (static_cast<long>(intPart.size()) < p.minIntDigits)
        intPart.insert(0, static_cast<std::size_t>(p.minIntDigits) - intPart.size(), '0');

    std::string out;
    out.reserve(intPart.size() + intPart.size() / 3 + static_cast<std::size_t>(p.decimals) + 3);
    // A value that rounds to zero is written without its sign.
    if (d.negative && !d.digits.empty())
        out.push_back('-');
    if (p.grouping) {
        for (std::size_t i = 0; i < intPart.size(); ++i) {
            if (i > 0 && (intPart.size() - i) % 3 == 0)
                out.push_back(',');
            out.push_back(intPart[i]);
        }
    } else {
        out += intPart;
    }
    if (p.hasPoint) {
        out.push_back('.');
        std::string frac;
        frac.reserve(static_cast<std::size_t>(p.decimals));
        for (long j = 0; j < p.decimals; ++j) {
            const long i = d.point + j;
            frac.push_back(i >= 0 && i < static_cast<long>(d.digits.size()) ? d.digits[static_cast<std::size_t>(i)]
                                                                            : '0');
        }
        while (static_cast<long>(frac.size()) > p.minDecimals && frac.back() == '0')
            frac.pop_back();
        out += frac;
    }
    return out;
}

} // namespace

QString formatNumber(const QString &numberText, const QString &pattern)
{
    Decimal d;
    if (!parseDecimal(reinterpret_cast<const char16_t *>(numberText.utf16()), numberText.size(), d))
        return numberText;
    Pattern p;
    if (!parsePattern(pattern, p))
        return numberText;
    const std::string out = formatDecimal(d, p);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString formatValue(double value, const QString &dataFormat)
{
    char text[32];
    const std::size_t n = writeNumberText(value, text);
    // The same data format for every cell of a table: read once.
    thread_local QString lastFormat;
    thread_local Pattern lastPattern;
    thread_local bool lastUsable = false;
    thread_local bool lastRead = false;
    if (!lastRead || dataFormat != lastFormat) {
        lastPattern = Pattern();
        lastUsable = parsePattern(dataFormat, lastPattern);
        lastFormat = dataFormat;
        lastRead = true;
    }
    Decimal d;
    std::string out;
    if (lastUsable && parseDecimal(text, qsizetype(n), d))
        out = formatDecimal(d, lastPattern);
    else
        out.assign(text, n);
    if (!out.empty() && out.back() == '.')
        out.pop_back();
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString formatResult(const QString &resultText, const QString &dataFormat)
{
    QString text = formatNumber(resultText, dataFormat);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

} // namespace formula
