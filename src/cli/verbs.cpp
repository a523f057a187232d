#include "cli/verbs.h"

#include "cli/analysis_cli.h"
#include "cli/exchange_cli.h"
#include "cli/field_cli.h"
#include "cli/find_cli.h"
#include "cli/formula_cli.h"
#include "cli/print_cli.h"
#include "cli/school_cli.h"
#include "cli/sort_cli.h"
#include "cli/table_cli.h"
#include "cli/user_cli.h"

#include <algorithm>

namespace table::cli {

namespace {

int runUser(Context &ctx, Args args)
{
    return shell::runUserCommand(ctx.ws, ctx.prompter, args.raw(), ctx.out);
}

using Id = ui::CommandId;

constexpr Verb kVerbs[] = {
    {Id::CliShow, runShowCommand},
    {Id::CliSaveAs, runSaveAsCommand},
    {Id::CliCalc, runCalcCommand},
    {Id::CliUser, runUser, false},
    {Id::CliTemplate, table::runTemplateCommand},
    {Id::CliField, table::runFieldCommand},
    {Id::CliSetProps, table::runSetPropsCommand},
    {Id::CliFormula, formula::runFormulaCommand},
    {Id::CliSchool, shell::runSchoolCommand},
    {Id::CliNewTable, shell::runNewTableCommand},
    {Id::CliFind, runFindCommand},
    {Id::CliReplace, runReplaceCommand},
    {Id::CliSort, formula::runSortCommand},
    {Id::CliExportCsv, exchange::cli::exportCsv},
    {Id::CliExportXlsx, exchange::cli::exportXlsx},
    {Id::CliImportColumn, exchange::cli::importColumn},
    {Id::CliImportTable, exchange::cli::importTable},
    {Id::CliFillColumn, exchange::cli::fillColumn},
    {Id::CliExportPart, exchange::cli::exportPart},
    {Id::CliConvertCsv, exchange::cli::convertCsv},
    {Id::CliConvertDbf, exchange::cli::convertDbf},
    {Id::CliConvertXlsx, exchange::cli::convertXlsx},
    {Id::CliConvertTrial, exchange::cli::convertTrial},
    {Id::CliPrint, print::runPrintCommand},
    {Id::CliChart, print::runChartCommand},
    {Id::CliReport, print::runReportCommand},
    {Id::CliBind, print::runBindCommand},
    {Id::CliStats, analysis::runStatsCommand},
};

} // namespace

std::span<const Verb> verbs()
{
    return kVerbs;
}

const Verb *findVerb(const QString &name)
{
    const ui::CommandRow *row = ui::verbRow(name);
    if (!row)
        return nullptr;
    const auto it =
        std::find_if(std::begin(kVerbs), std::end(kVerbs), [row](const Verb &v) { return v.id == row->id; });
    return it == std::end(kVerbs) ? nullptr : &*it;
}

} // namespace table::cli
