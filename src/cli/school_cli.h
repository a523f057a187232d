#pragma once
// scorvane-cli commands of the school tree:
//   school show                        one line per tree node: key TAB path ("/" between names)
//   school tables PATH [--proposed]    the class's tables (names without ".gdt"), or the proposed
//                                      name of a new one
//   new-table PATH NAME [--title T] [--class-size N] [--teacher X] [--class-info Y]
//             [--decimals N [--pad]] [--template NAME]
//                                      creates a table in a class as the wizard does
#include "cli/cli_support.h"

namespace shell {

int runSchoolCommand(table::cli::Context &ctx, table::cli::Args args);
int runNewTableCommand(table::cli::Context &ctx, table::cli::Args args);

} // namespace shell
