// The archive adapter's unpack, as every table file is opened: the bytes as a ".gdt" file read
// with the table password, the member then read as a table.
#include "core/base/archive.h"
#include "core/table/table_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzz::SilentPrompter prompter;
    base::Workspace &ws = fuzz::workspace();
    ws.tablePassword = QStringLiteral("secret");
    const QString path = fuzz::writeScratch(QStringLiteral("t.gdt"), fuzz::bytesOf(data, size));
    table::TableFile files(ws, prompter);
    table::GradeTable t;
    files.readTableFile(path, t);
    // Another member name and no password take the other ways through the lookup.
    base::archive::unpack(path, QStringLiteral("user.dat"), QString());
    return 0;
}
