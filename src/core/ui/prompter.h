#pragma once
// The one way the program asks the user anything: message boxes, questions, input boxes and the
// open/save file dialogs. The desktop program uses the Qt implementation, tests a scripted one,
// the command-line companion a non-interactive one.
#include <QString>
#include <QStringList>
#include <optional>

namespace ui {

enum class Icon { None, Information, Question, Warning, Critical };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void message(const QString &text, const QString &title, Icon icon) = 0;
    virtual Answer question(const QString &text, const QString &title, Buttons buttons, Icon icon,
                            Answer defaultAnswer) = 0;
    // A question whose buttons say what they do ("覆盖", "另存为", "取消"): the index of the one
    // chosen. The last choice must be the one that changes nothing: Escape and the box's close
    // button give it, and so does a prompter that cannot ask.
    virtual int choose(const QString &text, const QString &title, const QStringList &choices, Icon icon,
                       int defaultChoice)
    {
        Q_UNUSED(text)
        Q_UNUSED(title)
        Q_UNUSED(icon)
        Q_UNUSED(defaultChoice)
        return int(choices.size()) - 1;
    }
    // nullopt when the user cancels.
    virtual std::optional<QString> input(const QString &prompt, const QString &title, const QString &preset) = 0;
    // The chosen path, or an empty text on cancel. `pattern` is a filter such as "*.gdt".
    virtual QString openFile(const QString &pattern, const QString &title) = 0;
    virtual QString saveFile(const QString &pattern, const QString &title) = 0;
    // The open-file dialog with several files allowed; the chosen paths, none on cancel. By default
    // the single-file dialog.
    virtual QStringList openFiles(const QString &pattern, const QString &title)
    {
        const QString path = openFile(pattern, title);
        return path.isEmpty() ? QStringList() : QStringList{path};
    }
};

// For the command-line companion: messages go to stderr, questions get a fixed answer,
// input and file dialogs are cancelled.
class NonInteractivePrompter : public Prompter {
public:
    explicit NonInteractivePrompter(bool answerYes) : m_yes(answerYes) {}
    void message(const QString &text, const QString &title, Icon icon) override;
    Answer question(const QString &text, const QString &title, Buttons buttons, Icon icon,
                    Answer defaultAnswer) override;
    // --yes takes the default choice, otherwise the last.
    int choose(const QString &text, const QString &title, const QStringList &choices, Icon icon,
               int defaultChoice) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &preset) override;
    QString openFile(const QString &pattern, const QString &title) override;
    QString saveFile(const QString &pattern, const QString &title) override;

private:
    bool m_yes;
};

// The open-file dialog; the chosen path, or "" when cancelled.
QString ShowOpenDialog(Prompter &prompter, const QString &pattern, const QString &title);
// The save-file dialog (no title); "" when cancelled. A name typed without an extension gets the
// pattern's, as the system's save dialog does.
QString ShowSaveDialog(Prompter &prompter, const QString &pattern);
// The extension a save dialog adds for a pattern: what follows its last "." when that is letters
// and digits only ("gdt" of "*.gdt", "xlsx" of "*.xlsx"); empty otherwise.
QString defaultExtension(const QString &pattern);

} // namespace ui
