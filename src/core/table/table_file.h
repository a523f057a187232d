#pragma once
// Table files (".gdt"): a ZIP archive whose single member "data.file" holds the table as GBK text,
// one value per line: the magic line, title, Rows, Cols, teacher, class information, data format,
// then every cell row by row. The member is packed and unpacked in memory; it never reaches the
// disk in plain form.
#include "core/table/grade_table.h"

#include <QByteArrayView>
#include <QStringList>
#include <optional>

namespace base {
class Progress;
class Workspace;
} // namespace base
namespace ui {
class Prompter;
}

namespace table {

// The refusal of a file that is not what it should hold.
inline const QString kBadFileFormat = QStringLiteral("文件格式不正确!");
inline const QString kMagicLine = QStringLiteral("ZUN'S Scorvane数据文件");

// A value keeps to one line: each line break is written as "[/]" and read back as "\n".
QString toFileLine(const QString &value);
QString fromFileLine(const QString &line);

// The member's lines for a table, without line ends.
QStringList writeMember(const GradeTable &table);
// The member as it is stored: those lines in code page 936, each ended by CR LF.
QByteArray memberBytes(const GradeTable &table);

enum class MemberResult { Ok, BadMagic, BadFormat };
// Fills `table` from the member's bytes, read line by line straight into the grid: title, size,
// teacher, class information, format and the R × C cells (lines after them are ignored), then
// rebuilds the header and row numbers. Counts that are not numbers from 1 to 32767, or whose
// product is beyond the lines present (one row may be missing), are BadFormat; the table is then
// left as it was.
MemberResult readMember(QByteArrayView member, GradeTable &table);

class TableFile {
public:
    // Long operations report through `progress` (a table window's hides its grid), by default
    // through the workspace's status bar.
    TableFile(base::Workspace &ws, ui::Prompter &prompter, base::Progress *progress = nullptr);

    // Packs `member` as "data.file" into `archive`, written beside it and renamed over it.
    // Shows "表格过大，无法保存。" for a member the reader would refuse, "文件名过长。" for a name
    // longer than the file system allows, "文件保存失败！…" on
    // other failures, and answers false then.
    bool packMember(const QByteArray &member, const QString &archive, const QString &password);
    // False, with "表格过大，无法保存。", for a member too large to be opened again.
    bool fitsTableFile(const QByteArray &member);
    enum class OpenMessage { Table, Import };
    // The member "data.file" of `archive`, unpacked in memory; nullopt on failure (with the message
    // of the calling window).
    std::optional<QByteArray> unpackMember(const QString &archive, const QString &password,
                                           OpenMessage which = OpenMessage::Table);

    // One table file into `table` with the current table password and the loader's messages
    // (unpack failure, "文件格式不正确!"); `table` is untouched on failure. Serves every reader of
    // tables: loading, importing, converting.
    bool readTableFile(const QString &path, GradeTable &table, OpenMessage which = OpenMessage::Table);
    // Packs `table` into `path` with `password` (empty: unprotected), with the saver's message.
    bool writeTableFile(const GradeTable &table, const QString &path, const QString &password);

    // Loads name (a path without ".gdt" when fullPath, otherwise relative to the table data
    // directory) into the table. False when the window is to close.
    bool load(GradeTable &table, const QString &name, bool fullPath);
    // Writes the table to name + ".gdt". True when the file was written; the change marker is then
    // cleared when that is the table's own file (or it has none yet). The table's own file is
    // refused for a read-only table, and when another program changed it since it was read or
    // written here the teacher chooses 覆盖, 另存为 or 取消.
    bool save(GradeTable &table, const QString &name);

    // The commands 保存表格, 表格另存为...(&A) and 去除密码保护保存(&W). True when a file was written.
    bool saveToOwnFile(GradeTable &table);
    bool saveAs(GradeTable &table);
    bool saveWithoutPassword(GradeTable &table);

private:
    bool saveToChosenPath(GradeTable &table);

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    base::Progress &m_progress;
};

// The longest name of a file or folder the file systems allow, in bytes of the local encoding.
constexpr qsizetype kMaxNameBytes = 255;
// False when a folder or file name of `path` is longer than that.
bool namesFit(const QString &path);

// The file as it is now: size, modification time and a hash of its bytes; unknown when missing.
// TableFile::readTableFile without a word, for any thread: false on any failure (reading the file
// again through TableFile says why).
bool readTableFileQuietly(const QString &path, const QString &password, GradeTable &table);
FileStamp stampOf(const QString &path);
inline const QString kChangedOnDisk = QStringLiteral("该表格在打开后已被其他程序修改。");
inline const QString kReadOnlySave = QStringLiteral("该表格以只读方式打开，不能保存到原文件；请用“表格另存为”保存。");

// A path chosen in the save dialog, without its ".gdt".
QString tableNameFromPath(const QString &path);

} // namespace table
