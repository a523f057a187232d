// The table member reader: a ".gdt" member's bytes as they come out of the archive.
#include "core/table/table_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    table::GradeTable t;
    if (table::readMember(QByteArrayView(data, qsizetype(size)), t) != table::MemberResult::Ok)
        return 0;
    // What was read must write back and read again.
    table::GradeTable again;
    if (table::readMember(table::memberBytes(t), again) != table::MemberResult::Ok)
        abort();
    return 0;
}
