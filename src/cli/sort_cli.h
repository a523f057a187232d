#pragma once
// scorvane-cli sort FILE.gdt FIELD [--desc] [--rank-into FIELD] [--out OUT.gdt]: sorts the
// students by FIELD (ascending unless --desc; formula cells by their values), renumbers them and
// writes the positions 1, 2, 3 … into the rank field.
#include "cli/cli_support.h"

namespace formula {

int runSortCommand(table::cli::Context &ctx, table::cli::Args args);

} // namespace formula
