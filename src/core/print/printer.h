#pragma once
// The system's printers as the print routines see them: their names, the default, each one's
// current values, and a surface that prints on one with the program-wide settings applied. The
// Qt implementation (print/printer_qt) lives in the gui library, which the desktop program links;
// scorvane-cli loads it as the plugin scorvane-printers.so only when it prints on a printer.
// Without it there is no printer.
#include "core/print/surface.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace base {
class Workspace;
}

namespace print {

// Copies per job; quality −1 draft, −2 low, −3 medium, −4 high, or dots per inch; pen width in
// pixels; duplex 1 one-sided, 2 flipped on the short side, 3 flipped on the long side;
// orientation 1 portrait, 2 landscape (the routine's own choice, not a program-wide setting).
struct PrinterValues {
    int copies = 1;
    int quality = -3;
    int penWidth = 1;
    int duplex = 1;
    int orientation = 1;
    bool operator==(const PrinterValues &) const = default;
};

class PrinterSystem {
public:
    // Inline, so the printer plugin needs nothing of printer.cpp.
    virtual ~PrinterSystem() = default;
    // Device names of the installed printers; empty when there is none (or no print service).
    virtual QStringList printerNames() const = 0;
    // The system's default printer, or "" when none is set.
    virtual QString defaultPrinterName() const = 0;
    // What the printer itself would use when nothing is set.
    virtual PrinterValues currentValues(const QString &name) const = 0;
    // A surface printing on `name` (A4 in the values' orientation, the whole paper) with `values`
    // applied; the job starts with the first drawing. Null when the printer cannot be used.
    virtual std::unique_ptr<Surface> open(const QString &name, const PrinterValues &values, const QString &jobName) = 0;
};

// The printer plugin's one exported function (extern "C"): a new PrinterSystem the caller owns.
// The number in the name changes with these interfaces, so an outdated plugin is not used.
inline constexpr char kPrinterPluginEntry[] = "scorvane_printer_system_1";
using PrinterPluginEntry = PrinterSystem *(*)();

// The printers installed in the workspace, or an empty list.
PrinterSystem &printers(base::Workspace &ws);
// The printer the program prints on: the one chosen in the printer settings while it is still
// installed, else the system's default, else the first; "" when there is no printer.
QString currentPrinter(const PrinterSystem &system, const base::Workspace &ws);
// The program-wide settings as the printer takes them.
PrinterValues settingsOf(const base::Workspace &ws);

} // namespace print
