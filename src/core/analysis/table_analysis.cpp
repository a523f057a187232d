#include "core/analysis/table_analysis.h"

#include "core/base/csv_text.h"
#include "core/base/text_codec.h"
#include "core/formula/cell_formula.h"
#include "core/table/grade_table.h"
#include "core/table/sort_rows.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

bool isBlankText(const QString &text)
{
    for (QChar c : text)
        if (!c.isSpace())
            return false;
    return true;
}

} // namespace

QString tabText(const QList<Sheet> &sheets)
{
    QString text;
    for (qsizetype s = 0; s < sheets.size(); ++s) {
        if (s > 0)
            text += QLatin1Char('\n');
        for (const QStringList &row : sheets[s]) {
            text += row.join(QLatin1Char('\t'));
            text += QLatin1Char('\n');
        }
    }
    return text;
}

QByteArray csvBytes(const QList<Sheet> &sheets)
{
    const QLatin1String lineEnd("\r\n");
    QString text;
    for (qsizetype s = 0; s < sheets.size(); ++s) {
        if (s > 0)
            text += lineEnd;
        for (const QStringList &row : sheets[s]) {
            for (qsizetype c = 0; c < row.size(); ++c) {
                if (c > 0)
                    text += QLatin1Char(',');
                text += base::csvField(row[c]);
            }
            text += lineEnd;
        }
    }
    return base::codec::encode(text);
}

Sheet AnalysisResult::figureSheet() const
{
    Sheet sheet{figureHeader()};
    for (const FieldFigures &f : fields)
        sheet << f.figureRow();
    return sheet;
}

Sheet AnalysisResult::bandSheet() const
{
    Sheet sheet{{QStringLiteral("科目"), QStringLiteral("分数段"), QStringLiteral("人数"), QStringLiteral("比例")}};
    for (const FieldFigures &f : fields)
        for (const ScoreBand &b : f.bands)
            sheet << QStringList{f.name, b.label, QString::number(b.count), rateText(b.count, f.scores)};
    return sheet;
}

Sheet AnalysisResult::bandSheet(int field) const
{
    Sheet sheet{{QStringLiteral("分数段"), QStringLiteral("人数"), QStringLiteral("比例")}};
    if (field < 0 || field >= fields.size())
        return sheet;
    const FieldFigures &f = fields[field];
    for (const ScoreBand &b : f.bands)
        sheet << QStringList{b.label, QString::number(b.count), rateText(b.count, f.scores)};
    return sheet;
}

ChartBars AnalysisResult::bandChart(int field) const
{
    ChartBars chart;
    if (field < 0 || field >= fields.size())
        return chart;
    const FieldFigures &f = fields[field];
    chart.field = f.name;
    chart.title = f.name + QStringLiteral("分数段");
    for (const ScoreBand &b : f.bands) {
        chart.labels << b.label;
        chart.values << b.count;
    }
    return chart;
}

TableAnalysis::TableAnalysis(const table::GradeTable &table, formula::Calculator &calc)
    : TableAnalysis(table.grid, table.numberFormat, table.title, calc)
{
}

TableAnalysis::TableAnalysis(table::GradeTable &&table, formula::Calculator &calc)
    : TableAnalysis(std::move(table.grid), table.numberFormat, table.title, calc)
{
}

TableAnalysis::TableAnalysis(table::Grid grid, const QString &dataFormat, QString title, formula::Calculator &calc)
    : m_format(dataFormat), m_title(std::move(title)), m_calc(&calc)
{
    // Field names that are formulas are rare enough to take the whole evaluation for.
    bool lazy = formula::formulasReferOnlyToPlainCells(grid, calc);
    for (int c = 1; lazy && c < grid.Cols(); ++c)
        lazy = !formula::isFormula(grid.cellText(0, c));
    m_values = lazy ? std::move(grid) : formula::evaluated(std::move(grid), dataFormat, calc);

    // One pass in the grid's own order (row by row) reads every plain score: a column at a time
    // would touch the cells far apart. A column with formulas is read whole when it is needed.
    const int cols = m_values.Cols();
    m_scores.resize(size_t(std::max(cols, 1)));
    m_pending.assign(size_t(std::max(cols, 1)), false);
    for (int c = 1; c < cols; ++c)
        m_scores[size_t(c)].reserve(size_t(std::max(m_values.Rows() - 1, 0)));
    for (int r = 1; r < m_values.Rows(); ++r) {
        bool student = false, formulas = false;
        for (int c = 1; c < cols; ++c) {
            const QString &text = m_values.cellText(r, c);
            if (text.isEmpty())
                continue;
            if (lazy && formula::isFormula(text)) {
                m_pending[size_t(c)] = true;
                formulas = true;
                continue;
            }
            const std::optional<double> x = table::sortNumber(text);
            if (x && std::isfinite(*x)) {
                m_scores[size_t(c)].push_back(*x);
                student = true;
            } else if (!student && !isBlankText(text)) {
                student = true;
            }
        }
        // A row of formulas alone (a 总分 filled into rows nobody typed) is a student only if one
        // of them shows something.
        for (int c = 1; !student && formulas && c < cols; ++c)
            student = formula::isFormula(m_values.cellText(r, c)) && !isBlankText(formulaValue(r, c));
        if (student)
            m_students.push_back(r);
    }
}

QString TableAnalysis::formulaValue(int row, int column) const
{
    return formula::displayValue(m_values, row, column, m_format, *m_calc);
}

bool TableAnalysis::readPending(int column, std::optional<int> fullMarks) const
{
    std::vector<double> read;
    read.reserve(m_students.size());
    for (int r : m_students) {
        const QString &text = m_values.cellText(r, column);
        const std::optional<double> x = table::sortNumber(formula::isFormula(text) ? formulaValue(r, column) : text);
        if (!x || !std::isfinite(*x))
            continue;
        if (fullMarks && (*x < 0 || *x > *fullMarks))
            return false;
        read.push_back(*x);
    }
    m_scores[size_t(column)] = std::move(read);
    m_pending[size_t(column)] = false;
    return true;
}

const std::vector<double> &TableAnalysis::columnScores(int column) const
{
    static const std::vector<double> none;
    if (column < 1 || column >= m_values.Cols())
        return none;
    if (m_pending[size_t(column)])
        readPending(column, std::nullopt);
    return m_scores[size_t(column)];
}

bool TableAnalysis::preselects(int column, int fullMarks) const
{
    if (column < 1 || column >= m_values.Cols())
        return false;
    // A column still to be read stops at its first score beyond the full marks (a 总分 at its
    // first student), left to be read whole if it is chosen all the same.
    if (m_pending[size_t(column)] && !readPending(column, fullMarks))
        return false;
    return analysis::preselects(m_scores[size_t(column)], fullMarks);
}

QStringList TableAnalysis::fieldNames() const
{
    QStringList names;
    for (int c = 1; c < m_values.Cols(); ++c)
        names << m_values.cellText(0, c).trimmed();
    return names;
}

int TableAnalysis::fieldColumn(const QString &name) const
{
    const QString wanted = name.trimmed();
    for (int c = 1; c < m_values.Cols(); ++c)
        if (m_values.cellText(0, c).trimmed() == wanted)
            return c;
    return -1;
}

FieldSample TableAnalysis::sample(int column) const
{
    FieldSample s;
    s.students = students();
    if (column >= 1 && column < m_values.Cols())
        s.scores = columnScores(column);
    return s;
}

void TableAnalysis::readColumnsWithin(int fullMarks) const
{
    for (int c = 1; c < m_values.Cols(); ++c)
        if (m_pending[size_t(c)])
            preselects(c, fullMarks);
}

QList<int> TableAnalysis::preselectedColumns(const AnalysisOptions &o) const
{
    QList<int> columns;
    for (int c = 1; c < m_values.Cols(); ++c)
        if (preselects(c, o.fullMarksOf(m_values.cellText(0, c).trimmed())))
            columns << c;
    return columns;
}

AnalysisResult TableAnalysis::analyse(const QList<int> &columns, const AnalysisOptions &o) const
{
    AnalysisResult result;
    result.title = m_title;
    for (int c : columns)
        if (c >= 1 && c < m_values.Cols())
            result.fields << fieldFigures(m_values.cellText(0, c).trimmed(), sample(c), o);
    return result;
}

} // namespace analysis
