#pragma once
// What the .xlsx and .xls readers share besides the public interface: the limits of a sheet, the
// rule that tells a date by its number format, and the merged areas.
#include "core/exchange/workbook_reader.h"

#include <QStringView>
#include <vector>

namespace exchange {

// More non-empty cells than this cannot become a table (converters.h, kMaxConvertedCells).
inline constexpr size_t kMaxCells = 4'194'304;
// All cell texts of a sheet together: a shared string is stored once but copied into every cell
// that names it, so a small file could otherwise ask for any amount of memory.
inline constexpr qint64 kMaxSheetText = qint64(64) << 20;
inline constexpr size_t kMaxMerges = 4'194'304;

// Whether a number format shows a date: y or d outside quotes, escapes and brackets; with a time
// when it also has h or s.
enum class DateKind : quint8 { None, Date, DateTime };
DateKind customFormatKind(QStringView code);
DateKind builtInFormatKind(int id);

// A number cell's text: the date when its format shows one and the serial is a date, else the
// number.
QString numberCellText(double value, DateKind kind, bool from1904);

struct Merge {
    int top, left, bottom, right;
};

// A sheet as its reader finds it, under the limits every workbook reader keeps. `add` and `merge`
// are false for what refuses the file: a cell or merged area past the table's rows or columns,
// more cells than kMaxCells, more text than kMaxSheetText, more areas than kMaxMerges.
class SheetBuilder {
public:
    // The cell's text cut as a table cell's; an empty text adds nothing (but its place is checked).
    bool add(int row, int col, QString text);
    // A merged area, its corners in either order.
    bool merge(Merge m);
    // The sheet: every cell inside a merged area but its top-left one dropped, rows and columns
    // one past the last cell kept.
    void finish(SheetCells *out);

private:
    std::vector<SheetCell> m_cells;
    std::vector<Merge> m_merges;
    qint64 m_text = 0;
};

} // namespace exchange
