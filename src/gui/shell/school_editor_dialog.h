#pragma once
// SchoolEditorDialog "班级编制": the school tree editor. The controls show a SchoolEditor and forward the
// user's actions to it; "完成" writes SchoolInfo.ini, "取消" (and the close box) asks first when
// anything changed.
#include "core/shell/school_editor.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace shell {

class SchoolEditorDialog : public QDialog {
    Q_OBJECT
public:
    SchoolEditorDialog(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent = nullptr);

    SchoolEditor &editor() { return m_editor; }
    QLineEdit *text1() const { return m_text1; }
    QListWidget *list1() const { return m_list1; }
    QListWidget *list2() const { return m_list2; }
    QPushButton *button(const QString &objectName) const;

public slots:
    void finish(); // 完成
    void cancel(); // 取消
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void run(void (SchoolEditor::*command)());
    void refresh();

    SchoolEditor m_editor;
    QLineEdit *m_text1 = nullptr;
    QListWidget *m_list1 = nullptr;
    QListWidget *m_list2 = nullptr;
    bool m_refreshing = false;
};

} // namespace shell
