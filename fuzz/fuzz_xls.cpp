// The .xls reader (FreeXL) on the bytes as a workbook file: the sheet list, every sheet it names,
// and the converter's table of the first sheet.
#include "core/exchange/converters.h"
#include "core/exchange/workbook_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::writeScratch(QStringLiteral("book.xls"), fuzz::bytesOf(data, size));
    QStringList names;
    exchange::xlsSheetNames(path, &names);
    for (int i = 0; i < names.size() && i < 4; ++i) {
        exchange::SheetCells cells;
        exchange::readXlsSheet(path, i, &cells);
    }
    table::GradeTable t;
    exchange::workbookFileToTable(path, 0, t);
    return 0;
}
