#pragma once
// The exchange commands of the table window that open a dialog: 导入选定数据到指定位置
// (menuImportSome, frmImport), 导出表格指定数据 (menuexptable, frmExpTable) and the converters
// (menuLoadCVS → frmCSV, menuDRother → Form2, menuCovold → frmCove). The converters of the main
// window's 文件 menu are opened by openCsvConverter, openDbfConverter and openTrialConverter
// (exchange/converter_dialog.h).
namespace table {
class CommandRegistry;
}

namespace exchange {

void registerExchangeDialogs(table::CommandRegistry &registry);

} // namespace exchange
