#pragma once
// Table files (".gdt"): a ZIP archive whose single member "data.file" holds the table as GBK text,
// one value per line: the magic line, title, Rows, Cols, teacher, class information, data format,
// then every cell row by row. Loading and saving go through the one working file
// programDir + "data.file", which is removed when the operation ends.
#include "table/grade_table.h"

#include <QStringList>
#include <functional>

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
}

namespace table {

inline const QString kMagicLine = QStringLiteral("ZUN'S Scorvane数据文件");

// A value keeps to one line: each line break is written as "[/]" and read back as "\n".
QString toFileLine(const QString &value);
QString fromFileLine(const QString &line);

// The member's lines for a table, without line ends.
QStringList writeMember(const GradeTable &table);

enum class MemberResult { Ok, BadMagic, BadFormat };
// Fills `table` from the member's lines: title, size, teacher, class information, format and the
// cells, then rebuilds the header and row numbers. Counts that are not numbers, negative, out of
// the 16-bit range or whose product is far beyond the lines present are BadFormat; the table is
// then left as it was.
MemberResult readMember(const QStringList &lines, GradeTable &table);

class TableFile {
public:
    TableFile(base::Workspace &ws, ui::Prompter &prompter) : m_ws(ws), m_prompter(prompter) {}

    // Shown or hidden around a long operation (the table window hides its grid).
    std::function<void(bool visible)> showGrid;

    // Packs the working file into `archive` and removes the working file whatever the outcome.
    // Shows "文件保存失败！…" on failure. 1 on failure, else 0. `source` is not used.
    int ZIPFile(const QString &source, const QString &archive, const QString &password);
    enum class OpenMessage { Table, Import };
    // Unpacks "data.file" of `archive` into the program directory. 1 on failure (with the message
    // of the calling window), else 0.
    int unZIPFile(const QString &archive, const QString &password, OpenMessage which = OpenMessage::Table);

    // Loads name (a path without ".gdt" when fullPath, otherwise relative to the table data
    // directory) into the table. False when the window is to close.
    bool LoadData(GradeTable &table, const QString &name, bool fullPath);
    // Writes the table to name + ".gdt". True when the file was written.
    bool SaveData(GradeTable &table, bool temporary, const QString &name);

    // The commands 保存表格, 表格另存为...(&A) and 去除密码保护保存(&W). True when a file was written.
    bool menuSave(GradeTable &table);
    bool menuCopyTable(GradeTable &table);
    bool menuUnPasSave(GradeTable &table);

private:
    void beginLong(const QString &status);
    void endLong();
    bool saveToChosenPath(GradeTable &table);

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
};

// A path chosen in the save dialog, without its ".gdt".
QString tableNameFromPath(const QString &path);

} // namespace table
