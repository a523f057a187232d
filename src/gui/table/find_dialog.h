#pragma once
// The find dialog FindDialog "查找..." (not modal, above the main window) and the replace dialog
// ReplaceDialog "替换" (modal), and the registration of the table commands of find, replace, clearing
// the marks and sorting. The dialogs collect values; table/find_replace does the work.
#include "core/table/command.h"
#include "core/table/find_replace.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ui {
class Prompter;
class SettingsStore;
} // namespace ui

namespace table {

// The results menu menuZD lists up to this many rows; more go to the results window instead.
constexpr int kFindMenuLimit = 50;

class FindDialog : public QDialog {
    Q_OBJECT
public:
    // Searches `doc`, the table of `tableWindow`; closes itself when that window goes or another
    // table window becomes active. The dialog deletes itself when closed. A search that finds
    // nothing says so through `prompter`, which outlives the table window.
    FindDialog(GradeTable &doc, ui::Prompter &prompter, QWidget *tableWindow, QWidget *parent = nullptr);

    // The open find dialog, if any (there is one at a time).
    static FindDialog *current();

    QLineEdit *text1() const { return m_text1; }
    QCheckBox *check(int n) const; // Check1 … Check5
    QPushButton *command1() const { return m_command1; }
    FindOptions options() const;

public slots:
    void search(); // 查找(&F): search, then close

protected:
    bool event(QEvent *e) override;

private:
    void followTableWindow(QWidget *tableWindow);

    GradeTable &m_doc;
    ui::Prompter &m_prompter;
    QPointer<QWidget> m_tableWindow;
    QLineEdit *m_text1 = nullptr;
    QList<QCheckBox *> m_checks;
    QPushButton *m_command1 = nullptr;
};

class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    // The search box starts with the text of the cell at the end of the selection.
    ReplaceDialog(GradeTable &doc, QWidget *parent = nullptr);

    QLineEdit *text1() const { return m_text1; }
    QLineEdit *text2() const { return m_text2; }
    QCheckBox *check1() const { return m_check1; }
    QPushButton *command1() const { return m_command1; }
    // Cells changed by the last "全部替换(&C)".
    int replaced() const { return m_replaced; }

public slots:
    void replaceEverywhere(); // 全部替换(&C)

protected:
    bool event(QEvent *e) override;

private:
    GradeTable &m_doc;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QPushButton *m_command1 = nullptr;
    int m_replaced = 0;
};

// Registers menuFind (toolbar button Find), menuMark, menuChange, and the sort dialog as
// menuSortAsc (toolbar button SortAscending) and menuSortDesc (SortDescending), which preselect
// the order. The table window has no sort menu entry; these two run from the toolbar only.
// The sort keys are the cells' display values (formula::columnDisplayValues). The sort dialog's "相同分数名次并列" is
// kept per user in `settings` (not kept without one).
void registerFindSortDialogs(CommandRegistry &registry, ui::SettingsStore *settings = nullptr);

} // namespace table
