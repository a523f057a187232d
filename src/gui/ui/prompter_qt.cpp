#include "gui/ui/prompter_qt.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QTreeView>

namespace ui {

namespace {

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton boxButton(Answer answer)
{
    switch (answer) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

// The answer a box gives when it is closed by Escape or its frame.
Answer escapeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    }
    return Answer::Cancel;
}

} // namespace

QWidget *QtPrompter::parentWidget() const
{
    // A prompt raised while a modal dialog is open (the login dialog, say) belongs over that dialog.
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return m_owner;
}

void QtPrompter::message(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, parentWidget());
    box.exec();
}

Answer QtPrompter::question(const QString &text, const QString &title, Buttons buttons, Icon icon, Answer defaultAnswer)
{
    QMessageBox box(boxIcon(icon), title, text, boxButtons(buttons), parentWidget());
    if (box.button(boxButton(defaultAnswer)))
        box.setDefaultButton(boxButton(defaultAnswer));
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return escapeAnswer(buttons);
    }
}

int QtPrompter::choose(const QString &text, const QString &title, const QStringList &choices, Icon icon,
                       int defaultChoice)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::NoButton, parentWidget());
    QList<QAbstractButton *> buttons;
    for (qsizetype i = 0; i < choices.size(); ++i) {
        // The last choice changes nothing: Escape and the close button give it.
        const auto role = i + 1 == choices.size() ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        QPushButton *b = box.addButton(choices[i], role);
        b->setObjectName(QStringLiteral("choice%1").arg(i));
        buttons << b;
    }
    if (defaultChoice >= 0 && defaultChoice < buttons.size())
        box.setDefaultButton(static_cast<QPushButton *>(buttons[defaultChoice]));
    if (!buttons.isEmpty())
        box.setEscapeButton(buttons.last());
    box.exec();
    const qsizetype chosen = buttons.indexOf(box.clickedButton());
    return chosen >= 0 ? int(chosen) : int(choices.size()) - 1;
}

std::optional<QString> QtPrompter::input(const QString &prompt, const QString &title, const QString &preset)
{
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(preset);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString QtPrompter::fileFilter(const QString &pattern)
{
    // The system's patterns are separated by ";", Qt's by blanks ("*.txt;*.csv").
    QString patterns = pattern;
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return pattern + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

void QtPrompter::prepare(QFileDialog &dialog) const
{
    // Qt's own dialog, in Chinese with the translations loaded, large enough that names, sizes
    // and dates can be read; it opens where the teacher was last, at first in 表格数据.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    if (!m_folder.isEmpty())
        dialog.setDirectory(m_folder);
    dialog.resize(900, 560);
    if (auto *list = dialog.findChild<QTreeView *>()) {
        // Size, type and date as wide as they need, the name taking the rest.
        QHeaderView *header = list->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < 4; ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

QStringList QtPrompter::chosen(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    m_folder = dialog.directory().absolutePath();
    return dialog.selectedFiles();
}

QStringList QtPrompter::openFiles(const QString &pattern, const QString &title)
{
    QFileDialog dialog(parentWidget(), title, QString(), fileFilter(pattern));
    prepare(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return chosen(dialog);
}

QString QtPrompter::openFile(const QString &pattern, const QString &title)
{
    QFileDialog dialog(parentWidget(), title, QString(), fileFilter(pattern));
    prepare(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosen(dialog).value(0);
}

QString QtPrompter::saveFile(const QString &pattern, const QString &title)
{
    QFileDialog dialog(parentWidget(), title, QString(), fileFilter(pattern));
    prepare(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(ui::defaultExtension(pattern));
    return chosen(dialog).value(0);
}

bool installQtChineseTranslation(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(translator);
        return true;
    }
    delete translator;
    return false;
}

} // namespace ui
