#pragma once
// scorvane-cli stats: the grade analysis on the command line.
//   stats FILE.gdt [--fields F[,F…]] [--full N] [--full FIELD=N]… [--pass P] [--excellent E]
//         [--low L] [--band W] [--pdf OUT.pdf]
//   stats --grade GRADEPATH NAME [the same options]
// The first prints the figures table, an empty line and the band table; the second the class
// summary of the table NAME over the grade, its notes on stderr. Nothing is written but the PDF.
#include "cli/cli_support.h"

namespace analysis {

int runStatsCommand(table::cli::Context &ctx, table::cli::Args args);

} // namespace analysis
