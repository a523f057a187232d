// The .xlsx reader on the bytes as a workbook: the sheet list and every sheet it names, and the
// converter's table of the first sheet.
#include "core/exchange/converters.h"
#include "core/exchange/workbook_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    QStringList names;
    exchange::xlsxSheetNames(bytes, &names);
    for (int i = 0; i < names.size() && i < 4; ++i) {
        exchange::SheetCells cells;
        exchange::readXlsxSheet(bytes, i, &cells);
    }
    table::GradeTable t;
    exchange::workbookFileToTable(fuzz::writeScratch(QStringLiteral("book.xlsx"), bytes), 0, t);
    return 0;
}
