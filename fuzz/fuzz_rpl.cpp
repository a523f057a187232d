// Report templates (".rpl"): the bytes as a template file, read and drawn as one page.
#include "core/print/recording_surface.h"
#include "core/print/report_template.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::writeScratch(QStringLiteral("r.rpl"), fuzz::bytesOf(data, size));
    const std::optional<print::ReportTemplate> t = print::readReportTemplate(path);
    if (!t)
        return 0;
    print::RecordingSurface page;
    print::drawReportPage(page, *t, {QStringLiteral("甲"), QStringLiteral("line[/]break")});
    return 0;
}
