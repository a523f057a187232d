#pragma once
// Reading the sheets of spreadsheet workbooks as text cells: .xlsx through our own reader over
// libzip and our XmlScanner (xlsx_reader.cpp), the binary .xls of BIFF8 (Excel 97 to 2003)
// through our own reader (biff_reader.cpp over compound_file.cpp), an older BIFF through FreeXL
// (xls_reader.cpp). Our readers give every cell the text a teacher would type for it: numbers in
// their shortest form at 15 significant digits, dates as "YYYY-MM-DD" (with the time
// "YYYY-MM-DD HH:MM:SS"), booleans "是"/"否", a formula its cached result, a merged area only in
// its top-left cell. Empty cells are left out, so trailing empty rows and columns never count,
// whatever the file's dimension record claims.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <type_traits>
#include <vector>

namespace exchange {

// Sheet rows and columns beyond this are refused: the table has one row for the field names and
// one column for the row numbers besides, and holds 32,767 of each.
inline constexpr int kMaxSheetIndex = 32'766;
// A cell's text is cut at the length a table cell may have.
inline constexpr qsizetype kMaxCellText = 32'766;

// Cuts a cell's text at kMaxCellText characters, one less where the cut would split a character
// written as two UTF-16 units.
inline void cutToCellText(QString &text)
{
    if (text.size() <= kMaxCellText)
        return;
    text.truncate(text.at(kMaxCellText - 1).isHighSurrogate() ? kMaxCellText - 1 : kMaxCellText);
}

enum class WorkbookError {
    None,
    Unreadable, // the file could not be read at all (missing, not a regular file)
    BadFormat,  // not a workbook, damaged, truncated, hostile or over the limits
    NoSheet,    // the sheet asked for does not exist
};

struct SheetCell {
    int row = 0; // 0-based: sheet row 1 is 0
    int col = 0; // 0-based: column A is 0
    QString text;
};

struct SheetCells {
    std::vector<SheetCell> cells; // non-empty cells only, in no particular order
    int rows = 0;                 // one past the last row that holds a cell
    int cols = 0;                 // one past the last column that holds a cell
};

enum class WorkbookKind { NotWorkbook, Xlsx, Xls };
// By the first bytes: a ZIP archive is an .xlsx, a compound document an .xls.
WorkbookKind workbookKind(QByteArrayView head);
// By the file's name: ".xlsx" and ".xls" in any case.
bool hasWorkbookName(const QString &path);

// The sheets' names in workbook order.
WorkbookError workbookSheetNames(const QString &path, QStringList *names);
// Sheet `index` (0-based, workbook order).
WorkbookError readWorkbookSheet(const QString &path, int index, SheetCells *out);

// The .xlsx reader on the file's bytes (fuzzed as such).
WorkbookError xlsxSheetNames(const QByteArray &file, QStringList *names);
WorkbookError readXlsxSheet(const QByteArray &file, int index, SheetCells *out);
// The .xls reader on the file's bytes (fuzzed as such): BIFF8 only, an older BIFF is BadFormat.
WorkbookError xlsSheetNames(const QByteArray &file, QStringList *names);
WorkbookError readXlsSheet(const QByteArray &file, int index, SheetCells *out);
// The .xls reader on a file: BIFF8 as above, an older BIFF through FreeXL in a child process.
WorkbookError xlsSheetNames(const QString &path, QStringList *names);
WorkbookError readXlsSheet(const QString &path, int index, SheetCells *out);

// Whether `text` is already what shortestNumberText gives for the number it spells: "-"?, an
// integer part without leading zeros, a fraction without trailing zeros, at most 15 significant
// digits, no exponent, not "-0", and not below 1e-5. Such a text is the only one its number
// rounds to at 15 digits, so it can stand for the number unread.
template <typename View> bool isShortestNumberText(View text)
{
    const auto unit = [&](qsizetype i) -> char16_t {
        if constexpr (std::is_same_v<View, QStringView>)
            return text[i].unicode();
        else
            return char16_t(uchar(text[i]));
    };
    const auto isDigit = [&](qsizetype i) { return i < text.size() && unit(i) >= u'0' && unit(i) <= u'9'; };
    qsizetype i = 0;
    const bool negative = text.size() > 0 && unit(0) == u'-';
    if (negative)
        ++i;
    const qsizetype intStart = i;
    while (isDigit(i))
        ++i;
    const qsizetype intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && unit(intStart) == u'0'))
        return false;
    const bool zeroInt = unit(intStart) == u'0';
    qsizetype fracDigits = 0, leadingZeros = 0;
    if (i < text.size() && unit(i) == u'.') {
        const qsizetype fracStart = ++i;
        while (isDigit(i))
            ++i;
        fracDigits = i - fracStart;
        if (fracDigits == 0 || unit(i - 1) == u'0')
            return false;
        if (zeroInt)
            while (leadingZeros < fracDigits && unit(fracStart + leadingZeros) == u'0')
                ++leadingZeros;
    }
    if (i != text.size())
        return false;
    if (zeroInt && fracDigits == 0)
        return !negative;
    // Below 1e-5 the shortest form has an exponent.
    return leadingZeros <= 4 && (zeroInt ? fracDigits - leadingZeros : intDigits + fracDigits) <= 15;
}

// A number as the converter writes it: the shortest text that reads back as the value rounded to
// 15 significant digits (85, 90.5, 0.1), in plain digits between 1e-5 and 1e15.
QString shortestNumberText(double value);
// A spreadsheet date serial (days since 1899-12-30, or since 1904-01-01 when `from1904`) as
// "YYYY-MM-DD", with the time "YYYY-MM-DD HH:MM:SS"; nullopt outside the years 1900 to 9999.
std::optional<QString> serialDateText(double serial, bool from1904, bool withTime);

} // namespace exchange
