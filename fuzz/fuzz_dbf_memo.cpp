// The DBF reader with a memo file. The input is a table and its memo file: byte 0 chooses the
// memo's kind (even ".fpt", odd ".dbt"), bytes 1 and 2 (little-endian) give the table's length,
// the table follows and the memo file is the rest.
#include "core/exchange/converters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const bool fox = data[0] % 2 == 0;
    const size_t tableSize = std::min<size_t>(size - 3, data[1] | (size_t(data[2]) << 8));
    static const QString dir = [] {
        const QString d = fuzz::scratchDir() + QStringLiteral("memo/");
        QDir().mkpath(d);
        return d;
    }();
    QFile::remove(dir + (fox ? QStringLiteral("m.dbt") : QStringLiteral("m.fpt")));
    const QString path = fuzz::writeScratch(QStringLiteral("m.dbf"), fuzz::bytesOf(data + 3, tableSize), dir);
    fuzz::writeScratch(fox ? QStringLiteral("m.fpt") : QStringLiteral("m.dbt"),
                       fuzz::bytesOf(data + 3 + tableSize, size - 3 - tableSize), dir);
    table::GradeTable t;
    exchange::dbfFileToTable(path, t);
    return 0;
}
