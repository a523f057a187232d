#pragma once
// Every command of the program's table windows and main window, from every subsystem.
#include "table/command.h"

table::CommandRegistry programCommands();
