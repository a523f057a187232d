#pragma once
// scorvane-cli print: the pages 导出PDF or 打印 would send, with the print dialog's first options.
//   print FILE.gdt --pdf OUT.pdf [--page N | --row R] [--title T] [--footer T] [--no-teacher]
//         [--no-class-info] [--no-lines] [--no-fit] [--date YYYY-MM-DD]
//   print FILE.gdt --printer NAME [the same options]
//   print FILE.gdt --list-pages
// The table file is never changed.
#include "table/cli_support.h"

namespace print {

int runPrintCommand(table::cli::Context &ctx, table::cli::Args args);

} // namespace print
