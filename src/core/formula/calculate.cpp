#include "core/formula/calculate.h"
#include "core/formula/calculate_detail.h"

#include "core/base/workspace.h"

#include "core/formula/number_format.h"

#include <QStringView>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

// Decisions where the evaluator's rules leave room:
// - The result text is the general 15-significant-digit conversion (numberText): plain notation
//   from 0.0001 up to 999999999999999, otherwise one digit, the remaining digits after a ".",
//   "E", the exponent's sign and at least two exponent digits (1E+15, 1E-05, 1.5E+100), which is
//   how the classic general conversion writes such values. Trailing zeros are dropped.
// - An exponent that is neither a number literal nor a parenthesised expression (2^pi, 2^-1) and a
//   function argument that is neither (sin pi, sr -4) are formula errors, not silently
//   evaluated with a stale number or at 0.
// - The exponent group of a power accepts a missing ")" at the very end, as every other group.
// - Nesting deeper than MaxNesting levels, and an expression longer than the 16-bit reading
//   position can walk, are refused before they can exhaust the stack or the position.
// - Division by an exact zero is "Error: Division By Zero" (0/0 as well); 0 raised to a negative
//   power likewise; a negative base with a fractional exponent is a calculation error.
// - Hexadecimal and octal results are rounded half away from zero; negative values are written as
//   32-bit two's complement, values outside the 32-bit signed range stay decimal (as binary does
//   above 32767). Binary writes 0 as "0" and a negative value as "-" and the digits of its
//   magnitude.

namespace formula {

namespace detail {

const QString FormulaError = QStringLiteral("公式错误");

bool convertDigits(const char16_t *text, qsizetype length, double &value)
{
    char small[64] = {};
    std::string large;
    char *buf = small;
    if (length > static_cast<qsizetype>(sizeof small)) {
        large.resize(static_cast<std::size_t>(length));
        buf = large.data();
    }
    bool nonZeroBeforePoint = false;
    bool beforePoint = true;
    qsizetype n = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = text[i];
        if (c == u'.') {
            beforePoint = false;
        } else if (beforePoint) {
            nonZeroBeforePoint = nonZeroBeforePoint || c != u'0';
        }
        buf[n++] = static_cast<char>(c);
    }
    if (n == 1 && buf[0] == '.') {
        value = 0;
        return true;
    }
    const auto res = std::from_chars(buf, buf + n, value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small rounds to zero; too large is an overflow.
        if (nonZeroBeforePoint)
            return false;
        value = 0;
        return true;
    }
    if (res.ec != std::errc() || res.ptr != buf + n)
        value = 0;
    return true;
}

} // namespace detail

using detail::convertDigits;
using detail::FormulaError;
using detail::isDigit;
using detail::Pi;

namespace {

bool isLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

double textValue(const QString &text)
{
    char buf[48];
    const qsizetype n = qMin<qsizetype>(text.size(), sizeof buf);
    for (qsizetype i = 0; i < n; ++i)
        buf[i] = static_cast<char>(text.at(i).unicode());
    double v = 0;
    std::from_chars(buf, buf + n, v);
    return v;
}

int sign(double v)
{
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

} // namespace

double Calculator::answer() const
{
    if (m_answerIsPending) {
        m_answer = numberTextValue(m_answerPending);
        m_answerIsPending = false;
    }
    return m_answer;
}

QString Calculator::Calculate(const QString &expression)
{
    const QStringView view(expression);
    m_text = view.utf16();
    m_length = view.size();
    m_pos = 0;
    m_help = false;
    m_error = false;
    m_depth = 0;
    m_token = Token::Eos;
    m_name = Name::Other;

    if (m_length > MaxExpressionLength) {
        CalcError(Failure::Overflow);
        m_text = nullptr;
        return FormulaError;
    }
    GetToken();
    const double value = ParseExpression();
    if (!m_error && m_token != Token::Eos)
        CalcError(Failure::Calculation);
    m_text = nullptr;
    if (m_error)
        return FormulaError;

    const QString text = numberText(value);
    m_answer = textValue(text);
    m_answerIsPending = false;
    return ResultInBase(text, m_answer);
}

void Calculator::GetToken()
{
    if (m_error)
        return;
    while (m_pos < m_length && m_text[m_pos] == u' ')
        ++m_pos;
    if (m_pos >= m_length) {
        m_token = Token::Eos;
        return;
    }
    const char16_t c = m_text[m_pos];
    switch (c) {
    case u'+':
        m_token = Token::Plus;
        ++m_pos;
        return;
    case u'-':
        m_token = Token::Minus;
        ++m_pos;
        return;
    case u'*':
        m_token = Token::Star;
        ++m_pos;
        return;
    case u'/':
        m_token = Token::Slash;
        ++m_pos;
        return;
    case u'^':
        m_token = Token::Caret;
        ++m_pos;
        return;
    case u'(':
        m_token = Token::Open;
        ++m_pos;
        return;
    case u')':
        m_token = Token::Close;
        ++m_pos;
        return;
    default:
        break;
    }

    if (isDigit(c) || c == u'.') {
        const qsizetype start = m_pos;
        qsizetype digits = 0;
        while (m_pos < m_length && isDigit(m_text[m_pos])) {
            ++m_pos;
            ++digits;
        }
        qsizetype points = 0;
        while (m_pos < m_length && m_text[m_pos] == u'.') {
            ++m_pos;
            ++points;
        }
        while (m_pos < m_length && isDigit(m_text[m_pos])) {
            ++m_pos;
            ++digits;
        }
        if (digits == 0 || points > 1) {
            CalcError(Failure::Calculation);
            return;
        }
        if (!convertDigits(m_text + start, m_pos - start, m_number)) {
            CalcError(Failure::Overflow);
            return;
        }
        m_token = Token::Number;
        return;
    }

    if (isLetter(c)) {
        const qsizetype start = m_pos;
        while (m_pos < m_length && isLetter(m_text[m_pos]))
            ++m_pos;
        struct NameEntry {
            std::u16string_view text;
            Name name;
        };
        static constexpr NameEntry names[] = {
            {u"ans", Name::Ans},   {u"e", Name::E},       {u"pi", Name::Pi},     {u"help", Name::Help},
            {u"sr", Name::Sr},     {u"ln", Name::Ln},     {u"log", Name::Log},   {u"sin", Name::Sin},
            {u"cos", Name::Cos},   {u"tan", Name::Tan},   {u"sec", Name::Sec},   {u"csc", Name::Csc},
            {u"cot", Name::Cot},   {u"hsn", Name::Hsn},   {u"hcs", Name::Hcs},   {u"htn", Name::Htn},
            {u"hsc", Name::Hsc},   {u"hcc", Name::Hcc},   {u"hct", Name::Hct},   {u"isn", Name::Isn},
            {u"ics", Name::Ics},   {u"itn", Name::Itn},   {u"isc", Name::Isc},   {u"icc", Name::Icc},
            {u"ict", Name::Ict},   {u"ihs", Name::Ihs},   {u"ihc", Name::Ihc},   {u"iht", Name::Iht},
            {u"ihsc", Name::Ihsc}, {u"ihcc", Name::Ihcc}, {u"ihct", Name::Ihct},
        };
        const std::size_t length = static_cast<std::size_t>(m_pos - start);
        m_name = Name::Other;
        for (const NameEntry &entry : names) {
            if (entry.text.size() != length)
                continue;
            bool same = true;
            for (std::size_t i = 0; i < length && same; ++i)
                same = (m_text[start + static_cast<qsizetype>(i)] | 0x20) == entry.text[i];
            if (same) {
                m_name = entry.name;
                break;
            }
        }
        m_token = Token::Name;
        return;
    }

    // A character the evaluator does not know: the position stays, every level rejects it.
    m_token = Token::Unknown;
}

double Calculator::ParseExpression()
{
    // Every way into a deeper level passes here, so this bounds the recursion.
    if (++m_depth > MaxNesting) {
        CalcError(Failure::Calculation);
        --m_depth;
        return 0;
    }
    double value = ParseTerm();
    while (!m_error && (m_token == Token::Plus || m_token == Token::Minus)) {
        const bool add = m_token == Token::Plus;
        GetToken();
        const double term = ParseTerm();
        if (m_error)
            break;
        value = add ? value + term : value - term;
        if (!Finite(value))
            break;
    }
    --m_depth;
    return value;
}

double Calculator::ParseTerm()
{
    bool powered = false;
    double value = ParseOperandWithPower(powered);
    // After a power the term is over: only "+", "-", ")" or the end may follow it.
    while (!m_error && !powered) {
        double operand = 0;
        bool divide = false;
        bool last = false;
        switch (m_token) {
        case Token::Star:
        case Token::Slash:
            divide = m_token == Token::Slash;
            GetToken();
            operand = ParseOperandWithPower(powered);
            break;
        case Token::Open:
            operand = ParseOperandWithPower(powered);
            break;
        case Token::Plus:
        case Token::Minus:
        case Token::Close:
        case Token::Eos:
            return value;
        default:
            // A literal, a name or an unknown character right after an operand: one implicit
            // factor (2pi, 3 4), and the term ends.
            operand = ParseFactor();
            last = true;
            break;
        }
        if (m_error)
            break;
        if (divide) {
            if (operand == 0) {
                CalcError(Failure::DivisionByZero);
                break;
            }
            value /= operand;
        } else {
            value *= operand;
        }
        if (!Finite(value) || last)
            break;
    }
    return value;
}

double Calculator::ParseOperandWithPower(bool &powered)
{
    const double value = ParseFactor();
    powered = !m_error && m_token == Token::Caret;
    return powered ? ParsePower(value) : value;
}

double Calculator::ParsePower(double base)
{
    GetToken();
    double exponent = 0;
    if (m_token == Token::Number) {
        exponent = m_number;
        GetToken();
    } else if (m_token == Token::Open) {
        exponent = ParseGroup();
    } else {
        CalcError(Failure::Calculation);
    }
    if (m_error)
        return 0;
    return PowerOf(base, exponent);
}

double Calculator::PowerOf(double base, double exponent)
{
    if (base == 0 && exponent < 0) {
        CalcError(Failure::DivisionByZero);
        return 0;
    }
    if (base < 0 && exponent != std::trunc(exponent)) {
        CalcError(Failure::Calculation);
        return 0;
    }
    const double value = std::pow(base, exponent);
    Finite(value);
    return value;
}

double Calculator::ParseGroup()
{
    GetToken();
    const double value = ParseExpression();
    if (m_error)
        return 0;
    // A group left open at the very end of the text is accepted: "(2+3" is 5.
    if (m_token == Token::Close)
        GetToken();
    else if (m_token != Token::Eos)
        CalcError(Failure::Calculation);
    return value;
}

double Calculator::ParseFactor()
{
    double value = 0;
    switch (m_token) {
    case Token::Number:
        value = m_number;
        GetToken();
        return value;
    case Token::Minus:
        // The negation covers the whole expression up to the next unmatched ")" or the end.
        GetToken();
        value = ParseExpression();
        return m_error ? 0 : -value;
    case Token::Open:
        return ParseGroup();
    case Token::Name:
        switch (m_name) {
        case Name::Ans:
            GetToken();
            return answer();
        case Name::E:
            GetToken();
            return std::exp(1.0);
        case Name::Pi:
            GetToken();
            return Pi;
        case Name::Help:
            m_help = true;
            CalcError(Failure::Calculation);
            return 0;
        case Name::Other:
            CalcError(Failure::Calculation);
            return 0;
        default:
            return CallFunction(m_name);
        }
    default:
        CalcError(Failure::Calculation);
        return 0;
    }
}

double Calculator::ParseArgument()
{
    if (m_token == Token::Number) {
        const double value = m_number;
        GetToken();
        return value;
    }
    if (m_token == Token::Open)
        return ParseGroup();
    CalcError(Failure::Calculation);
    return 0;
}

bool Calculator::PrepareLogBase(double &base)
{
    QString &text = options.logBase;
    if (text.isEmpty()) {
        text = QStringLiteral("10");
        base = 10;
        return true;
    }
    int points = 0;
    for (QChar c : std::as_const(text)) {
        if (c == u'.')
            ++points;
        else if (!isDigit(c.unicode()))
            points = 2;
        if (points > 1) {
            CalcError(Failure::InvalidLogBase);
            return false;
        }
    }
    if (!convertDigits(QStringView(text).utf16(), text.size(), base)) {
        CalcError(Failure::Overflow);
        return false;
    }
    text = numberText(base);
    return true;
}

double Calculator::CallFunction(Name name)
{
    GetToken();
    double logBase = 10;
    if (name == Name::Log && !PrepareLogBase(logBase))
        return 0;
    const double x = ParseArgument();
    if (m_error)
        return 0;
    return ApplyFunction(name, x, logBase);
}

double Calculator::ApplyFunction(Name name, double x, double logBase)
{
    const double halfPi = 2 * std::atan(1.0);
    // Guards shared by the formulas below; each records its failure and stops the evaluation.
    auto divisor = [this](double d) {
        if (d == 0)
            CalcError(Failure::DivisionByZero);
        return d != 0;
    };
    auto nonNegative = [this](double d) {
        if (d < 0)
            CalcError(Failure::Calculation);
        return d >= 0;
    };
    auto positive = [this](double d) {
        if (!(d > 0))
            CalcError(Failure::Calculation);
        return d > 0;
    };
    auto square = [this, x](double &out) {
        out = x * x;
        return Finite(out);
    };
    auto exps = [this](double r, double &plus, double &minus) {
        plus = std::exp(r);
        minus = std::exp(-r);
        return Finite(plus) && Finite(minus);
    };

    double result = 0;
    double x2 = 0;
    double ep = 0;
    double em = 0;
    switch (name) {
    case Name::Sr:
        if (!nonNegative(x))
            return 0;
        result = std::sqrt(x);
        break;
    case Name::Ln:
        if (!positive(x))
            return 0;
        result = std::log(x);
        break;
    case Name::Log:
        if (!positive(x) || !positive(logBase) || !divisor(std::log(logBase)))
            return 0;
        result = std::log(x) / std::log(logBase);
        break;
    case Name::Sin:
        result = std::sin(ToRadians(x));
        break;
    case Name::Cos:
        result = std::cos(ToRadians(x));
        break;
    case Name::Tan:
        result = std::tan(ToRadians(x));
        break;
    case Name::Sec: {
        const double c = std::cos(ToRadians(x));
        if (!divisor(c))
            return 0;
        result = 1 / c;
        break;
    }
    case Name::Csc: {
        const double s = std::sin(ToRadians(x));
        if (!divisor(s))
            return 0;
        result = 1 / s;
        break;
    }
    case Name::Cot: {
        const double t = std::tan(ToRadians(x));
        if (!divisor(t))
            return 0;
        result = 1 / t;
        break;
    }
    case Name::Hsn:
        if (!exps(ToRadians(x), ep, em))
            return 0;
        result = (ep - em) / 2;
        break;
    case Name::Hcs:
        if (!exps(ToRadians(x), ep, em))
            return 0;
        result = (ep + em) / 2;
        break;
    case Name::Htn:
        if (!exps(ToRadians(x), ep, em))
            return 0;
        result = (ep - em) / (em + ep);
        break;
    case Name::Hsc:
        if (!exps(ToRadians(x), ep, em))
            return 0;
        result = 2 / (ep + em);
        break;
    case Name::Hcc:
        if (!exps(ToRadians(x), ep, em) || !divisor(ep - em))
            return 0;
        result = 2 / (ep - em);
        break;
    case Name::Hct:
        if (!exps(ToRadians(x), ep, em) || !divisor(ep - em))
            return 0;
        result = (ep + em) / (ep - em);
        break;
    case Name::Isn:
    case Name::Ics: {
        if (!square(x2) || !nonNegative(1 - x2))
            return 0;
        const double root = std::sqrt(1 - x2);
        if (!divisor(root))
            return 0;
        result = name == Name::Isn ? std::atan(x / root) : std::atan(-x / root) + halfPi;
        result = ToDegrees(result);
        break;
    }
    case Name::Itn:
        result = ToDegrees(std::atan(x));
        break;
    case Name::Isc:
    case Name::Icc: {
        if (!square(x2) || !nonNegative(x2 - 1))
            return 0;
        const double root = std::sqrt(x2 - 1);
        if (!divisor(root))
            return 0;
        const double shift = name == Name::Isc ? sign(x - 1) : sign(x) - 1;
        result = ToDegrees(std::atan(x / root) + shift * halfPi);
        break;
    }
    case Name::Ict:
        result = ToDegrees(std::atan(x) + halfPi);
        break;
    case Name::Ihs: {
        if (!square(x2))
            return 0;
        const double arg = x + std::sqrt(x2 + 1);
        if (!positive(arg))
            return 0;
        result = ToDegrees(std::log(arg));
        break;
    }
    case Name::Ihc: {
        if (!square(x2) || !nonNegative(x2 - 1))
            return 0;
        const double arg = x + std::sqrt(x2 - 1);
        if (!positive(arg))
            return 0;
        result = ToDegrees(std::log(arg));
        break;
    }
    case Name::Iht: {
        if (!divisor(1 - x))
            return 0;
        const double arg = (1 + x) / (1 - x);
        if (!positive(arg))
            return 0;
        result = ToDegrees(std::log(arg) / 2);
        break;
    }
    case Name::Ihsc: {
        if (!square(x2) || !nonNegative(1 - x2) || !divisor(x))
            return 0;
        const double arg = (std::sqrt(1 - x2) + 1) / x;
        if (!positive(arg))
            return 0;
        result = ToDegrees(std::log(arg));
        break;
    }
    case Name::Ihcc: {
        if (!square(x2) || !divisor(x))
            return 0;
        const double arg = (sign(x) * std::sqrt(x2 + 1) + 1) / x;
        if (!positive(arg))
            return 0;
        result = ToDegrees(std::log(arg));
        break;
    }
    case Name::Ihct: {
        if (!divisor(x - 1))
            return 0;
        const double arg = (x + 1) / (x - 1);
        if (!positive(arg))
            return 0;
        result = ToDegrees(std::log(arg) / 2);
        break;
    }
    default:
        CalcError(Failure::Calculation);
        return 0;
    }
    return Finite(result) ? result : 0;
}

void Calculator::CalcError(Failure failure)
{
    // The first failure is the cause; the levels unwinding after it add nothing.
    if (m_error)
        return;
    m_error = true;
    m_token = Token::Error;
    switch (failure) {
    case Failure::Overflow:
        m_lastError = QStringLiteral("Error: Overflow");
        break;
    case Failure::DivisionByZero:
        m_lastError = QStringLiteral("Error: Division By Zero");
        break;
    case Failure::InvalidLogBase:
        m_lastError = QStringLiteral("Error: Invalid Logarithm Base");
        break;
    case Failure::Calculation:
        m_lastError = QStringLiteral("Calculation Error");
        break;
    }
}

double Calculator::ToRadians(double x) const
{
    return options.angle == CalcOptions::Angle::Degrees ? x * Pi / 180 : x;
}

double Calculator::ToDegrees(double x) const
{
    return options.angle == CalcOptions::Angle::Degrees ? x * 180 / Pi : x;
}

bool Calculator::Finite(double v)
{
    if (std::isinf(v)) {
        CalcError(Failure::Overflow);
        return false;
    }
    if (std::isnan(v)) {
        CalcError(Failure::Calculation);
        return false;
    }
    return true;
}

QString Calculator::ResultInBase(const QString &decimalText, double value)
{
    switch (options.base) {
    case CalcOptions::Base::Dec:
        return decimalText;
    case CalcOptions::Base::Bin: {
        if (value > 32767)
            return decimalText;
        // Round on the first digit after the point, then halve: a half with a fraction writes 1.
        double whole = std::floor(std::fabs(value));
        if (std::fabs(value) - whole >= 0.5)
            whole += 1;
        if (whole == 0)
            return QStringLiteral("0");
        QString digits;
        while (whole >= 1) {
            const double half = whole / 2;
            digits.prepend(half != std::floor(half) ? u'1' : u'0');
            whole = std::floor(half);
        }
        return value < 0 ? QLatin1Char('-') + digits : digits;
    }
    case CalcOptions::Base::Hex:
    case CalcOptions::Base::Oct: {
        const double whole = std::round(value);
        if (whole < INT32_MIN || whole > INT32_MAX)
            return decimalText;
        const auto bits = static_cast<quint32>(static_cast<qint32>(whole));
        return QString::number(bits, options.base == CalcOptions::Base::Hex ? 16 : 8).toUpper();
    }
    }
    return decimalText;
}

Calculator &calculator(base::Workspace &ws)
{
    if (!ws.evaluator)
        ws.evaluator = std::make_shared<Calculator>();
    return *ws.evaluator;
}

} // namespace formula
