#pragma once
// What an operation tells its caller: done, or why not, with the text the user should see. An
// operation never asks: a question it needs answered comes back as Ask with a flag, the caller
// asks it and runs the operation again with that flag set in its request's `agreed`. So a window
// asks with its dialogs and the command line answers with its flags, both running one operation.
#include "core/ui/prompter.h"

#include <QString>

namespace ui {

struct Outcome {
    enum class Result { Done, Cancelled, Refused, Failed, Ask };
    Result result = Result::Done;
    QString text;  // the message or question; empty when there is nothing to say
    QString title; // its box's title
    Icon icon = Icon::None;
    unsigned question = 0; // Ask: the flag an answer of yes sets

    bool done() const { return result == Result::Done; }
    static Outcome ok() { return {}; }
    static Outcome cancelled() { return {Result::Cancelled, {}, {}, Icon::None, 0}; }
    // A refusal before anything changed, told in a box titled 提示.
    static Outcome refused(const QString &text) { return {Result::Refused, text, kNotice, Icon::Information, 0}; }
    // A failure, told in a box titled 错误.
    static Outcome failed(const QString &text) { return {Result::Failed, text, kError, Icon::Critical, 0}; }
    static Outcome ask(unsigned flag, const QString &text, const QString &title = kNotice)
    {
        return {Result::Ask, text, title, Icon::Question, flag};
    }

    static inline const QString kNotice = QStringLiteral("提示");
    static inline const QString kError = QStringLiteral("错误");
};

// Shows the outcome's message, if it has one; true when it is Done.
inline bool report(Prompter &prompter, const Outcome &outcome)
{
    if (!outcome.text.isEmpty() && outcome.result != Outcome::Result::Ask)
        prompter.message(outcome.text, outcome.title, outcome.icon);
    return outcome.done();
}

// Runs `operation(request)` until it no longer asks: each question answered Yes (default No) sets
// its flag in `request.agreed` and runs it again; a No ends it as Cancelled. Shows the last
// outcome's message and returns that outcome.
template <class Request, class Operation> Outcome settle(Prompter &prompter, Request &request, Operation &&operation)
{
    for (;;) {
        const Outcome outcome = operation(static_cast<const Request &>(request));
        if (outcome.result != Outcome::Result::Ask || (request.agreed & outcome.question)) {
            report(prompter, outcome);
            return outcome;
        }
        if (prompter.question(outcome.text, outcome.title, Buttons::YesNo, outcome.icon, Answer::No) != Answer::Yes)
            return Outcome::cancelled();
        request.agreed |= outcome.question;
    }
}

} // namespace ui
