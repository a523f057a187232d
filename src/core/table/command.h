#pragma once
// The table command layer. Every command of a table window is registered once, under its system
// name (menuSave, menuRun …), with the toolbar button that runs it on the active table (if any),
// what it does on a context and when it is enabled. Menus and toolbar buttons are bound to it by
// name; the table window runs every command through one execute() that commits a pending cell
// edit first and mirrors the undo state afterwards. A subsystem registers its commands from its own
// folder (registerSortCommands(registry) in table/sort…); commands that open a dialog register from
// the dialog's file in the gui library.
#include "core/base/workspace.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class QWidget;

namespace ui {
class Prompter;
}

namespace table {

class GradeTable;
class TableFile;

// What the main window offers the commands of one table window.
class TableWindows {
public:
    virtual ~TableWindows() = default;
    // Whether the table file (path without ".gdt") is open in a table window.
    virtual bool isOpen(const QString &tablePath) const = 0;
    // Opens a table file (path without ".gdt") in a window, or activates the one that has it.
    virtual void openTable(const QString &tablePath) = 0;
};

// The focused text box of a table window, for the Edit commands when the keyboard is not on the
// grid (the formula bar, or the cell editor).
class TextBox {
public:
    virtual ~TextBox() = default;
    virtual QString selectedText() const = 0;
    virtual bool hasSelectedText() const = 0;
    virtual void removeSelectedText() = 0;
    virtual void insert(const QString &text) = 0;
};

struct CommandContext {
    GradeTable &doc;
    base::Workspace &ws;
    ui::Prompter &prompter;
    TableFile &files;
    QWidget *window = nullptr;       // parent of a command's dialogs
    TableWindows *windows = nullptr; // the main window's services; null in tests without one
    // Where the keyboard is: the grid, a text box of the window, or neither.
    enum class Focus { Grid, TextBox, None } focus = Focus::Grid;
    TextBox *textBox = nullptr; // when focus is TextBox
};

// Commands of the main window that need no table: the converters and the school tree of its
// 文件 menu, and the window arrangements the table window's 窗口 menu shows.
struct FrameContext {
    base::Workspace &ws;
    ui::Prompter &prompter;
    QWidget *window = nullptr;
    TableWindows *windows = nullptr;
};
using FrameCommand = std::function<void(FrameContext &)>;

struct Command {
    QString name; // the menu entry's objectName
    base::ToolButton button = base::ToolButton::None;
    std::function<void(CommandContext &)> run;
    std::function<bool(const CommandContext &)> enabled; // empty: always enabled
    // The Edit commands act on a focused text box instead of the grid; for them an open cell edit
    // is not committed first, as the cell editor may be that text box.
    bool actsOnFocusedText = false;
};

class CommandRegistry {
public:
    void add(Command command);
    const Command *find(const QString &name) const;
    const Command *forButton(base::ToolButton button) const;
    QStringList names() const;

    void addFrame(const QString &name, FrameCommand command);
    const FrameCommand *frame(const QString &name) const;

    // The display value of a cell as the evaluator gives it (公式2值), for the table window's
    // result label and grid; set by the formula folder, which the table folder does not know.
    std::function<QString(const GradeTable &, base::Workspace &, int row, int col)> displayValue;

private:
    std::map<QString, Command> m_commands;
    std::map<QString, FrameCommand> m_frame;
};

} // namespace table
