// The INI profile: the bytes as an INI file, each of its sections and keys looked up, one key
// written, and the same through the in-memory document.
#include "core/base/ini_profile.h"
#include "core/base/text_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString path = fuzz::writeScratch(QStringLiteral("p.ini"), bytes);
    const QString text = base::codec::decode(bytes);
    // The keys the file names, as far as a line holds "=": the lookups then find entries.
    QStringList keys;
    for (const QString &line : base::codec::splitLines(text).mid(0, 32))
        keys << line.section(QLatin1Char('='), 0, 0).trimmed();
    base::ini::Document doc(text);
    for (const QString &section : base::ini::sections(path).mid(0, 16)) {
        for (const QString &key : keys) {
            base::ini::read(path, section, key, QStringLiteral("Default"));
            doc.value(section, key, QStringLiteral("Default"));
            doc.contains(section, key);
        }
        doc.set(section, QStringLiteral("k"), QStringLiteral("v"));
    }
    doc.set(QStringLiteral("new"), keys.value(0), QStringLiteral("v"));
    doc.text();
    base::ini::writeText(text, QStringLiteral("user"), QStringLiteral("u1"), QStringLiteral("name"));
    base::ini::write(path, QStringLiteral("user"), keys.value(0), QStringLiteral("value"));
    return 0;
}
