#pragma once
// scorvane-cli formula FILE.gdt OP R1,C1 R2,C2 --at R,C: the formula the formula editor builds for
// the cells from R1,C1 to R2,C2 with the target cell R,C, and its value there.
#include "cli/cli_support.h"

namespace formula {

int runFormulaCommand(table::cli::Context &ctx, table::cli::Args args);

} // namespace formula
