#include "formula/cell_formula.h"

#include "formula/calculate.h"
#include "formula/number_format.h"
#include "ui/prompter.h"

#include <algorithm>

namespace formula {

namespace {
const QString kFormulaError = QStringLiteral("公式错误");
const QString kReferenceError = QStringLiteral("引用错误");

// The row or column of a reference: "?" for the formula cell's own (only exactly that, as in
// "(?," and ",?)"), otherwise a whole number with spaces allowed around it.
bool readIndex(QStringView text, int own, int *out)
{
    if (text == u"?") {
        *out = own;
        return true;
    }
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        return false;
    *out = v;
    return true;
}

// The next "cell" in any letter case from `from`, or -1. Hand-written: Qt's case-insensitive
// search folds every character and is several times slower on this hot path.
qsizetype findCell(QStringView text, qsizetype from)
{
    auto lower = [](char16_t ch) { return ch >= u'A' && ch <= u'Z' ? char16_t(ch + 32) : ch; };
    const char16_t *d = text.utf16();
    for (qsizetype i = from, last = text.size() - 4; i <= last; ++i)
        if (lower(d[i]) == u'c' && lower(d[i + 1]) == u'e' && lower(d[i + 2]) == u'l' && lower(d[i + 3]) == u'l')
            return i;
    return -1;
}

bool onlySpaces(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return ch == QLatin1Char(' '); });
}
// Replaces every formula cell by its display value, row by row from the top, each row from the left.
void evaluateInPlace(table::Grid &g, const QString &dataFormat, Calculator &calc)
{
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c)
            if (isFormula(g.TextMatrix(r, c)))
                g.setTextMatrix(r, c, 公式2值(g, r, c, dataFormat, calc));
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
    for (;;) {
        const qsizetype at = findCell(view, pos);
        if (at < 0)
            break;
        out += view.mid(pos, at - pos);
        const qsizetype open = at + 4;
        if (open >= view.size() || view.at(open) != QLatin1Char('('))
            return kFormulaError;
        const qsizetype comma = view.indexOf(QLatin1Char(','), open + 1);
        const qsizetype close = comma < 0 ? -1 : view.indexOf(QLatin1Char(')'), comma + 1);
        int r = 0, c = 0;
        if (close < 0 || !readIndex(view.mid(open + 1, comma - open - 1), row, &r) ||
            !readIndex(view.mid(comma + 1, close - comma - 1), col, &c))
            return kFormulaError;
        if (r < 0 || c < 0 || r >= grid.Rows() || c >= grid.Cols())
            return kFormulaError;
        const QString text = grid.TextMatrix(r, c);
        if (isFormula(text))
            return kFormulaError;
        if (onlySpaces(text))
            out += QLatin1Char('0');
        else
            out += text;
        // Beyond this the evaluator refuses the text anyway; stopping here keeps a formula that
        // references a huge cell many times from growing without bound.
        if (out.size() > Calculator::MaxExpressionLength)
            return kFormulaError;
        pos = close + 1;
    }
    out += view.mid(pos);
    *ok = true;
    return out;
}

QString 公式2值(const table::Grid &grid, int row, int col, const QString &dataFormat, Calculator &calc)
{
    const QString text = grid.TextMatrix(row, col);
    if (!isFormula(text))
        return text;
    bool ok = false;
    // References match without regard to case and the evaluator reads names in any case, so the
    // body needs no lower-casing.
    const QString expanded = expandReferences(grid, row, col, text.mid(kFormulaMarker.size()), &ok);
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
    t.beginChange();
    table::GridBulk bulk(t.成绩表);
    evaluateInPlace(t.成绩表, t.DataFormat, calc);
    return true;
}

table::Grid evaluatedCopy(const table::GradeTable &t, Calculator &calc)
{
    table::Grid copy = t.成绩表;
    evaluateInPlace(copy, t.DataFormat, calc);
    return copy;
}

QString resultLabel(const QString &text, const table::Grid &grid, const QString &dataFormat, Calculator &calc)
{
    if (!isFormula(text))
        return QStringLiteral("非公式单元格");
    return QLatin1Char('=') + 公式2值(grid, grid.Row(), grid.Col(), dataFormat, calc);
}

} // namespace formula
