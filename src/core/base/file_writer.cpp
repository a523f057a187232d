#include "core/base/file_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace base {

namespace {

qint64 g_failAfter = -1;

// The file a path finally names: a chain of symbolic links is followed, also to a target that does
// not exist yet (a link made for a table not saved so far).
QString resolveLinks(const QString &path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo fi(current);
        if (!fi.isSymLink())
            return current;
        current = fi.symLinkTarget();
    }
    return QString(); // a loop of links names no file
}

bool writeAll(int fd, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        size_t chunk = size_t(size - done);
        if (g_failAfter >= 0) {
            if (done >= g_failAfter) {
                errno = ENOSPC;
                return false;
            }
            chunk = std::min<size_t>(chunk, size_t(g_failAfter - done));
        }
        const ssize_t n = ::write(fd, data + done, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

namespace {

// ".NAME." and ".saving" around the writer's process id and a unique part. A long NAME is cut so
// that the temporary's name stays within the 255 bytes a file name may have: "PID-XXXXXX.saving"
// takes at most 24 of them.
QString savingPrefix(const QFileInfo &target)
{
    QString name = target.fileName();
    while (!name.isEmpty() && QFile::encodeName(name).size() > 255 - 24 - 2)
        name.chop(name.size() >= 2 && name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
    return QLatin1Char('.') + name + QLatin1Char('.');
}

const QLatin1String kSavingSuffix(".saving");

QStringList savingNamesIn(const QFileInfo &target)
{
    const QString prefix = savingPrefix(target);
    QStringList names;
    const QStringList entries =
        QDir(target.absolutePath())
            .entryList({prefix + QLatin1Char('*') + kSavingSuffix}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : entries) {
        const QString middle = name.mid(prefix.size(), name.size() - prefix.size() - kSavingSuffix.size());
        // "PID-XXXXXX": only this writer's own names, not a longer target's that shares the start.
        const qsizetype dash = middle.indexOf(QLatin1Char('-'));
        bool ok = false;
        if (dash > 0 && middle.size() - dash - 1 == 6)
            middle.left(dash).toLong(&ok);
        if (ok)
            names << name;
    }
    // The one fixed name earlier versions used, left by a killed save of theirs.
    const QString fixed = QLatin1Char('.') + target.fileName() + kSavingSuffix;
    struct stat st {};
    if (::lstat(QFile::encodeName(target.absolutePath() + QLatin1Char('/') + fixed).constData(), &st) == 0)
        names << fixed;
    return names;
}

// Temporaries of writes whose process has ended: a kill left them, nobody will rename them.
void removeDeadTemporaries(const QFileInfo &target)
{
    const QString dir = target.absolutePath() + QLatin1Char('/');
    const qsizetype prefixSize = savingPrefix(target).size();
    for (const QString &name : savingNamesIn(target)) {
        const QString middle = name.mid(prefixSize, name.size() - prefixSize - kSavingSuffix.size());
        // 0 for the fixed name, which names no process.
        const long pid = middle.left(middle.indexOf(QLatin1Char('-'))).toLong();
        if (pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH))
            continue;
        ::unlink(QFile::encodeName(dir + name).constData());
    }
}

// A new temporary beside `target`, created exclusively (never an existing file or link) and
// owner-only before anything is written to it.
int createTemporary(const QFileInfo &target, QByteArray *name)
{
    const QString base = target.absolutePath() + QLatin1Char('/') + savingPrefix(target) + QString::number(::getpid()) +
                         QLatin1Char('-');
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString unique;
        for (int i = 0; i < 6; ++i)
            unique += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)]);
        *name = QFile::encodeName(base + unique + kSavingSuffix);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// A file without any write bit was made read-only on purpose; root could write it anyway.
bool writableFile(const struct stat &st, const QByteArray &name)
{
    return (st.st_mode & 0222) != 0 && ::access(name.constData(), W_OK) == 0;
}

} // namespace

bool mayReplace(const QString &path)
{
    const QString target = resolveLinks(path);
    if (target.isEmpty())
        return true; // fails later, and not for want of permission
    const QByteArray name = QFile::encodeName(target);
    struct stat st {};
    return ::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) || writableFile(st, name);
}

QStringList savingFilesFor(const QString &target)
{
    const QFileInfo fi(target);
    QStringList paths;
    for (const QString &name : savingNamesIn(fi))
        paths << fi.absolutePath() + QLatin1Char('/') + name;
    return paths;
}

void failWritesAfterForTesting(qint64 bytes)
{
    g_failAfter = bytes;
}

namespace {

// Both ways of writing: `fill` writes the temporary through its descriptor or under its name.
WriteResult writeThroughTemporary(const QString &path, const std::function<bool(int, const QString &)> &fill,
                                  const WriteOptions &options)
{
    const QString target = options.replaceLink ? QFileInfo(path).absoluteFilePath() : resolveLinks(path);
    if (target.isEmpty())
        return WriteResult::Failed;
    const QByteArray targetName = QFile::encodeName(target);

    struct stat st {};
    const bool exists =
        (options.replaceLink ? ::lstat(targetName.constData(), &st) : ::stat(targetName.constData(), &st)) == 0;
    const bool replacesLink = exists && S_ISLNK(st.st_mode);
    if (exists && !replacesLink) {
        if (!S_ISREG(st.st_mode))
            return WriteResult::Failed;
        if (!writableFile(st, targetName))
            return WriteResult::NotWritable;
    }

    const QFileInfo targetInfo(target);
    removeDeadTemporaries(targetInfo);
    QByteArray temp;
    const int fd = createTemporary(targetInfo, &temp);
    if (fd < 0)
        return errno == EACCES || errno == EROFS || errno == EPERM ? WriteResult::NotWritable : WriteResult::Failed;

    auto fail = [&](bool closeFirst) {
        if (closeFirst)
            ::close(fd);
        ::unlink(temp.constData());
        return WriteResult::Failed;
    };
    if (!fill(fd, QFile::decodeName(temp)))
        return fail(true);
    const bool keepsMode = exists && !replacesLink;
    const mode_t mode = options.mode >= 0 ? mode_t(options.mode) & 07777
                        : keepsMode       ? (st.st_mode & 07777)
                                          : (0666 & ~currentUmask());
    // Saved by root over another user's file: the file stays that user's.
    if (keepsMode && ::geteuid() == 0 && (st.st_uid != 0 || st.st_gid != 0))
        (void)::fchown(fd, st.st_uid, st.st_gid);
    if (::fsync(fd) != 0)
        return fail(true);
    if (std::rename(temp.constData(), targetName.constData()) != 0)
        return fail(true);
    // The temporary stayed owner-only to the end; the file gets its own permissions only once it
    // is the target, so nothing a killed write leaves is more open than 0600.
    (void)::fchmod(fd, mode);
    ::close(fd);

    // The rename itself reaches the disk with the folder.
    const int dirFd = ::open(QFile::encodeName(targetInfo.absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return WriteResult::Written;
}

} // namespace

WriteResult writeFileAtomically(const QString &path, const QByteArray &bytes, const WriteOptions &options)
{
    return writeThroughTemporary(
        path, [&bytes](int fd, const QString &) { return writeAll(fd, bytes.constData(), bytes.size()); }, options);
}

WriteResult writeFileAtomicallyBy(const QString &path, const std::function<bool(const QString &)> &produce,
                                  const WriteOptions &options)
{
    return writeThroughTemporary(
        path, [&produce](int, const QString &temporary) { return produce(temporary); }, options);
}

} // namespace base
