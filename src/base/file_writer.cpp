#include "base/file_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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

QString savingNameFor(const QString &target)
{
    const QFileInfo fi(target);
    return fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".saving");
}

void failWritesAfterForTesting(qint64 bytes)
{
    g_failAfter = bytes;
}

WriteResult writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QString target = resolveLinks(path);
    if (target.isEmpty())
        return WriteResult::Failed;
    const QByteArray targetName = QFile::encodeName(target);

    struct stat st {};
    const bool exists = ::stat(targetName.constData(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return WriteResult::Failed;
        // A file without any write bit was made read-only on purpose; root could write it anyway.
        if ((st.st_mode & 0222) == 0 || ::access(targetName.constData(), W_OK) != 0)
            return WriteResult::NotWritable;
    }

    const QByteArray temp = QFile::encodeName(savingNameFor(target));
    // Owner-only while it is written; O_NOFOLLOW so a link planted under the fixed name is not
    // followed; O_TRUNC replaces what a killed save left behind.
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EACCES || errno == EROFS || errno == EPERM ? WriteResult::NotWritable : WriteResult::Failed;

    auto fail = [&](bool closeFirst) {
        if (closeFirst)
            ::close(fd);
        ::unlink(temp.constData());
        return WriteResult::Failed;
    };
    if (!writeAll(fd, bytes.constData(), bytes.size()))
        return fail(true);
    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~currentUmask());
    if (::fchmod(fd, mode) != 0)
        return fail(true);
    // Saved by root over another user's file: the file stays that user's.
    if (exists && ::geteuid() == 0 && (st.st_uid != 0 || st.st_gid != 0))
        (void)::fchown(fd, st.st_uid, st.st_gid);
    if (::fsync(fd) != 0)
        return fail(true);
    if (::close(fd) != 0)
        return fail(false);
    if (std::rename(temp.constData(), targetName.constData()) != 0)
        return fail(false);

    // The rename itself reaches the disk with the folder.
    const int dirFd = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return WriteResult::Written;
}

} // namespace base
