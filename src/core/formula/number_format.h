#pragma once
// Number texts of formula results: the general text of a double, and the digit patterns of the
// table's data format ("###.##", "###.000", …) applied to such a text.
#include <QString>

namespace formula {

// The general number-to-text conversion of the evaluator: at most 15 significant digits, "." as
// decimal point, no grouping; plain notation for magnitudes from 1E-04 up to below 1E+15 and
// exponent notation outside that range ("1E+15", "1.5E-05", "-1.23456789012346E+17").
QString numberText(double value);
// The number numberText(value) stands for: the value rounded to 15 significant digits.
double numberTextValue(double value);

// Applies a digit pattern to a number text: "#" an optional digit, "0" a required digit, the
// first "." the decimal point, "," in the integer part thousands grouping. The value is rounded
// half away from zero to the pattern's decimals. As with the classic pattern formatting a "."
// in the pattern is always written, so 85 with "###.##" gives "85." and 0 gives ".". A text that
// is not a number comes back unchanged; a pattern with any other character, a second ".", or
// no character at all gives the number text unchanged.
QString formatNumber(const QString &numberText, const QString &pattern);

// A formula's display value: the result text formatted with the data format, then one trailing
// "." removed (85 with "###.##" gives "85", 0 gives the empty text).
QString formatResult(const QString &resultText, const QString &dataFormat);
// formatResult(numberText(value), dataFormat), without the texts in between.
QString formatValue(double value, const QString &dataFormat);

} // namespace formula
