#pragma once
// The arithmetic engine behind formula cells: a recursive-descent parser that evaluates while it
// parses. Its state (the answer of the last success, the last error text) lives as long as the
// program.
#include <QString>

namespace base {
class Workspace;
}

namespace formula {

struct CalcOptions {
    enum class Angle { Degrees, Radians } angle = Angle::Degrees;
    enum class Base { Dec, Bin, Hex, Oct } base = Base::Dec;
    QString logBase = QStringLiteral("10");
};

class Calculator {
public:
    // The value as text in the result base, or "公式错误".
    QString Calculate(const QString &expression);

    CalcOptions options;
    double answer() const { return m_answer; }
    QString lastError() const { return m_lastError; }
    bool helpRequested() const { return m_help; }

    // Longest expression the 16-bit reading position can walk through.
    static constexpr qsizetype MaxExpressionLength = 32766;
    // Nesting of "(", unary "-" and function arguments beyond which the formula is refused
    // instead of exhausting the stack.
    static constexpr int MaxNesting = 1000;

private:
    enum class Token : unsigned char {
        Eos,
        Number,
        Plus,
        Minus,
        Star,
        Slash,
        Caret,
        Open,
        Close,
        Name,
        Unknown,
        Error
    };
    // The names the evaluator knows; Other is any other run of letters.
    enum class Name : unsigned char {
        Other,
        Ans,
        E,
        Pi,
        Help,
        Sr,
        Ln,
        Log,
        Sin,
        Cos,
        Tan,
        Sec,
        Csc,
        Cot,
        Hsn,
        Hcs,
        Htn,
        Hsc,
        Hcc,
        Hct,
        Isn,
        Ics,
        Itn,
        Isc,
        Icc,
        Ict,
        Ihs,
        Ihc,
        Iht,
        Ihsc,
        Ihcc,
        Ihct
    };
    enum class Failure { Overflow, DivisionByZero, InvalidLogBase, Calculation };

    void GetToken();
    double ParseExpression();
    double ParseTerm();
    double ParseFactor();
    double ParseArgument();
    double ParseOperandWithPower(bool &powered);
    double ParsePower(double base);
    double ParseGroup();
    double CallFunction(Name name);
    bool PrepareLogBase(double &base);
    void CalcError(Failure failure);
    double ToRadians(double x) const;
    double ToDegrees(double x) const;
    // Records an overflow for an infinite and a calculation error for a NaN intermediate;
    // returns whether v is usable.
    bool Finite(double v);
    QString ResultInBase(const QString &decimalText, double value);

    const char16_t *m_text = nullptr;
    qsizetype m_length = 0;
    qsizetype m_pos = 0;
    Token m_token = Token::Eos;
    Name m_name = Name::Other;
    double m_number = 0;
    int m_depth = 0;
    bool m_error = false;

    double m_answer = 0;
    QString m_lastError;
    bool m_help = false;
};

// The program's one evaluator, kept in the workspace and created on first use.
Calculator &calculator(base::Workspace &ws);

} // namespace formula
