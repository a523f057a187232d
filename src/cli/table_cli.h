#pragma once
// scorvane-cli show, save-as and calc: a table as text, a table saved again, an expression.
#include "cli/cli_support.h"

namespace table::cli {

int runShowCommand(Context &ctx, Args args);
int runSaveAsCommand(Context &ctx, Args args);
int runCalcCommand(Context &ctx, Args args);

} // namespace table::cli
