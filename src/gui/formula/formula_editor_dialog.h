#pragma once
// FormulaEditorDialog "公式编辑器": a copy of the table in which the user selects the cells, the operation,
// the generated formula (editable), the target cell and the preview of its value. The logic is the
// FormulaEditor's; this window shows it and forwards selections, choices and edits. This file
// also registers the formula commands that open dialogs.
#include "core/formula/formula_editor.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace ui {
class Prompter;
}
namespace table {
class CommandRegistry;
class GridView;
} // namespace table

namespace formula {

// No Q_OBJECT: moc cannot name a class in Chinese, and the dialog needs no signals of its own.
class FormulaEditorDialog : public QDialog {
public:
    FormulaEditorDialog(FormulaEditor &editor, ui::Prompter &prompter, QWidget *parent = nullptr);
    ~FormulaEditorDialog() override;

    table::GridView *grid() const { return m_grid; }

private:
    void selectionChanged();
    void showBody();
    void bodyEdited(const QString &text);
    void showState();

    FormulaEditor &m_editor;
    ui::Prompter &m_prompter;
    table::GridView *m_grid;
    QComboBox *m_combo;
    QLineEdit *m_body;
    QLineEdit *m_target;
    QLineEdit *m_preview;
    QPushButton *m_ok;
};

// menuGSBJ (the formula editor; the formula bar's button Command2 runs the same command), menuGSSM
// (the formula help) and menuSetdataFormat (the number format, whose preview uses the formula
// results' formatting).
void registerFormulaEditorDialogs(table::CommandRegistry &registry);

} // namespace formula
