#pragma once
// Lock files: a table open in a window, or being changed by a command-line command, has
// ".~lock.NAME.gdt#" beside it (UTF-8, four lines user=, host=, pid=, opened=), so a second
// teacher or program opening it learns who has it. A lock whose process is gone is stale.
#include <QDateTime>
#include <QString>
#include <optional>

namespace ui {
class Prompter;
}

namespace table {

struct LockOwner {
    QString user;
    QString host;
    qint64 pid = 0;
    QDateTime opened; // local time when the lock gave no offset
};

// ISO 8601 local time with its offset, "2026-12-08T14:05:00+08:00" (also at offset 0, never "Z").
QString isoLocalTime(const QDateTime &time);
// The lock file of a table (its path without ".gdt").
QString lockFilePath(const QString &tablePath);
// The lock file's owner; nullopt when there is no lock file or it says nothing readable.
std::optional<LockOwner> readLock(const QString &tablePath);
// The lock file's text for `owner`: "opened=" in ISO 8601 local time with its offset.
QByteArray lockText(const LockOwner &owner);
std::optional<LockOwner> parseLock(const QByteArray &text);
// Whether the lock still counts: on this host while its process exists, from another host for
// 12 hours after it was taken.
bool isLive(const LockOwner &owner, const QDateTime &now);
// This process as the owner of a lock taken now.
LockOwner thisProcess(const QString &user);
bool isThisProcess(const LockOwner &owner);
// The owner of a live lock of another process on the table; nullopt when it is free or the lock
// is stale or this process's own.
std::optional<LockOwner> otherLiveOwner(const QString &tablePath);

// "该表格正由 USER 在 HOST 上打开（自 TIME）。" and the command line's refusal
// "该表格正由 USER 在 HOST 上打开，请先关闭。"
QString openElsewhereQuestion(const LockOwner &owner);
QString openElsewhereRefusal(const LockOwner &owner);

// How a window opens a table another process has open.
enum class OpenMode { Normal, ReadOnly, Cancelled };
// Asks with 以只读方式打开, 仍然打开 and 取消 when another live process has the table; Normal when
// nobody has.
OpenMode askHowToOpen(ui::Prompter &prompter, const QString &tablePath);

// The lock of one table, held from acquire() until release() or the end of the holder; only a
// lock that still names this process is removed, and a live owner it replaced gets its lock back.
class TableLock {
public:
    TableLock() = default;
    ~TableLock() { release(); }
    TableLock(const TableLock &) = delete;
    TableLock &operator=(const TableLock &) = delete;

    // Writes the lock file (through the atomic writer); false when it could not be written.
    bool acquire(const QString &tablePath, const QString &user);
    void release();
    bool held() const { return !m_tablePath.isEmpty(); }
    const QString &tablePath() const { return m_tablePath; }

private:
    QString m_tablePath;
    std::optional<LockOwner> m_overtaken; // the live owner this lock replaced
};

} // namespace table
