#pragma once
// The formula commands of the table window (检查所有公式有效性, 计算所有公式, 设置该公式为本列公式)
// and the evaluator as the table window sees it.
#include "core/table/command.h"

namespace formula {

void registerFormulaCommands(table::CommandRegistry &registry);

} // namespace formula
