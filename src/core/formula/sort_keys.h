#pragma once
// The sort keys of a table's field: the display value of each cell of the column (a formula cell's
// result), all computed before any row moves, so a formula that refers to other rows sorts by the
// value it showed.
#include "core/table/grade_table.h"

#include <QStringList>

namespace base {
class Workspace;
}

namespace formula {

// One display value per grid row 0 … Rows − 1 of column `col`.
QStringList columnDisplayValues(const table::GradeTable &t, int col, base::Workspace &ws);

} // namespace formula
