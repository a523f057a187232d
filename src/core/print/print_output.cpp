#include "core/print/print_output.h"

#include "core/base/file_writer.h"
#include "core/base/progress.h"
#include "core/base/workspace.h"
#include "core/print/painter_surface.h"
#include "core/print/pdf_text_layer.h"
#include "core/print/printer.h"
#include "core/ui/prompter.h"

#include <QBuffer>
#include <algorithm>

namespace print {

namespace {

const QString kPrintErrorTitle = QStringLiteral("打印错误");

} // namespace

void showPrinterError(ui::Prompter &prompter)
{
    prompter.message(QStringLiteral("打印错误，请检查 打印机连接！"), kPrintErrorTitle, ui::Icon::Critical);
}

bool printPages(const PageLayout &layout, const QString &jobName, int orientation, base::Workspace &ws,
                ui::Prompter &prompter)
{
    base::BusyScope busy(ws, QStringLiteral("正在打印..."));
    PrinterSystem &system = printers(ws);
    const QString name = currentPrinter(system, ws);
    PrinterValues values = settingsOf(ws);
    values.orientation = orientation == kLandscape ? kLandscape : kPortrait;
    std::unique_ptr<Surface> printer = name.isEmpty() ? nullptr : system.open(name, values, jobName);
    if (!printer) {
        showPrinterError(prompter);
        return false;
    }
    // Laid out in full before the job starts, so an error leaves no half-printed job behind.
    RecordingSurface pages(RecordingSurface::Measure::Fonts, printer->twipsPerPixelX(), printer->Width(),
                           printer->Height());
    pages.setDrawWidth(ws.printLineWidth);
    QString error;
    if (!layout(pages, &error)) {
        prompter.message(error, kPrintErrorTitle, ui::Icon::Critical);
        return false;
    }
    // A layout that draws nothing still has its pages: a blank template prints a blank page.
    pages.playOnto(*printer);
    if (!printer->EndDoc()) {
        printer->KillDoc();
        showPrinterError(prompter);
        return false;
    }
    return true;
}

QByteArray renderPdf(const RecordingSurface &layout, const QString &title)
{
    // A page of a full class table takes some 50 KiB; room for all of them saves the copying.
    QByteArray bytes;
    bytes.reserve(qsizetype(std::min<qsizetype>(layout.pageCount(), 2000)) * 64 * 1024);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        PdfSurface pdf(&buffer, title, layout.Width() > layout.Height());
        layout.playOnto(pdf);
        if (!pdf.EndDoc())
            return {};
    }
    buffer.close();
    correctTextLayer(bytes, layout);
    bytes.squeeze();
    return bytes;
}

bool exportPagesPdf(const PageLayout &layout, const QString &title, int orientation, int penWidth, const QString &path,
                    base::Progress &progress, ui::Prompter &prompter)
{
    base::BusyScope busy(progress, QStringLiteral("正在导出PDF文件..."));
    const bool landscape = orientation == kLandscape;
    RecordingSurface pages(RecordingSurface::Measure::Fonts, PdfSurface::kTwipsPerPixel,
                           landscape ? kA4Height : kA4Width, landscape ? kA4Width : kA4Height);
    pages.setDrawWidth(penWidth);
    QString error;
    if (!layout(pages, &error)) {
        prompter.message(error, kPrintErrorTitle, ui::Icon::Critical);
        return false;
    }
    const QByteArray pdf = renderPdf(pages, title);
    if (pdf.isEmpty() || base::writeFileAtomically(path, pdf) != base::WriteResult::Written) {
        prompter.message(kOutputSaveFailed, QStringLiteral("错误"), ui::Icon::Critical);
        return false;
    }
    return true;
}

} // namespace print
