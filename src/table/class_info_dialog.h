#pragma once
// frmClassInfo "班级信息设置：": class size, teacher and class information of the active table.
// Filled from the table by the command, read back after "完成".
#include "table/table_properties.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

namespace table {

class frmClassInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmClassInfo(const ClassInfo &info, QWidget *parent = nullptr);
    ClassInfo classInfo() const;

private:
    QLineEdit *m_size;
    QLineEdit *m_teacher;
    QPlainTextEdit *m_info;
};

} // namespace table
