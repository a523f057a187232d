#pragma once
// How a cell says it holds a formula: its text starts with the marker "！公式：" and the rest is
// the formula's body. Evaluating it is the formula folder's work; the table only tells them apart.
#include <QString>

namespace table {

inline const QString kFormulaMarker = QStringLiteral("！公式：");

inline bool isFormula(const QString &text)
{
    return text.startsWith(kFormulaMarker);
}

// The formula bar's text after its check box "公式" was set to `checked`.
inline QString applyFormulaCheck(const QString &text, bool checked)
{
    if (checked && !isFormula(text))
        return kFormulaMarker + text;
    if (!checked && isFormula(text))
        return text.mid(kFormulaMarker.size());
    return text;
}

} // namespace table
