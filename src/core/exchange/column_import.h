#pragma once
// 从CSV文件导入到该列: fills one column from a CSV or text file, one value per data row.
#include <QByteArrayView>
#include <QString>

namespace ui {
class Prompter;
}
namespace table {
class GradeTable;
}

namespace exchange {

// Puts the values of the file's bytes into rows 1, 2, … of column `col`; values beyond the last
// row are ignored, rows without a value keep their text. The caller has begun the change. Returns
// the number of cells filled; *ignored, when given, counts the values past the last row.
int importColumn(table::GradeTable &table, int col, QByteArrayView csv, qsizetype *ignored = nullptr);

// The same from a file: a CSV or text file as above, or an .xlsx/.xls workbook (by its name or its
// first bytes), whose first sheet's column A from row 1 down gives one value per row, an empty
// cell an empty value. Unreadable when the file cannot be read, BadWorkbook for a damaged one;
// nothing is changed then.
enum class ColumnFile { Imported, Unreadable, BadWorkbook };
ColumnFile importColumnFile(table::GradeTable &table, int col, const QString &path, int *filled,
                            qsizetype *ignored = nullptr);

// menuImportCVS on the column at the end of the selection: the question, the open dialog, the
// undo snapshot, the import and "已导入 N 个数值，忽略 M 个。". A file that cannot be read changes
// nothing and says nothing; a damaged workbook says "文件格式不正确!".
// True when the table was changed.
bool menuImportCVS(table::GradeTable &table, ui::Prompter &prompter);

} // namespace exchange
