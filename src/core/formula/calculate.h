#pragma once
// The arithmetic engine behind formula cells: a recursive-descent parser that evaluates while it
// parses. Its state (the answer of the last success, the last error text) lives as long as the
// program.
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

namespace base {
class Workspace;
}

namespace formula {

class FormulaCache;

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
    double answer() const;
    QString lastError() const { return m_lastError; }
    bool helpRequested() const { return m_help; }

    // Longest expression the 16-bit reading position can walk through.
    static constexpr qsizetype MaxExpressionLength = 32766;
    // Nesting of "(", unary "-" and function arguments beyond which the formula is refused
    // instead of exhausting the stack.
    static constexpr int MaxNesting = 1000;

    // Compiled cell formulas, kept with the evaluator that runs them (formula/cell_formula.cpp).
    std::shared_ptr<FormulaCache> formulas;

    // The tokens the evaluator reads; public for the compiled form below.
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

    // One token as GetToken reads it. A number with a slot takes its value from the numbers given
    // to the run (a referenced cell's) instead of `number`.
    struct Lexeme {
        Token token = Token::Eos;
        Name name = Name::Other;
        double number = 0;
        int slot = -1;
    };
    // Appends the tokens of `text` to `out`, read exactly as Calculate reads them; false when the
    // text holds something the evaluator refuses while reading (an unknown character, a literal
    // that is no number). Leaves the evaluator's state (answer, last error) as it was.
    bool lex(QStringView text, std::vector<Lexeme> &out);

    // An expression compiled once into postfix operations, evaluated with the same arithmetic,
    // the same failure checks in the same order and the same effect on the answer and the last
    // error as Calculate on the text it came from.
    struct Program {
        enum class Op : unsigned char {
            Number,
            Slot,
            Ans,
            Negate,
            Add,
            Subtract,
            Multiply,
            Divide,
            Power,
            LogBase,
            Call,
            // An operation whose right operand is a number or an inserted number, in one step.
            AddNumber,
            SubtractNumber,
            MultiplyNumber,
            DivideNumber,
            PowerNumber,
            AddSlot,
            SubtractSlot,
            MultiplySlot,
            DivideSlot,
            PowerSlot
        };
        struct Step {
            Op op;
            Name name;
            int index; // into numbers (Number, …Number) or the inserted numbers (Slot, …Slot)
        };
        std::vector<Step> steps;
        std::vector<double> numbers;
        int stackSize = 0;
        // False when the tokens do not form an expression: such a text is left to Calculate,
        // which finds the failure where it lies.
        bool ok = false;
    };
    static Program compile(const std::vector<Lexeme> &tokens);
    // Whether `text` is exactly one number literal as the tokenizer reads it (digits, at most one
    // ".", digits; at least one digit), and its value. False for anything else and for a literal
    // too large for a double.
    static bool numberLiteral(QStringView text, double *value);
    // The value as Calculate gives it for the compiled text, `inserted` holding the numbers the
    // slots stand for; `value` receives the number (0 on failure).
    QString run(const Program &program, const double *inserted, double *value = nullptr);
    // Runs a program and answers whether it succeeded: the result, without its text, for callers
    // that format the number themselves. The answer is updated as Calculate updates it.
    bool runValue(const Program &program, const double *inserted, double *value);

private:
    enum class Failure { Overflow, DivisionByZero, InvalidLogBase, Calculation };

    void GetToken();
    double ParseExpression();
    double ParseTerm();
    double ParseFactor();
    double ParseArgument();
    double ParseOperandWithPower(bool &powered);
    double ParsePower(double base);
    double PowerOf(double base, double exponent);
    double ApplyFunction(Name name, double x, double logBase);
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

    // The answer is the result read back from its text; a run that formats the number itself
    // leaves that reading until the answer is used.
    mutable double m_answer = 0;
    mutable double m_answerPending = 0;
    mutable bool m_answerIsPending = false;
    QString m_lastError;
    std::vector<double> m_stack;
    bool m_help = false;
};

// The program's one evaluator, kept in the workspace and created on first use.
Calculator &calculator(base::Workspace &ws);

} // namespace formula
