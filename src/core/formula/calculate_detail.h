#pragma once
// What the evaluator and its compiled programs share beyond the class: the error text, the
// constant pi and the reading of digits.
#include <QString>

namespace formula::detail {

extern const QString FormulaError;

// The constant the evaluator has always used: 15 significant digits, not the full-precision value.
inline constexpr double Pi = 3.14159265358979;

inline bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Converts a run of digits with at most one "." (at least one digit, or the caller accepts "."
// alone as 0). Returns false when the value is too large for a double.
bool convertDigits(const char16_t *text, qsizetype length, double &value);

} // namespace formula::detail
