#pragma once
// The formula editor apart from its window: a copy of the table in which the user selects cells,
// the formula built from the selection for one of six operations (with "?" where a reference
// meets the target cell's row or column), its value for the target cell, and putting it into the
// table. The target is the table's current cell.
#include "core/table/grade_table.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace ui {
class Prompter;
}

namespace formula {

class Calculator;

enum class Operation { Sum, Difference, Product, Average, Variance, StandardDeviation };
// The operation list "选择运算符：" in its order.
QStringList operationNames();
// An operation by its Chinese name or by sum, diff, product, average, variance, stddev.
std::optional<Operation> operationFromName(const QString &name);

// A selection larger than this gives no formula: its body could not be evaluated anyway.
constexpr qint64 kMaxFormulaCells = 2000;

// The references of the block from the anchor cell to the end cell, walked row by row and within
// a row cell by cell, each in the direction the selection runs; a row or column equal to the
// target's is written "?". Empty when the block has more than kMaxFormulaCells cells.
QStringList selectionReferences(int anchorRow, int anchorCol, int endRow, int endCol, int targetRow, int targetCol);
// The formula body of an operation over the references (empty without references).
QString formulaBody(Operation op, const QStringList &references);

// The value of a formula body as it would be in the target cell, with the cells read from
// `grid`: the wildcards become the target's row and column, the references the cells' texts, the
// result formatted with the data format. "公式错误" when it cannot be computed; `refersToFormula`
// tells whether that is because a referenced cell holds a formula.
QString bodyValue(const table::Grid &grid, const QString &body, int targetRow, int targetCol, const QString &dataFormat,
                  Calculator &calc, bool *refersToFormula = nullptr);

inline const QString kRefersToFormula = QStringLiteral("公式中不可以引用已经包含公式的单元格！");

class FormulaEditor {
public:
    // Nullopt when the table's current cell can hold a formula; otherwise the refusal to show.
    static std::optional<QString> refusal(const table::GradeTable &t);

    FormulaEditor(const table::GradeTable &t, Calculator &calc);

    // The copy of the table shown in the editor.
    table::Grid grid;
    int targetRow() const { return m_targetRow; }
    int targetCol() const { return m_targetCol; }
    // "行:" row "列:" col of the target cell.
    QString targetText() const;

    Operation operation() const { return m_op; }
    void setOperation(Operation op);
    // The selection changed: the body is built again.
    void setSelection(int anchorRow, int anchorCol, int endRow, int endCol);
    // The body was edited (or built): the preview follows.
    void setBody(const QString &body);

    QString body() const { return m_body; }
    QString preview() const { return m_preview; }
    bool refersToFormula() const { return m_refersToFormula; }
    // "确定(&O)" is enabled for a body that may be placed.
    bool acceptable() const { return !m_body.trimmed().isEmpty() && !m_refersToFormula; }
    // Tells "公式中不可以引用已经包含公式的单元格！" once for a body that refers to a formula
    // cell; true when it was told now.
    bool warnIfDue(ui::Prompter &prompter);

    // The target cell's new text: the formula marker and the body.
    QString cellText() const;
    // Writes the formula into the target cell of `t` through beginChange(); false when the body
    // may not be placed.
    bool apply(table::GradeTable &t) const;

private:
    void rebuild();

    Calculator &m_calc;
    QString m_dataFormat;
    int m_targetRow = 1, m_targetCol = 1;
    Operation m_op = Operation::Sum;
    int m_anchorRow = -1, m_anchorCol = -1, m_endRow = -1, m_endCol = -1;
    QString m_body;
    QString m_preview;
    bool m_refersToFormula = false;
    QString m_warnedBody;
    bool m_warned = false;
};

} // namespace formula
