#pragma once
// The program's commands, each declared once in one table (command_table.cpp): its system name
// (the objectName of its menu entry), caption, menu place, shortcut, toolbar button and, for the
// command line, its verb, usage and summary. Menus, the toolbar, the command-line dispatch and
// `scorvane-cli --help` are all made from the table. What a command does is bound to its id in the
// folder whose logic it runs (table::CommandRegistry for the windows, cli::verbs() for the command
// line), so the table needs no layer above it.
#include "core/base/workspace.h"
#include "core/ui/menu_layout.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <span>
#include <vector>

namespace ui {

// Where a row appears: a menu of the main window or of a table window, the school tree's menu, the
// toolbar only, or the command line.
enum class Place : std::uint8_t {
    CommandLine,
    Toolbar,
    MainFile,
    MainHelp,
    TableFile,
    Edit,
    Format,
    Field,
    Tools,
    Window,
    Help,
    Popup,
    SchoolTree,
};

enum class CommandId : std::uint8_t {
    None, // separators and submenus
    // The main window's own menus and buttons.
    EditSchoolTree,
    Open,
    ConvertTrialFiles,
    ConvertCsvFile,
    ConvertDbfFile,
    ConvertXlsxFile,
    Exit,
    HelpItem,
    About,
    SchoolTreeMenu,
    GradeSummary,
    ArrowKeys,
    HorizontalInput,
    VerticalInput,
    // A table window's menus and buttons.
    ChangeTitle,
    ClassSetup,
    DataFormat,
    CheckFormulas,
    Calculate,
    Save,
    SaveAs,
    SaveUnprotected,
    ExportPart,
    ExportCsv,
    ExportXlsx,
    ConvertTrial,
    ConvertCsv,
    ConvertDbf,
    ConvertXlsx,
    ImportTable,
    ImportSelection,
    PrinterSettings,
    PrintChart,
    PrintReport,
    PrintTable,
    Close,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    Delete,
    Find,
    FindResults,
    ClearFindMarks,
    Replace,
    SelectAll,
    Font,
    RowHeight,
    ColumnWidth,
    ShowResults,
    InsertField,
    RemoveField,
    RenameField,
    FieldManager,
    SaveTemplate,
    Templates,
    FormulaEditor,
    FormulaHelp,
    ReportEditor,
    Analysis,
    Options,
    Cascade,
    TileVertically,
    TileHorizontally,
    ArrangeIcons,
    HelpTopics,
    EditCell,
    ImportColumn,
    SetColumnFormula,
    SortAscending,
    SortDescending,
    // The command line.
    CliShow,
    CliSaveAs,
    CliCalc,
    CliUser,
    CliTemplate,
    CliField,
    CliSetProps,
    CliFormula,
    CliSchool,
    CliNewTable,
    CliFind,
    CliReplace,
    CliSort,
    CliExportCsv,
    CliExportXlsx,
    CliImportColumn,
    CliImportTable,
    CliFillColumn,
    CliExportPart,
    CliConvertCsv,
    CliConvertDbf,
    CliConvertXlsx,
    CliConvertTrial,
    CliPrint,
    CliChart,
    CliReport,
    CliBind,
    CliStats,
    Count
};

struct CommandRow {
    CommandId id = CommandId::None;
    Place place = Place::CommandLine;
    // A menu entry's objectName ("-" a separator, "<name" opens a submenu, ">" closes it); on the
    // command line the verb.
    const char16_t *name = u"";
    const char16_t *caption = u"";
    const char *shortcut = ""; // several separated by "; "
    // The toolbar button that runs the command, its tooltip and icon (":/icons/NAME.svg"); a
    // checkable button is a switch of the main window rather than a command.
    base::ToolButton button = base::ToolButton::None;
    const char16_t *tip = u"";
    const char16_t *icon = u"";
    bool checkable = false;
    bool pressed = false;
    // Command line: the forms of the verb, one per line, a line beginning with a blank continuing
    // the form above; and a summary of what it does.
    const char *usage = "";
    const char *summary = "";
    // An entry its window fills or leaves disabled by design: no command runs it.
    bool placeholder = false;
};

// A menu's own objectName and caption.
struct MenuTitle {
    Place place;
    const char16_t *name;
    const char16_t *caption;
};

std::span<const CommandRow> commandTable();
const MenuTitle &menuTitle(Place place);
// The entries of one menu in table order.
std::vector<MenuEntry> menuEntries(Place place);

// The system name of a command (the objectName of its menu entry, or its verb); empty for None.
QString commandName(CommandId id);
// What a step of the undo history made by the command is called: its caption without the
// accelerator, the dots and the bracketed remark ("导入整张表格"), or its tooltip.
QString stepLabel(CommandId id);
// The command whose menu entry or verb is `name`; None when there is none.
CommandId commandNamed(QStringView name);
// The row of a toolbar button; null for a separator.
const CommandRow *buttonRow(base::ToolButton button);
// The rows of the toolbar buttons, in their order.
std::vector<const CommandRow *> toolbarRows();

// The command line: the overview (`scorvane-cli --help`) and one verb's forms.
QString commandLineHelp();
const CommandRow *verbRow(QStringView verb);
QStringList verbForms(const CommandRow &row);

} // namespace ui
