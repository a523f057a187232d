#pragma once
// The desktop program's prompter: message and question boxes, input boxes and the open/save file
// dialogs, shown over the owner window (or over the modal dialog that is open at the time).
#include "core/ui/prompter.h"

#include <QPointer>
#include <QWidget>

class QCoreApplication;
class QFileDialog;

namespace ui {

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget *owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }
    // The folder the file dialogs open in until the teacher has chosen another one.
    void setStartFolder(const QString &folder) { m_folder = folder; }
    QWidget *owner() const { return m_owner; }

    void message(const QString &text, const QString &title, Icon icon) override;
    Answer question(const QString &text, const QString &title, Buttons buttons, Icon icon,
                    Answer defaultAnswer) override;
    int choose(const QString &text, const QString &title, const QStringList &choices, Icon icon,
               int defaultChoice) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &preset) override;
    QString openFile(const QString &pattern, const QString &title) override;
    QString saveFile(const QString &pattern, const QString &title) override;
    QStringList openFiles(const QString &pattern, const QString &title) override;

    // The filter of the file dialogs: description and pattern both the given pattern.
    static QString fileFilter(const QString &pattern);

private:
    QWidget *parentWidget() const;
    void prepare(QFileDialog &dialog) const;
    QStringList chosen(QFileDialog &dialog);
    QPointer<QWidget> m_owner;
    QString m_folder;
};

// Loads Qt's own Simplified Chinese texts (是/否/取消, the file dialogs) when they are installed.
// True when a translation was installed.
bool installQtChineseTranslation(QCoreApplication &app);

} // namespace ui
