#pragma once
// The printer settings (the logic behind PrinterSettingsDialog "打印设置："): the printer and the four
// program-wide settings every print routine applies (copies, quality, pen width, duplex).
#include "core/print/printer.h"

#include <QString>
#include <QStringList>
#include <array>

namespace base {
class Workspace;
}

namespace print {

inline const QString kNoPrinterInstalled = QStringLiteral("没有安装打印机设备");

struct QualityEntry {
    QString text;
    int value;
};
// 打印质量：草稿, 低, 一般, 高 (−1 … −4) and 300, 600, 900, 1440 dpi.
const std::array<QualityEntry, 8> &qualityEntries();
// The entry a quality selects: −1 草稿, −2 低, −4 高, any other value 一般.
int qualityIndex(int quality);
// The copies typed: the number, 1 when it is below 1 or not a number, at most 999.
int copiesFromText(const QString &text);
inline constexpr int kMaxCopies = 999;

// What the dialog shows and collects.
struct PrinterSetup {
    QStringList printers;                 // Combo1; only kNoPrinterInstalled when there is none
    bool available = false;               // a printer is installed: Combo1 and 确定 enabled
    int printer = 0;                      // Combo1's position
    QString copies = QStringLiteral("1"); // Text1
    int quality = 2;                      // Combo2's position
    int penWidth = 1;                     // Combo3, 1 … 10
    bool duplex = false;                  // Check1 双面打印
    bool horizontal = true;               // Option1 水平方向, else Option2 垂直方向
};

// Load: every installed printer, the current one selected and its values shown.
PrinterSetup loadPrinterSetup(const PrinterSystem &system, const base::Workspace &ws);
// Choosing the printer at `index`: its values fill the other controls. The printer in use shows
// the program's settings, any other its own. One-sided clears 双面打印; two-sided ticks it with
// its direction.
void choosePrinter(PrinterSetup &setup, int index, const PrinterSystem &system, const base::Workspace &ws);
// 确定: the chosen printer becomes current and the settings program-wide. Nothing happens without
// a printer.
void acceptPrinterSetup(const PrinterSetup &setup, base::Workspace &ws);

} // namespace print
