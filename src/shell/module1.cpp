#include "shell/module1.h"

#include "shell/ini_profile.h"

namespace shell {

namespace {

// A dialog answer is a NUL-terminated buffer; only the text before the first NUL is the path.
QString upToNul(const QString &path)
{
    const qsizetype nul = path.indexOf(QChar(u'\0'));
    return nul < 0 ? path : path.left(nul);
}

qsizetype dirPartLength(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype backslash = path.lastIndexOf(QLatin1Char('\\'));
    return qMax(slash, backslash) + 1;
}

} // namespace

QString ShowOpenDialog(ui::Prompter &prompter, const QString &pattern, const QString &title)
{
    return upToNul(prompter.openFile(pattern, title));
}

QString ShowSaveDialog(ui::Prompter &prompter, const QString &pattern)
{
    QString path = upToNul(prompter.saveFile(pattern, QString()));
    // The last three characters of the pattern are the default extension: a name typed without
    // any extension gets it, as the system's save dialog does.
    const QString ext = pattern.right(3);
    const bool plainExt = ext.size() == 3 && !ext.contains(QLatin1Char('*')) && !ext.contains(QLatin1Char('.')) &&
                          !ext.contains(QLatin1Char('?'));
    if (!path.isEmpty() && plainExt) {
        const QString name = path.mid(dirPartLength(path));
        if (!name.isEmpty() && !name.contains(QLatin1Char('.')))
            path += QLatin1Char('.') + ext;
    }
    return path;
}

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

} // namespace shell
