#pragma once
// ZIP archives holding one text member with traditional PKWARE password encryption, over libzip.
// An empty password packs without encryption; an unencrypted member opens whatever password is
// supplied. The member never touches the disk in plain form: it is packed from memory and
// unpacked into memory, looked up by its exact name.
#include <QByteArray>
#include <QString>
#include <optional>

namespace base::archive {

// A member larger than this is a failed unpack rather than an exhausted memory; so that every
// archive written opens again, packing refuses such a member as well.
constexpr qint64 kMaxMemberSize = 256ll * 1024 * 1024;
constexpr bool fitsMember(qint64 size)
{
    return size <= kMaxMemberSize;
}

// Why an archive could not be read or written; the caller picks what the user is told.
enum class Failure {
    None,
    Missing,       // no file at the path, or no member of that name
    Damaged,       // not an archive, a damaged one, two members of the name, a failed read
    WrongPassword, // the password does not open the member
    TooLarge,      // the member is larger than kMaxMemberSize
    BadName,       // the member name is not a bare file name, or the path is empty
    NotWritable,   // the target or its folder may not be written; nothing was touched
    WriteFailed,   // writing failed (a full disk, a failing device); the old file is unchanged
};

// The member read, or the archive written to memory, with why it failed.
struct Bytes {
    QByteArray bytes;
    Failure failure = Failure::None;
    bool ok() const { return failure == Failure::None; }
};

// The archive bytes holding `content` as the single member `memberName`; a member unpack would
// refuse is TooLarge here as well.
Bytes packToBytes(const QByteArray &content, const QString &memberName, const QString &password);

// Packs and writes the archive through writeFileAtomically, so a failed pack or write keeps the
// old archive. None when it was written.
Failure pack(const QByteArray &content, const QString &memberName, const QString &archivePath, const QString &password);

// The member `memberName` of `archivePath`. A wrong password that passes the encryption header
// check may show only while reading (checksum or inflate error), and then fails as Damaged.
Bytes unpack(const QString &archivePath, const QString &memberName, const QString &password);

} // namespace base::archive
