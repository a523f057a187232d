// The .xls reader on the bytes as a workbook: the sheet list and every sheet it names (our BIFF8
// reader, in this process), and the converter's table of the first sheet (through a file, where
// an older BIFF goes to FreeXL in its child).
#include "core/exchange/converters.h"
#include "core/exchange/workbook_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    QStringList names;
    exchange::xlsSheetNames(bytes, &names);
    for (int i = 0; i < names.size() && i < 4; ++i) {
        exchange::SheetCells cells;
        exchange::readXlsSheet(bytes, i, &cells);
    }
    table::GradeTable t;
    exchange::workbookFileToTable(fuzz::writeScratch(QStringLiteral("book.xls"), bytes), 0, t);
    return 0;
}
