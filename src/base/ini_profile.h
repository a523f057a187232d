#pragma once
// INI files with the semantics the program expects of private-profile reading and writing:
// case-insensitive sections and keys, raw values (trimmed, one pair of surrounding quotes removed,
// no escapes), ";" comments only at the start of a line, the first duplicate wins, at most 254
// characters come back, writing one key keeps the rest of the file byte for byte. Code page 936.
#include <QString>
#include <QStringList>

namespace base::ini {

QString read(const QString &file, const QString &section, const QString &key, const QString &defaultValue);
// Creates file and section as needed. False when the file cannot be read or written, and when a
// name or the value holds a line break (or the key an "=", or starts with "[" or ";"), which
// would add lines of its own to the file.
bool write(const QString &file, const QString &section, const QString &key, const QString &value);
// The same over a text already in memory (for callers that hold the text themselves); a write
// refused as above returns the text unchanged.
QString readText(const QString &text, const QString &section, const QString &key, const QString &defaultValue);
QString writeText(const QString &text, const QString &section, const QString &key, const QString &value);
// Section names in file order.
QStringList sections(const QString &file);

} // namespace base::ini
