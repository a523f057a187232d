#include "core/table/table_lock.h"

#include "core/base/file_writer.h"
#include "core/ui/prompter.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace table {

namespace {

// A lock from another host cannot be checked; after this long its owner is taken to be gone.
constexpr qint64 kForeignLockSeconds = 12 * 3600;
// A lock file is four short lines; anything much longer is not one.
constexpr qint64 kMaxLockBytes = 4096;

QString shownTime(const QDateTime &t)
{
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("未知时间");
}

// Owner-only is no use for a file others are meant to read.
base::WriteOptions lockWriteOptions()
{
    return {.replaceLink = true, .mode = 0644};
}

} // namespace

QString isoLocalTime(const QDateTime &time)
{
    const QDateTime local = time.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString lockFilePath(const QString &tablePath)
{
    const QFileInfo table(tablePath + QStringLiteral(".gdt"));
    return table.absolutePath() + QStringLiteral("/.~lock.") + table.fileName() + QLatin1Char('#');
}

QByteArray lockText(const LockOwner &owner)
{
    const QString opened = isoLocalTime(owner.opened);
    return (QStringLiteral("user=") + owner.user + QStringLiteral("\nhost=") + owner.host + QStringLiteral("\npid=") +
            QString::number(owner.pid) + QStringLiteral("\nopened=") + opened + QLatin1Char('\n'))
        .toUtf8();
}

std::optional<LockOwner> parseLock(const QByteArray &text)
{
    LockOwner owner;
    bool any = false;
    for (const QByteArray &raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq), value = line.mid(eq + 1);
        if (key == QLatin1String("user"))
            owner.user = value;
        else if (key == QLatin1String("host"))
            owner.host = value;
        else if (key == QLatin1String("pid"))
            owner.pid = value.toLongLong();
        else if (key == QLatin1String("opened"))
            owner.opened = QDateTime::fromString(value, Qt::ISODate); // no offset: local time
        else
            continue;
        any = true;
    }
    if (!any || owner.host.isEmpty())
        return std::nullopt;
    return owner;
}

std::optional<LockOwner> readLock(const QString &tablePath)
{
    QFile file(lockFilePath(tablePath));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseLock(file.read(kMaxLockBytes));
}

bool isLive(const LockOwner &owner, const QDateTime &now)
{
    if (owner.host == QSysInfo::machineHostName()) {
        if (owner.pid <= 0 || owner.pid > INT32_MAX)
            return false;
        // EPERM: the process exists but belongs to another user.
        return ::kill(pid_t(owner.pid), 0) == 0 || errno == EPERM;
    }
    return owner.opened.isValid() && owner.opened.secsTo(now) < kForeignLockSeconds;
}

LockOwner thisProcess(const QString &user)
{
    return {user, QSysInfo::machineHostName(), qint64(::getpid()), QDateTime::currentDateTime()};
}

bool isThisProcess(const LockOwner &owner)
{
    return owner.host == QSysInfo::machineHostName() && owner.pid == qint64(::getpid());
}

std::optional<LockOwner> otherLiveOwner(const QString &tablePath)
{
    std::optional<LockOwner> owner = readLock(tablePath);
    if (!owner || isThisProcess(*owner) || !isLive(*owner, QDateTime::currentDateTime()))
        return std::nullopt;
    return owner;
}

QString openElsewhereQuestion(const LockOwner &owner)
{
    return QStringLiteral("该表格正由 ") + owner.user + QStringLiteral(" 在 ") + owner.host +
           QStringLiteral(" 上打开（自 ") + shownTime(owner.opened) + QStringLiteral("）。");
}

QString openElsewhereRefusal(const LockOwner &owner)
{
    return QStringLiteral("该表格正由 ") + owner.user + QStringLiteral(" 在 ") + owner.host +
           QStringLiteral(" 上打开，请先关闭。");
}

OpenMode askHowToOpen(ui::Prompter &prompter, const QString &tablePath)
{
    const std::optional<LockOwner> owner = otherLiveOwner(tablePath);
    if (!owner)
        return OpenMode::Normal;
    switch (prompter.choose(openElsewhereQuestion(*owner), QStringLiteral("提示"),
                            {QStringLiteral("以只读方式打开"), QStringLiteral("仍然打开"), QStringLiteral("取消")},
                            ui::Icon::Warning, 0)) {
    case 0:
        return OpenMode::ReadOnly;
    case 1:
        return OpenMode::Normal;
    default:
        return OpenMode::Cancelled;
    }
}

bool TableLock::acquire(const QString &tablePath, const QString &user)
{
    release();
    const QString path = lockFilePath(tablePath);
    // A live owner whose lock is taken over (仍然打开) still has the table: it gets its lock back
    // when this one goes.
    std::optional<LockOwner> previous = readLock(tablePath);
    if (previous && (isThisProcess(*previous) || !isLive(*previous, QDateTime::currentDateTime())))
        previous.reset();
    if (base::writeFileAtomically(path, lockText(thisProcess(user)), lockWriteOptions()) != base::WriteResult::Written)
        return false;
    m_tablePath = tablePath;
    m_overtaken = std::move(previous);
    return true;
}

void TableLock::release()
{
    if (m_tablePath.isEmpty())
        return;
    // Someone who opened the table anyway since then holds the lock now; it stays theirs.
    if (const std::optional<LockOwner> owner = readLock(m_tablePath); owner && isThisProcess(*owner)) {
        if (m_overtaken && isLive(*m_overtaken, QDateTime::currentDateTime()))
            base::writeFileAtomically(lockFilePath(m_tablePath), lockText(*m_overtaken), lockWriteOptions());
        else
            QFile::remove(lockFilePath(m_tablePath));
    }
    m_tablePath.clear();
    m_overtaken.reset();
}

} // namespace table
