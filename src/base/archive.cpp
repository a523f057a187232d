#include "base/archive.h"

#include "base/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUuid>

#include <cstdio>
#include <zip.h>

namespace base::archive {

namespace {

enum Result { Ok = 0, Failed = 1 };

// Member names are bare file names: a folder part, "." or ".." never reaches a path on disk.
bool isBareName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(u'\0'));
}

// Replaces `to` atomically; QFile::rename refuses an existing target.
bool renameOver(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// The key bytes of a password are its code page 936 bytes, as on a GBK system.
QByteArray passwordBytes(const QString &password)
{
    return base::codec::encode(password);
}

struct ZipCloser {
    zip_t *za = nullptr;
    ~ZipCloser()
    {
        if (za)
            zip_discard(za);
    }
};

struct ZipFileCloser {
    zip_file_t *zf = nullptr;
    // The result of zip_fclose, which reports a checksum failure noticed at the end.
    int close()
    {
        const int r = zf ? zip_fclose(zf) : 0;
        zf = nullptr;
        return r;
    }
    ~ZipFileCloser() { close(); }
};

} // namespace

int pack(const QString &sourceFile, const QString &memberName, const QString &archivePath, const QString &password)
{
    if (!isBareName(memberName) || archivePath.isEmpty())
        return Failed;
    const QFileInfo source(sourceFile);
    if (!source.isFile() || !source.isReadable())
        return Failed;

    // The new archive is built under a fresh name in the target's folder, so that the rename over
    // the old archive stays on one file system and a failure leaves the old archive untouched.
    const QFileInfo target(archivePath);
    const QString tempPath = target.absolutePath() + QLatin1Char('/') + QLatin1Char('.') + target.fileName() +
                             QLatin1Char('.') + QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".tmp");

    int error = 0;
    ZipCloser archive;
    archive.za = zip_open(QFile::encodeName(tempPath).constData(), ZIP_CREATE | ZIP_EXCL, &error);
    if (!archive.za)
        return Failed;

    zip_source_t *src = zip_source_file(archive.za, QFile::encodeName(source.absoluteFilePath()).constData(), 0, -1);
    if (!src)
        return Failed;
    const zip_int64_t index = zip_file_add(archive.za, memberName.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(src);
        return Failed;
    }
    // zip's own default level: about five times faster than the strongest, for a few per cent.
    if (zip_set_file_compression(archive.za, zip_uint64_t(index), ZIP_CM_DEFLATE, 6) != 0)
        return Failed;
    if (!password.isEmpty()) {
        const QByteArray pw = passwordBytes(password);
        if (zip_file_set_encryption(archive.za, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE, pw.constData()) != 0)
            return Failed;
    }
    if (zip_close(archive.za) != 0) {
        // libzip removes its own partial output; the discard in ZipCloser frees the handle.
        QFile::remove(tempPath);
        return Failed;
    }
    archive.za = nullptr;

    if (!renameOver(tempPath, target.absoluteFilePath())) {
        QFile::remove(tempPath);
        return Failed;
    }
    return Ok;
}

int unpack(const QString &archivePath, const QString &memberName, const QString &destDir, const QString &password)
{
    if (!isBareName(memberName) || !QFileInfo(destDir).isDir())
        return Failed;

    int error = 0;
    ZipCloser archive;
    archive.za = zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &error);
    if (!archive.za)
        return Failed;

    // Exact name only: neither a folder part nor a different case may stand in for the member.
    const zip_int64_t index = zip_name_locate(archive.za, memberName.toUtf8().constData(), 0);
    if (index < 0)
        return Failed;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive.za, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return Failed;
    if (st.size > zip_uint64_t(kMaxMemberSize))
        return Failed;
    const bool encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;

    ZipFileCloser member;
    if (encrypted) {
        const QByteArray pw = passwordBytes(password);
        member.zf = zip_fopen_index_encrypted(archive.za, zip_uint64_t(index), 0, pw.constData());
    } else {
        member.zf = zip_fopen_index(archive.za, zip_uint64_t(index), 0);
    }
    if (!member.zf)
        return Failed;

    // Removed on every way out unless the rename below took it.
    QTemporaryFile out(QDir(destDir).absoluteFilePath(QStringLiteral(".") + memberName + QStringLiteral(".XXXXXX")));
    if (!out.open())
        return Failed;

    // A wrong password that passes the one-byte header check shows only here, as a read, inflate
    // or checksum error; anything but exactly the recorded size read without error is a failure.
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    zip_uint64_t total = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(member.zf, buffer.data(), zip_uint64_t(buffer.size()));
        if (n < 0)
            return Failed;
        if (n == 0)
            break;
        total += zip_uint64_t(n);
        if (total > st.size)
            return Failed;
        if (out.write(buffer.constData(), n) != n)
            return Failed;
    }
    if (total != st.size || member.close() != 0)
        return Failed;
    if (!out.flush())
        return Failed;
    out.close();
    if (out.error() != QFileDevice::NoError)
        return Failed;

    const QString target = QDir(destDir).absoluteFilePath(memberName);
    if (!renameOver(out.fileName(), target))
        return Failed;
    // The member keeps the owner-only mode of the temporary: user.dat holds plain passwords.
    out.setAutoRemove(false);
    return Ok;
}

} // namespace base::archive
