#pragma once
// The field and title commands of a table window that need no dialog of their own, for the
// command layer: 插入列[字段](&I), 删除列(&R), 更改列标题[字段名称](&E), 保存当前字段结构为模版(&S),
// 更改表格标题(&T), and one command per entry of the template menu.
#include "core/table/command.h"

namespace table {

// menuIstLei, menuRemLei, menuChangeLeiTitle, menuSaveModel, menuChangTitile.
void registerFieldCommands(CommandRegistry &registry);

// The command behind one entry of the template menu (menuModel): applies the template file
// `entry` (its caption, "<name>.templet") to the table. Named "menuModel".
Command templateCommand(const QString &entry);

} // namespace table
