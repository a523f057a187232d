#pragma once
// FieldManagerDialog "字段编辑器": the field list of the active table, edited with insert, delete, clear
// and rename; "确定(&O)" hands the list back to the command. The list itself and the questions
// are the FieldManager's. This file also registers the field and property commands that open
// dialogs.
#include "core/table/fields.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace ui {
class Prompter;
class SettingsStore;
} // namespace ui

namespace table {

class CommandRegistry;

// No Q_OBJECT: moc cannot name a class in Chinese, and the dialog needs no signals of its own.
class FieldManagerDialog : public QDialog {
public:
    FieldManagerDialog(FieldManager &manager, ui::Prompter &prompter, QWidget *parent = nullptr);

private:
    void showItems();
    void run(void (FieldManager::*button)(ui::Prompter &));

    FieldManager &m_manager;
    ui::Prompter &m_prompter;
    QListWidget *m_list;
};

// menuAddTitle (field manager), menuClassSetup (class information; also toolbar button 22
// 成绩表属性), menuFont (table font, kept in `settings`), menuHeight and mneuWeight (row height and
// column width). `settings` must outlive the registry.
void registerFieldDialogs(CommandRegistry &registry, ui::SettingsStore &settings);

} // namespace table
