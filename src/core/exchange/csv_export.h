#pragma once
// The table as comma-separated text for spreadsheet programs (保存为CSV文件): the title alone on
// the first line, then one line per grid row, each cell (row numbers and header included) preceded
// by a comma, formula cells as their values, and a final empty line; GBK with CR LF.
#include "core/base/csv_text.h"

#include <QByteArray>
#include <QString>

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
}
namespace table {
class GradeTable;
}
namespace formula {
class Calculator;
}

namespace exchange {

// A value as one CSV field (base/csv_text.h).
using base::csvField;

// The whole CSV file for a table.
QByteArray csvBytes(const table::GradeTable &table, formula::Calculator &calc);

// Writes the CSV file to `path` (beside it, then renamed over an old one) with the program's
// message for success or failure. True when written.
bool writeCsvFile(const table::GradeTable &table, const QString &path, formula::Calculator &calc,
                  ui::Prompter &prompter);

// menuSaveCVS: the save dialog ("*.csv"), then writeCsvFile.
bool menuSaveCVS(const table::GradeTable &table, base::Workspace &ws, ui::Prompter &prompter);

} // namespace exchange
