#include "core/table/table_menus.h"

namespace table {

namespace {

const ui::MenuEntry kTableMenuEntries[] = {
    {u"menuChangTitile", u"更改表格标题(&T)"},
    {u"menuClassSetup", u"设置班级信息(&S)"},
    {u"menuSetdataFormat", u"设置数据格式(&D)"},
    {u"-", u""},
    {u"menuCheckGS", u"检查所有公式有效性(&C)"},
    {u"menuRun", u"计算所有公式(&R)"},
    {u"-", u""},
    {u"menuSave", u"保存表格", "Ctrl+S"},
    {u"menuCopyTable", u"表格另存为...(&A)"},
    {u"menuUnPasSave", u"去除密码保护保存(&W)"},
    {u"menuexptable", u"导出部分表格(&E)"},
    {u"menuSaveCVS", u"保存为CS&V文件(供其它程序调用)"},
    {u"-", u""},
    {u"menuCovold", u"转换试用版数据表(&F)"},
    {u"menuLoadCVS", u"转换CSV(逗号分隔符&)文本文件"},
    {u"menuDRother", u"转换FoxPro格式表格(&O)"},
    {u"<menuImport", u"导入另一张表格(&I)"},
    {u"menuImportAll", u"导入整张表格(&E)"},
    {u"menuImportSome", u"导入选定数据到指定位置(&S)"},
    {u">", u""},
    {u"-", u""},
    {u"menuSeletPrinter", u"打印设置(&U)"},
    {u"menuPrintTB", u"打印图表(&H)"},
    {u"menuPrintBB", u"打印报表(&B)"},
    {u"menuPrintView", u"打印、预览[表格](&P)", "Ctrl+P"},
    {u"-", u""},
    {u"menuClose", u"关闭(&X)"},
};
const ui::MenuEntry kEditMenuEntries[] = {
    {u"menuUndo", u"撤消(&U)", "Ctrl+Z"},
    {u"-", u""},
    {u"menuCut", u"剪切(&T)", "Ctrl+X"},
    {u"menuCopy", u"复制(&C)", "Ctrl+C"},
    {u"menuPaste", u"粘贴(&P)", "Ctrl+V"},
    {u"menuDel", u"删除(&L)", "Del"},
    {u"-", u""},
    {u"menuFind", u"查找单元格(&F)", "Ctrl+F"},
    {u"<menuFindJG", u"转到查找结果(&G)"},
    {u"menuZD", u"(空)"},
    {u">", u""},
    {u"menuMark", u"清除查找标记(&M)"},
    {u"menuChange", u"替换(&R)", "Ctrl+H"},
    {u"-", u""},
    {u"menuSelAll", u"全选(&A)", "Ctrl+A"},
};
const ui::MenuEntry kFormatMenuEntries[] = {
    {u"menuFont", u"字体(&F)..."},         {u"menuHeight", u"行高(&H)"}, {u"mneuWeight", u"列宽(&W)"}, {u"-", u""},
    {u"menuShowResults", u"显示公式结果"},
};
const ui::MenuEntry kFieldMenuEntries[] = {
    {u"menuIstLei", u"插入列[字段](&I)"},
    {u"menuRemLei", u"删除列(&R)"},
    {u"menuChangeLeiTitle", u"更改列标题[字段名称](&E)"},
    {u"menuAddTitle", u"表格字段管理(&A)"},
    {u"-", u""},
    {u"menuSaveModel", u"保存当前字段结构为模版(&S)"},
    {u"-", u""},
    {u"menuModel", u""},
};
const ui::MenuEntry kToolsMenuEntries[] = {
    {u"menuGSBJ", u"公式编辑器(&G)"},
    {u"menuGSSM", u"公式说明(&V)"},
    {u"menuBBedit", u"报表编辑器"},
};
const ui::MenuEntry kWindowMenuEntries[] = {
    {u"menuCD", u"层叠(&S)"},
    {u"menuZXPP", u"纵向平铺(&H)"},
    {u"menuHXPP", u"横向平铺(&E)"},
    {u"menuPL", u"排列图标(&A)"},
    {u"-", u""},
    {u"<menuSelWindow", u"选择数据表(&L)"},
    {u">", u""},
};
const ui::MenuEntry kHelpMenuEntries[] = {
    {u"menuHelpZT", u"帮助主题", "F1"},
    {u"menuAbout", u"关于...(&A)"},
};
const ui::MenuEntry kPopMenuEntries[] = {
    {u"menuEditit", u"编辑选中单元格(&E)"},
    {u"menuImportCVS", u"从CS&V文件导入到该列"},
    {u"menuSetGStoLine", u"设置该公式为本列公式(&S)"},
};

} // namespace

const std::span<const ui::MenuEntry> kTableMenu(kTableMenuEntries);
const std::span<const ui::MenuEntry> kEditMenu(kEditMenuEntries);
const std::span<const ui::MenuEntry> kFormatMenu(kFormatMenuEntries);
const std::span<const ui::MenuEntry> kFieldMenu(kFieldMenuEntries);
const std::span<const ui::MenuEntry> kToolsMenu(kToolsMenuEntries);
const std::span<const ui::MenuEntry> kWindowMenu(kWindowMenuEntries);
const std::span<const ui::MenuEntry> kHelpMenu(kHelpMenuEntries);
const std::span<const ui::MenuEntry> kPopMenu(kPopMenuEntries);

} // namespace table
