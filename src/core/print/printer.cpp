#include "core/print/printer.h"

#include "core/base/workspace.h"

namespace print {

namespace {

class NoPrinters : public PrinterSystem {
public:
    QStringList printerNames() const override { return {}; }
    QString defaultPrinterName() const override { return {}; }
    PrinterValues currentValues(const QString &) const override { return {}; }
    std::unique_ptr<Surface> open(const QString &, const PrinterValues &, const QString &) override { return {}; }
};

} // namespace

PrinterSystem &printers(base::Workspace &ws)
{
    static NoPrinters none;
    return ws.printers ? *ws.printers : none;
}

QString currentPrinter(const PrinterSystem &system, const base::Workspace &ws)
{
    const QStringList names = system.printerNames();
    if (names.isEmpty())
        return {};
    if (names.contains(ws.printerName))
        return ws.printerName;
    const QString def = system.defaultPrinterName();
    return names.contains(def) ? def : names.first();
}

PrinterValues settingsOf(const base::Workspace &ws)
{
    return {ws.printCopies, ws.printQuality, ws.printLineWidth, ws.printDuplex};
}

} // namespace print
