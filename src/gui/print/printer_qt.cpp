#include "gui/print/printer_qt.h"

#include "core/print/painter_surface.h"

#include <QPageLayout>
#include <QPrinterInfo>

namespace print {

namespace {

// Prints on a QPrinter it owns; a failed job is aborted, so nothing half-done reaches the paper.
class QtPrinterSurface : public PainterSurface {
public:
    QtPrinterSurface(std::unique_ptr<QPrinter> printer, bool landscape)
        : PainterSurface(printer.get(), 1440.0 / std::max(1, printer->resolution()), landscape ? kA4Height : kA4Width,
                         landscape ? kA4Width : kA4Height),
          m_printer(std::move(printer))
    {
    }
    ~QtPrinterSurface() override { endPainter(); }
    void KillDoc() override
    {
        if (begun())
            m_printer->abort();
        endPainter();
    }

protected:
    QString deviceError() const override { return QStringLiteral("printer error"); }

private:
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace

void applyPrinterValues(QPrinter &printer, const PrinterValues &values)
{
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(values.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setCopyCount(std::max(1, values.copies));
    if (values.quality > 0)
        printer.setResolution(values.quality);
    printer.setDuplex(qtDuplexMode(values.duplex));
}

QPrinter::DuplexMode qtDuplexMode(int duplex)
{
    switch (duplex) {
    case 2:
        return QPrinter::DuplexShortSide;
    case 3:
        return QPrinter::DuplexLongSide;
    default:
        return QPrinter::DuplexNone;
    }
}

QStringList QtPrinterSystem::printerNames() const
{
    return QPrinterInfo::availablePrinterNames();
}

QString QtPrinterSystem::defaultPrinterName() const
{
    return QPrinterInfo::defaultPrinterName();
}

PrinterValues QtPrinterSystem::currentValues(const QString &name) const
{
    PrinterValues v;
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return v;
    QPrinter printer(info, QPrinter::HighResolution);
    v.copies = std::max(1, printer.copyCount());
    v.quality = printer.resolution() > 0 ? printer.resolution() : -3;
    switch (info.defaultDuplexMode()) {
    case QPrinter::DuplexShortSide:
        v.duplex = 2;
        break;
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        v.duplex = 3;
        break;
    default:
        v.duplex = 1;
        break;
    }
    return v;
}

std::unique_ptr<Surface> QtPrinterSystem::open(const QString &name, const PrinterValues &values, const QString &jobName)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return {};
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // Without a usable queue QPrinter silently turns into a PDF printer without a file.
    if (!printer->isValid() || printer->outputFormat() != QPrinter::NativeFormat)
        return {};
    applyPrinterValues(*printer, values);
    printer->setDocName(jobName);
    return std::make_unique<QtPrinterSurface>(std::move(printer), values.orientation == 2);
}

} // namespace print
