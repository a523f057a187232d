#pragma once
// Formula cells: a cell whose text begins with "！公式：" holds a formula body with references
// cell(row,col), "?" standing for the formula cell's own row or column. The value is computed on
// demand from the cells as they are; only the compiled form of each formula text is kept (in the
// evaluator), never a value.
#include "core/table/formula_text.h"
#include "core/table/grade_table.h"

#include <QString>

namespace ui {
class Prompter;
}

namespace formula {

class Calculator;

using table::applyFormulaCheck;
using table::isFormula;
using table::kFormulaMarker;

// The display value of cell (row, col): plain text unchanged, a formula's result formatted with
// `dataFormat`, "公式错误" or "引用错误".
QString displayValue(const table::Grid &grid, int row, int col, const QString &dataFormat, Calculator &calc);
// displayValue without the compiled form: every reference replaced by the cell's text, the result
// evaluated as text. displayValue gives the same in every case; it evaluates a formula compiled once
// when the cells it references are numbers the text would read the same way.
QString expandedValue(const table::Grid &grid, int row, int col, const QString &dataFormat, Calculator &calc);
// How many display values this evaluator took from compiled formulas (for tests and benchmarks).
qint64 compiledEvaluations(const Calculator &calc);
// The formula body with every reference replaced by the referenced cell's text, or an error text
// ("公式错误", "引用错误") when it cannot be expanded. `ok` tells which.
QString expandReferences(const table::Grid &grid, int row, int col, const QString &body, bool *ok);

// A copy of the table's grid with every formula cell replaced by its display value, evaluated in
// the order 计算所有公式 uses (row by row, left to right), so a formula that uses an earlier
// formula's result gets that result. The table itself is not touched. Printing, charts, report
// cards and exports take their values from it.
table::Grid evaluatedCopy(const table::GradeTable &t, Calculator &calc);
// The same for a grid its caller gives up (moved in): evaluated where it is, without a copy.
table::Grid evaluated(table::Grid grid, const QString &dataFormat, Calculator &calc);
// Whether no formula of the grid refers to a formula cell. Then every formula's display value
// (displayValue) is the one evaluatedCopy gives it, whatever else is evaluated and in what order,
// so a reader may evaluate just the cells it needs.
bool formulasReferOnlyToPlainCells(const table::Grid &grid, Calculator &calc);

// The table-wide formula commands. Each asks its question through the prompter, takes the undo
// snapshot and enables undo when it goes ahead; true when the table was changed.
bool menuSetGStoLine(table::GradeTable &t, ui::Prompter &prompter);
bool menuCheckGS(table::GradeTable &t, Calculator &calc);
bool menuRun(table::GradeTable &t, ui::Prompter &prompter, Calculator &calc);

// The result label: "=" + value for a formula, "非公式单元格" otherwise.
QString resultLabel(const QString &text, const table::Grid &grid, const QString &dataFormat, Calculator &calc);

} // namespace formula
