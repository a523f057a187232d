#include "gui/exchange/exchange_dialog.h"

#include "core/exchange/part_export.h"
#include "core/exchange/table_import.h"
#include "core/formula/calculate.h"
#include "core/table/command.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"
#include "gui/exchange/converter_dialog.h"
#include "gui/exchange/export_table_dialog.h"
#include "gui/exchange/import_dialog.h"

#include <QWidget>

namespace exchange {

namespace {

// Converters are owned by the main window, not by the table window they were opened from.
QWidget *mainWindowOf(const table::CommandContext &ctx)
{
    return ctx.window ? ctx.window->window() : nullptr;
}

void runImportDialog(table::CommandContext &ctx)
{
    ImportDialog dialog(
        ctx.doc, ctx.prompter,
        [&ctx](const QString &path, table::GradeTable &source) {
            return loadImportSource(ctx.files, path, ctx.ws.tablePassword, source, ctx.prompter);
        },
        [&ctx](const FillRequest &request, const table::Grid &source, base::Progress &progress) {
            ctx.doc.beginChange();
            const int matched = fillColumn(ctx.doc.grid, source, request, &progress);
            // Matching by key may miss rows silently otherwise; an import in order fills what it can.
            if (request.match)
                ctx.prompter.message(
                    QStringLiteral("匹配 %1 行，未匹配 %2 行。").arg(matched).arg(ctx.doc.grid.Rows() - 1 - matched),
                    QStringLiteral("提示"), ui::Icon::Information);
        },
        ctx.window);
    dialog.exec();
}

void runExportDialog(table::CommandContext &ctx)
{
    const table::Grid &g = ctx.doc.grid;
    QStringList fields, rows;
    for (int c = 1; c < g.Cols(); ++c)
        fields << g.TextMatrix(0, c);
    for (int r = 1; r < g.Rows(); ++r)
        rows << g.TextMatrix(r, 1);
    const auto inUse = [&ctx](const QString &name) {
        return ctx.windows ? ctx.windows->isOpen(name) : (!ctx.doc.filePath.isEmpty() && name == ctx.doc.filePath);
    };
    const auto open = [&ctx](const QString &name) {
        if (ctx.windows)
            ctx.windows->openTable(name);
    };
    ExportTableDialog dialog(
        fields, rows,
        [&](const QList<int> &chosenFields, const QList<int> &chosenRows) {
            return confirmPartExport(ctx.doc, chosenFields, chosenRows, ctx.files, ctx.prompter,
                                     formula::calculator(ctx.ws), inUse, open);
        },
        mainWindowOf(ctx));
    dialog.exec();
}

} // namespace

void registerExchangeDialogs(table::CommandRegistry &registry)
{
    registry.add({ui::CommandId::ImportSelection, runImportDialog, {}});
    registry.add({ui::CommandId::ExportPart, runExportDialog, {}});
    registry.add({ui::CommandId::ConvertCsv,
                  [](table::CommandContext &ctx) { openCsvConverter(ctx.ws, ctx.prompter, mainWindowOf(ctx)); },
                  {}});
    registry.add({ui::CommandId::ConvertDbf,
                  [](table::CommandContext &ctx) { openDbfConverter(ctx.ws, ctx.prompter, mainWindowOf(ctx)); },
                  {}});
    registry.add({ui::CommandId::ConvertXlsx,
                  [](table::CommandContext &ctx) { openWorkbookConverter(ctx.ws, ctx.prompter, mainWindowOf(ctx)); },
                  {}});
    registry.add({ui::CommandId::ConvertTrial,
                  [](table::CommandContext &ctx) { openTrialConverter(ctx.ws, ctx.prompter, mainWindowOf(ctx)); },
                  {}});
    // The same converters from the main window's 文件 menu, where no table need be open.
    registry.addFrame(ui::CommandId::ConvertCsvFile,
                      [](table::FrameContext &ctx) { openCsvConverter(ctx.ws, ctx.prompter, ctx.window); });
    registry.addFrame(ui::CommandId::ConvertDbfFile,
                      [](table::FrameContext &ctx) { openDbfConverter(ctx.ws, ctx.prompter, ctx.window); });
    registry.addFrame(ui::CommandId::ConvertXlsxFile,
                      [](table::FrameContext &ctx) { openWorkbookConverter(ctx.ws, ctx.prompter, ctx.window); });
    registry.addFrame(ui::CommandId::ConvertTrialFiles,
                      [](table::FrameContext &ctx) { openTrialConverter(ctx.ws, ctx.prompter, ctx.window); });
}

} // namespace exchange
