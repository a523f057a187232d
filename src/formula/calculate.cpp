#include "formula/calculate.h"

#include "base/workspace.h"

#include "formula/number_format.h"

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

namespace {

const QString FormulaError = QStringLiteral("公式错误");

// The constant the evaluator has always used: 15 significant digits, not the full-precision value.
constexpr double Pi = 3.14159265358979;

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}
bool isLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Converts a run of digits with at most one "." (at least one digit, or the caller accepts "."
// alone as 0). Returns false when the value is too large for a double.
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

bool Calculator::numberLiteral(QStringView text, double *value)
{
    const char16_t *d = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0, digits = 0, points = 0, fraction = 0;
    std::uint64_t mantissa = 0;
    for (; i < n; ++i) {
        const char16_t c = d[i];
        if (isDigit(c)) {
            ++digits;
            if (points)
                ++fraction;
            if (digits <= 15)
                mantissa = mantissa * 10 + std::uint64_t(c - u'0');
        } else if (c == u'.' && points == 0) {
            ++points;
        } else {
            return false;
        }
    }
    if (digits == 0)
        return false;
    // Up to 15 digits the mantissa and the power of ten are exact doubles, so one division rounds
    // correctly, as the general conversion does.
    static constexpr double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (digits <= 15) {
        *value = double(mantissa) / powers[fraction];
        return true;
    }
    return convertDigits(d, n, *value);
}

bool Calculator::lex(QStringView text, std::vector<Lexeme> &out)
{
    // The tokenizer works on the evaluator's reading state; keep what a caller could observe.
    const char16_t *savedText = m_text;
    const qsizetype savedLength = m_length, savedPos = m_pos;
    const Token savedToken = m_token;
    const Name savedName = m_name;
    const double savedNumber = m_number;
    const bool savedError = m_error;
    const QString savedLastError = m_lastError;

    m_text = text.utf16();
    m_length = text.size();
    m_pos = 0;
    m_error = false;
    bool ok = true;
    for (;;) {
        GetToken();
        if (m_error || m_token == Token::Unknown) {
            ok = false;
            break;
        }
        if (m_token == Token::Eos)
            break;
        out.push_back({m_token, m_name, m_token == Token::Number ? m_number : 0, -1});
    }

    m_text = savedText;
    m_length = savedLength;
    m_pos = savedPos;
    m_token = savedToken;
    m_name = savedName;
    m_number = savedNumber;
    m_error = savedError;
    m_lastError = savedLastError;
    return ok;
}

namespace {

// The grammar of ParseExpression and its helpers again, step for step, over a token list: where
// the evaluator computes a value this emits the operation that computes it, with the same checks.
// Any failure the evaluator finds while reading is a failure here, and the program is not used.
class Compiler {
public:
    using Token = Calculator::Token;
    using Name = Calculator::Name;
    using Op = Calculator::Program::Op;

    Compiler(const std::vector<Calculator::Lexeme> &tokens, Calculator::Program &program)
        : m_tokens(tokens), m_program(program)
    {
    }

    void run()
    {
        Expression();
        if (!m_error && token() != Token::Eos)
            m_error = true;
        m_program.ok = !m_error;
        m_program.stackSize = m_maxDepth;
    }

private:
    Token token() const { return m_pos < m_tokens.size() ? m_tokens[m_pos].token : Token::Eos; }
    const Calculator::Lexeme &lexeme() const { return m_tokens[m_pos]; }
    void next()
    {
        if (!m_error && m_pos < m_tokens.size())
            ++m_pos;
    }
    void put(Op op, int stackChange, Name name = Name::Other, int index = 0)
    {
        // A binary operation right after the push of its right operand takes that operand itself.
        if (!m_program.steps.empty() && stackChange == -1) {
            Calculator::Program::Step &last = m_program.steps.back();
            const int fused = fusedOp(op, last.op);
            if (fused >= 0) {
                last.op = Op(fused);
                m_depth += stackChange;
                return;
            }
        }
        m_program.steps.push_back({op, name, index});
        m_depth += stackChange;
        m_maxDepth = std::max(m_maxDepth, m_depth);
    }
    static int fusedOp(Op op, Op operand)
    {
        if (operand != Op::Number && operand != Op::Slot)
            return -1;
        const bool slot = operand == Op::Slot;
        switch (op) {
        case Op::Add:
            return int(slot ? Op::AddSlot : Op::AddNumber);
        case Op::Subtract:
            return int(slot ? Op::SubtractSlot : Op::SubtractNumber);
        case Op::Multiply:
            return int(slot ? Op::MultiplySlot : Op::MultiplyNumber);
        case Op::Divide:
            return int(slot ? Op::DivideSlot : Op::DivideNumber);
        case Op::Power:
            return int(slot ? Op::PowerSlot : Op::PowerNumber);
        default:
            return -1;
        }
    }
    void putNumber()
    {
        const Calculator::Lexeme &l = lexeme();
        if (l.slot >= 0) {
            put(Op::Slot, 1, Name::Other, l.slot);
        } else {
            m_program.numbers.push_back(l.number);
            put(Op::Number, 1, Name::Other, int(m_program.numbers.size()) - 1);
        }
    }
    void putConstant(double v)
    {
        m_program.numbers.push_back(v);
        put(Op::Number, 1, Name::Other, int(m_program.numbers.size()) - 1);
    }

    void Expression()
    {
        if (++m_nesting > Calculator::MaxNesting) {
            m_error = true;
            --m_nesting;
            return;
        }
        Term();
        while (!m_error && (token() == Token::Plus || token() == Token::Minus)) {
            const bool add = token() == Token::Plus;
            next();
            Term();
            if (m_error)
                break;
            put(add ? Op::Add : Op::Subtract, -1);
        }
        --m_nesting;
    }

    void Term()
    {
        bool powered = false;
        OperandWithPower(powered);
        while (!m_error && !powered) {
            bool divide = false;
            bool last = false;
            switch (token()) {
            case Token::Star:
            case Token::Slash:
                divide = token() == Token::Slash;
                next();
                OperandWithPower(powered);
                break;
            case Token::Open:
                OperandWithPower(powered);
                break;
            case Token::Plus:
            case Token::Minus:
            case Token::Close:
            case Token::Eos:
                return;
            default:
                Factor();
                last = true;
                break;
            }
            if (m_error)
                break;
            put(divide ? Op::Divide : Op::Multiply, -1);
            if (last)
                break;
        }
    }

    void OperandWithPower(bool &powered)
    {
        Factor();
        powered = !m_error && token() == Token::Caret;
        if (powered)
            Power();
    }

    void Power()
    {
        next();
        if (token() == Token::Number) {
            putNumber();
            next();
        } else if (token() == Token::Open) {
            Group();
        } else {
            m_error = true;
        }
        if (!m_error)
            put(Op::Power, -1);
    }

    void Group()
    {
        next();
        Expression();
        if (m_error)
            return;
        if (token() == Token::Close)
            next();
        else if (token() != Token::Eos)
            m_error = true;
    }

    void Factor()
    {
        switch (token()) {
        case Token::Number:
            putNumber();
            next();
            return;
        case Token::Minus:
            next();
            Expression();
            if (!m_error)
                put(Op::Negate, 0);
            return;
        case Token::Open:
            Group();
            return;
        case Token::Name:
            switch (lexeme().name) {
            case Name::Ans:
                next();
                put(Op::Ans, 1);
                return;
            case Name::E:
                next();
                putConstant(std::exp(1.0));
                return;
            case Name::Pi:
                next();
                putConstant(Pi);
                return;
            case Name::Help:
            case Name::Other:
                m_error = true;
                return;
            default:
                Call(lexeme().name);
                return;
            }
        default:
            m_error = true;
            return;
        }
    }

    void Argument()
    {
        if (token() == Token::Number) {
            putNumber();
            next();
        } else if (token() == Token::Open) {
            Group();
        } else {
            m_error = true;
        }
    }

    void Call(Name name)
    {
        next();
        // The logarithm's base is read (and normalised) before its argument is evaluated.
        if (name == Name::Log)
            put(Op::LogBase, 1);
        Argument();
        if (!m_error)
            put(Op::Call, name == Name::Log ? -1 : 0, name);
    }

    const std::vector<Calculator::Lexeme> &m_tokens;
    Calculator::Program &m_program;
    std::size_t m_pos = 0;
    bool m_error = false;
    int m_nesting = 0;
    int m_depth = 0;
    int m_maxDepth = 0;
};

} // namespace

Calculator::Program Calculator::compile(const std::vector<Lexeme> &tokens)
{
    Program program;
    Compiler(tokens, program).run();
    if (!program.ok) {
        program.steps.clear();
        program.numbers.clear();
    }
    return program;
}

bool Calculator::runValue(const Program &program, const double *inserted, double *value)
{
    m_help = false;
    m_error = false;
    m_depth = 0;
    *value = 0;
    if (!program.ok) {
        CalcError(Failure::Calculation);
        return false;
    }
    if (m_stack.size() < std::size_t(program.stackSize))
        m_stack.resize(std::size_t(program.stackSize));
    double *st = m_stack.data();
    int sp = 0;
    const double *numbers = program.numbers.data();
    // Only the operations that can fail look at the error flag.
    for (const Program::Step &step : program.steps) {
        switch (step.op) {
        case Program::Op::Number:
            st[sp++] = numbers[step.index];
            continue;
        case Program::Op::Slot:
            st[sp++] = inserted[step.index];
            continue;
        case Program::Op::Ans:
            st[sp++] = answer();
            continue;
        case Program::Op::Negate:
            st[sp - 1] = -st[sp - 1];
            continue;
        case Program::Op::Add:
            --sp;
            st[sp - 1] += st[sp];
            break;
        case Program::Op::Subtract:
            --sp;
            st[sp - 1] -= st[sp];
            break;
        case Program::Op::Multiply:
            --sp;
            st[sp - 1] *= st[sp];
            break;
        case Program::Op::Divide:
            --sp;
            if (st[sp] == 0) {
                CalcError(Failure::DivisionByZero);
                return false;
            }
            st[sp - 1] /= st[sp];
            break;
        case Program::Op::Power:
            --sp;
            st[sp - 1] = PowerOf(st[sp - 1], st[sp]);
            if (m_error)
                return false;
            continue;
        case Program::Op::LogBase: {
            double base = 10;
            if (!PrepareLogBase(base))
                return false;
            st[sp++] = base;
            continue;
        }
        case Program::Op::Call:
            if (step.name == Name::Log) {
                --sp;
                st[sp - 1] = ApplyFunction(Name::Log, st[sp], st[sp - 1]);
            } else {
                st[sp - 1] = ApplyFunction(step.name, st[sp - 1], 10);
            }
            if (m_error)
                return false;
            continue;
        case Program::Op::AddNumber:
            st[sp - 1] += numbers[step.index];
            break;
        case Program::Op::SubtractNumber:
            st[sp - 1] -= numbers[step.index];
            break;
        case Program::Op::MultiplyNumber:
            st[sp - 1] *= numbers[step.index];
            break;
        case Program::Op::DivideNumber:
            if (numbers[step.index] == 0) {
                CalcError(Failure::DivisionByZero);
                return false;
            }
            st[sp - 1] /= numbers[step.index];
            break;
        case Program::Op::PowerNumber:
            st[sp - 1] = PowerOf(st[sp - 1], numbers[step.index]);
            if (m_error)
                return false;
            continue;
        case Program::Op::AddSlot:
            st[sp - 1] += inserted[step.index];
            break;
        case Program::Op::SubtractSlot:
            st[sp - 1] -= inserted[step.index];
            break;
        case Program::Op::MultiplySlot:
            st[sp - 1] *= inserted[step.index];
            break;
        case Program::Op::DivideSlot:
            if (inserted[step.index] == 0) {
                CalcError(Failure::DivisionByZero);
                return false;
            }
            st[sp - 1] /= inserted[step.index];
            break;
        case Program::Op::PowerSlot:
            st[sp - 1] = PowerOf(st[sp - 1], inserted[step.index]);
            if (m_error)
                return false;
            continue;
        }
        // The arithmetic operations: an infinite or undefined result is the failure.
        if (!std::isfinite(st[sp - 1])) {
            Finite(st[sp - 1]);
            return false;
        }
    }
    *value = st[0];
    m_answerPending = *value;
    m_answerIsPending = true;
    return true;
}

QString Calculator::run(const Program &program, const double *inserted, double *value)
{
    double v = 0;
    const bool ok = runValue(program, inserted, &v);
    if (value)
        *value = v;
    if (!ok)
        return FormulaError;
    return ResultInBase(numberText(v), answer());
}

Calculator &calculator(base::Workspace &ws)
{
    if (!ws.evaluator)
        ws.evaluator = std::make_shared<Calculator>();
    return *ws.evaluator;
}

} // namespace formula
