#pragma once
// How every print routine sends its pages out: the whole job is laid out on a recording first and
// only then played onto the printer or written as a PDF, so a layout error leaves no half-printed
// job and no partial file behind. The table print, the charts and the report cards share it.
#include "core/print/recording_surface.h"

#include <QString>
#include <functional>

namespace base {
class Progress;
class Workspace;
} // namespace base
namespace ui {
class Prompter;
}

namespace print {

// Draws a job's pages on `pages` (page breaks with NewPage, no EndDoc). False with the message in
// *error when the layout stopped.
using PageLayout = std::function<bool(Surface &pages, QString *error)>;

// The refusal of a PDF or picture that could not be written.
inline const QString kOutputSaveFailed = QStringLiteral("文件保存失败，请检查介质是否可写、输入的文件名是否合法。");

inline constexpr int kPortrait = 1;
inline constexpr int kLandscape = 2;

// "打印错误，请检查 打印机连接！" titled "打印错误", critical.
void showPrinterError(ui::Prompter &prompter);

// 打印: on the current printer with the program's settings (copies, quality, pen width, duplex)
// and `orientation`. Without a printer, or when it fails, the printer error; a failed job is
// aborted. False as well when the layout holds nothing to print (no job is started).
bool printPages(const PageLayout &layout, const QString &jobName, int orientation, base::Workspace &ws,
                ui::Prompter &prompter);

// The PDF document of a paper layout (laid out at PdfSurface::kTwipsPerPixel), its pages A4 in the
// layout's orientation (wider than high: landscape); empty only when the PDF writer fails. A layout that
// draws nothing gives its pages blank.
QByteArray renderPdf(const RecordingSurface &layout, const QString &title);

// 导出PDF: the pages 打印 would print, into `path`, written whole or not at all; a failure says so.
bool exportPagesPdf(const PageLayout &layout, const QString &title, int orientation, int penWidth, const QString &path,
                    base::Progress &progress, ui::Prompter &prompter);

} // namespace print
