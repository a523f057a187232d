#include "ui/prompter.h"

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

} // namespace ui
