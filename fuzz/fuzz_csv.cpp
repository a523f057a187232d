// CSV reading: the bytes converted into a table, and imported into one column of a table.
#include "core/exchange/column_import.h"
#include "core/exchange/converters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    table::GradeTable converted;
    exchange::csvToTable(bytes, converted);
    table::GradeTable t;
    exchange::importColumn(t, 1, bytes);
    return 0;
}
