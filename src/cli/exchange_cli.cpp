#include "cli/exchange_cli.h"

#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/exchange/column_import.h"
#include "core/exchange/converters.h"
#include "core/exchange/csv_export.h"
#include "core/exchange/part_export.h"
#include "core/exchange/table_import.h"
#include "core/exchange/workbook_reader.h"
#include "core/exchange/xlsx_export.h"
#include "core/formula/calculate.h"
#include "core/table/table_file.h"

namespace exchange::cli {

using namespace table::cli;

namespace {

// A list of data rows "N", "N-M", … (1 … last); nullopt after the range message.
std::optional<QList<int>> parseRows(Context &ctx, const QString &text, int last)
{
    QList<int> rows;
    if (text.isEmpty())
        return rows;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const qsizetype dash = item.indexOf(QLatin1Char('-'));
        const auto from = numberInRange(ctx, dash < 0 ? item : item.left(dash), 1, last);
        if (!from)
            return std::nullopt;
        int to = *from;
        if (dash >= 0) {
            const auto end = numberInRange(ctx, item.mid(dash + 1), *from, last);
            if (!end)
                return std::nullopt;
            to = *end;
        }
        for (int r = *from; r <= to; ++r)
            rows << r;
    }
    return rows;
}

enum class Source { Csv, Dbf, Workbook };

// --sheet N|NAME: the 0-based index of the sheet, counting from 1 in workbook order, or named;
// nullopt after "工作表不存在：…" (or the workbook's own failure).
std::optional<int> sheetIndex(Context &ctx, const QString &path, const std::optional<QString> &sheet)
{
    if (!sheet)
        return 0;
    QStringList names;
    switch (workbookSheetNames(path, &names)) {
    case WorkbookError::None:
        break;
    case WorkbookError::Unreadable:
        tell(ctx, QStringLiteral("无法读取文件：") + path);
        return std::nullopt;
    case WorkbookError::BadFormat:
    case WorkbookError::NoSheet:
        tell(ctx, table::kBadFileFormat);
        return std::nullopt;
    }
    // A number counts sheets; one beyond them may still be a sheet's name ("2023").
    bool number = false;
    const int n = sheet->toInt(&number);
    const int index = number && n >= 1 && n <= names.size() ? n - 1 : int(names.indexOf(*sheet));
    if (index < 0 || index >= names.size()) {
        tell(ctx, QStringLiteral("工作表不存在：") + *sheet);
        return std::nullopt;
    }
    return index;
}

int convert(Context &ctx, Args &args, Source source)
{
    const QString title = args.value(QStringLiteral("--title")).value_or(QString());
    const QString teacher = args.value(QStringLiteral("--teacher")).value_or(QString());
    const QString classInfo = args.value(QStringLiteral("--class-info")).value_or(QString());
    const std::optional<QString> sheet =
        source == Source::Workbook ? args.value(QStringLiteral("--sheet")) : std::optional<QString>();
    const auto ops = args.operands(2);
    if (!ops)
        return Usage;
    const QString in = absolutePath(ops->at(0));
    table::GradeTable converted;
    Conversion result;
    switch (source) {
    case Source::Csv:
        result = csvFileToTable(in, converted);
        break;
    case Source::Dbf:
        result = dbfFileToTable(in, converted);
        break;
    case Source::Workbook: {
        const std::optional<int> index = sheetIndex(ctx, in, sheet);
        if (!index)
            return Failed;
        result = workbookFileToTable(in, *index, converted);
        if (result.status == Conversion::NoSheet) {
            tell(ctx, QStringLiteral("工作表不存在：") + QString::number(*index + 1));
            return Failed;
        }
        break;
    }
    }
    if (result.status == Conversion::ReadFailed) {
        tell(ctx, QStringLiteral("无法读取文件：") + in);
        return Failed;
    }
    if (!result.ok()) {
        // A batch never writes a table that was cut short.
        reportConversion(ctx.prompter, result);
        return Failed;
    }
    if (!holdTableLock(ctx, table::tableNameFromPath(absolutePath(ops->at(1)))))
        return Failed;
    table::TableFile files(ctx.ws, ctx.prompter);
    return saveConverted(files, std::move(converted), title, teacher, classInfo, absolutePath(ops->at(1))) ? Done
                                                                                                           : Failed;
}

} // namespace

int exportCsv(Context &ctx, Args args)
{
    table::GradeTable t;
    Exit failure = Done;
    const std::optional<QStringList> ops = tableOperands(ctx, args, 2, t, &failure);
    if (!ops)
        return failure;
    return writeCsvFile(t, absolutePath(ops->at(1)), formula::calculator(ctx.ws), ctx.prompter) ? Done : Failed;
}

int importColumn(Context &ctx, Args args)
{
    const std::optional<QString> out = args.value(QStringLiteral("--out"));
    table::GradeTable t;
    Exit failure = Done;
    const std::optional<QStringList> ops = tableOperandsToChange(ctx, args, 3, t, &failure, out);
    if (!ops)
        return failure;
    const std::optional<int> col = fieldColumn(ctx, t, ops->at(1));
    if (!col)
        return Failed;
    const QString in = absolutePath(ops->at(2));
    t.beginChange();
    int filled = 0;
    switch (importColumnFile(t, *col, in, &filled)) {
    case ColumnFile::Imported:
        break;
    case ColumnFile::Unreadable:
        tell(ctx, QStringLiteral("无法读取文件：") + in);
        return Failed;
    case ColumnFile::BadWorkbook:
        tell(ctx, table::kBadFileFormat);
        return Failed;
    }
    if (saveTable(ctx, t, ops->at(0), out) != Done)
        return Failed;
    printLine(ctx, QString::number(filled));
    return Done;
}

int importTable(Context &ctx, Args args)
{
    const std::optional<QString> out = args.value(QStringLiteral("--out"));
    const auto ops = args.operands(2);
    if (!ops)
        return Usage;
    table::GradeTable t, source;
    if (!loadTableToChange(ctx, ops->at(0), t, out) || !loadTable(ctx, ops->at(1), source))
        return Failed;
    const int before = t.grid.Rows();
    if (!appendTable(t, source.grid, ctx.prompter) && source.grid.Rows() - 1 > table::Grid::kMaxCount - before)
        return Failed;
    return saveTable(ctx, t, ops->at(0), out);
}

int fillColumn(Context &ctx, Args args)
{
    const std::optional<QString> out = args.value(QStringLiteral("--out"));
    const std::optional<QStringList> match = args.values(QStringLiteral("--match"), 2);
    const auto ops = args.operands(4);
    if (!ops)
        return Usage;
    table::GradeTable t, source;
    if (!loadTableToChange(ctx, ops->at(0), t, out) || !loadTable(ctx, ops->at(2), source))
        return Failed;
    FillRequest request;
    const std::optional<int> targetCol = fieldColumn(ctx, t, ops->at(1));
    const std::optional<int> sourceCol = fieldColumn(ctx, source, ops->at(3));
    if (!targetCol || !sourceCol)
        return Failed;
    request.targetCol = *targetCol;
    request.sourceCol = *sourceCol;
    if (match) {
        const std::optional<int> targetKey = fieldColumn(ctx, t, match->at(0));
        const std::optional<int> sourceKey = fieldColumn(ctx, source, match->at(1));
        if (!targetKey || !sourceKey)
            return Failed;
        request.match = true;
        request.targetKey = *targetKey;
        request.sourceKey = *sourceKey;
    }
    t.beginChange();
    exchange::fillColumn(t.grid, source.grid, request);
    return saveTable(ctx, t, ops->at(0), out);
}

int exportPart(Context &ctx, Args args)
{
    const std::optional<QString> fieldList = args.value(QStringLiteral("--fields"));
    const std::optional<QString> rowList = args.value(QStringLiteral("--rows"));
    const auto ops = args.operands(2);
    if (!ops || !fieldList)
        return Usage;
    table::GradeTable t;
    if (!loadTable(ctx, ops->at(0), t))
        return Failed;
    QList<int> fields;
    if (!fieldList->isEmpty())
        for (const QString &f : fieldList->split(QLatin1Char(','))) {
            const std::optional<int> col = fieldColumn(ctx, t, f);
            if (!col)
                return Failed;
            fields << *col;
        }
    const int last = t.grid.Rows() - 1;
    QList<int> rows;
    if (rowList) {
        const auto parsed = parseRows(ctx, *rowList, last);
        if (!parsed)
            return Failed;
        rows = *parsed;
    } else {
        for (int r = 1; r <= last; ++r)
            rows << r;
    }
    // The table being exported counts as open: it may not be its own target.
    const QString self = table::tableNameFromPath(absolutePath(ops->at(0)));
    if (!holdTableLock(ctx, table::tableNameFromPath(absolutePath(ops->at(1)))))
        return Failed;
    table::TableFile files(ctx.ws, ctx.prompter);
    const PartExport result =
        exchange::exportPart(t, fields, rows, absolutePath(ops->at(1)), files, ctx.prompter,
                             formula::calculator(ctx.ws), [&](const QString &name) { return name == self; });
    return result == PartExport::Written ? Done : Failed;
}

int convertCsv(Context &ctx, Args args)
{
    return convert(ctx, args, Source::Csv);
}

int convertDbf(Context &ctx, Args args)
{
    return convert(ctx, args, Source::Dbf);
}

int convertXlsx(Context &ctx, Args args)
{
    return convert(ctx, args, Source::Workbook);
}

int exportXlsx(Context &ctx, Args args)
{
    table::GradeTable t;
    Exit failure = Done;
    const std::optional<QStringList> ops = tableOperands(ctx, args, 2, t, &failure);
    if (!ops)
        return failure;
    WorkbookExportRequest request{.path = absolutePath(ops->at(1)), .agreed = 0};
    return ui::settle(
               ctx.prompter, request,
               [&](const WorkbookExportRequest &r) {
                   return exportWorkbook(t, formula::calculator(ctx.ws), r);
               }).done()
               ? Done
               : Failed;
}

int convertTrial(Context &ctx, Args args)
{
    const bool backup = args.flag(QStringLiteral("--backup"));
    const auto ops = args.operands();
    if (!ops || ops->isEmpty())
        return Usage;
    QStringList paths;
    for (const QString &p : *ops) {
        paths << absolutePath(p);
        // Each table is rewritten in place: not while a window has it.
        if (!holdTableLock(ctx, table::tableNameFromPath(paths.back())))
            return Failed;
    }
    table::TableFile files(ctx.ws, ctx.prompter);
    return convertTrialFiles(paths, backup, files, ctx.ws.tablePassword, ctx.prompter) == 0 ? Done : Failed;
}

} // namespace exchange::cli
