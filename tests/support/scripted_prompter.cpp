#include "scripted_prompter.h"

using namespace ui;

static const char *kindName(PromptRecord::Kind k)
{
    switch (k) {
    case PromptRecord::Message:
        return "message";
    case PromptRecord::Question:
        return "question";
    case PromptRecord::Input:
        return "input";
    case PromptRecord::OpenFile:
        return "open-file";
    case PromptRecord::SaveFile:
        return "save-file";
    case PromptRecord::Choice:
        return "choice";
    }
    return "?";
}

void ScriptedPrompter::expectMessage(const QString &text, const QString &title)
{
    m_queue.append({PromptRecord::Message, text, title, Answer::Ok, {}});
}
void ScriptedPrompter::expectQuestion(const QString &text, Answer answer, const QString &title)
{
    m_queue.append({PromptRecord::Question, text, title, answer, {}});
}
void ScriptedPrompter::expectChoice(const QString &text, const QString &choice, const QString &title)
{
    m_queue.append({PromptRecord::Choice, text, title, Answer::Ok, choice});
}
void ScriptedPrompter::expectInput(const QString &prompt, std::optional<QString> answer, const QString &title)
{
    m_queue.append({PromptRecord::Input, prompt, title, Answer::Ok, answer});
}
void ScriptedPrompter::expectOpenFile(const QString &path, const QString &pattern)
{
    m_queue.append({PromptRecord::OpenFile, pattern, {}, Answer::Ok, path});
}
void ScriptedPrompter::expectSaveFile(const QString &path, const QString &pattern)
{
    m_queue.append({PromptRecord::SaveFile, pattern, {}, Answer::Ok, path});
}

const ScriptedPrompter::Expectation *ScriptedPrompter::next(PromptRecord::Kind kind, const QString &text,
                                                            const QString &title)
{
    static Expectation taken;
    // A question asked again and again until answered would otherwise run until the timeout.
    if (m_problems.size() > 1000)
        qFatal("ScriptedPrompter: runaway prompts: %s", qPrintable(m_problems.first()));
    if (m_queue.isEmpty()) {
        m_problems
            << QStringLiteral("unexpected %1: \"%2\" (title \"%3\")").arg(QLatin1String(kindName(kind)), text, title);
        return nullptr;
    }
    taken = m_queue.takeFirst();
    if (taken.kind != kind)
        m_problems << QStringLiteral("expected %1 \"%2\", got %3 \"%4\"")
                          .arg(QLatin1String(kindName(taken.kind)), taken.text, QLatin1String(kindName(kind)), text);
    else if (!taken.text.isEmpty() && taken.text != text)
        m_problems << QStringLiteral("expected text \"%1\", got \"%2\"").arg(taken.text, text);
    else if (!taken.title.isEmpty() && taken.title != title)
        m_problems << QStringLiteral("expected title \"%1\", got \"%2\" for \"%3\"").arg(taken.title, title, text);
    return &taken;
}

void ScriptedPrompter::message(const QString &text, const QString &title, Icon icon)
{
    shown.append({PromptRecord::Message, text, title, icon, Buttons::Ok, Answer::Ok});
    next(PromptRecord::Message, text, title);
}

Answer ScriptedPrompter::question(const QString &text, const QString &title, Buttons buttons, Icon icon,
                                  Answer defaultAnswer)
{
    shown.append({PromptRecord::Question, text, title, icon, buttons, defaultAnswer});
    if (whileAsking)
        whileAsking();
    const Expectation *e = next(PromptRecord::Question, text, title);
    if (!e || e->kind != PromptRecord::Question)
        return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    return e->answer;
}

int ScriptedPrompter::choose(const QString &text, const QString &title, const QStringList &choices, Icon icon,
                             int defaultChoice)
{
    shown.append({PromptRecord::Choice, text, title, icon, Buttons::Ok, Answer::Ok, {}, choices});
    Q_UNUSED(defaultChoice)
    if (whileAsking)
        whileAsking();
    const Expectation *e = next(PromptRecord::Choice, text, title);
    const qsizetype chosen = e && e->kind == PromptRecord::Choice ? choices.indexOf(e->value.value_or(QString())) : -1;
    if (e && e->kind == PromptRecord::Choice && chosen < 0)
        m_problems << QStringLiteral("no button \"%1\" in \"%2\"").arg(e->value.value_or(QString()), text);
    return chosen >= 0 ? int(chosen) : int(choices.size()) - 1;
}

std::optional<QString> ScriptedPrompter::input(const QString &prompt, const QString &title, const QString &preset)
{
    shown.append({PromptRecord::Input, prompt, title, Icon::None, Buttons::OkCancel, Answer::Ok, preset});
    const Expectation *e = next(PromptRecord::Input, prompt, title);
    return e && e->kind == PromptRecord::Input ? e->value : std::nullopt;
}

QString ScriptedPrompter::openFile(const QString &pattern, const QString &title)
{
    shown.append({PromptRecord::OpenFile, pattern, title, Icon::None, Buttons::Ok, Answer::Ok});
    const Expectation *e = next(PromptRecord::OpenFile, pattern, {});
    return e && e->kind == PromptRecord::OpenFile ? e->value.value_or(QString()) : QString();
}

QString ScriptedPrompter::saveFile(const QString &pattern, const QString &title)
{
    shown.append({PromptRecord::SaveFile, pattern, title, Icon::None, Buttons::Ok, Answer::Ok});
    const Expectation *e = next(PromptRecord::SaveFile, pattern, {});
    return e && e->kind == PromptRecord::SaveFile ? e->value.value_or(QString()) : QString();
}

QString ScriptedPrompter::problems() const
{
    QStringList all = m_problems;
    for (const Expectation &e : m_queue)
        all << QStringLiteral("expected %1 \"%2\" was never shown").arg(QLatin1String(kindName(e.kind)), e.text);
    return all.join(QLatin1Char('\n'));
}

void ScriptedPrompter::clear()
{
    m_queue.clear();
    m_problems.clear();
    shown.clear();
}
