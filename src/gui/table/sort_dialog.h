#pragma once
// frm排序 "排序：": the sort field, the write-back box with its target field, the order. The
// dialog shows a SortDialogModel; "确定(&O)" leaves the request to carry out in request().
#include "core/table/sort_rows.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace table {

class SortDialog : public QDialog {
    Q_OBJECT
public:
    SortDialog(const GradeTable &t, bool ascending, ui::Prompter &prompter, QWidget *parent = nullptr,
               bool sharedRanks = false);

    SortDialogModel &model() { return m_model; }
    QComboBox *combo1() const { return m_combo1; }
    QComboBox *combo2() const { return m_combo2; }
    QCheckBox *check1() const { return m_check1; }
    QCheckBox *check2() const { return m_check2; } // "相同分数名次并列"
    QRadioButton *option(int n) const { return n == 1 ? m_option1 : m_option2; }
    QPushButton *command1() const { return m_command1; }
    // After "确定(&O)": what to sort.
    std::optional<SortRequest> request() const { return m_request; }

public slots:
    void acceptSort();

private:
    void refresh();

    SortDialogModel m_model;
    ui::Prompter &m_prompter;
    QComboBox *m_combo1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QCheckBox *m_check2 = nullptr;
    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QPushButton *m_command1 = nullptr;
    std::optional<SortRequest> m_request;
};

} // namespace table
