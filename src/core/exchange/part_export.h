#pragma once
// 导出表格指定数据: a chosen subset of the table's fields and students saved as a new table file,
// titled with the table's title + " 导出表". Formula cells go out as their values, since their
// references would point at other fields in the smaller table.
#include "core/table/grade_table.h"

#include <QList>
#include <QString>
#include <functional>

namespace ui {
class Prompter;
}
namespace formula {
class Calculator;
}
namespace table {
class TableFile;
}

namespace exchange {

// The new table: grid columns `fields` and grid rows `rows` of `source` (each ≥ 1, taken in
// ascending order, duplicates once), with the header row and the row-number column.
table::GradeTable partTable(const table::GradeTable &source, QList<int> fields, QList<int> rows,
                            formula::Calculator &calc);

enum class PartExport {
    Written,   // the file was written
    NoField,   // "请至少选择一个要导出的项目！"
    InUse,     // "该文件正在使用中，请选择其他文件名。"
    NotWritten // cancelled, overwrite declined, or the save failed (with its message)
};

// Writes the part to `path` (a ".gdt" file) through the table saver (overwrite question, atomic
// write, the user's table password). `inUse` tells whether a table file (path without ".gdt") is
// open; such a target is refused.
PartExport exportPart(const table::GradeTable &source, const QList<int> &fields, const QList<int> &rows,
                      const QString &path, table::TableFile &files, ui::Prompter &prompter, formula::Calculator &calc,
                      const std::function<bool(const QString &)> &inUse);

// The dialog's 确定(&O): no field, no student ("请至少选择一名要导出的学生！"; the command line may
// still write the header alone), the save dialog ("*.gdt"), the export, then
// "文件保存完毕，是否现在打开？" and `open` on Yes. True when the dialog is to close.
bool confirmPartExport(const table::GradeTable &source, const QList<int> &fields, const QList<int> &rows,
                       table::TableFile &files, ui::Prompter &prompter, formula::Calculator &calc,
                       const std::function<bool(const QString &)> &inUse,
                       const std::function<void(const QString &)> &open);

} // namespace exchange
