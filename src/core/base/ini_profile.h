#pragma once
// INI files with the semantics the program expects of private-profile reading and writing:
// case-insensitive sections and keys, raw values (trimmed, one pair of surrounding quotes removed,
// no escapes), ";" comments only at the start of a line, the first duplicate wins, at most 254
// characters come back, writing one key keeps the rest of the file byte for byte. Code page 936.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace base::ini {

QString read(const QString &file, const QString &section, const QString &key, const QString &defaultValue);
// Creates file and section as needed. False when the file cannot be read or written, and when a
// name or the value holds a line break (or the key an "=", or starts with "[" or ";"), which
// would add lines of its own to the file.
bool write(const QString &file, const QString &section, const QString &key, const QString &value);
// An INI text in memory, parsed once, for callers that look up or change many keys (the user
// store with thousands of users): each lookup and each change of an existing key takes constant
// time. Reading and writing follow exactly the rules above; text() gives the whole text back with
// every line the changes did not touch as it was.
class Document {
public:
    explicit Document(const QString &text = {});
    QString value(const QString &section, const QString &key, const QString &defaultValue) const;
    // Whether the key exists in the first section of that name.
    bool contains(const QString &section, const QString &key) const;
    // False (and nothing changed) when write() would refuse it.
    bool set(const QString &section, const QString &key, const QString &value);
    QString text() const;

private:
    struct Entry {
        QString raw;        // the line as it stands, without its line end
        QString terminator; // "\r\n", "\n" or "" for a last line without one
    };
    struct SectionIndex {
        qsizetype header = -1;
        qsizetype lastEntry = -1;
        QHash<QString, qsizetype> keys; // first key of each name -> its line
    };
    void reindex();
    const SectionIndex *sectionOf(const QString &section) const;

    QList<Entry> m_lines;
    QHash<QString, SectionIndex> m_sections; // first section of each name
};

// The same over a text already in memory (for callers that hold the text themselves); a write
// refused as above returns the text unchanged.
QString readText(const QString &text, const QString &section, const QString &key, const QString &defaultValue);
QString writeText(const QString &text, const QString &section, const QString &key, const QString &value);
// Section names in file order.
QStringList sections(const QString &file);

} // namespace base::ini
