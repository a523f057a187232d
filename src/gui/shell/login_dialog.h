#pragma once
// LoginDialog: the modal login dialog, which also adds users, changes a password and deletes a user.
// Its mode is the caption of Command1 ("确定(&O)", "添加用户", "确认更改"). It cannot be closed by
// its frame until a login succeeded; "退出" finishes it with QuitProgram and the caller ends the
// program. The work itself is done by the user store.
#include "core/shell/user_store.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class Prompter;
class SettingsStore;
} // namespace ui

namespace base {
class Workspace;
}

namespace shell {

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    // The result of "退出": the program ends.
    static constexpr int QuitProgram = 2;

    LoginDialog(base::Workspace &ws, ui::Prompter &prompter, ui::SettingsStore &settings, QWidget *parent = nullptr);

    bool loginDone() const { return m_loginDone; }

signals:
    void quitRequested();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void command1Clicked();
    void command2Clicked();
    void newUserClicked();
    void changePasswordClicked();
    void deleteUserClicked();

    void doLogin();
    void doAdd();
    void doChange();

    void enterLoginMode();
    void enterAddMode();
    void enterChangeMode();
    void fillUsers(const QString &select);

    base::Workspace &m_ws;
    ui::SettingsStore &m_settings;
    UserStore m_store;
    bool m_loginDone = false;
    bool m_quitting = false;

    QLabel *m_label1;
    QComboBox *m_combo1;
    QLineEdit *m_text3;
    QLabel *m_label2;
    QLineEdit *m_text1;
    QLabel *m_label4;
    QLineEdit *m_text2;
    QPushButton *m_command1;
    QPushButton *m_command2;
    QGroupBox *m_frame3;
    QPushButton *m_command3;
    QPushButton *m_command5;
    QPushButton *m_command4;
    QGroupBox *m_frame2;
};

} // namespace shell
