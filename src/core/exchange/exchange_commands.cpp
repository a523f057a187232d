#include "core/exchange/exchange_commands.h"

#include "core/exchange/column_import.h"
#include "core/exchange/csv_export.h"
#include "core/exchange/table_import.h"
#include "core/exchange/xlsx_export.h"
#include "core/table/command.h"

namespace exchange {

void registerExchangeCommands(table::CommandRegistry &registry)
{
    registry.add(
        {ui::CommandId::ExportCsv, [](table::CommandContext &ctx) { menuSaveCVS(ctx.doc, ctx.ws, ctx.prompter); }, {}});
    registry.add({ui::CommandId::ExportXlsx,
                  [](table::CommandContext &ctx) { menuSaveXLSX(ctx.doc, ctx.ws, ctx.prompter); },
                  {}});
    registry.add({ui::CommandId::ImportColumn, [](table::CommandContext &ctx) { menuImportCVS(ctx.doc, ctx.prompter); },
                  // Column 0 holds the row numbers; there is nothing to import into.
                  [](const table::CommandContext &ctx) { return ctx.doc.grid.ColSel() >= 1; }});
    registry.add({ui::CommandId::ImportTable,
                  [](table::CommandContext &ctx) { menuImportAll(ctx.doc, ctx.files, ctx.prompter, ctx.ws); },
                  {}});
}

} // namespace exchange
