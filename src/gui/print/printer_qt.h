#pragma once
// The system's printers through Qt's print support (CUPS on Linux). With no print service the
// list is empty at once.
#include "core/print/printer.h"

#include <QPrinter>

namespace print {

class QtPrinterSystem : public PrinterSystem {
public:
    QStringList printerNames() const override;
    QString defaultPrinterName() const override;
    PrinterValues currentValues(const QString &name) const override;
    std::unique_ptr<Surface> open(const QString &name, const PrinterValues &values, const QString &jobName) override;
};

// Puts the settings on a printer: copies → copy count (at least 1); a quality in dots per inch →
// resolution (the four named qualities are kept but not applied); duplex 2 → short side, 3 →
// long side, anything else one-sided; orientation 2 → landscape. A4 on the whole paper.
void applyPrinterValues(QPrinter &printer, const PrinterValues &values);
QPrinter::DuplexMode qtDuplexMode(int duplex);

} // namespace print
