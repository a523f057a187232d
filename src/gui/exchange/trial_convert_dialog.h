#pragma once
// TrialConvertDialog (转换 试用版 数据表): a list of trial-format table files, converted in place into table
// archives, optionally keeping each original as ".bak".
#include <QDialog>

class QCheckBox;
class QListWidget;
class QPushButton;

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
}

namespace exchange {

class TrialConvertDialog : public QDialog {
    Q_OBJECT
public:
    TrialConvertDialog(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent = nullptr);

    QStringList files() const;

private:
    void command1Clicked();
    void command2Clicked();

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    QListWidget *m_list1;
    QPushButton *m_command1;
    QPushButton *m_command2;
    QPushButton *m_command3;
    QCheckBox *m_check1;
};

} // namespace exchange
