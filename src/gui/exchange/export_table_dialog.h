#pragma once
// ExportTableDialog (导出表格指定数据): chooses fields and students of the open table for a new table
// file. The caller fills the lists and receives the choice through a callback, which exports and
// tells whether the dialog is to close.
#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace exchange {

class ExportTableDialog : public QDialog {
    Q_OBJECT
public:
    // Grid columns (1 …) and grid rows (1 …) chosen; true when the dialog is to close.
    using Confirm = std::function<bool(const QList<int> &fields, const QList<int> &rows)>;

    // `fields`: the field names (columns 1 …); `rows`: the text in column 1 of each data row.
    ExportTableDialog(const QStringList &fields, const QStringList &rows, Confirm confirm, QWidget *parent = nullptr);

    QList<int> chosenFields() const;
    QList<int> chosenRows() const;

private:
    Confirm m_confirm;
    QListWidget *m_list1;
    QListWidget *m_list2;
    QCheckBox *m_check1;
    QCheckBox *m_check2;
    QPushButton *m_command1;
    QPushButton *m_command2;
    QLabel *m_label3;
};

} // namespace exchange
