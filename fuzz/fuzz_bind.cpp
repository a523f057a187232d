// Binding files (".bind"): the bytes parsed; what was read must write back to bindings that read
// the same.
#include "core/print/report_binding.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<print::Bindings> b = print::parseBindingFile(fuzz::bytesOf(data, size));
    if (!b)
        return 0;
    for (const QString &key : b->keys)
        if (!print::parseKeyLine(key))
            abort();
    const std::optional<print::Bindings> again = print::parseBindingFile(print::bindingFileBytes(*b));
    if (!again || *again != *b)
        abort();
    return 0;
}
