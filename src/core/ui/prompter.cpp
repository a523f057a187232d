#include "core/ui/prompter.h"

#include <cstdio>

namespace ui {

void NonInteractivePrompter::message(const QString &text, const QString &, Icon)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

Answer NonInteractivePrompter::question(const QString &text, const QString &, Buttons buttons, Icon, Answer)
{
    std::fputs(text.toUtf8().constData(), stderr);
    const bool okStyle = buttons == Buttons::Ok || buttons == Buttons::OkCancel;
    std::fputs(m_yes ? (okStyle ? " -> OK\n" : " -> Yes\n") : (okStyle ? " -> Cancel\n" : " -> No\n"), stderr);
    if (m_yes)
        return okStyle ? Answer::Ok : Answer::Yes;
    return okStyle ? Answer::Cancel : Answer::No;
}

int NonInteractivePrompter::choose(const QString &text, const QString &, const QStringList &choices, Icon,
                                   int defaultChoice)
{
    const int chosen = m_yes ? defaultChoice : int(choices.size()) - 1;
    std::fputs((text + QStringLiteral(" -> ") + choices.value(chosen)).toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
    return chosen;
}

std::optional<QString> NonInteractivePrompter::input(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}

QString NonInteractivePrompter::openFile(const QString &, const QString &)
{
    return {};
}
QString NonInteractivePrompter::saveFile(const QString &, const QString &)
{
    return {};
}

namespace {

// A dialog answer is a NUL-terminated buffer; only the text before the first NUL is the path.
QString upToNul(const QString &path)
{
    const qsizetype nul = path.indexOf(QChar(u'\0'));
    return nul < 0 ? path : path.left(nul);
}

qsizetype dirPartLength(const QString &path)
{
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1;
}

} // namespace

QString ShowOpenDialog(Prompter &prompter, const QString &pattern, const QString &title)
{
    return upToNul(prompter.openFile(pattern, title));
}

QString defaultExtension(const QString &pattern)
{
    const QString ext = pattern.mid(pattern.lastIndexOf(QLatin1Char('.')) + 1);
    for (const QChar c : ext)
        if (c.unicode() >= 128 || !c.isLetterOrNumber())
            return {};
    return pattern.contains(QLatin1Char('.')) ? ext : QString();
}

QString ShowSaveDialog(Prompter &prompter, const QString &pattern)
{
    QString path = upToNul(prompter.saveFile(pattern, QString()));
    // A name typed without any extension gets the pattern's, as the system's save dialog does.
    const QString ext = defaultExtension(pattern);
    if (!path.isEmpty() && !ext.isEmpty()) {
        const QString name = path.mid(dirPartLength(path));
        if (!name.isEmpty() && !name.contains(QLatin1Char('.')))
            path += QLatin1Char('.') + ext;
    }
    return path;
}

} // namespace ui
