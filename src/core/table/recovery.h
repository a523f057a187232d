#pragma once
// Recovery copies: while a table window has unsaved changes, a copy of its table (a normal table
// file, packed with the table password) is written now and then into "恢复数据" of the program
// directory, listed in 恢复数据/recovery.ini (one section per copy: table=, saved=, user=). A save,
// a close and a clean exit remove the copy; after a crash the next start offers the copies of the
// teacher who logs in.
#include "core/table/grade_table.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
class SettingsStore;
} // namespace ui

namespace table {

class TableFile;

inline const QString kRecoverySection = QStringLiteral("Options");
inline const QString kAutoRecoverKey = QStringLiteral("AutoRecoverSeconds");
constexpr int kDefaultAutoRecoverSeconds = 300;
// The seconds between recovery copies from the settings store; 0: none are written.
int autoRecoverSeconds(const ui::SettingsStore &settings);

// 选项: asks "自动保存恢复信息（分钟）" in an input box (0 turns the copies off), keeps the answer in
// seconds in the settings store and the workspace. A number that is not one is refused.
void askAutoRecoverMinutes(base::Workspace &ws, ui::Prompter &prompter, ui::SettingsStore &settings);

// One copy listed in the index.
struct RecoveryEntry {
    QString id;        // the section, and the copy's file name without ".gdt"
    QString tablePath; // the original table (path without ".gdt"); empty for a table never saved
    QDateTime saved;
    QString user;
    // The program that writes the copy (host=, pid=): while it runs, its copies are no crash's.
    QString host;
    qint64 pid = 0;
    QString copyFile() const;
};

QString recoveryDir(const base::Workspace &ws);
QString recoveryIndex(const base::Workspace &ws);
// The copies of `user` whose file is there, oldest first, but for those another program that
// still runs is writing.
QList<RecoveryEntry> recoveryCopies(const base::Workspace &ws, const QString &user);
// Removes a copy and its section.
void discardRecoveryCopy(const base::Workspace &ws, const QString &id);

// The copy of one table window. write() takes the snapshot at once (the caller's thread, the
// window's) and packs and writes it on a worker thread; discard() removes the copy, and a write
// still on its way then writes nothing.
class RecoveryCopy {
public:
    explicit RecoveryCopy(base::Workspace &ws);
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy &) = delete;
    RecoveryCopy &operator=(const RecoveryCopy &) = delete;

    // A window restored from a copy goes on writing that copy.
    void adopt(const QString &id);
    QString id() const { return m_id; }
    void write(const GradeTable &table);
    void discard();
    // Waits for a write on its way (tests, and before the program ends).
    void wait();

private:
    struct Shared;
    base::Workspace &m_ws;
    QString m_id;
    std::shared_ptr<Shared> m_shared;
};

// The start-up offer: lists the copies of the logged-in teacher with 恢复, 放弃 and 稍后. 恢复
// gives the copies to `open` (each opened by the caller in a window bound to its table and marked
// as changed); 放弃 deletes them; 稍后 keeps them for the next start.
// Added to a table's line in the offer when its file was saved after the copy was taken.
inline const QString kSavedSinceCopy = QStringLiteral("，原表格在此之后已保存过");
enum class RecoveryChoice { None, Restore, Discard, Later };
RecoveryChoice offerRecovery(base::Workspace &ws, ui::Prompter &prompter, QList<RecoveryEntry> *restore);
// Reads a copy into `table`, bound to its original path and marked as changed.
bool restoreRecoveryCopy(const base::Workspace &ws, TableFile &files, const RecoveryEntry &entry, GradeTable &table);

} // namespace table
