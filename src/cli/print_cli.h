#pragma once
// scorvane-cli print: the pages 导出PDF or 打印 would send, with the print dialog's first options.
//   print FILE.gdt --pdf OUT.pdf [--page N | --row R] [--title T] [--footer T] [--no-teacher]
//         [--no-class-info] [--no-lines] [--no-fit] [--date YYYY-MM-DD]
//   print FILE.gdt --printer NAME [the same options]
//   print FILE.gdt --list-pages
// The table file is never changed.
//   chart FILE.gdt --type bar|up|down --fields F[,F…] --rows R[,R…|A-B] [--label-field F] [--min N]
//         [--max N] [--segments N] [--title T] [--date YYYY-MM-DD] (--pdf OUT.pdf | --bmp OUT.bmp |
//         --printer NAME)
//   report FILE.gdt TEMPLATE.rpl [--bind NAME] [--link LABEL=FIELD]… [--item K | --items A-B | --all]
//         (--pdf OUT.pdf | --printer NAME)
//   bind TEMPLATE.rpl FILE.gdt --save NAME LABEL=FIELD…
// The table file is never changed.
#include "cli/cli_support.h"

#include <QDate>
#include <QList>
#include <optional>

namespace print {

int runPrintCommand(table::cli::Context &ctx, table::cli::Args args);
int runChartCommand(table::cli::Context &ctx, table::cli::Args args);
int runReportCommand(table::cli::Context &ctx, table::cli::Args args);
int runBindCommand(table::cli::Context &ctx, table::cli::Args args);

// "R[,R…]" where each item is a number or a range "A-B" (A ≤ B), every number within [lo, hi];
// otherwise the message of numberInRange and nullopt. Each number once, in the order first named.
std::optional<QList<int>> numberList(table::cli::Context &ctx, const QString &text, int lo, int hi);
// --printer NAME: makes NAME the printer printed on when it is installed. Otherwise a message —
// why scorvane-cli's printer plugin could not be loaded, or "打印错误，请检查 打印机连接！" — and
// false.
bool choosePrinter(table::cli::Context &ctx, const QString &name);
// "YYYY-MM-DD", or today without one; nullopt when malformed.
std::optional<QDate> dateOption(const std::optional<QString> &text);

} // namespace print
