#pragma once
// Every command of the program's table windows and main window, from every subsystem.
#include "core/table/command.h"

namespace ui {
class SettingsStore;
}

// `settings` (the font dialog writes to it) must outlive the commands.
table::CommandRegistry programCommands(ui::SettingsStore &settings);
