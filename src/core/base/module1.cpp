#include "core/base/module1.h"

#include "core/base/ini_profile.h"

namespace base {

namespace {

qsizetype dirPartLength(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype backslash = path.lastIndexOf(QLatin1Char('\\'));
    return qMax(slash, backslash) + 1;
}

} // namespace

QString ReadIni(const QString &file, const QString &section, const QString &key)
{
    return ini::read(file, section, key, QStringLiteral("Default"));
}

QString DirPart(const QString &path)
{
    return path.left(dirPartLength(path)).toUpper();
}

QString FilePart(const QString &path)
{
    // Counted on the path itself: upper-casing may change the length (ß becomes SS).
    return path.mid(dirPartLength(path));
}

QString ShortenName(const QString &text)
{
    if (text.size() <= 22)
        return text;
    return text.left(8) + QStringLiteral("...") + text.right(8);
}

bool IsValidName(const QString &text)
{
    static const QString forbidden = QStringLiteral("/\\*:?<>|\"");
    for (QChar c : text) {
        if (forbidden.contains(c))
            return false;
    }
    return true;
}

} // namespace base
