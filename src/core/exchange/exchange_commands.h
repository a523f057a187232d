#pragma once
// The exchange commands of the table window that need no dialog: 保存为CSV文件 (menuSaveCVS),
// 保存为Excel文件 (menuSaveXLSX),
// 从CSV文件导入到该列 (menuImportCVS) and 导入整张表格 (menuImportAll).
namespace table {
class CommandRegistry;
}

namespace exchange {

void registerExchangeCommands(table::CommandRegistry &registry);

} // namespace exchange
