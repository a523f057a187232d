// LoginDialog as the user meets it: the first start, logging in, the three modes, a password change,
// deleting a user, the remembered name, and that only a login or "退出" leaves the dialog.
#include "core/base/workspace.h"
#include "core/shell/user_store.h"
#include "core/ui/settings_store.h"
#include "gui/shell/login_dialog.h"
#include "scripted_prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using shell::LoginDialog;

class TestLoginDialog : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_prompter;
    ui::MemorySettingsStore m_settings;
    std::unique_ptr<LoginDialog> m_dlg;

    LoginDialog &open()
    {
        m_dlg = std::make_unique<LoginDialog>(*m_ws, m_prompter, m_settings);
        m_dlg->show();
        return *m_dlg;
    }

    template <typename W> W *child(const char *name)
    {
        W *w = m_dlg->findChild<W *>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QLineEdit *edit(const char *name) { return child<QLineEdit>(name); }
    QPushButton *button(const char *name) { return child<QPushButton>(name); }
    QComboBox *combo() { return child<QComboBox>("Combo1"); }
    bool shown(const char *name) { return !child<QWidget>(name)->isHidden(); }

    // Chinese text arrives as an input method commit, as it does from a real input method.
    static void commitText(QWidget *w, const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(w, &event);
    }

    void addUser(const QString &name, const QString &pw)
    {
        QVERIFY(shell::UserStore(*m_ws, m_prompter).addUser(name, pw, pw));
    }

    void checkLoginMode()
    {
        QCOMPARE(button("Command1")->text(), QStringLiteral("确定(&O)"));
        QCOMPARE(button("Command2")->text(), QStringLiteral("退出"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("用 户 名："));
        QVERIFY(shown("Combo1"));
        QVERIFY(!shown("Text3"));
        QVERIFY(!shown("Label4"));
        QVERIFY(!shown("Text2"));
        QVERIFY(child<QGroupBox>("Frame3")->isEnabled());
        QVERIFY(edit("Text3")->isEnabled());
        QVERIFY(edit("Text1")->text().isEmpty());
        QVERIFY(edit("Text2")->text().isEmpty());
        QVERIFY(edit("Text3")->text().isEmpty());
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_dir->path());
        m_prompter.clear();
        m_settings.values.clear();
    }

    void cleanup()
    {
        m_dlg.reset();
        QVERIFY(!QFile::exists(m_ws->userListFile()));
        VERIFY_PROMPTS(m_prompter);
        m_ws.reset();
        m_dir.reset();
    }

    void firstStartAddUserThenLogin()
    {
        LoginDialog &dlg = open();
        QCOMPARE(dlg.objectName(), QStringLiteral("frmLogin"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("登陆..."));
        QCOMPARE(child<QGroupBox>("Frame3")->title(), QStringLiteral("用户管理："));
        QCOMPARE(child<QGroupBox>("Frame2")->title(), QStringLiteral("说明："));
        QVERIFY(child<QGroupBox>("Frame2")->findChild<QLabel *>()->text().startsWith(
            QStringLiteral("第一次使用，请新建一个用户")));
        QCOMPARE(combo()->count(), 0);
        QCOMPARE(dlg.focusWidget(), edit("Text1"));
        checkLoginMode();

        button("Command3")->click();
        QCOMPARE(button("Command1")->text(), QStringLiteral("添加用户"));
        QCOMPARE(button("Command2")->text(), QStringLiteral("取消"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("新 用 户："));
        QVERIFY(shown("Text3") && shown("Label4") && shown("Text2"));
        QVERIFY(!shown("Combo1"));
        QVERIFY(!button("Command3")->isEnabled());
        QCOMPARE(dlg.focusWidget(), edit("Text3"));

        commitText(edit("Text3"), QStringLiteral("王老师"));
        QTest::keyClicks(edit("Text1"), QStringLiteral("secret1"));
        QTest::keyClicks(edit("Text2"), QStringLiteral("secret1"));
        QCOMPARE(edit("Text1")->displayText(), QStringLiteral("*******"));
        button("Command1")->click();

        checkLoginMode();
        QCOMPARE(combo()->count(), 1);
        QCOMPARE(combo()->currentText(), QStringLiteral("王老师"));
        QVERIFY(QFile::exists(m_ws->userStoreFile()));

        QTest::keyClicks(edit("Text1"), QStringLiteral("secret1"));
        button("Command1")->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QVERIFY(dlg.loginDone());
        QCOMPARE(m_ws->userName, QStringLiteral("王老师"));
        QCOMPARE(m_ws->tablePassword, QStringLiteral("8D@secret1")); // 0x8B + 0x01 + 0x01
        QCOMPARE(m_ws->panelText(4), QStringLiteral("当前用户：王老师"));
        QCOMPARE(m_settings.value(QStringLiteral("Information"), QStringLiteral("Loged User")),
                 QStringLiteral("王老师"));
    }

    void addRefusalStaysInAddMode()
    {
        open();
        button("Command3")->click();
        edit("Text3")->setText(QStringLiteral("Default"));
        edit("Text1")->setText(QStringLiteral("secret1"));
        edit("Text2")->setText(QStringLiteral("secret1"));
        m_prompter.expectMessage(QStringLiteral("用户名：Default 不合法。请更改一个新的用户名。"),
                                 QStringLiteral("错误"));
        button("Command1")->click();
        QCOMPARE(button("Command1")->text(), QStringLiteral("添加用户"));
        QCOMPARE(edit("Text3")->text(), QStringLiteral("Default"));
        QCOMPARE(edit("Text1")->text(), QStringLiteral("secret1"));
        QVERIFY(!QFile::exists(m_ws->userStoreFile()));

        // "取消" goes back to login mode and clears the boxes.
        button("Command2")->click();
        checkLoginMode();
        QVERIFY(m_dlg->isVisible());
    }

    void wrongPasswordKeepsDialog()
    {
        addUser(QStringLiteral("teacher"), QStringLiteral("secret1"));
        m_settings.setValue(QStringLiteral("Information"), QStringLiteral("Loged User"), QStringLiteral("teacher"));
        LoginDialog &dlg = open();
        edit("Text1")->setText(QStringLiteral("secret2"));
        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"), QStringLiteral("提示"));
        button("Command1")->click();
        QCOMPARE(m_prompter.shown.last().icon, ui::Icon::Information);
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.loginDone());
        QCOMPARE(edit("Text1")->text(), QStringLiteral("secret2"));
        QCOMPARE(edit("Text1")->selectedText(), QStringLiteral("secret2")); // typing replaces it
        QCOMPARE(button("Command1")->text(), QStringLiteral("确定(&O)"));
        QVERIFY(m_ws->userName.isEmpty());
        QVERIFY(m_ws->panelText(4).isEmpty());
    }

    void changePassword()
    {
        addUser(QStringLiteral("teacher"), QStringLiteral("secret1"));
        m_settings.setValue(QStringLiteral("Information"), QStringLiteral("Loged User"), QStringLiteral("teacher"));
        LoginDialog &dlg = open();

        m_prompter.expectMessage(QStringLiteral("请先在密码框中输入您的密码，然后再输入您想更改的密码。"),
                                 QStringLiteral("提示"));
        button("Command5")->click();
        QCOMPARE(button("Command1")->text(), QStringLiteral("确定(&O)"));

        edit("Text1")->setText(QStringLiteral("secret1"));
        button("Command5")->click();
        QCOMPARE(button("Command1")->text(), QStringLiteral("确认更改"));
        QCOMPARE(button("Command2")->text(), QStringLiteral("取消"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("用 户 名："));
        QVERIFY(shown("Text3") && shown("Label4") && shown("Text2") && !shown("Combo1"));
        QVERIFY(!edit("Text3")->isEnabled());
        QCOMPARE(edit("Text3")->text(), QStringLiteral("teacher"));
        QVERIFY(edit("Text1")->text().isEmpty());
        QVERIFY(!child<QGroupBox>("Frame3")->isEnabled());
        QCOMPARE(dlg.focusWidget(), edit("Text1"));

        edit("Text1")->setText(QStringLiteral("abc"));
        edit("Text2")->setText(QStringLiteral("abd"));
        m_prompter.expectMessage(QStringLiteral("两次输入的密码不一致，请重新输入。"), QStringLiteral("提示"));
        button("Command1")->click();
        QCOMPARE(button("Command1")->text(), QStringLiteral("确认更改"));

        edit("Text2")->setText(QStringLiteral("abc"));
        button("Command1")->click();
        checkLoginMode();
        QCOMPARE(combo()->currentText(), QStringLiteral("teacher"));

        edit("Text1")->setText(QStringLiteral("abc"));
        button("Command1")->click();
        QVERIFY(dlg.loginDone());
        QCOMPARE(m_ws->tablePassword, QStringLiteral("13C@secret1")); // t 116 + e 101 + c 99
    }

    void deleteUser()
    {
        addUser(QStringLiteral("aaa"), QStringLiteral("aaaaaa"));
        addUser(QStringLiteral("bbb"), QStringLiteral("bbbbbb"));
        m_settings.setValue(QStringLiteral("Information"), QStringLiteral("Loged User"), QStringLiteral("aaa"));
        open();
        edit("Text1")->setText(QStringLiteral("aaaaaa"));
        m_prompter.expectQuestion({}, ui::Answer::No);
        button("Command4")->click();
        QCOMPARE(combo()->count(), 2);
        QCOMPARE(edit("Text1")->text(), QStringLiteral("aaaaaa"));

        m_prompter.expectQuestion({}, ui::Answer::Yes);
        button("Command4")->click();
        QCOMPARE(combo()->count(), 1);
        QCOMPARE(combo()->itemText(0), QStringLiteral("bbb"));
        QVERIFY(edit("Text1")->text().isEmpty());
    }

    void rememberedName_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<int>("index");
        QTest::newRow("second entry") << QStringLiteral("bbb") << 1;
        QTest::newRow("deleted since") << QStringLiteral("ccc") << -1;
        QTest::newRow("other case") << QStringLiteral("BBB") << -1;
        QTest::newRow("none: the first user") << QString() << 0;
    }

    void rememberedName()
    {
        QFETCH(QString, remembered);
        QFETCH(int, index);
        addUser(QStringLiteral("aaa"), QStringLiteral("aaaaaa"));
        addUser(QStringLiteral("bbb"), QStringLiteral("bbbbbb"));
        if (!remembered.isNull())
            m_settings.setValue(QStringLiteral("Information"), QStringLiteral("Loged User"), remembered);
        open();
        QCOMPARE(combo()->count(), 2);
        QCOMPARE(combo()->currentIndex(), index);
    }

    void frameCloseRefusedBeforeLogin()
    {
        addUser(QStringLiteral("teacher"), QStringLiteral("secret1"));
        LoginDialog &dlg = open();
        QVERIFY(!dlg.close());
        QVERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
        dlg.reject();
        QVERIFY(dlg.isVisible());
        QVERIFY(m_ws->userName.isEmpty());
    }

    void quitEndsWithQuitResult()
    {
        LoginDialog &dlg = open();
        QSignalSpy quit(&dlg, &LoginDialog::quitRequested);
        QSignalSpy finished(&dlg, &QDialog::finished);
        button("Command2")->click();
        QCOMPARE(quit.count(), 1);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(), LoginDialog::QuitProgram);
        QCOMPARE(dlg.result(), LoginDialog::QuitProgram);
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.loginDone());
    }
};

QTEST_MAIN(TestLoginDialog)
#include "tst_login_dialog.moc"
