#pragma once
// The table window's own commands: saving, undo and the Edit menu.
#include "table/command.h"

namespace table {

void registerTableCommands(CommandRegistry &registry);

} // namespace table
