#include "cli/printer_plugin.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

// The installed plugin folder relative to the installed programs' folder.
#ifndef SCORVANE_PLUGIN_DIR_FROM_BIN
#error "SCORVANE_PLUGIN_DIR_FROM_BIN is set by src/CMakeLists.txt"
#endif

namespace print {

QString printerPluginFileName()
{
    return QStringLiteral("scorvane-printers.so");
}

QStringList printerPluginFolders(const QString &executableFolder)
{
    const QDir bin(executableFolder);
    QStringList folders{bin.absolutePath()};
    const QString installed = QDir::cleanPath(bin.absoluteFilePath(QStringLiteral(SCORVANE_PLUGIN_DIR_FROM_BIN)));
    if (!folders.contains(installed))
        folders << installed;
    return folders;
}

PluginPrinterSystem::PluginPrinterSystem(QStringList folders) : m_folders(std::move(folders)) {}

PluginPrinterSystem::~PluginPrinterSystem() = default;

QString PluginPrinterSystem::loadError() const
{
    backend();
    return m_error;
}

PrinterSystem *PluginPrinterSystem::backend() const
{
    if (m_tried)
        return m_backend.get();
    m_tried = true;
    const QString name = printerPluginFileName();
    QString path;
    for (const QString &folder : m_folders) {
        const QString candidate = QDir(folder).filePath(name);
        if (QFileInfo::exists(candidate)) {
            path = candidate;
            break;
        }
    }
    const QString cannot = QStringLiteral("无法使用打印机：");
    if (path.isEmpty()) {
        m_error =
            cannot + QStringLiteral("找不到打印支持 %1（查找了 %2）。").arg(name, m_folders.join(QStringLiteral("、")));
        return nullptr;
    }
    // Never unloaded: the surfaces it makes run its code until the program ends.
    QLibrary library(path);
    const auto entry = reinterpret_cast<PrinterPluginEntry>(library.resolve(kPrinterPluginEntry));
    if (!entry) {
        m_error = cannot + QStringLiteral("打印支持 %1 无法载入（%2）。").arg(path, library.errorString());
        return nullptr;
    }
    m_backend.reset(entry());
    return m_backend.get();
}

QStringList PluginPrinterSystem::printerNames() const
{
    const PrinterSystem *b = backend();
    return b ? b->printerNames() : QStringList();
}

QString PluginPrinterSystem::defaultPrinterName() const
{
    const PrinterSystem *b = backend();
    return b ? b->defaultPrinterName() : QString();
}

PrinterValues PluginPrinterSystem::currentValues(const QString &name) const
{
    const PrinterSystem *b = backend();
    return b ? b->currentValues(name) : PrinterValues();
}

std::unique_ptr<Surface> PluginPrinterSystem::open(const QString &name, const PrinterValues &values,
                                                   const QString &jobName)
{
    PrinterSystem *b = backend();
    return b ? b->open(name, values, jobName) : nullptr;
}

} // namespace print
