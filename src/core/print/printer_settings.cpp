#include "core/print/printer_settings.h"

#include "core/base/workspace.h"

namespace print {

const std::array<QualityEntry, 8> &qualityEntries()
{
    static const std::array<QualityEntry, 8> entries{{
        {QStringLiteral("草稿"), -1},
        {QStringLiteral("低"), -2},
        {QStringLiteral("一般"), -3},
        {QStringLiteral("高"), -4},
        {QStringLiteral("300dpi"), 300},
        {QStringLiteral("600dpi"), 600},
        {QStringLiteral("900dpi"), 900},
        {QStringLiteral("1440dpi"), 1440},
    }};
    return entries;
}

int qualityIndex(int quality)
{
    switch (quality) {
    case -1:
        return 0;
    case -2:
        return 1;
    case -4:
        return 3;
    default:
        return 2;
    }
}

int copiesFromText(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1)
        return 1;
    return std::min(n, kMaxCopies);
}

PrinterSetup loadPrinterSetup(const PrinterSystem &system, const base::Workspace &ws)
{
    PrinterSetup s;
    s.printers = system.printerNames();
    if (s.printers.isEmpty()) {
        s.printers = QStringList{kNoPrinterInstalled};
        s.available = false;
        return s;
    }
    s.available = true;
    choosePrinter(s, int(s.printers.indexOf(currentPrinter(system, ws))), system, ws);
    return s;
}

void choosePrinter(PrinterSetup &s, int index, const PrinterSystem &system, const base::Workspace &ws)
{
    if (!s.available || index < 0 || index >= s.printers.size() || s.printers[index] == kNoPrinterInstalled)
        return;
    s.printer = index;
    const QString &name = s.printers[index];
    const PrinterValues v = name == currentPrinter(system, ws) ? settingsOf(ws) : system.currentValues(name);
    s.copies = QString::number(v.copies);
    s.quality = qualityIndex(v.quality);
    s.penWidth = std::clamp(v.penWidth, 1, 10);
    if (v.duplex == 1) {
        s.duplex = false;
    } else {
        s.duplex = true;
        s.horizontal = v.duplex == 2;
    }
}

void acceptPrinterSetup(const PrinterSetup &s, base::Workspace &ws)
{
    if (!s.available || s.printer < 0 || s.printer >= s.printers.size())
        return;
    ws.printerName = s.printers[s.printer];
    ws.printCopies = copiesFromText(s.copies);
    if (s.quality >= 0 && s.quality < int(qualityEntries().size()))
        ws.printQuality = qualityEntries()[size_t(s.quality)].value;
    ws.printLineWidth = std::clamp(s.penWidth, 1, 10);
    ws.printDuplex = !s.duplex ? 1 : s.horizontal ? 2 : 3;
}

} // namespace print
