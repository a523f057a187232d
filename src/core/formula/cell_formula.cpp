#include "core/formula/cell_formula.h"

#include "core/formula/calculate.h"
#include "core/formula/number_format.h"
#include "core/table/formula_refs.h"
#include "core/ui/prompter.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace formula {

namespace {
const QString kFormulaError = QStringLiteral("公式错误");
const QString kReferenceError = QStringLiteral("引用错误");
} // namespace

// The pieces of compiled formulas; named, since the cache the evaluator holds is made of them.
namespace compiled {

// The reader of references, shared with the column commands of the table folder.
using table::refs::forEachReference;
using table::refs::Index;
using table::refs::Reference;

inline bool onlySpaces(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return ch == QLatin1Char(' '); });
}

// QString's equality, by memcmp: long formula texts are compared for every cell of a column.
inline bool sameText(const QString &a, const QString &b)
{
    return a.size() == b.size() && (a.constData() == b.constData() ||
                                    std::memcmp(a.constData(), b.constData(), std::size_t(a.size()) * 2) == 0);
}

inline bool isDigitOrPoint(QChar ch)
{
    return (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('.');
}

// What a referenced cell's text becomes when it is inserted into a formula: a number literal (the
// text "0" for an empty cell), "-" and a literal, or anything else, which the compiled form cannot
// stand for.
struct CellNumber {
    enum Kind : unsigned char { Unread, Literal, NegativeLiteral, Other };
    double value = 0;
    int length = 0; // of the inserted text
    Kind kind = Unread;
};

inline CellNumber readCellNumber(const QString &text)
{
    CellNumber n;
    n.kind = CellNumber::Other;
    if (onlySpaces(text)) {
        n.kind = CellNumber::Literal;
        n.length = 1;
        return n;
    }
    QStringView digits(text);
    const bool negative = digits.front() == QLatin1Char('-');
    if (negative)
        digits = digits.sliced(1);
    if (text.size() > Calculator::MaxExpressionLength || !Calculator::numberLiteral(digits, &n.value))
        return n;
    n.kind = negative ? CellNumber::NegativeLiteral : CellNumber::Literal;
    n.length = int(text.size());
    return n;
}

} // namespace compiled

using namespace compiled;

namespace compiled {
// A formula text compiled once: its references, with the "?" wildcards left to each evaluation,
// the tokens of the text between them, and a program for each pattern of negative cells met
// (a "-" inserted before a literal is a token of its own and changes the expression's shape).
struct CompiledFormula {
    struct Ref {
        Index row, col;
        // The text just before the reference ends in a digit or "." (a literal, or another
        // reference): an inserted literal would run into it.
        bool afterDigit = false;
    };
    // False when the compiled form cannot stand for the text; the text is then expanded and
    // evaluated as it is.
    bool usable = false;
    std::vector<Ref> refs;
    std::vector<std::vector<Calculator::Lexeme>> between; // refs.size() + 1 token runs
    qsizetype textLength = 0;                             // of the body without its references
    std::vector<std::pair<quint64, Calculator::Program>> programs;

    static constexpr std::size_t kMaxPrograms = 16;

    std::size_t bytes() const
    {
        std::size_t n = sizeof *this + refs.size() * sizeof(Ref);
        for (const auto &run : between)
            n += run.size() * sizeof(Calculator::Lexeme) + sizeof run;
        for (const auto &p : programs)
            n += p.second.steps.size() * sizeof(Calculator::Program::Step) + p.second.numbers.size() * sizeof(double);
        return n;
    }

    // The program for the cells whose bits are set in `negative`; null when the compiled form
    // cannot stand for that case.
    const Calculator::Program *program(quint64 negative)
    {
        for (const auto &p : programs)
            if (p.first == negative)
                return p.second.ok ? &p.second : nullptr;
        if (programs.size() >= kMaxPrograms)
            return nullptr;
        std::vector<Calculator::Lexeme> tokens;
        for (std::size_t i = 0; i < refs.size(); ++i) {
            tokens.insert(tokens.end(), between[i].begin(), between[i].end());
            if (i < 64 && (negative >> i & 1))
                tokens.push_back({Calculator::Token::Minus, Calculator::Name::Other, 0, -1});
            tokens.push_back({Calculator::Token::Number, Calculator::Name::Other, 0, int(i)});
        }
        tokens.insert(tokens.end(), between.back().begin(), between.back().end());
        programs.emplace_back(negative, Calculator::compile(tokens));
        const Calculator::Program &p = programs.back().second;
        return p.ok ? &p : nullptr;
    }
};

} // namespace compiled

// The compiled formulas of one evaluator, by cell text. Bounded: past kMaxBytes it starts afresh.
class FormulaCache {
public:
    // The compiled form of a formula text found in column `col` (whose last one is tried first:
    // a column mostly holds copies of one formula).
    const std::shared_ptr<CompiledFormula> &get(const QString &text, int col, Calculator &calc)
    {
        if (col >= 0 && col < 4096) {
            if (std::size_t(col) >= m_last.size())
                m_last.resize(std::size_t(col) + 1);
            auto &last = m_last[std::size_t(col)];
            if (!last.second || !sameText(last.first, text))
                last = {text, get(text, calc)};
            return last.second;
        }
        m_other = get(text, calc);
        return m_other;
    }

    // What the cells of `grid` hold as numbers, kept while the grid's content stays as it is;
    // null for a grid too large to keep it for.
    CellNumber *numbersOf(const table::Grid &grid)
    {
        const std::size_t cells = std::size_t(grid.Rows()) * std::size_t(grid.Cols());
        if (cells > kMaxKeptCells)
            return nullptr;
        if (m_numbersGrid != &grid || m_numbersVersion != grid.contentVersion() || m_numbers.size() != cells) {
            m_numbers.assign(cells, CellNumber());
            m_numbersGrid = &grid;
            m_numbersVersion = grid.contentVersion();
        }
        return m_numbers.data();
    }

    std::shared_ptr<CompiledFormula> get(const QString &text, Calculator &calc)
    {
        const auto it = m_map.constFind(text);
        if (it != m_map.constEnd())
            return it.value();
        std::shared_ptr<CompiledFormula> f = compileFormula(QStringView(text).sliced(kFormulaMarker.size()), calc);
        const std::size_t size = f->bytes() + std::size_t(text.size()) * 2 + 64;
        if (m_bytes + size > kMaxBytes) {
            m_map.clear();
            m_bytes = 0;
        }
        m_bytes += size;
        m_map.insert(text, f);
        return f;
    }
    std::vector<double> inserted;
    qint64 evaluations = 0;
    // The buffer a table-wide pass keeps its cell numbers in, kept for the next pass.
    std::vector<CellNumber> passNumbers;

private:
    static constexpr std::size_t kMaxBytes = 64u << 20;
    static constexpr std::size_t kMaxKeptCells = 1u << 20;

    static std::shared_ptr<CompiledFormula> compileFormula(QStringView body, Calculator &calc)
    {
        auto f = std::make_shared<CompiledFormula>();
        if (body.contains(u"cell(?,?)", Qt::CaseInsensitive))
            return f;
        // The references and the text around them first: a text longer than the evaluator takes
        // is refused whatever the cells hold, and is not worth reading into tokens.
        std::vector<QStringView> texts;
        bool usable = true;
        qsizetype pos = 0;
        const bool wellFormed = forEachReference(body, [&](const Reference &ref) {
            const QStringView before = body.sliced(pos, ref.start - pos);
            texts.push_back(before);
            CompiledFormula::Ref r;
            r.row = ref.row;
            r.col = ref.col;
            r.afterDigit = before.isEmpty() ? !f->refs.empty() : isDigitOrPoint(before.back());
            // A digit or "." right after the reference would run into the inserted literal.
            if (ref.end < body.size() && isDigitOrPoint(body.at(ref.end)))
                usable = false;
            f->refs.push_back(r);
            f->textLength += before.size();
            pos = ref.end;
            return true;
        });
        texts.push_back(body.sliced(pos));
        f->textLength += texts.back().size();
        usable = usable && wellFormed && f->textLength <= Calculator::MaxExpressionLength;
        for (std::size_t i = 0; usable && i < texts.size(); ++i) {
            f->between.emplace_back();
            usable = calc.lex(texts[i], f->between.back());
        }
        f->usable = usable;
        if (!usable) {
            f->refs.clear();
            f->between.clear();
        }
        return f;
    }

    QHash<QString, std::shared_ptr<CompiledFormula>> m_map;
    std::size_t m_bytes = 0;
    std::vector<std::pair<QString, std::shared_ptr<CompiledFormula>>> m_last;
    std::shared_ptr<CompiledFormula> m_other;
    std::vector<CellNumber> m_numbers;
    const table::Grid *m_numbersGrid = nullptr;
    quint64 m_numbersVersion = 0;
};

namespace {

FormulaCache &cacheOf(Calculator &calc)
{
    if (!calc.formulas)
        calc.formulas = std::make_shared<FormulaCache>();
    return *calc.formulas;
}

// The display value through the compiled form, when every referenced cell is a literal that the
// expansion would insert as the tokens the form was compiled with; false when the text must be
// expanded instead. `numbers` (may be null) caches what the cells hold, by grid index.
bool compiledValue(const table::Grid &grid, int row, int col, CompiledFormula &f, const QString &dataFormat,
                   Calculator &calc, CellNumber *numbers, QString *out)
{
    if (!f.usable)
        return false;
    std::vector<double> &inserted = cacheOf(calc).inserted;
    if (inserted.size() < f.refs.size())
        inserted.resize(f.refs.size());
    const int rows = grid.Rows(), cols = grid.Cols();
    quint64 negative = 0;
    qsizetype length = f.textLength;
    for (std::size_t i = 0; i < f.refs.size(); ++i) {
        const CompiledFormula::Ref &ref = f.refs[i];
        const int r = ref.row.resolve(row), c = ref.col.resolve(col);
        if (r < 0 || c < 0 || r >= rows || c >= cols)
            return false;
        CellNumber n;
        if (numbers) {
            CellNumber &cached = numbers[std::size_t(r) * std::size_t(cols) + std::size_t(c)];
            if (cached.kind == CellNumber::Unread)
                cached = readCellNumber(grid.cellText(r, c));
            n = cached;
        } else {
            n = readCellNumber(grid.cellText(r, c));
        }
        if (n.kind == CellNumber::NegativeLiteral) {
            if (i >= 64)
                return false;
            negative |= quint64(1) << i;
        } else if (n.kind != CellNumber::Literal || ref.afterDigit) {
            return false;
        }
        length += n.length;
        inserted[i] = n.value;
    }
    // The expansion refuses a text the evaluator could not walk through.
    if (length > Calculator::MaxExpressionLength)
        return false;
    const Calculator::Program *program = f.program(negative);
    if (!program)
        return false;
    if (calc.options.base == CalcOptions::Base::Dec) {
        double value = 0;
        *out = calc.runValue(*program, inserted.data(), &value) ? formatValue(value, dataFormat) : kFormulaError;
    } else {
        *out = formatResult(calc.run(*program, inserted.data()), dataFormat);
    }
    ++cacheOf(calc).evaluations;
    return true;
}

QString textualValue(const table::Grid &grid, int row, int col, const QString &text, const QString &dataFormat,
                     Calculator &calc)
{
    bool ok = false;
    // References match without regard to case and the evaluator reads names in any case, so the
    // body needs no lower-casing.
    const QString expanded = expandReferences(grid, row, col, text.mid(kFormulaMarker.size()), &ok);
    if (!ok)
        return expanded;
    return formatResult(calc.Calculate(expanded), dataFormat);
}

// The display values of a whole grid in the order 计算所有公式 uses, which writes cells as it
// goes: keeps what each cell holds as a number until that cell is written.
class TablePass {
public:
    TablePass(const table::Grid &grid, const QString &dataFormat, Calculator &calc)
        : m_grid(grid), m_format(dataFormat), m_calc(calc), m_numbers(std::move(cacheOf(calc).passNumbers))
    {
        m_numbers.assign(std::size_t(grid.Rows()) * std::size_t(grid.Cols()), CellNumber());
    }
    ~TablePass() { cacheOf(m_calc).passNumbers = std::move(m_numbers); }
    TablePass(const TablePass &) = delete;
    TablePass &operator=(const TablePass &) = delete;

    // displayValue of a cell whose text is `text`.
    QString value(int r, int c, const QString &text)
    {
        if (!isFormula(text))
            return text;
        QString out;
        if (compiledValue(m_grid, r, c, *cacheOf(m_calc).get(text, c, m_calc), m_format, m_calc, m_numbers.data(),
                          &out))
            return out;
        return textualValue(m_grid, r, c, text, m_format, m_calc);
    }
    // The cell's text was changed.
    void written(int r, int c) { m_numbers[std::size_t(r) * std::size_t(m_grid.Cols()) + std::size_t(c)] = {}; }

private:
    const table::Grid &m_grid;
    const QString &m_format;
    Calculator &m_calc;
    std::vector<CellNumber> m_numbers;
};

// Replaces every formula cell by its display value, row by row from the top, each row from the left.
void evaluateInPlace(table::Grid &g, const QString &dataFormat, Calculator &calc)
{
    TablePass pass(g, dataFormat, calc);
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c) {
            const QString &text = g.cellText(r, c);
            if (isFormula(text)) {
                // The value is complete before the cell (and `text` with it) is replaced.
                const QString value = pass.value(r, c, text);
                g.setTextMatrix(r, c, value);
                pass.written(r, c);
            }
        }
}
} // namespace

QString expandReferences(const table::Grid &grid, int row, int col, const QString &body, bool *ok)
{
    *ok = false;
    const QStringView view(body);
    if (view.contains(u"cell(?,?)", Qt::CaseInsensitive))
        return kReferenceError;

    // One pass from left to right: an inserted cell text is never scanned again, so a cell that
    // holds the text of a reference cannot make the expansion run for ever. The wildcards are
    // resolved where they stand; outside a reference they could only make the formula fail,
    // and so does the "?" left there.
    QString out;
    out.reserve(body.size() + 16);
    qsizetype pos = 0;
    const bool expanded = forEachReference(view, [&](const Reference &ref) {
        out += view.sliced(pos, ref.start - pos);
        const int r = ref.row.resolve(row), c = ref.col.resolve(col);
        if (r < 0 || c < 0 || r >= grid.Rows() || c >= grid.Cols())
            return false;
        const QString text = grid.TextMatrix(r, c);
        if (isFormula(text))
            return false;
        if (onlySpaces(text))
            out += QLatin1Char('0');
        else
            out += text;
        // Beyond this the evaluator refuses the text anyway; stopping here keeps a formula that
        // references a huge cell many times from growing without bound.
        if (out.size() > Calculator::MaxExpressionLength)
            return false;
        pos = ref.end;
        return true;
    });
    if (!expanded)
        return kFormulaError;
    out += view.sliced(pos);
    *ok = true;
    return out;
}

qint64 compiledEvaluations(const Calculator &calc)
{
    return calc.formulas ? calc.formulas->evaluations : 0;
}

QString displayValue(const table::Grid &grid, int row, int col, const QString &dataFormat, Calculator &calc)
{
    const QString &text = grid.cellText(row, col);
    if (!isFormula(text))
        return text;
    FormulaCache &cache = cacheOf(calc);
    QString out;
    if (compiledValue(grid, row, col, *cache.get(text, col, calc), dataFormat, calc, cache.numbersOf(grid), &out))
        return out;
    return textualValue(grid, row, col, text, dataFormat, calc);
}

QString expandedValue(const table::Grid &grid, int row, int col, const QString &dataFormat, Calculator &calc)
{
    const QString text = grid.TextMatrix(row, col);
    if (!isFormula(text))
        return text;
    return textualValue(grid, row, col, text, dataFormat, calc);
}

bool menuSetGStoLine(table::GradeTable &t, ui::Prompter &prompter)
{
    table::Grid &g = t.grid;
    const int c = g.ColSel();
    const QString h = g.TextMatrix(0, c);
    if (prompter.question(QStringLiteral("本操作将会覆盖第 ") + QString::number(c) + QStringLiteral(" 列(") + h +
                              QStringLiteral(")的所有数据，是否继续？"),
                          QStringLiteral("提示"), ui::Buttons::YesNo, ui::Icon::Question,
                          ui::Answer::Yes) != ui::Answer::Yes)
        return false;
    t.beginChange();
    const QString text = g.TextMatrix(g.RowSel(), c);
    table::GridBulk bulk(g);
    for (int r = 1; r < g.Rows(); ++r)
        g.setTextMatrix(r, c, text);
    return true;
}

bool menuCheckGS(table::GradeTable &t, Calculator &calc)
{
    t.beginChange();
    table::Grid &g = t.grid;
    table::GridBulk bulk(g);
    TablePass pass(g, t.numberFormat, calc);
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c) {
            const QString text = g.TextMatrix(r, c);
            if (pass.value(r, c, text) == kFormulaError) {
                g.setTextMatrix(r, c, text + QStringLiteral("(公式错误)"));
                pass.written(r, c);
            }
        }
    return true;
}

bool menuRun(table::GradeTable &t, ui::Prompter &prompter, Calculator &calc)
{
    const QString text = QStringLiteral("    本操作将导致原来的公式将无法再响应数据源\n"
                                        "的数值变化，请确认您的操作已经达到打印前的最\n"
                                        "后一步。（可以不需执行本操作，打印时就会直接\n"
                                        "显示结果）；确定要继续吗？");
    if (prompter.question(text, QStringLiteral("提示"), ui::Buttons::OkCancel, ui::Icon::Question, ui::Answer::Ok) !=
        ui::Answer::Ok)
        return false;
    t.beginChange();
    table::GridBulk bulk(t.grid);
    evaluateInPlace(t.grid, t.numberFormat, calc);
    return true;
}

table::Grid evaluatedCopy(const table::GradeTable &t, Calculator &calc)
{
    return evaluated(t.grid, t.numberFormat, calc);
}

table::Grid evaluated(table::Grid grid, const QString &dataFormat, Calculator &calc)
{
    evaluateInPlace(grid, dataFormat, calc);
    return grid;
}

bool formulasReferOnlyToPlainCells(const table::Grid &grid, Calculator &calc)
{
    FormulaCache &cache = cacheOf(calc);
    const int rows = grid.Rows(), cols = grid.Cols();
    const auto plain = [&](int r, int c) {
        // A reference outside the grid is an error whatever the order.
        return r < 0 || c < 0 || r >= rows || c >= cols || !isFormula(grid.cellText(r, c));
    };
    // A formula whose references all fall in columns without formulas is plain in every row, so
    // each column asks that once per formula text rather than once per cell.
    std::vector<bool> formulaColumn(size_t(std::max(cols, 0)), false);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (!formulaColumn[size_t(c)] && isFormula(grid.cellText(r, c)))
                formulaColumn[size_t(c)] = true;
    std::vector<std::pair<const CompiledFormula *, bool>> columnsPlain(formulaColumn.size(), {nullptr, false});
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const QString &text = grid.cellText(r, c);
            if (!isFormula(text))
                continue;
            const CompiledFormula &f = *cache.get(text, c, calc);
            if (f.usable) {
                auto &[known, inPlainColumns] = columnsPlain[size_t(c)];
                if (known != &f) {
                    known = &f;
                    inPlainColumns = std::all_of(f.refs.begin(), f.refs.end(), [&](const CompiledFormula::Ref &ref) {
                        const int rc = ref.col.resolve(c);
                        return rc >= 0 && rc < cols && !formulaColumn[size_t(rc)];
                    });
                }
                if (inPlainColumns)
                    continue;
                for (const CompiledFormula::Ref &ref : f.refs)
                    if (!plain(ref.row.resolve(r), ref.col.resolve(c)))
                        return false;
                continue;
            }
            const bool allPlain =
                forEachReference(QStringView(text).sliced(kFormulaMarker.size()),
                                 [&](const Reference &ref) { return plain(ref.row.resolve(r), ref.col.resolve(c)); });
            if (!allPlain)
                return false;
        }
    return true;
}

QString resultLabel(const QString &text, const table::Grid &grid, const QString &dataFormat, Calculator &calc)
{
    if (!isFormula(text))
        return QStringLiteral("非公式单元格");
    return QLatin1Char('=') + displayValue(grid, grid.Row(), grid.Col(), dataFormat, calc);
}

} // namespace formula
