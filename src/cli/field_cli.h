#pragma once
// scorvane-cli's commands for fields, templates and table properties, running the same logic as
// the table window's menus:
//   template list | template save FILE.gdt NAME | template apply FILE.gdt NAME [--out OUT.gdt]
//   field insert FILE.gdt AT NAME | field remove FILE.gdt FIELD | field rename FILE.gdt FIELD NAME
//   set-props FILE.gdt [--title T] [--teacher X] [--class-info Y] [--class-size N]
//                      [--decimals N [--pad]] [--out OUT.gdt]
#include "cli/cli_support.h"

namespace table {

int runTemplateCommand(cli::Context &ctx, cli::Args args);
int runFieldCommand(cli::Context &ctx, cli::Args args);
int runSetPropsCommand(cli::Context &ctx, cli::Args args);

} // namespace table
