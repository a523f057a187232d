#pragma once
// The grade analysis of one table: its display values as the evaluated copy has them (formula
// cells count with their results), its students and the scores of each field, the fields analysed
// unless the teacher chooses, and the result tables the dialog, the command line, 复制 and
// 保存为CSV show: the figures, the score bands and the numbers of the bar chart.
//
// When no formula refers to a formula cell (the usual 总分 and 平均分 columns over typed scores),
// a formula column is evaluated only when its scores are first needed, and the preselection stops
// at its first score beyond the full marks: a 总分 column is never evaluated for a grade summary.
// Otherwise the whole grid is evaluated at once, in the evaluated copy's order.
//
// Students are the grid rows 1 … Rows − 1 whose display values in columns 1 … Cols − 1 are not all
// empty (blank counts as empty). A score is a student's display value that reads as a number by the
// sort's rule (table::sortNumber) and is finite.
#include "core/analysis/score_figures.h"
#include "core/table/grid.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace formula {
class Calculator;
}
namespace table {
class GradeTable;
}

namespace analysis {

// A table of text rows, its first row the column names.
using Sheet = QList<QStringList>;

// Sheets as tab-separated lines, one empty line between two sheets (what `stats` prints and 复制
// puts on the clipboard, so it pastes into a spreadsheet).
QString tabText(const QList<Sheet> &sheets);
// The same sheets as a CSV file like the table's CSV export: every value a CSV field, GBK, CR LF.
QByteArray csvBytes(const QList<Sheet> &sheets);

// The numbers of a bar chart: one label and value per bar, left to right, and the field charted.
struct ChartBars {
    QString field;
    QString title;
    QStringList labels;
    QList<double> values;
};

struct AnalysisResult {
    QString title; // the table's title
    QList<FieldFigures> fields;

    // The figures table: figureHeader() and one row per analysed field.
    Sheet figureSheet() const;
    // The band table of every field: 科目 分数段 人数 比例, one row per field and band, from the top.
    Sheet bandSheet() const;
    // The band table of one field (index into `fields`): 分数段 人数 比例.
    Sheet bandSheet(int field) const;
    // The field's bands as bars: a band's label and count, from the top.
    ChartBars bandChart(int field) const;
};

class TableAnalysis {
public:
    // `calc` evaluates the formula columns when they are needed: it outlives the analysis.
    TableAnalysis(const table::GradeTable &table, formula::Calculator &calc);
    // A table read for the analysis alone is kept as it is, without a copy.
    TableAnalysis(table::GradeTable &&table, formula::Calculator &calc);

    // Read on another thread with a calculator of its own: from now on the formula columns are
    // evaluated with `calc`.
    void evaluateLaterWith(formula::Calculator &calc) { m_calc = &calc; }

    QString title() const { return m_title; }
    int students() const { return int(m_students.size()); }
    // The names of columns 1 … Cols − 1, trimmed.
    QStringList fieldNames() const;
    // The first column named `name` (trimmed), or −1.
    int fieldColumn(const QString &name) const;
    // The students' scores in a column (1 … Cols − 1).
    FieldSample sample(int column) const;
    // The same scores, in row order, without a copy.
    const std::vector<double> &columnScores(int column) const;
    // preselects(scores of the column, fullMarks), evaluating no more of a formula column than it
    // takes.
    bool preselects(int column, int fullMarks) const;
    // Evaluates now the formula columns whose scores all lie within 0 … fullMarks, stopping in the
    // others at their first score beyond: what a preselection under those full marks reads.
    void readColumnsWithin(int fullMarks) const;
    // The columns analysed unless the teacher chooses otherwise (see preselects), in table order.
    QList<int> preselectedColumns(const AnalysisOptions &options) const;
    // The figures of the given columns, in the order given.
    AnalysisResult analyse(const QList<int> &columns, const AnalysisOptions &options) const;

private:
    TableAnalysis(table::Grid grid, const QString &dataFormat, QString title, formula::Calculator &calc);
    // The display value of a formula cell of a grid kept unevaluated.
    QString formulaValue(int row, int column) const;
    // Reads a column still to be read, every student's display value in row order; with
    // `fullMarks`, stops (false, still to be read) at the first score outside 0 … fullMarks.
    bool readPending(int column, std::optional<int> fullMarks) const;

    table::Grid m_values; // evaluated, or kept as it is while columns are evaluated one at a time
    QString m_format;
    QString m_title;
    formula::Calculator *m_calc;
    std::vector<int> m_students;
    // Each column's scores in row order (index 0 unused); a column still to be evaluated is
    // marked in m_pending.
    mutable std::vector<std::vector<double>> m_scores;
    mutable std::vector<bool> m_pending;
};

} // namespace analysis
