#include "gui/shell/login_dialog.h"

#include "core/base/workspace.h"
#include "core/ui/settings_store.h"
#include "gui/ui/widget_names.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

using ui::named;

namespace {

const QString kCaptionLogin = QStringLiteral("确定(&O)");
const QString kCaptionAdd = QStringLiteral("添加用户");
const QString kCaptionChange = QStringLiteral("确认更改");
const QString kCaptionQuit = QStringLiteral("退出");
const QString kCaptionCancel = QStringLiteral("取消");
const QString kSection = QStringLiteral("Information");
const QString kKey = QStringLiteral("Loged User");

QLineEdit *passwordBox(const QString &name)
{
    auto *edit = named(new QLineEdit, name);
    edit->setEchoMode(QLineEdit::Password);
    // Each typed character shows as "*".
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    return edit;
}

} // namespace

LoginDialog::LoginDialog(base::Workspace &ws, ui::Prompter &prompter, ui::SettingsStore &settings, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_settings(settings), m_store(ws, prompter)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("登陆..."));
    setModal(true);

    m_label1 = named(new QLabel(QStringLiteral("用 户 名：")), QStringLiteral("Label1"));
    m_combo1 = named(new QComboBox, QStringLiteral("Combo1"));
    m_combo1->setEditable(false);
    m_text3 = named(new QLineEdit, QStringLiteral("Text3"));
    m_label2 = named(new QLabel(QStringLiteral("密    码：")), QStringLiteral("Label2"));
    m_text1 = passwordBox(QStringLiteral("Text1"));
    m_label4 = named(new QLabel(QStringLiteral("确认密码：")), QStringLiteral("Label4"));
    m_text2 = passwordBox(QStringLiteral("Text2"));
    m_command1 = named(new QPushButton(kCaptionLogin), QStringLiteral("Command1"));
    m_command1->setDefault(true);
    m_command2 = named(new QPushButton(kCaptionQuit), QStringLiteral("Command2"));
    m_command2->setAutoDefault(false);

    m_frame3 = named(new QGroupBox(QStringLiteral("用户管理：")), QStringLiteral("Frame3"));
    m_command3 = named(new QPushButton(QStringLiteral("新用户(&A)")), QStringLiteral("Command3"));
    m_command5 = named(new QPushButton(QStringLiteral("更改密码")), QStringLiteral("Command5"));
    m_command4 = named(new QPushButton(QStringLiteral("删除用户")), QStringLiteral("Command4"));
    auto *manage = new QHBoxLayout(m_frame3);
    for (QPushButton *b : {m_command3, m_command5, m_command4}) {
        b->setAutoDefault(false);
        manage->addWidget(b);
    }

    m_frame2 = named(new QGroupBox(QStringLiteral("说明：")), QStringLiteral("Frame2"));
    auto *note =
        named(new QLabel(QStringLiteral(
                  "第一次使用，请新建一个用户，今后使用此用户名登陆本系统。用户名和密码即将作为您所创建的数据表的密匙。"
                  "请牢记您的用户名和密码，一旦丢失，将无法挽救数据！")),
              QStringLiteral("Label3"));
    note->setWordWrap(true);
    (new QVBoxLayout(m_frame2))->addWidget(note);

    auto *fields = new QGridLayout;
    fields->addWidget(m_label1, 0, 0);
    // Text3 takes the place of Combo1 in add and change mode.
    fields->addWidget(m_combo1, 0, 1);
    fields->addWidget(m_text3, 0, 1);
    fields->addWidget(m_label2, 1, 0);
    fields->addWidget(m_text1, 1, 1);
    fields->addWidget(m_label4, 2, 0);
    fields->addWidget(m_text2, 2, 1);
    fields->setColumnStretch(1, 1);
    // The confirmation row keeps its place while hidden, so the dialog keeps one size in every mode.
    for (QWidget *w : {static_cast<QWidget *>(m_label4), static_cast<QWidget *>(m_text2)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    buttons->addStretch();
    auto *top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_frame3);
    layout->addWidget(m_frame2);

    connect(m_command1, &QPushButton::clicked, this, &LoginDialog::command1Clicked);
    connect(m_command2, &QPushButton::clicked, this, &LoginDialog::command2Clicked);
    connect(m_command3, &QPushButton::clicked, this, &LoginDialog::newUserClicked);
    connect(m_command5, &QPushButton::clicked, this, &LoginDialog::changePasswordClicked);
    connect(m_command4, &QPushButton::clicked, this, &LoginDialog::deleteUserClicked);

    enterLoginMode();
    fillUsers(m_settings.value(kSection, kKey));
    m_text1->setFocus();
}

void LoginDialog::fillUsers(const QString &select)
{
    m_combo1->clear();
    m_combo1->addItems(m_store.users());
    // With no name remembered (the first start), the first user is chosen, ready for the password.
    m_combo1->setCurrentIndex(select.isEmpty() ? (m_combo1->count() > 0 ? 0 : -1)
                                               : m_combo1->findText(select, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void LoginDialog::enterLoginMode()
{
    m_combo1->setVisible(true);
    m_text3->setVisible(false);
    m_label4->setVisible(false);
    m_text2->setVisible(false);
    m_frame3->setEnabled(true);
    m_text3->setEnabled(true);
    m_text1->clear();
    m_text2->clear();
    m_text3->clear();
    m_command1->setText(kCaptionLogin);
    m_command2->setText(kCaptionQuit);
    m_label1->setText(QStringLiteral("用 户 名："));
}

void LoginDialog::enterAddMode()
{
    m_text3->setVisible(true);
    m_label4->setVisible(true);
    m_text2->setVisible(true);
    m_combo1->setVisible(false);
    m_frame3->setEnabled(false);
    m_command1->setText(kCaptionAdd);
    m_command2->setText(kCaptionCancel);
    m_label1->setText(QStringLiteral("新 用 户："));
    m_text3->setFocus();
}

void LoginDialog::enterChangeMode()
{
    m_text3->setVisible(true);
    m_label4->setVisible(true);
    m_text2->setVisible(true);
    m_text3->setEnabled(false);
    m_text3->setText(m_combo1->currentText());
    m_combo1->setVisible(false);
    m_frame3->setEnabled(false);
    m_text1->clear();
    m_text2->clear();
    m_command1->setText(kCaptionChange);
    m_command2->setText(kCaptionCancel);
    m_text1->setFocus();
}

void LoginDialog::command1Clicked()
{
    const QString mode = m_command1->text();
    if (mode == kCaptionAdd)
        doAdd();
    else if (mode == kCaptionChange)
        doChange();
    else
        doLogin();
}

void LoginDialog::doLogin()
{
    const QString name = m_combo1->currentText();
    const std::optional<QString> tablePassword = m_store.login(name, m_text1->text());
    if (!tablePassword) {
        // The wrong password is selected, so typing replaces it.
        m_text1->setFocus();
        m_text1->selectAll();
        return;
    }
    setLoggedIn(m_ws, name, *tablePassword);
    m_settings.setValue(kSection, kKey, name);
    m_loginDone = true;
    accept();
}

void LoginDialog::doAdd()
{
    const QString name = m_text3->text();
    if (!m_store.addUser(name, m_text1->text(), m_text2->text()))
        return;
    fillUsers(name);
    enterLoginMode();
    m_text1->setFocus();
}

void LoginDialog::doChange()
{
    if (m_store.changePassword(m_text3->text(), m_text1->text(), m_text2->text()))
        enterLoginMode();
}

void LoginDialog::command2Clicked()
{
    if (m_command2->text() != kCaptionQuit) {
        enterLoginMode();
        return;
    }
    m_quitting = true;
    emit quitRequested();
    done(QuitProgram);
}

void LoginDialog::newUserClicked()
{
    enterAddMode();
}

void LoginDialog::changePasswordClicked()
{
    if (m_store.checkPasswordForChange(m_combo1->currentText(), m_text1->text()))
        enterChangeMode();
}

void LoginDialog::deleteUserClicked()
{
    if (m_store.deleteUser(m_combo1->currentText(), m_text1->text()) != UserStore::DeleteResult::Deleted)
        return;
    fillUsers(QString());
    m_text1->clear();
}

void LoginDialog::reject()
{
    // Escape: the dialog is left only by a login or by "退出".
    if (m_loginDone || m_quitting)
        QDialog::reject();
}

void LoginDialog::closeEvent(QCloseEvent *event)
{
    if (m_loginDone || m_quitting)
        event->accept();
    else
        event->ignore();
}

} // namespace shell
