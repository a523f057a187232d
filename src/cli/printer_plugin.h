#pragma once
// The printers of scorvane-cli: the Qt printers of the plugin scorvane-printers.so, loaded the
// first time a printer is asked for, so the commands that print on none (calc, show, --pdf …)
// never load QtWidgets and QtPrintSupport.
#include "core/print/printer.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace print {

class PluginPrinterSystem : public PrinterSystem {
public:
    // The plugin is looked for in `folders`, in that order.
    explicit PluginPrinterSystem(QStringList folders);
    ~PluginPrinterSystem() override;

    // Loads the plugin unless that was tried already: "" when it is loaded, otherwise why not,
    // in the program's words. Without the plugin there is no printer.
    QString loadError() const;

    QStringList printerNames() const override;
    QString defaultPrinterName() const override;
    PrinterValues currentValues(const QString &name) const override;
    std::unique_ptr<Surface> open(const QString &name, const PrinterValues &values, const QString &jobName) override;

private:
    PrinterSystem *backend() const;

    QStringList m_folders;
    mutable bool m_tried = false;
    mutable QString m_error;
    mutable std::unique_ptr<PrinterSystem> m_backend;
};

// The file name of the plugin.
QString printerPluginFileName();
// Where scorvane-cli looks for it: beside the executable (the build tree), then in the installed
// library folder, found from the executable's folder so a moved installation keeps working.
QStringList printerPluginFolders(const QString &executableFolder);

} // namespace print
