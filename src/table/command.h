#pragma once
// The table command layer. Every command of a table window is registered once, under its system
// name (menuSave, menuRun …), with the toolbar button that runs it on the active table (if any),
// what it does on a context and when it is enabled. Menus and toolbar buttons are bound to it by
// name; the table window runs every command through one execute() that commits a pending cell
// edit first and mirrors the undo state afterwards. A subsystem registers its commands from its own
// folder (registerSortCommands(registry) in table/sort…); commands that open a dialog register from
// the dialog's file in the gui library.
#include "base/workspace.h"

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

struct CommandContext {
    GradeTable &doc;
    base::Workspace &ws;
    ui::Prompter &prompter;
    TableFile &files;
    QWidget *window = nullptr;          // parent of a command's dialogs
    TableWindows *windows = nullptr;    // the main window's services; null in tests without one
};

struct Command {
    QString name;                                  // the menu entry's objectName
    base::ToolButton button = base::ToolButton::None;
    std::function<void(CommandContext &)> run;
    std::function<bool(const CommandContext &)> enabled; // empty: always enabled
};

class CommandRegistry {
public:
    void add(Command command);
    const Command *find(const QString &name) const;
    const Command *forButton(base::ToolButton button) const;
    QStringList names() const;

private:
    std::map<QString, Command> m_commands;
};

} // namespace table
