#include "app/program_commands.h"

#include "exchange/exchange_commands.h"
#include "exchange/exchange_dialog.h"
#include "formula/formula_commands.h"
#include "formula/formula_editor_dialog.h"
#include "print/chart_dialog.h"
#include "print/print_setup_dialog.h"
#include "print/report_dialog.h"
#include "table/field_commands.h"
#include "table/field_manager_dialog.h"
#include "table/find_dialog.h"
#include "table/table_commands.h"
#include "table/table_window.h"

table::CommandRegistry programCommands(ui::SettingsStore &settings)
{
    table::CommandRegistry r;
    table::registerTableCommands(r);
    table::registerTableWindowCommands(r, settings);
    table::registerFieldCommands(r);
    table::registerFieldDialogs(r, settings);
    formula::registerFormulaCommands(r);
    formula::registerFormulaEditorDialogs(r);
    // Sorting takes the display values the formula commands provide.
    table::registerFindSortDialogs(r, &settings);
    exchange::registerExchangeCommands(r);
    exchange::registerExchangeDialogs(r);
    print::registerPrintDialogs(r);
    print::registerChartDialogs(r);
    print::registerReportDialogs(r);
    return r;
}
