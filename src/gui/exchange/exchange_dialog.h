#pragma once
// The exchange commands of the table window that open a dialog: 导入选定数据到指定位置
// (menuImportSome, ImportDialog), 导出表格指定数据 (menuexptable, ExportTableDialog) and the converters
// (menuLoadCVS → frmCSV, menuDRother → Form2, menuCovold → TrialConvertDialog), and the same converters as
// frame commands of the main window's 文件 menu (menuCovCSV, menuFoxExp, menuCove); the openers
// themselves are in exchange/converter_dialog.h.
namespace table {
class CommandRegistry;
}

namespace exchange {

void registerExchangeDialogs(table::CommandRegistry &registry);

} // namespace exchange
