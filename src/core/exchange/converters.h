#pragma once
// The converters of foreign and older files into table files: CSV text, FoxPro/dBase DBF tables
// and trial-format tables (the table member as plain text under a ".gdt" name). The first two
// build a preview table that the converter dialogs show and save under a title, teacher and
// class information; the third packs trial files in place.
#include "core/table/grade_table.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace ui {
class Prompter;
}
namespace table {
class TableFile;
}

namespace exchange {

// The most cells a converted table may have: rows and columns stop at 32,767 each, and a file
// whose rows × columns would need more memory than any class table is cut there as well.
inline constexpr qint64 kMaxConvertedCells = 4'194'304;

struct Conversion {
    enum Status { Ok, TooLarge, ReadFailed, DbfFailed, BadWorkbook, NoSheet } status = Ok;
    int dbfError = 0; // with DbfFailed: the number shown after the message
    bool ok() const { return status == Ok; }
};

// CSV bytes as a table: record n is grid row n (row 0 the field names, "|" in them becomes "｜"),
// value k goes to column k, column 0 holds n (empty for row 0). Stops at the limits (TooLarge,
// with what fits).
Conversion csvToTable(QByteArrayView csv, table::GradeTable &out);
Conversion csvFileToTable(const QString &path, table::GradeTable &out);
// A DBF table: the field names in row 0, one row per record not marked deleted, in file order,
// row numbers in column 0.
Conversion dbfFileToTable(const QString &path, table::GradeTable &out);

// Sheet `sheet` (0-based) of an .xlsx or .xls workbook: sheet row 1 (the field names) is grid
// row 0 and each later row a grid row, column A grid column 1, B column 2, …, row numbers in
// column 0 (exchange/workbook_reader.h gives the cells' texts). BadWorkbook for a damaged or
// hostile file, NoSheet when the workbook has no such sheet.
Conversion workbookFileToTable(const QString &path, int sheet, table::GradeTable &out);

// The message for a failed or cut conversion: "文件格式不正确!" for the limits and bad workbooks,
// "数据库读取发生错误。错误代码：" + LF + number and its cause in parentheses for a DBF error
// ("3（文件头已损坏）"); nothing for a readable CSV.
void reportConversion(ui::Prompter &prompter, const Conversion &result);

// 转换保存: the converted table under its title, teacher and class information with the format
// "###.##", saved to `path` (".gdt") with the overwrite question and the saver's messages.
bool saveConverted(table::TableFile &files, table::GradeTable converted, const QString &title, const QString &teacher,
                   const QString &classInfo, const QString &path);

// Trial-format conversion of one file in place, with the messages of 转换试用版数据表. `backup`
// writes path + ".bak" first; a failed backup skips the file. The file is replaced only by a
// complete archive.
enum class TrialResult { Converted, NotTrial, BadFormat, BackupFailed, PackFailed };
TrialResult convertTrialFile(const QString &path, bool backup, table::TableFile &files, const QString &password,
                             ui::Prompter &prompter);
// Every file in order, then "转换完成。". Returns how many failed (not converted).
int convertTrialFiles(const QStringList &paths, bool backup, table::TableFile &files, const QString &password,
                      ui::Prompter &prompter);

} // namespace exchange
