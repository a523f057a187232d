#pragma once
// scorvane-cli commands of find and replace:
//   find FILE.gdt TEXT [--contains]    the results menu menuZD, one caption per line: entry 0
//                                      (the summary, or "(空)") and entries 1 … N; the file is not
//                                      changed
//   replace FILE.gdt FROM TO [--whole] [--out OUT.gdt]
//                                      replaces in every data cell; prints the number of cells
//                                      changed once the table is written
#include "cli/cli_support.h"

namespace table::cli {

int runFindCommand(Context &ctx, Args args);
int runReplaceCommand(Context &ctx, Args args);

} // namespace table::cli
