// The DBF reader without a memo file: the bytes as a ".dbf" table converted as the converter does.
#include "core/exchange/converters.h"
#include "core/exchange/dbf_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::writeScratch(QStringLiteral("plain.dbf"), fuzz::bytesOf(data, size));
    table::GradeTable t;
    exchange::dbfFileToTable(path, t);
    exchange::DbfTable few;
    bool more = false;
    exchange::readDbf(path, few, 2, &more);
    return 0;
}
