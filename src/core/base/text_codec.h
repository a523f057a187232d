#pragma once
// The one place where text meets bytes on disk: code page 936 (GBK) with CR LF line ends.
// A character that code page 936 lacks is written in its GB18030 four-byte form, so nothing a
// teacher types is lost; reading accepts both.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace base::codec {

// A lone surrogate (no character at all) is written as U+FFFD in GB18030.
QByteArray encode(const QString &text);
// The same bytes appended to `out`, for writers that build one buffer from many texts.
void appendEncoded(QByteArray &out, QStringView text);
// Bytes that form no character read as U+FFFD, one for each such byte.
QString decode(QByteArrayView bytes);

// Each line followed by CR LF.
QByteArray joinLines(const QStringList &lines);
// Splits at CR LF or LF; a final line end does not start another line.
QStringList splitLines(const QString &text);

// Whole text files. The writers go through writeFileAtomically (base/file_writer.h): a failed
// write keeps the old file. writeText keeps the text's own line ends.
bool readLines(const QString &path, QStringList *lines);
bool writeLines(const QString &path, const QStringList &lines);
bool readText(const QString &path, QString *text);
bool writeText(const QString &path, const QString &text);
// The raw bytes of a file, and writing bytes beside the target with the same rename.
bool readBytes(const QString &path, QByteArray *bytes);
bool writeBytes(const QString &path, const QByteArray &bytes);

} // namespace base::codec
