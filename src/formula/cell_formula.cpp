#include "formula/cell_formula.h"

#include "formula/calculate.h"
#include "formula/number_format.h"
#include "ui/prompter.h"

#include <algorithm>

namespace formula {

namespace {
const QString kFormulaError = QStringLiteral("公式错误");
const QString kReferenceError = QStringLiteral("引用错误");

// A whole number between `from` and `to` (exclusive) of `body`, spaces allowed around it.
bool readIndex(const QString &body, qsizetype from, qsizetype to, int *out)
{
    bool ok = false;
    const int v = QStringView(body).mid(from, to - from).trimmed().toInt(&ok);
    if (!ok)
        return false;
    *out = v;
    return true;
}
} // namespace

QString expandReferences(const table::Grid &grid, int row, int col, const QString &bodyIn, bool *ok)
{
    *ok = false;
    QString body = bodyIn;
    if (body.contains(QLatin1String("cell(?,?)")))
        return kReferenceError;
    body.replace(QLatin1String("(?,"), QLatin1Char('(') + QString::number(row) + QLatin1Char(','));
    body.replace(QLatin1String(",?)"), QLatin1Char(',') + QString::number(col) + QLatin1Char(')'));

    // One pass from left to right: an inserted cell text is never scanned again, so a cell that
    // holds the text of a reference cannot make the expansion run for ever.
    QString out;
    out.reserve(body.size() + 16);
    qsizetype pos = 0;
    for (;;) {
        const qsizetype at = body.indexOf(QLatin1String("cell"), pos);
        if (at < 0)
            break;
        out += QStringView(body).mid(pos, at - pos);
        const qsizetype open = at + 4;
        if (open >= body.size() || body.at(open) != QLatin1Char('('))
            return kFormulaError;
        const qsizetype comma = body.indexOf(QLatin1Char(','), open + 1);
        const qsizetype close = comma < 0 ? -1 : body.indexOf(QLatin1Char(')'), comma + 1);
        int r = 0, c = 0;
        if (close < 0 || !readIndex(body, open + 1, comma, &r) || !readIndex(body, comma + 1, close, &c))
            return kFormulaError;
        if (r < 0 || c < 0 || r >= grid.Rows() || c >= grid.Cols())
            return kFormulaError;
        const QString text = grid.TextMatrix(r, c);
        if (isFormula(text))
            return kFormulaError;
        if (std::all_of(text.begin(), text.end(), [](QChar ch) { return ch == QLatin1Char(' '); }))
            out += QLatin1Char('0');
        else
            out += text;
        pos = close + 1;
    }
    out += QStringView(body).mid(pos);
    *ok = true;
    return out;
}

QString 公式2值(const table::Grid &grid, int row, int col, const QString &dataFormat, Calculator &calc)
{
    const QString text = grid.TextMatrix(row, col);
    if (!isFormula(text))
        return text;
    bool ok = false;
    const QString expanded = expandReferences(grid, row, col, text.mid(kFormulaMarker.size()).toLower(), &ok);
    if (!ok)
        return expanded;
    return formatResult(calc.Calculate(expanded), dataFormat);
}

bool menuSetGStoLine(table::GradeTable &t, ui::Prompter &prompter)
{
    table::Grid &g = t.成绩表;
    const int c = g.ColSel();
    const QString h = g.TextMatrix(0, c);
    if (prompter.question(QStringLiteral("本操作将会覆盖第 ") + QString::number(c) + QStringLiteral(" 列(") + h +
                              QStringLiteral(")的所有数据，是否继续？"),
                          QStringLiteral("提示"), ui::Buttons::YesNo, ui::Icon::Question,
                          ui::Answer::Yes) != ui::Answer::Yes)
        return false;
    t.snapshotForUndo();
    const QString text = g.TextMatrix(g.RowSel(), c);
    table::GridBulk bulk(g);
    for (int r = 1; r < g.Rows(); ++r)
        g.setTextMatrix(r, c, text);
    return true;
}

bool menuCheckGS(table::GradeTable &t, Calculator &calc)
{
    t.snapshotForUndo();
    table::Grid &g = t.成绩表;
    table::GridBulk bulk(g);
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c)
            if (公式2值(g, r, c, t.DataFormat, calc) == kFormulaError)
                g.setTextMatrix(r, c, g.TextMatrix(r, c) + QStringLiteral("(公式错误)"));
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
    t.snapshotForUndo();
    table::Grid &g = t.成绩表;
    table::GridBulk bulk(g);
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c) {
            const QString cell = g.TextMatrix(r, c);
            if (isFormula(cell))
                g.setTextMatrix(r, c, 公式2值(g, r, c, t.DataFormat, calc));
        }
    return true;
}

QString applyFormulaCheck(const QString &text, bool checked)
{
    if (checked && !isFormula(text))
        return kFormulaMarker + text;
    if (!checked && isFormula(text))
        return text.mid(kFormulaMarker.size());
    return text;
}

QString resultLabel(const QString &text, const table::Grid &grid, const QString &dataFormat, Calculator &calc)
{
    if (!isFormula(text))
        return QStringLiteral("非公式单元格");
    return QLatin1Char('=') + 公式2值(grid, grid.Row(), grid.Col(), dataFormat, calc);
}

} // namespace formula
