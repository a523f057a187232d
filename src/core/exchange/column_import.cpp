#include "core/exchange/column_import.h"

#include "core/base/text_codec.h"
#include "core/exchange/csv_reader.h"
#include "core/exchange/workbook_reader.h"
#include "core/table/grade_table.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"

namespace exchange {

int importColumn(table::GradeTable &t, int col, QByteArrayView csv, qsizetype *ignored)
{
    table::Grid &g = t.grid;
    if (ignored)
        *ignored = 0;
    if (col < 0 || col >= g.Cols())
        return 0;
    const qsizetype room = g.Rows() - 1;
    QStringList values;
    qsizetype total = 0;
    {
        // Values past the last row are counted, not held.
        CsvParser parser(decodeCsvText(csv));
        QStringList record;
        while (parser.next(record, room - values.size())) {
            values += record;
            total += parser.count();
        }
    }
    if (ignored)
        *ignored = total - values.size();
    table::GridBulk bulk(g);
    for (qsizetype k = 0; k < values.size(); ++k)
        g.setTextMatrix(int(k) + 1, col, csvUnguarded(values.at(k)));
    return int(values.size());
}

namespace {

// Column A of the first sheet, top down, as values; past `room` only counted.
int importSheetColumn(table::GradeTable &t, int col, const SheetCells &sheet, qsizetype *ignored)
{
    table::Grid &g = t.grid;
    const qsizetype room = g.Rows() - 1;
    int last = -1;
    for (const SheetCell &cell : sheet.cells)
        if (cell.col == 0)
            last = std::max(last, cell.row);
    const int values = last + 1;
    const int filled = int(std::min<qsizetype>(values, room));
    if (ignored)
        *ignored = values - filled;
    table::GridBulk bulk(g);
    for (int r = 1; r <= filled; ++r)
        g.setTextMatrix(r, col, QString());
    for (const SheetCell &cell : sheet.cells)
        if (cell.col == 0 && cell.row < filled)
            g.setTextMatrix(cell.row + 1, col, cell.text);
    return filled;
}

} // namespace

ColumnFile importColumnFile(table::GradeTable &t, int col, const QString &path, int *filled, qsizetype *ignored)
{
    *filled = 0;
    if (ignored)
        *ignored = 0;
    QByteArray bytes;
    if (!base::codec::readBytes(path, &bytes))
        return ColumnFile::Unreadable;
    if (!hasWorkbookName(path) && workbookKind(bytes) == WorkbookKind::NotWorkbook) {
        *filled = importColumn(t, col, bytes, ignored);
        return ColumnFile::Imported;
    }
    SheetCells sheet;
    const WorkbookError e = workbookKind(bytes) == WorkbookKind::Xls    ? readXlsSheet(path, 0, &sheet)
                            : workbookKind(bytes) == WorkbookKind::Xlsx ? readXlsxSheet(bytes, 0, &sheet)
                                                                        : WorkbookError::BadFormat;
    if (e == WorkbookError::Unreadable)
        return ColumnFile::Unreadable;
    if (e != WorkbookError::None)
        return ColumnFile::BadWorkbook;
    if (col >= 0 && col < t.grid.Cols())
        *filled = importSheetColumn(t, col, sheet, ignored);
    return ColumnFile::Imported;
}

bool menuImportCVS(table::GradeTable &t, ui::Prompter &prompter)
{
    const table::Grid &g = t.grid;
    const int col = g.ColSel();
    // Column 0 holds the row numbers, which every load renumbers: nothing to import into.
    if (col < 1 || col >= g.Cols())
        return false;
    const QString question = QStringLiteral("本操作将会覆盖第 ") + QString::number(col) + QStringLiteral(" 列(") +
                             g.TextMatrix(0, col) + QStringLiteral(")的所有数据，是否继续？");
    if (prompter.question(question, QStringLiteral("提示"), ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::Yes) !=
        ui::Answer::Yes)
        return false;
    const QString path = ui::ShowOpenDialog(prompter, QStringLiteral("*.txt;*.csv;*.xlsx;*.xls"),
                                            QStringLiteral("打开以逗号分隔的文本文件，可以用Excel导出"));
    if (path.isEmpty())
        return false;
    // Read into a copy first, so that a damaged file leaves the table and its undo as they were.
    table::GradeTable imported;
    imported.grid = t.grid;
    int filled = 0;
    qsizetype ignored = 0;
    switch (importColumnFile(imported, col, path, &filled, &ignored)) {
    case ColumnFile::Unreadable:
        return false;
    case ColumnFile::BadWorkbook:
        prompter.message(table::kBadFileFormat, QStringLiteral("提示"), ui::Icon::Information);
        return false;
    case ColumnFile::Imported:
        break;
    }
    t.beginChange();
    {
        table::GridBulk bulk(t.grid);
        for (int r = 1; r < t.grid.Rows(); ++r)
            t.grid.setTextMatrix(r, col, imported.grid.cellText(r, col));
    }
    prompter.message(QStringLiteral("已导入 %1 个数值，忽略 %2 个。").arg(filled).arg(ignored), QStringLiteral("提示"),
                     ui::Icon::Information);
    return true;
}

} // namespace exchange
