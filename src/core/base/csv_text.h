#pragma once
// One value as a field of comma-separated text, shared by every writer of CSV files (the table's
// CSV export, the grade analysis) and the readers that take the guard away again.
#include <QString>

namespace base {

// Spreadsheets run a value that begins with =, +, -, @, TAB or CR as a formula, so such a value
// that is no number is written with a leading apostrophe; a value that already has apostrophes
// before such a character gets one more, so that reading takes exactly one away again.
QString csvGuarded(const QString &value);
// The value as it was before csvGuarded.
QString csvUnguarded(const QString &value);

// A value as one CSV field: in double quotes with inner quotes doubled when it holds a comma, a
// double quote, CR or LF (the columns would shift otherwise); any other value exactly as it is.
// A value a spreadsheet would run as a formula gets its apostrophe first (csvGuarded).
QString csvField(const QString &value);

} // namespace base
