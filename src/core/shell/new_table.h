#pragma once
// Creating a table for a class of the school tree: directly (the file name, which is also the
// title) or through the wizard, a fixed sequence of messages, the file-name question, the
// class-information and number-format dialogs, the title question and the field manager. The
// dialogs belong to the table's property and field commands; the wizard only calls them back in
// its order, so the steps can be tested without a window.
#include <QString>
#include <functional>

namespace table {
class GradeTable;
}
namespace ui {
class Prompter;
}

namespace shell {

// The new table window as the creation steps see it: created and shown before the first step.
class NewTableTarget {
public:
    virtual ~NewTableTarget() = default;
    virtual table::GradeTable &document() = 0;
    // The window caption, which is the table's title.
    virtual void setTitle(const QString &title) = 0;
};

// The wizard's dialogs, each shown modally over the main window for the new (active) table.
enum class WizardDialog { ClassInfo, DataFormat, FieldManager };
using WizardDialogs = std::function<void(WizardDialog)>;

// Why `answer` cannot name a new table in `classDir` (empty when it can): empty after trimming,
// a character IsValidName refuses or a leading ".", a file name too long for the file system, or
// a table of that name already in the class.
QString tableNameRefusal(const QString &answer, const QString &classDir);

// "直接新建表格(&S)": asks for the file name until it is usable (proposing `proposed`), sets the
// table's file path in `classDir` and its title to the name.
void newTableDirect(ui::Prompter &prompter, NewTableTarget &target, const QString &classDir, const QString &proposed);
// "新建表格向导>>&>": the wizard's steps in order.
void newTableWizard(ui::Prompter &prompter, NewTableTarget &target, const QString &classDir, const QString &proposed,
                    const WizardDialogs &dialogs);

} // namespace shell
