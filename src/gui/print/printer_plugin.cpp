// scorvane-printers.so: the Qt printers as a plugin for scorvane-cli, so the command line needs
// neither QtWidgets nor QtPrintSupport until it prints on a printer. Everything else in the
// plugin is hidden; this is its one exported symbol.
#include "gui/print/printer_qt.h"

#include <string_view>
#include <type_traits>

extern "C" Q_DECL_EXPORT print::PrinterSystem *scorvane_printer_system_1()
{
    return new print::QtPrinterSystem;
}

// What the loader resolves is what is defined here.
static_assert(std::string_view(print::kPrinterPluginEntry) == "scorvane_printer_system_1");
static_assert(std::is_same_v<decltype(&scorvane_printer_system_1), print::PrinterPluginEntry>);
