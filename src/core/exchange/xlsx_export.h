#pragma once
// 保存为Excel文件 (menuSaveXLSX): the table as one worksheet of an .xlsx workbook, written by
// libxlsxwriter in its constant-memory mode. The grid as the CSV export writes it (row 0 the field
// names, column 0 the row numbers with an empty corner, values from the evaluated copy), but
// typed: a value that is a number by the sort's rule and is written as that number's shortest
// form becomes a number cell, everything else (学号 "001", "80.0", formula errors) a text cell.
#include "core/ui/outcome.h"

#include <QString>
#include <optional>

namespace base {
class Workspace;
}
namespace table {
class GradeTable;
}
namespace formula {
class Calculator;
}

namespace exchange {

// The number a value stands for when it is written as a number cell: it reads as a number by
// the sort's rule (table::sortNumber) and is exactly shortestNumberText of that number, so reading
// the workbook back gives the same characters.
std::optional<double> workbookNumber(QStringView value);

// The worksheet's name for a table title: `[]:*?/\` (and an apostrophe at either end, which the
// spreadsheet programs refuse) as "_", at most 31 characters, "Sheet1" when empty.
QString sheetNameForTitle(const QString &title);

struct WorkbookExportRequest {
    QString path;
    unsigned agreed = 0;
};
// The question answered by replacing an existing file ("确实覆盖原有数据么？").
inline constexpr unsigned kReplaceWorkbook = 1;

// Writes the workbook beside `path` and renames it over the old file; asks kReplaceWorkbook when
// the file exists. Done with the success message, Refused ("表格过大，无法完成该操作。") for a table
// wider than a worksheet's 16,384 columns, or Failed with "文件保存失败！…".
ui::Outcome exportWorkbook(const table::GradeTable &table, formula::Calculator &calc,
                           const WorkbookExportRequest &request);

// menuSaveXLSX: the save dialog ("*.xlsx"), then exportWorkbook through ui::settle.
bool menuSaveXLSX(const table::GradeTable &table, base::Workspace &ws, ui::Prompter &prompter);

} // namespace exchange
