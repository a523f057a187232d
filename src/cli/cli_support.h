#pragma once
// What every command of scorvane-cli shares: its context, the parsing of a command's own options,
// loading a table named on the command line, writing a changed table in place or to --out, and
// naming a field by number or by name. The commands themselves live in the folders whose logic
// they run (table/…_cli.cpp, formula/…, exchange/…, print/…) and call that same logic.
#include "core/table/grade_table.h"
#include "core/table/table_lock.h"

#include <QString>
#include <QStringList>
#include <list>
#include <optional>

class QTextStream;

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
}

namespace table::cli {

// Exit statuses: done; refused or failed (nothing written); malformed command line.
enum Exit { Done = 0, Failed = 1, Usage = 2 };

struct Context {
    base::Workspace &ws;    // program directory, logged-in user and table password
    ui::Prompter &prompter; // messages to stderr; questions answered by --yes
    QTextStream &out;       // stdout, UTF-8
    // The tables this command changes, locked until it ends so no window opens one meanwhile.
    std::list<TableLock> locks = {};
};

// A command's arguments after its name. Options are taken out by name; what remains are the
// operands. Any option left over, or an option given without its value, makes the command line
// malformed. After "--" every argument is an operand, also one that begins with "-".
class Args {
public:
    explicit Args(QStringList args);

    // "--name VALUE": the value, or nullopt when absent. A missing value marks the line malformed.
    std::optional<QString> value(const QString &name);
    // Every "--name VALUE" in order (an option that may be repeated).
    QStringList values(const QString &name);
    // "--name V1 … Vcount" (an option with several values), or nullopt when absent. Fewer values
    // than `count` mark the line malformed.
    std::optional<QStringList> values(const QString &name, int count);
    // "--name" alone.
    bool flag(const QString &name);
    // The operands once every option was taken; nullopt (malformed) when an unknown "--…" is left
    // or a value was missing. `count` operands exactly, or any number when count < 0.
    std::optional<QStringList> operands(int count = -1);
    // Every argument as it was given, options too, except a leading "--" (a command whose single
    // operand is free text).
    QStringList raw() const;

private:
    QStringList m_args;
    QStringList m_afterDashes; // the operands after "--"
    QStringList m_raw;
    bool m_malformed = false;
};

// Prints a message through the prompter (stderr on the command line).
void tell(Context &ctx, const QString &text);
// Writes one line (UTF-8) to stdout.
void printLine(Context &ctx, const QString &line);

// The file named on the command line, made absolute; ".gdt" is not added.
QString absolutePath(const QString &path);
// Loads a table named on the command line with the logged-in user's table password, with the
// program's messages; a missing file is named ("找不到表格文件：…").
bool loadTable(Context &ctx, const QString &path, GradeTable &table);
// Loads a table the command is about to change: in place (no `outPath`) its lock is taken first and
// held until the command ends; refused with the program's message while another live process
// holds it.
bool loadTableToChange(Context &ctx, const QString &path, GradeTable &table, const std::optional<QString> &outPath);
// Takes and holds the lock of the table `path` (without ".gdt") for the rest of the command;
// refused with "该表格正由 USER 在 HOST 上打开，请先关闭。" while another live process holds it.
bool holdTableLock(Context &ctx, const QString &path);
// The `count` operands once every option was taken, the first naming a table that is loaded into
// `table`. On failure nullopt, and `failure` says what to return: Usage or Failed.
std::optional<QStringList> tableOperands(Context &ctx, Args &args, int count, GradeTable &table, Exit *failure);
// As tableOperands, for a command that changes the table: loaded by loadTableToChange.
std::optional<QStringList> tableOperandsToChange(Context &ctx, Args &args, int count, GradeTable &table, Exit *failure,
                                                 const std::optional<QString> &outPath);
// Writes `table` to `outPath` when given, otherwise back to `inPath`, through the program's save
// (the overwrite question is answered by --yes), holding the target's lock. Refused (Failed,
// nothing written) while another live process holds the lock of the target.
Exit saveTable(Context &ctx, GradeTable &table, const QString &inPath, const std::optional<QString> &outPath);

// FIELD on the command line: a column number when all digits (1 … Cols − 1), otherwise the exact
// name in the header row. Unknown: a message and nullopt.
std::optional<int> fieldColumn(Context &ctx, const GradeTable &table, const QString &field);
// A whole number within [lo, hi]; otherwise the message "参数超出范围：" + the text, and nullopt.
std::optional<int> numberInRange(Context &ctx, const QString &text, int lo, int hi);

} // namespace table::cli
