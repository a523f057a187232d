#pragma once
// How a cell says it holds a formula: its text starts with the marker "！公式：" and the rest is
// the formula's body. Evaluating it is the formula folder's work; the table only tells them apart.
#include <QString>

namespace table {

inline const QString kFormulaMarker = QStringLiteral("！公式：");

inline bool isFormula(const QString &text)
{
    // Asked of every cell in table-wide passes: four characters compared in place.
    const QChar *d = text.constData();
    return text.size() >= 4 && d[0] == u'！' && d[1] == u'公' && d[2] == u'式' && d[3] == u'：';
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
