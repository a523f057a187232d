#pragma once
// Bringing another table's data into the open table: the whole-table append (导入整张表格, ImpData)
// and the column fill of the import dialog (导入选定数据到指定位置), in order or matched by a key
// field (对号入座). Source tables are read by the one table reader.
#include "core/table/grade_table.h"
#include "core/table/table_file.h"

#include <QString>

namespace base {
class Progress;
}
namespace ui {
class Prompter;
}

namespace exchange {

// Appends the students of `source` below those of `table`: source row k (k ≥ 1) becomes row
// old Rows − 1 + k, its header row is skipped by position. Cells are taken by position up to the
// target's column count; a cell equal to the target's field name of its column is not copied.
// Column 0 is renumbered. Refused with a message when the table would pass 32,767 rows.
// Begins the change only when rows are added; true then.
bool appendTable(table::GradeTable &table, const table::Grid &source, ui::Prompter &prompter);

// ImpData: appends the table file name + ".gdt" (name a full path without extension). A blank
// name or a missing file ends silently; unpack and format failures with the loader's messages.
// Status "文件导入中..." meanwhile. True when the table was changed.
bool ImpData(table::GradeTable &table, const QString &name, table::TableFile &files, ui::Prompter &prompter,
             base::Progress &progress);

// menuImportAll: the notice, the open dialog ("导入表格文件", "*.gdt") and ImpData.
bool menuImportAll(table::GradeTable &table, table::TableFile &files, ui::Prompter &prompter, base::Progress &progress);

// The import dialog's source: the table file at `path` unpacked with `password`. On failure the
// dialog's messages are shown: "文件打开失败！请确认文件格式正确。" or "文件格式不正确!".
enum class SourceLoad { Ok, OpenFailed, BadFormat };
SourceLoad loadImportSource(table::TableFile &files, const QString &path, const QString &password,
                            table::GradeTable &source, ui::Prompter &prompter);

// What the import dialog collected: grid columns of the target and the source (≥ 1), and with
// matching the key columns of both.
struct FillRequest {
    int targetCol = 0;
    int sourceCol = 0;
    bool match = false;
    int targetKey = 1;
    int sourceKey = 1;
};

// Fills the target column from the source column. Without matching, rows 1 … n in order, n the
// smaller data-row count. With matching, each target row takes the source row whose key is exactly
// equal (case-sensitive, untrimmed, empty matches empty; the first source row wins); a row without
// a match keeps its cell. Reports progress by target row when given. Returns the cells written.
int fillColumn(table::Grid &target, const table::Grid &source, const FillRequest &request,
               base::Progress *progress = nullptr);

} // namespace exchange
