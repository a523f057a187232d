#pragma once
// ZIP archives holding one text member with traditional PKWARE password encryption, over libzip.
// An empty password packs without encryption; an unencrypted member opens whatever password is
// supplied. Unpacking extracts only the named member, looked up by its exact name, into the given
// folder; the output path is never built from a name stored in the archive.
#include <QString>

namespace base::archive {

// A member larger than this is a failed unpack rather than an exhausted memory.
constexpr qint64 kMaxMemberSize = 256ll * 1024 * 1024;

// Packs `sourceFile` as the single member `memberName` into `archivePath`. The new archive is
// written beside the target and renamed over it, so a failed pack keeps the old file.
// 0 on success, non-zero on failure.
int pack(const QString &sourceFile, const QString &memberName, const QString &archivePath, const QString &password);

// Extracts member `memberName` of `archivePath` to destDir + "/" + memberName, replacing a file
// of that name. The member is read to a temporary name and renamed only after the read succeeded,
// so a wrong password that passes the encryption header check leaves nothing behind.
// 0 on success, non-zero on failure (missing archive or member, wrong password, damage, too big).
int unpack(const QString &archivePath, const QString &memberName, const QString &destDir, const QString &password);

} // namespace base::archive
