// Field templates (".templet"): the bytes as a file of the template folder, applied to a table as
// the template menu does, and the resulting fields made into a template again.
#include "core/table/templates.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzz::SilentPrompter prompter;
    base::Workspace &ws = fuzz::workspace();
    static const bool made = QDir().mkpath(ws.templateDir());
    (void)made;
    fuzz::writeScratch(QStringLiteral("f.templet"), fuzz::bytesOf(data, size), ws.templateDir());
    table::GradeTable t;
    if (table::askApplyTemplate(t, ws, prompter, QStringLiteral("f.templet"))) {
        if (const std::optional<QByteArray> bytes = table::templateBytes(table::templateSegments(t.grid)))
            table::parseTemplate(*bytes);
    }
    return 0;
}
