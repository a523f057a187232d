#pragma once
// The exchange commands of scorvane-cli, each running the same logic as its menu entry:
//   export-csv FILE.gdt OUT.csv
//   export-xlsx FILE.gdt OUT.xlsx
//   import-column FILE.gdt FIELD IN.csv|IN.xlsx|IN.xls [--out OUT.gdt]   prints the number of cells filled
//   import-table FILE.gdt SOURCE.gdt [--out OUT.gdt]
//   fill-column FILE.gdt FIELD SOURCE.gdt SFIELD [--match KEY SKEY] [--out OUT.gdt]
//   export-part FILE.gdt OUT.gdt --fields F[,F…] [--rows N[-M][,…]]
//   convert-csv IN.csv OUT.gdt [--title T] [--teacher X] [--class-info Y]
//   convert-dbf IN.dbf OUT.gdt [--title T] [--teacher X] [--class-info Y]
//   convert-xlsx IN.xlsx|IN.xls OUT.gdt [--sheet N|NAME] [--title T] [--teacher X] [--class-info Y]
//   convert-trial [--backup] FILE.gdt…
#include "cli/cli_support.h"

namespace exchange::cli {

int exportCsv(table::cli::Context &ctx, table::cli::Args args);
int importColumn(table::cli::Context &ctx, table::cli::Args args);
int importTable(table::cli::Context &ctx, table::cli::Args args);
int fillColumn(table::cli::Context &ctx, table::cli::Args args);
int exportPart(table::cli::Context &ctx, table::cli::Args args);
int convertCsv(table::cli::Context &ctx, table::cli::Args args);
int convertDbf(table::cli::Context &ctx, table::cli::Args args);
int exportXlsx(table::cli::Context &ctx, table::cli::Args args);
int convertXlsx(table::cli::Context &ctx, table::cli::Args args);
int convertTrial(table::cli::Context &ctx, table::cli::Args args);

} // namespace exchange::cli
