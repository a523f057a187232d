#pragma once
// The table window's own commands: saving, undo and the Edit menu.
#include "core/table/command.h"

namespace table {

void registerTableCommands(CommandRegistry &registry);

// Where the choice of 显示公式结果 is remembered in the settings store.
inline const QString kViewSection = QStringLiteral("View");
inline const QString kShowResultsKey = QStringLiteral("ShowFormulaResults");

} // namespace table
