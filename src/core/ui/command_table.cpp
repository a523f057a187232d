#include "core/ui/command_table.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace ui {

namespace {

using base::ToolButton;
using Id = CommandId;
using enum Place;

// Menus list their entries in this order; the command line's overview its verbs.
constexpr CommandRow kRows[] = {
    // 文件 and 帮助 of the main window.
    {.id = Id::EditSchoolTree, .place = MainFile, .name = u"menuClass", .caption = u"新建/编辑学校关系树(&C)"},
    {.id = Id::Open,
     .place = MainFile,
     .name = u"menuOpen",
     .caption = u"打开(&O)...",
     .shortcut = "Ctrl+O",
     .button = ToolButton::Open,
     .tip = u"打开",
     .icon = u"open"},
    {.place = MainFile, .name = u"-"},
    {.id = Id::ConvertTrialFiles, .place = MainFile, .name = u"menuCove", .caption = u"转换 试用版 格式数据表(&V)"},
    {.id = Id::ConvertCsvFile, .place = MainFile, .name = u"menuCovCSV", .caption = u"转换 CSV(逗号分隔符&)文本文件"},
    {.id = Id::ConvertDbfFile, .place = MainFile, .name = u"menuFoxExp", .caption = u"转换 &FoxPro 格式表格"},
    {.id = Id::ConvertXlsxFile, .place = MainFile, .name = u"menuCovXLSX", .caption = u"转换 Excel 表格(&K)…"},
    {.place = MainFile, .name = u"-"},
    {.id = Id::Exit, .place = MainFile, .name = u"menuExit", .caption = u"退出(&X)"},
    {.id = Id::HelpItem,
     .place = MainHelp,
     .name = u"menuHelpItem",
     .caption = u"帮助主题         ",
     .shortcut = "F1",
     .placeholder = true},
    {.place = MainHelp, .name = u"-"},
    {.id = Id::About, .place = MainHelp, .name = u"menuAbout", .caption = u"关于(&A)..."},
    // The school tree's menu, on a grade node.
    {.id = Id::GradeSummary, .place = SchoolTree, .name = u"menuGradeSummary", .caption = u"年级成绩汇总(&S)…"},
    // The main window's switches and the school tree's menu button.
    {.id = Id::SchoolTreeMenu,
     .place = Toolbar,
     .name = u"Toolbar1_2",
     .button = ToolButton::SchoolTree,
     .tip = u"新建/编辑学校关系树",
     .icon = u"school"},
    {.id = Id::ArrowKeys,
     .place = Toolbar,
     .name = u"Toolbar1_15",
     .button = ToolButton::ArrowKeys,
     .tip = u"方向键控制",
     .icon = u"arrowkeys",
     .checkable = true,
     .pressed = true},
    {.id = Id::HorizontalInput,
     .place = Toolbar,
     .name = u"Toolbar1_16",
     .button = ToolButton::Horizontal,
     .tip = u"横向输入",
     .icon = u"horizontal",
     .checkable = true,
     .pressed = true},
    {.id = Id::VerticalInput,
     .place = Toolbar,
     .name = u"Toolbar1_17",
     .button = ToolButton::Vertical,
     .tip = u"纵向输入",
     .icon = u"vertical",
     .checkable = true},

    // 成绩表 of a table window.
    {.id = Id::ChangeTitle, .place = TableFile, .name = u"menuChangTitile", .caption = u"更改表格标题(&T)"},
    {.id = Id::ClassSetup,
     .place = TableFile,
     .name = u"menuClassSetup",
     .caption = u"设置班级信息(&S)",
     .button = ToolButton::Properties,
     .tip = u"成绩表属性",
     .icon = u"properties"},
    {.id = Id::DataFormat, .place = TableFile, .name = u"menuSetdataFormat", .caption = u"设置数据格式(&D)"},
    {.place = TableFile, .name = u"-"},
    {.id = Id::CheckFormulas, .place = TableFile, .name = u"menuCheckGS", .caption = u"检查所有公式有效性(&C)"},
    {.id = Id::Calculate, .place = TableFile, .name = u"menuRun", .caption = u"计算所有公式(&R)"},
    {.place = TableFile, .name = u"-"},
    {.id = Id::Save,
     .place = TableFile,
     .name = u"menuSave",
     .caption = u"保存表格",
     .shortcut = "Ctrl+S",
     .button = ToolButton::Save,
     .tip = u"保存",
     .icon = u"save"},
    {.id = Id::SaveAs, .place = TableFile, .name = u"menuCopyTable", .caption = u"表格另存为...(&A)"},
    {.id = Id::SaveUnprotected, .place = TableFile, .name = u"menuUnPasSave", .caption = u"去除密码保护保存(&W)"},
    {.id = Id::ExportPart, .place = TableFile, .name = u"menuexptable", .caption = u"导出部分表格(&E)"},
    {.id = Id::ExportCsv, .place = TableFile, .name = u"menuSaveCVS", .caption = u"保存为CS&V文件(供其它程序调用)"},
    {.id = Id::ExportXlsx, .place = TableFile, .name = u"menuSaveXLSX", .caption = u"保存为Excel文件(&X)…"},
    {.place = TableFile, .name = u"-"},
    {.id = Id::ConvertTrial, .place = TableFile, .name = u"menuCovold", .caption = u"转换试用版数据表(&F)"},
    {.id = Id::ConvertCsv, .place = TableFile, .name = u"menuLoadCVS", .caption = u"转换CSV(逗号分隔符&)文本文件"},
    {.id = Id::ConvertDbf, .place = TableFile, .name = u"menuDRother", .caption = u"转换FoxPro格式表格(&O)"},
    {.id = Id::ConvertXlsx, .place = TableFile, .name = u"menuLoadXLSX", .caption = u"转换Excel表格(&X)…"},
    {.place = TableFile, .name = u"<menuImport", .caption = u"导入另一张表格(&I)"},
    {.id = Id::ImportTable, .place = TableFile, .name = u"menuImportAll", .caption = u"导入整张表格(&E)"},
    {.id = Id::ImportSelection,
     .place = TableFile,
     .name = u"menuImportSome",
     .caption = u"导入选定数据到指定位置(&S)"},
    {.place = TableFile, .name = u">"},
    {.place = TableFile, .name = u"-"},
    {.id = Id::PrinterSettings, .place = TableFile, .name = u"menuSeletPrinter", .caption = u"打印设置(&U)"},
    {.id = Id::PrintChart, .place = TableFile, .name = u"menuPrintTB", .caption = u"打印图表(&H)"},
    {.id = Id::PrintReport, .place = TableFile, .name = u"menuPrintBB", .caption = u"打印报表(&B)"},
    {.id = Id::PrintTable,
     .place = TableFile,
     .name = u"menuPrintView",
     .caption = u"打印、预览[表格](&P)",
     .shortcut = "Ctrl+P",
     .button = ToolButton::Print,
     .tip = u"打印",
     .icon = u"print"},
    {.place = TableFile, .name = u"-"},
    {.id = Id::Close, .place = TableFile, .name = u"menuClose", .caption = u"关闭(&X)"},

    // 编辑.
    {.id = Id::Undo,
     .place = Edit,
     .name = u"menuUndo",
     .caption = u"撤消(&U)",
     .shortcut = "Ctrl+Z",
     .button = ToolButton::Undo,
     .tip = u"撤消",
     .icon = u"undo"},
    {.id = Id::Redo, .place = Edit, .name = u"menuRedo", .caption = u"重做(&R)", .shortcut = "Ctrl+Y; Ctrl+Shift+Z"},
    {.place = Edit, .name = u"-"},
    {.id = Id::Cut,
     .place = Edit,
     .name = u"menuCut",
     .caption = u"剪切(&T)",
     .shortcut = "Ctrl+X",
     .button = ToolButton::Cut,
     .tip = u"剪切",
     .icon = u"cut"},
    {.id = Id::Copy,
     .place = Edit,
     .name = u"menuCopy",
     .caption = u"复制(&C)",
     .shortcut = "Ctrl+C",
     .button = ToolButton::Copy,
     .tip = u"复制",
     .icon = u"copy"},
    {.id = Id::Paste,
     .place = Edit,
     .name = u"menuPaste",
     .caption = u"粘贴(&P)",
     .shortcut = "Ctrl+V",
     .button = ToolButton::Paste,
     .tip = u"粘贴",
     .icon = u"paste"},
    {.id = Id::Delete, .place = Edit, .name = u"menuDel", .caption = u"删除(&L)", .shortcut = "Del"},
    {.place = Edit, .name = u"-"},
    {.id = Id::Find,
     .place = Edit,
     .name = u"menuFind",
     .caption = u"查找单元格(&F)",
     .shortcut = "Ctrl+F",
     .button = ToolButton::Find,
     .tip = u"查找",
     .icon = u"find"},
    {.place = Edit, .name = u"<menuFindJG", .caption = u"转到查找结果(&G)"},
    {.id = Id::FindResults, .place = Edit, .name = u"menuZD", .caption = u"(空)", .placeholder = true},
    {.place = Edit, .name = u">"},
    {.id = Id::ClearFindMarks, .place = Edit, .name = u"menuMark", .caption = u"清除查找标记(&M)"},
    {.id = Id::Replace, .place = Edit, .name = u"menuChange", .caption = u"替换(&R)", .shortcut = "Ctrl+H"},
    {.place = Edit, .name = u"-"},
    {.id = Id::SelectAll, .place = Edit, .name = u"menuSelAll", .caption = u"全选(&A)", .shortcut = "Ctrl+A"},

    // 格式.
    {.id = Id::Font, .place = Format, .name = u"menuFont", .caption = u"字体(&F)..."},
    {.id = Id::RowHeight, .place = Format, .name = u"menuHeight", .caption = u"行高(&H)"},
    {.id = Id::ColumnWidth, .place = Format, .name = u"mneuWeight", .caption = u"列宽(&W)"},
    {.place = Format, .name = u"-"},
    {.id = Id::ShowResults, .place = Format, .name = u"menuShowResults", .caption = u"显示公式结果"},

    // 成绩表字段.
    {.id = Id::InsertField, .place = Field, .name = u"menuIstLei", .caption = u"插入列[字段](&I)"},
    {.id = Id::RemoveField, .place = Field, .name = u"menuRemLei", .caption = u"删除列(&R)"},
    {.id = Id::RenameField, .place = Field, .name = u"menuChangeLeiTitle", .caption = u"更改列标题[字段名称](&E)"},
    {.id = Id::FieldManager, .place = Field, .name = u"menuAddTitle", .caption = u"表格字段管理(&A)"},
    {.place = Field, .name = u"-"},
    {.id = Id::SaveTemplate, .place = Field, .name = u"menuSaveModel", .caption = u"保存当前字段结构为模版(&S)"},
    {.place = Field, .name = u"-"},
    {.id = Id::Templates, .place = Field, .name = u"menuModel", .placeholder = true},

    // 工具.
    {.id = Id::FormulaEditor, .place = Tools, .name = u"menuGSBJ", .caption = u"公式编辑器(&G)"},
    {.id = Id::FormulaHelp, .place = Tools, .name = u"menuGSSM", .caption = u"公式说明(&V)"},
    {.id = Id::ReportEditor, .place = Tools, .name = u"menuBBedit", .caption = u"报表编辑器"},
    {.place = Tools, .name = u"-"},
    {.id = Id::Analysis, .place = Tools, .name = u"menuAnalysis", .caption = u"成绩分析(&A)…"},
    {.place = Tools, .name = u"-"},
    {.id = Id::Options, .place = Tools, .name = u"menuOptions", .caption = u"选项(&O)…"},

    // 窗口: the main window's arrangements.
    {.id = Id::Cascade, .place = Window, .name = u"menuCD", .caption = u"层叠(&S)"},
    {.id = Id::TileVertically, .place = Window, .name = u"menuZXPP", .caption = u"纵向平铺(&H)"},
    {.id = Id::TileHorizontally, .place = Window, .name = u"menuHXPP", .caption = u"横向平铺(&E)"},
    {.id = Id::ArrangeIcons, .place = Window, .name = u"menuPL", .caption = u"排列图标(&A)"},
    {.place = Window, .name = u"-"},
    {.place = Window, .name = u"<menuSelWindow", .caption = u"选择数据表(&L)"},
    {.place = Window, .name = u">"},

    // 帮助.
    {.id = Id::HelpTopics,
     .place = Help,
     .name = u"menuHelpZT",
     .caption = u"帮助主题",
     .shortcut = "F1",
     .button = ToolButton::Help,
     .tip = u"帮助",
     .icon = u"help"},
    {.id = Id::About, .place = Help, .name = u"menuAbout", .caption = u"关于...(&A)"},

    // The grid's right-click menu.
    {.id = Id::EditCell, .place = Popup, .name = u"menuEditit", .caption = u"编辑选中单元格(&E)"},
    {.id = Id::ImportColumn, .place = Popup, .name = u"menuImportCVS", .caption = u"从CS&V文件导入到该列"},
    {.id = Id::SetColumnFormula, .place = Popup, .name = u"menuSetGStoLine", .caption = u"设置该公式为本列公式(&S)"},
    {.place = Popup, .name = u"-"},
    {.id = Id::Analysis, .place = Popup, .name = u"menuAnalysis", .caption = u"成绩分析(&A)…"},

    // Toolbar buttons without a menu entry.
    {.id = Id::SortAscending,
     .place = Toolbar,
     .name = u"menuSortAsc",
     .button = ToolButton::SortAscending,
     .tip = u"升序排列",
     .icon = u"sortasc"},
    {.id = Id::SortDescending,
     .place = Toolbar,
     .name = u"menuSortDesc",
     .button = ToolButton::SortDescending,
     .tip = u"降序排列",
     .icon = u"sortdesc"},

    // The command line.
    {.id = Id::CliShow,
     .name = u"show",
     .usage = "show FILE.gdt",
     .summary = "Prints the title, rows, columns, teacher, class information, data format and every grid row\n"
                "(cells joined by TAB, formulas as their values)."},
    {.id = Id::CliSaveAs,
     .name = u"save-as",
     .usage = "save-as IN.gdt OUT.gdt [--unprotected]",
     .summary = "Loads a table and saves it under another name."},
    {.id = Id::CliCalc, .name = u"calc", .usage = "calc EXPR", .summary = "Evaluates an expression."},
    {.id = Id::CliUser,
     .name = u"user",
     .usage = "user add NAME PW\nuser passwd NAME OLD NEW\nuser list",
     .summary = "The user store of the program directory."},
    {.id = Id::CliTemplate,
     .name = u"template",
     .usage = "template list\ntemplate save FILE.gdt NAME\ntemplate apply FILE.gdt NAME [--out OUT.gdt]",
     .summary = "The field templates: list them, save a table's fields as one, give a table its fields."},
    {.id = Id::CliField,
     .name = u"field",
     .usage = "field insert FILE.gdt AT NAME\nfield remove FILE.gdt FIELD\nfield rename FILE.gdt FIELD NAME",
     .summary = "Inserts (AT 0 before field 1), removes or renames a field."},
    {.id = Id::CliSetProps,
     .name = u"set-props",
     .usage = "set-props FILE.gdt [--title T] [--teacher X] [--class-info Y] [--class-size N] [--decimals N [--pad]]",
     .summary = "Changes a table's title, teacher, class information, class size or data format."},
    {.id = Id::CliFormula,
     .name = u"formula",
     .usage = "formula FILE.gdt OP R1,C1 R2,C2 --at R,C",
     .summary = "Prints the formula body the formula editor builds and its value; OP is sum, diff, product,\n"
                "average, variance, stddev or the Chinese names."},
    {.id = Id::CliSchool,
     .name = u"school",
     .usage = "school show\nschool tables PATH [--proposed]",
     .summary = "The school tree, and the tables of one of its classes."},
    {.id = Id::CliNewTable,
     .name = u"new-table",
     .usage = "new-table PATH NAME [--title T] [--class-size N] [--teacher X] [--class-info Y] [--decimals N [--pad]]\n"
              " [--template NAME]",
     .summary = "Makes a new table in a class of the school tree."},
    {.id = Id::CliFind,
     .name = u"find",
     .usage = "find FILE.gdt TEXT [--contains]",
     .summary = "Prints the results menu's captions, one per line."},
    {.id = Id::CliReplace,
     .name = u"replace",
     .usage = "replace FILE.gdt FROM TO [--whole] [--out OUT.gdt]",
     .summary = "Replaces a text in every cell; prints the number of cells changed."},
    {.id = Id::CliSort,
     .name = u"sort",
     .usage = "sort FILE.gdt FIELD [--desc] [--rank-into FIELD [--ties shared]] [--out OUT.gdt]",
     .summary = "Sorts the students by a field, optionally writing their ranks into another (--ties shared:\n"
                "equal values share a rank, 1, 2, 2, 4)."},
    {.id = Id::CliExportCsv,
     .name = u"export-csv",
     .usage = "export-csv FILE.gdt OUT.csv",
     .summary = "Writes the table as a CSV file."},
    {.id = Id::CliExportXlsx,
     .name = u"export-xlsx",
     .usage = "export-xlsx FILE.gdt OUT.xlsx [--yes]",
     .summary = "Writes the table as an Excel workbook (.xlsx), numbers as number cells."},
    {.id = Id::CliImportColumn,
     .name = u"import-column",
     .usage = "import-column FILE.gdt FIELD IN.csv|IN.xlsx|IN.xls [--out OUT.gdt]",
     .summary = "Fills a field from a CSV file or from column A of a workbook's first sheet; prints the number\n"
                "of cells filled."},
    {.id = Id::CliImportTable,
     .name = u"import-table",
     .usage = "import-table FILE.gdt SOURCE.gdt [--out OUT.gdt]",
     .summary = "Imports a whole table."},
    {.id = Id::CliFillColumn,
     .name = u"fill-column",
     .usage = "fill-column FILE.gdt FIELD SOURCE.gdt SFIELD [--match KEY SKEY] [--out OUT.gdt]",
     .summary = "Fills a field from a field of another table, row by row or by matching keys."},
    {.id = Id::CliExportPart,
     .name = u"export-part",
     .usage = "export-part FILE.gdt OUT.gdt --fields F[,F...] [--rows N[-M][,...]]",
     .summary = "Writes some fields and rows of a table as a new table."},
    {.id = Id::CliConvertCsv,
     .name = u"convert-csv",
     .usage = "convert-csv IN.csv OUT.gdt [--title T] [--teacher X] [--class-info Y]",
     .summary = "Makes a table of a CSV file."},
    {.id = Id::CliConvertDbf,
     .name = u"convert-dbf",
     .usage = "convert-dbf IN.dbf OUT.gdt [--title T] [--teacher X] [--class-info Y]",
     .summary = "Makes a table of a FoxPro (DBF) file."},
    {.id = Id::CliConvertXlsx,
     .name = u"convert-xlsx",
     .usage = "convert-xlsx IN.xlsx|IN.xls OUT.gdt [--sheet N|NAME] [--title T] [--teacher X] [--class-info Y]\n"
              " [--yes]",
     .summary = "Makes a table of a sheet of an Excel workbook (N counts from 1; default the first sheet)."},
    {.id = Id::CliConvertTrial,
     .name = u"convert-trial",
     .usage = "convert-trial [--backup] FILE.gdt...",
     .summary = "Converts tables of the trial version in place."},
    {.id = Id::CliPrint,
     .name = u"print",
     .usage = "print FILE.gdt --pdf OUT.pdf | --printer NAME [--page N | --row R] [--title T] [--footer T]\n"
              " [--no-teacher] [--no-class-info] [--no-lines] [--no-fit] [--page-numbers]\n"
              " [--pen-width 1-10] [--date YYYY-MM-DD]\n"
              "print FILE.gdt --list-pages",
     .summary = "Prints the table, as PDF or on a printer, or lists the page choices. --page-numbers puts\n"
                "\"第 N 页 共 M 页\" under every page; --pen-width is the table lines' width in device pixels\n"
                "(the header's doubled), as 打印设置 sets it."},
    {.id = Id::CliChart,
     .name = u"chart",
     .usage = "chart FILE.gdt --type bar|up|down --fields F[,F...] --rows R[,R...|A-B] [--label-field F]\n"
              " [--min N] [--max N] [--segments N] [--title T] [--date YYYY-MM-DD]\n"
              " (--pdf OUT.pdf | --bmp OUT.bmp | --printer NAME)",
     .summary = "The chart window's drawing: the A4 page as PDF or on a printer, or the preview as a bitmap."},
    {.id = Id::CliReport,
     .name = u"report",
     .usage = "report FILE.gdt TEMPLATE.rpl [--bind NAME] [--link LABEL=FIELD]... [--item K | --items A-B | --all]\n"
              " (--pdf OUT.pdf | --printer NAME)",
     .summary = "One report card per student."},
    {.id = Id::CliBind,
     .name = u"bind",
     .usage = "bind TEMPLATE.rpl FILE.gdt --save NAME LABEL=FIELD...",
     .summary = "Binds a template's labels to fields, written to 标签引用数据/NAME.bind."},
    {.id = Id::CliStats,
     .name = u"stats",
     .usage = "stats FILE.gdt [--fields F[,F...]] [--full N] [--full FIELD=N]... [--pass P] [--excellent E]\n"
              " [--low L] [--band W] [--pdf OUT.pdf]\n"
              "stats --grade GRADEPATH NAME [--fields F[,F...]] [the same options] [--pdf OUT.pdf]",
     .summary = "The grade analysis: each field's figures and score bands (TAB-separated), or with --grade the\n"
                "table NAME of every class of a grade side by side (GRADEPATH as in school tables, notes on\n"
                "stderr). --full sets the full marks (100), --pass, --excellent and --low the lines in per cent\n"
                "of them (60, 85, 40), --band the band width (10); --pdf also writes the printed page."},
};

constexpr MenuTitle kMenuTitles[] = {
    {MainFile, u"menuMainFile", u"文件(&F)"}, {MainHelp, u"menuMainHelp", u"帮助(&H)"},
    {TableFile, u"menuFile", u"成绩表(&B)"},  {Edit, u"menuEdit", u"编辑(&E)"},
    {Format, u"menuFormat", u"格式(&O)"},     {Field, u"menuField", u"成绩表字段(&L)"},
    {Tools, u"menuTools", u"工具(&T)"},       {Window, u"menuWindow", u"窗口(&W)"},
    {Help, u"menuHelp", u"帮助(&H)"},         {Popup, u"menuPop1", u"右键菜单1"},
};

QStringList lines(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'));
}

} // namespace

std::span<const CommandRow> commandTable()
{
    return kRows;
}

const MenuTitle &menuTitle(Place place)
{
    const auto it = std::find_if(std::begin(kMenuTitles), std::end(kMenuTitles),
                                 [place](const MenuTitle &t) { return t.place == place; });
    return it != std::end(kMenuTitles) ? *it : kMenuTitles[0];
}

std::vector<MenuEntry> menuEntries(Place place)
{
    std::vector<MenuEntry> entries;
    for (const CommandRow &row : kRows)
        if (row.place == place)
            entries.push_back({row.name, row.caption, row.shortcut});
    return entries;
}

QString commandName(CommandId id)
{
    for (const CommandRow &row : kRows)
        if (row.id == id && id != CommandId::None)
            return QString::fromUtf16(row.name);
    return {};
}

QString stepLabel(CommandId id)
{
    for (const CommandRow &row : kRows) {
        if (row.id != id || id == CommandId::None || (!*row.caption && !*row.tip))
            continue;
        QString label = QString::fromUtf16(*row.caption ? row.caption : row.tip);
        static const QRegularExpression remarks(QStringLiteral("\\(&.\\)|\\[[^\\]]*\\]|\\.\\.\\.|…|&"));
        return label.remove(remarks).trimmed();
    }
    return {};
}

CommandId commandNamed(QStringView name)
{
    for (const CommandRow &row : kRows)
        if (row.id != CommandId::None && name == QStringView(row.name))
            return row.id;
    return CommandId::None;
}

const CommandRow *buttonRow(base::ToolButton button)
{
    if (button == base::ToolButton::None)
        return nullptr;
    for (const CommandRow &row : kRows)
        if (row.button == button)
            return &row;
    return nullptr;
}

std::vector<const CommandRow *> toolbarRows()
{
    std::vector<const CommandRow *> rows;
    for (const CommandRow &row : kRows)
        if (row.button != base::ToolButton::None)
            rows.push_back(&row);
    std::sort(rows.begin(), rows.end(),
              [](const CommandRow *a, const CommandRow *b) { return int(a->button) < int(b->button); });
    return rows;
}

const CommandRow *verbRow(QStringView verb)
{
    for (const CommandRow &row : kRows)
        if (row.place == CommandLine && verb == QStringView(row.name))
            return &row;
    return nullptr;
}

QStringList verbForms(const CommandRow &row)
{
    QStringList forms;
    for (const QString &line : lines(row.usage)) {
        if (line.startsWith(QLatin1Char(' ')) && !forms.isEmpty())
            forms.last() += QLatin1String("\n    ") + line.trimmed();
        else
            forms << line;
    }
    return forms;
}

QString commandLineHelp()
{
    QString text = QStringLiteral(
        "usage: scorvane-cli [--dir DIR] [--user NAME --password PW | --table-password PW] [--yes] COMMAND ARGS...\n"
        "FIELD is a column number or a field name; table-changing commands write in place unless --out OUT.gdt.\n"
        "After \"--\" every argument is an operand, also one that begins with \"-\".\n"
        "commands:\n"
        "  help [COMMAND] | --version\n");
    for (const CommandRow &row : kRows) {
        if (row.place != CommandLine)
            continue;
        for (const QString &line : lines(row.usage))
            text += (line.startsWith(QLatin1Char(' ')) ? QLatin1String("       ") : QLatin1String("  ")) + line +
                    QLatin1Char('\n');
        for (const QString &line : lines(row.summary))
            text += QLatin1String("      ") + line + QLatin1Char('\n');
    }
    return text;
}

} // namespace ui
