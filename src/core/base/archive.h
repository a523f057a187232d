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

// The archive bytes holding `content` as the single member `memberName`; nullopt on failure, also
// for a member unpack would refuse as too large.
std::optional<QByteArray> packToBytes(const QByteArray &content, const QString &memberName, const QString &password);

// Packs and writes the archive through writeFileAtomically, so a failed pack or write keeps the
// old archive. True when it was written.
bool pack(const QByteArray &content, const QString &memberName, const QString &archivePath, const QString &password);

// The member `memberName` of `archivePath`; nullopt when the archive or member is missing, the
// password is wrong, the archive is damaged or the member is too large. A wrong password that
// passes the encryption header check shows only while reading (checksum or inflate error) and
// fails here as well.
std::optional<QByteArray> unpack(const QString &archivePath, const QString &memberName, const QString &password);

} // namespace base::archive
