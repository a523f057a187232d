// The compiled form of a formula: the evaluator's tokenizer and grammar over a token list, so a
// formula text is read once and evaluated many times with the numbers of its cells.
#include "core/formula/calculate.h"
#include "core/formula/calculate_detail.h"
#include "core/formula/number_format.h"

#include <QStringView>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace formula {

using detail::convertDigits;
using detail::FormulaError;
using detail::isDigit;
using detail::Pi;

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
    const auto operand = [numbers, inserted](const Program::Step &step) {
        switch (step.op) {
        case Program::Op::AddSlot:
        case Program::Op::SubtractSlot:
        case Program::Op::MultiplySlot:
        case Program::Op::DivideSlot:
        case Program::Op::PowerSlot:
            return inserted[step.index];
        default:
            return numbers[step.index];
        }
    };
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
        // An operation whose right operand is a number of the text or a cell's number.
        case Program::Op::AddNumber:
        case Program::Op::AddSlot:
            st[sp - 1] += operand(step);
            break;
        case Program::Op::SubtractNumber:
        case Program::Op::SubtractSlot:
            st[sp - 1] -= operand(step);
            break;
        case Program::Op::MultiplyNumber:
        case Program::Op::MultiplySlot:
            st[sp - 1] *= operand(step);
            break;
        case Program::Op::DivideNumber:
        case Program::Op::DivideSlot:
            if (operand(step) == 0) {
                CalcError(Failure::DivisionByZero);
                return false;
            }
            st[sp - 1] /= operand(step);
            break;
        case Program::Op::PowerNumber:
        case Program::Op::PowerSlot:
            st[sp - 1] = PowerOf(st[sp - 1], operand(step));
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

} // namespace formula
