#pragma once
// A prompter for tests: each expected prompt is queued with its answer; every prompt shown is
// recorded with its exact text and title. A prompt nobody expected, or an expectation left over,
// is a failure the test reports through verify().
#include "core/ui/prompter.h"

#include <QList>
#include <QStringList>
#include <functional>

struct PromptRecord {
    enum Kind { Message, Question, Input, OpenFile, SaveFile, Choice } kind;
    QString text; // message/question text, input prompt, or file pattern
    QString title;
    ui::Icon icon = ui::Icon::None;
    ui::Buttons buttons = ui::Buttons::Ok;
    ui::Answer defaultAnswer = ui::Answer::Ok;
    QString preset = {};      // the text an input box was preset with
    QStringList choices = {}; // the buttons of a choice
};

class ScriptedPrompter : public ui::Prompter {
public:
    // An empty expected text accepts any text.
    void expectMessage(const QString &text = {}, const QString &title = {});
    void expectQuestion(const QString &text, ui::Answer answer, const QString &title = {});
    // A choice answered with the button of this caption.
    void expectChoice(const QString &text, const QString &choice, const QString &title = {});
    void expectInput(const QString &prompt, std::optional<QString> answer, const QString &title = {});
    void expectOpenFile(const QString &path, const QString &pattern = {});
    void expectSaveFile(const QString &path, const QString &pattern = {});

    void message(const QString &text, const QString &title, ui::Icon icon) override;
    ui::Answer question(const QString &text, const QString &title, ui::Buttons buttons, ui::Icon icon,
                        ui::Answer defaultAnswer) override;
    int choose(const QString &text, const QString &title, const QStringList &choices, ui::Icon icon,
               int defaultChoice) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &preset) override;
    QString openFile(const QString &pattern, const QString &title) override;
    QString saveFile(const QString &pattern, const QString &title) override;

    // Empty when every expectation was met in order and nothing unexpected was shown.
    QString problems() const;
    bool verify() const { return problems().isEmpty(); }
    void clear();

    QList<PromptRecord> shown;
    // Called as each question is shown, to look at the program while it waits for the answer.
    std::function<void()> whileAsking;

private:
    struct Expectation {
        PromptRecord::Kind kind;
        QString text;
        QString title;
        ui::Answer answer = ui::Answer::Ok;
        std::optional<QString> value;
    };
    const Expectation *next(PromptRecord::Kind kind, const QString &text, const QString &title);
    QList<Expectation> m_queue;
    QStringList m_problems;
};

// Checks the prompter at the end of a test function.
#define VERIFY_PROMPTS(p) QVERIFY2((p).verify(), qPrintable((p).problems()))
