#pragma once
// ClassInfoDialog "班级信息设置：": class size, teacher and class information of the active table.
// Filled from the table by the command, read back after "完成".
#include "core/table/table_properties.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

namespace ui {
class Prompter;
}

namespace table {

class ClassInfoDialog : public QDialog {
    Q_OBJECT
public:
    // "完成" closes only with a class size of 0 … 32766; anything else is said through `prompter`.
    ClassInfoDialog(const ClassInfo &info, ui::Prompter &prompter, QWidget *parent = nullptr);
    ClassInfo classInfo() const;

private:
    void done1();

    ui::Prompter &m_prompter;
    QLineEdit *m_size;
    QLineEdit *m_teacher;
    QPlainTextEdit *m_info;
};

} // namespace table
