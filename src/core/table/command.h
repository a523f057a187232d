#pragma once
// The table command layer. Every command is declared in the command table (ui/command_table: its
// system name, menu place, caption, shortcut and toolbar button); here what it does on a context
// and when it is enabled are bound to its id. The table window runs every command through one
// execute() that commits a pending cell edit first and mirrors the undo state afterwards. A
// subsystem binds its commands from its own folder (registerFieldCommands(registry) in
// core/table …); commands that open a dialog bind from the dialog's file in the gui library.
#include "core/base/workspace.h"
#include "core/ui/command_table.h"

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
    QString treeNode; // the key of the school tree's selected node ("Grade2" …); empty when none
};
using FrameCommand = std::function<void(FrameContext &)>;

struct Command {
    ui::CommandId id = ui::CommandId::None;
    std::function<void(CommandContext &)> run;
    std::function<bool(const CommandContext &)> enabled; // empty: always enabled
    // The Edit commands act on a focused text box instead of the grid; for them an open cell edit
    // is not committed first, as the cell editor may be that text box.
    bool actsOnFocusedText = false;

    // The system name: the objectName of its menu entry.
    QString name() const { return ui::commandName(id); }
};

class CommandRegistry {
public:
    void add(Command command);
    const Command *find(ui::CommandId id) const;
    // By system name (an action's objectName).
    const Command *find(const QString &name) const { return find(ui::commandNamed(name)); }
    // The table command a toolbar button runs; null for the main window's own buttons.
    const Command *forButton(base::ToolButton button) const;

    void addFrame(ui::CommandId id, FrameCommand command);
    const FrameCommand *frame(ui::CommandId id) const;
    const FrameCommand *frame(const QString &name) const { return frame(ui::commandNamed(name)); }

private:
    std::map<ui::CommandId, Command> m_commands;
    std::map<ui::CommandId, FrameCommand> m_frame;
};

} // namespace table
