#include "gui/app/program_commands.h"

#include "core/exchange/exchange_commands.h"
#include "core/formula/formula_commands.h"
#include "core/table/field_commands.h"
#include "core/table/table_commands.h"
#include "gui/analysis/analysis_dialog.h"
#include "gui/analysis/grade_summary_dialog.h"
#include "gui/exchange/exchange_dialog.h"
#include "gui/formula/formula_editor_dialog.h"
#include "gui/print/chart_dialog.h"
#include "gui/print/print_setup_dialog.h"
#include "gui/print/report_dialog.h"
#include "gui/table/field_manager_dialog.h"
#include "gui/table/find_dialog.h"
#include "gui/table/table_window.h"

table::CommandRegistry programCommands(ui::SettingsStore &settings)
{
    table::CommandRegistry r;
    table::registerTableCommands(r);
    table::registerTableWindowCommands(r, settings);
    table::registerFieldCommands(r);
    table::registerFieldDialogs(r, settings);
    formula::registerFormulaCommands(r);
    formula::registerFormulaEditorDialogs(r);
    table::registerFindSortDialogs(r, &settings);
    exchange::registerExchangeCommands(r);
    exchange::registerExchangeDialogs(r);
    print::registerPrintDialogs(r);
    print::registerChartDialogs(r);
    print::registerReportDialogs(r);
    analysis::registerAnalysisDialogs(r, &settings);
    analysis::registerGradeSummaryDialog(r, &settings);
    return r;
}
