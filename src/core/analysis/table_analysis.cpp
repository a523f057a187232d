#include "core/analysis/table_analysis.h"

#include "core/base/csv_text.h"
#include "core/base/text_codec.h"
#include "core/formula/cell_formula.h"
#include "core/table/grade_table.h"
#include "core/table/sort_rows.h"

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
    : TableAnalysis(formula::evaluatedCopy(table, calc), table.title)
{
}

TableAnalysis::TableAnalysis(table::GradeTable &&table, formula::Calculator &calc)
    : TableAnalysis(formula::evaluated(std::move(table.grid), table.numberFormat, calc), table.title)
{
}

TableAnalysis::TableAnalysis(table::Grid values, QString title) : m_values(std::move(values)), m_title(std::move(title))
{
    // One pass in the grid's own order (row by row) reads every score: a column at a time would
    // touch the cells far apart.
    const int cols = m_values.Cols();
    m_scores.resize(size_t(std::max(cols, 1)));
    for (int r = 1; r < m_values.Rows(); ++r) {
        bool student = false;
        for (int c = 1; c < cols; ++c) {
            const QString &text = m_values.cellText(r, c);
            if (text.isEmpty())
                continue;
            const std::optional<double> x = table::sortNumber(text);
            if (x && std::isfinite(*x)) {
                m_scores[size_t(c)].push_back(*x);
                student = true;
            } else if (!student && !isBlankText(text)) {
                student = true;
            }
        }
        if (student)
            m_students.push_back(r);
    }
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
        s.scores = m_scores[size_t(column)];
    return s;
}

QList<int> TableAnalysis::preselectedColumns(const AnalysisOptions &o) const
{
    QList<int> columns;
    for (int c = 1; c < m_values.Cols(); ++c)
        if (preselects(sample(c), o.fullMarksOf(m_values.cellText(0, c).trimmed())))
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
