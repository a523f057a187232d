#include "core/formula/formula_editor.h"

#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/formula/number_format.h"
#include "core/ui/prompter.h"

#include <QRegularExpression>
#include <cstdlib>

namespace formula {

namespace {
const QString kFormulaError = QStringLiteral("公式错误");

// Whether a reference of the body (wildcards already resolved) names a cell that holds a formula.
bool refersToFormulaCell(const table::Grid &grid, const QString &body)
{
    static const QRegularExpression ref(QStringLiteral("cell\\(\\s*(\\d+)\\s*,\\s*(\\d+)\\s*\\)"),
                                        QRegularExpression::CaseInsensitiveOption);
    for (auto it = ref.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        bool okRow = false, okCol = false;
        const int r = m.captured(1).toInt(&okRow), c = m.captured(2).toInt(&okCol);
        if (okRow && okCol && isFormula(grid.TextMatrix(r, c)))
            return true;
    }
    return false;
}
} // namespace

QStringList operationNames()
{
    return {QStringLiteral("求和"),   QStringLiteral("求差"),   QStringLiteral("求乘积"),
            QStringLiteral("求平均"), QStringLiteral("求方差"), QStringLiteral("求标准差")};
}

std::optional<Operation> operationFromName(const QString &name)
{
    static const char *const english[] = {"sum", "diff", "product", "average", "variance", "stddev"};
    const QStringList chinese = operationNames();
    for (int i = 0; i < 6; ++i)
        if (name == chinese[i] || name == QLatin1String(english[i]))
            return static_cast<Operation>(i);
    return std::nullopt;
}

QStringList selectionReferences(int anchorRow, int anchorCol, int endRow, int endCol, int targetRow, int targetCol)
{
    const qint64 n = (qint64(std::abs(endRow - anchorRow)) + 1) * (qint64(std::abs(endCol - anchorCol)) + 1);
    if (n > kMaxFormulaCells)
        return {};
    const int rowStep = endRow >= anchorRow ? 1 : -1, colStep = endCol >= anchorCol ? 1 : -1;
    QStringList refs;
    refs.reserve(n);
    for (int r = anchorRow;; r += rowStep) {
        const QString row = r == targetRow ? QStringLiteral("?") : QString::number(r);
        for (int c = anchorCol;; c += colStep) {
            const QString col = c == targetCol ? QStringLiteral("?") : QString::number(c);
            refs << QStringLiteral("cell(") + row + QLatin1Char(',') + col + QLatin1Char(')');
            if (c == endCol)
                break;
        }
        if (r == endRow)
            break;
    }
    return refs;
}

QString formulaBody(Operation op, const QStringList &refs)
{
    if (refs.isEmpty())
        return {};
    const QString n = QString::number(refs.size());
    const QString sum = refs.join(QLatin1Char('+'));
    auto variance = [&] {
        QStringList squares;
        squares.reserve(refs.size());
        for (const QString &r : refs)
            squares << r + QStringLiteral("^2");
        return QStringLiteral("(1/") + n + QStringLiteral(")*(") + squares.join(QLatin1Char('+')) + QLatin1Char('-') +
               n + QStringLiteral("*((") + sum + QStringLiteral(")/") + n + QStringLiteral(")^2)");
    };
    switch (op) {
    case Operation::Sum:
        return sum;
    case Operation::Difference:
        return refs.join(QLatin1Char('-'));
    case Operation::Product:
        return refs.join(QLatin1Char('*'));
    case Operation::Average:
        return QLatin1Char('(') + sum + QStringLiteral(")/") + n;
    case Operation::Variance:
        return variance();
    case Operation::StandardDeviation:
        return QStringLiteral("sr(") + variance() + QLatin1Char(')');
    }
    return {};
}

QString bodyValue(const table::Grid &grid, const QString &body, int targetRow, int targetCol, const QString &dataFormat,
                  Calculator &calc, bool *refersToFormula)
{
    if (refersToFormula)
        *refersToFormula = false;
    // The wildcards first, as the target cell would see them; the target's own cell(?,?) then
    // reads its present text.
    QString resolved = body;
    resolved.replace(QStringLiteral("(?,"), QLatin1Char('(') + QString::number(targetRow) + QLatin1Char(','));
    resolved.replace(QStringLiteral(",?)"), QLatin1Char(',') + QString::number(targetCol) + QLatin1Char(')'));
    bool ok = false;
    const QString expanded = expandReferences(grid, targetRow, targetCol, resolved, &ok);
    if (!ok) {
        if (refersToFormula)
            *refersToFormula = refersToFormulaCell(grid, resolved);
        return kFormulaError;
    }
    return formatResult(calc.Calculate(expanded), dataFormat);
}

// --- the editor ---------------------------------------------------------------------------------

std::optional<QString> FormulaEditor::refusal(const table::GradeTable &t)
{
    const table::Grid &g = t.grid;
    if (g.Row() < 1 || g.Col() < 1)
        return QStringLiteral("请先选定要放置公式的单元格！");
    return std::nullopt;
}

FormulaEditor::FormulaEditor(const table::GradeTable &t, Calculator &calc)
    : grid(t.grid), m_calc(calc), m_dataFormat(t.numberFormat), m_targetRow(t.grid.Row()), m_targetCol(t.grid.Col())
{
    rebuild();
}

QString FormulaEditor::targetText() const
{
    return QStringLiteral("行:") + QString::number(m_targetRow) + QStringLiteral("列:") + QString::number(m_targetCol);
}

void FormulaEditor::setOperation(Operation op)
{
    m_op = op;
    rebuild();
}

void FormulaEditor::setSelection(int anchorRow, int anchorCol, int endRow, int endCol)
{
    m_anchorRow = anchorRow;
    m_anchorCol = anchorCol;
    m_endRow = endRow;
    m_endCol = endCol;
    rebuild();
}

void FormulaEditor::rebuild()
{
    if (m_anchorRow < 0) {
        setBody(QString());
        return;
    }
    setBody(
        formulaBody(m_op, selectionReferences(m_anchorRow, m_anchorCol, m_endRow, m_endCol, m_targetRow, m_targetCol)));
}

void FormulaEditor::setBody(const QString &body)
{
    m_body = body;
    if (body.trimmed().isEmpty()) {
        m_preview.clear();
        m_refersToFormula = false;
        return;
    }
    m_preview = bodyValue(grid, body, m_targetRow, m_targetCol, m_dataFormat, m_calc, &m_refersToFormula);
}

bool FormulaEditor::warnIfDue(ui::Prompter &prompter)
{
    if (!m_refersToFormula || (m_warned && m_warnedBody == m_body))
        return false;
    m_warned = true;
    m_warnedBody = m_body;
    prompter.message(kRefersToFormula, QStringLiteral("提示"), ui::Icon::Information);
    return true;
}

QString FormulaEditor::cellText() const
{
    return kFormulaMarker + m_body;
}

bool FormulaEditor::apply(table::GradeTable &t) const
{
    if (!acceptable())
        return false;
    t.beginChange();
    t.grid.setTextMatrix(m_targetRow, m_targetCol, cellText());
    return true;
}

} // namespace formula
