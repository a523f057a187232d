// A teacher's first session on a new machine, end to end: the main window in an empty program
// folder, the first user created and logged in through the login dialog, a table opened, a
// score edited, the main window closed with the save prompt answered, and the saved table opened
// again with that user's table password.
#include "core/base/workspace.h"
#include "core/shell/user_store.h"
#include "core/table/table_file.h"
#include "core/ui/settings_store.h"
#include "gui/app/program_commands.h"
#include "gui/shell/login_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/table/grid_view.h"
#include "gui/table/table_window.h"
#include "scripted_prompter.h"
#include "test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class FirstStartTest : public QObject {
    Q_OBJECT

    static void typeInto(QLineEdit *box, const QString &text)
    {
        // An input method delivers Chinese text as a commit string.
        box->setFocus();
        box->clear();
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(box, &e);
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void wholeFirstSession()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + QStringLiteral("/成绩程序/");
        base::Workspace ws(dir);
        ui::MemorySettingsStore settings;
        ScriptedPrompter p;
        auto main = std::make_unique<shell::MainWindow>(ws, p, settings, programCommands(settings));
        for (const char *sub : {"标签引用数据", "表格模版", "表格数据"})
            QVERIFY(QDir(dir + QString::fromUtf8(sub)).exists());
        main->resize(1000, 700);
        main->show();
        QVERIFY(QTest::qWaitForWindowActive(main.get()));

        // The login dialog over the main window: no users yet, so create one.
        auto loginOwner = std::make_unique<shell::LoginDialog>(ws, p, settings, main.get());
        shell::LoginDialog &login = *loginOwner;
        login.show();
        QVERIFY(QTest::qWaitForWindowActive(&login));
        auto *combo = login.findChild<QComboBox *>(QStringLiteral("Combo1"));
        QCOMPARE(combo->count(), 0);
        login.findChild<QPushButton *>(QStringLiteral("Command3"))->click();
        auto *ok = login.findChild<QPushButton *>(QStringLiteral("Command1"));
        QCOMPARE(ok->text(), QStringLiteral("添加用户"));
        typeInto(login.findChild<QLineEdit *>(QStringLiteral("Text3")), QStringLiteral("李老师"));
        typeInto(login.findChild<QLineEdit *>(QStringLiteral("Text1")), QStringLiteral("jiaoshi2026"));
        typeInto(login.findChild<QLineEdit *>(QStringLiteral("Text2")), QStringLiteral("jiaoshi2026"));
        ok->click();
        QVERIFY(QFile::exists(ws.userStoreFile()));
        QCOMPARE(ok->text(), QStringLiteral("确定(&O)"));
        QCOMPARE(combo->currentText(), QStringLiteral("李老师"));
        typeInto(login.findChild<QLineEdit *>(QStringLiteral("Text1")), QStringLiteral("jiaoshi2026"));
        ok->click();
        QCOMPARE(login.result(), int(QDialog::Accepted));
        QCOMPARE(ws.userName, QStringLiteral("李老师"));
        QCOMPARE(ws.panelText(4), QStringLiteral("当前用户：李老师"));
        const QString tablePassword = shell::JMuser(QStringLiteral("李老师")) + QStringLiteral("@jiaoshi2026");
        QCOMPARE(ws.tablePassword, tablePassword);
        QCOMPARE(settings.value(QStringLiteral("Information"), QStringLiteral("Loged User")), QStringLiteral("李老师"));
        QVERIFY(!QFile::exists(ws.userListFile()));
        loginOwner.reset();

        // A table of this user's class, made with the table API.
        const QString base = ws.tableDataDir() + QStringLiteral("期中");
        QVERIFY(saveOneStudentTable(dir, tablePassword, base, QStringLiteral("初一(1)班期中"), QStringLiteral("80")));

        // Open it through the file menu and type a new score.
        p.expectOpenFile(base + QStringLiteral(".gdt"), QStringLiteral("*.gdt"));
        main->frameAction(QStringLiteral("menuOpen"))->trigger();
        table::TableWindow *form = main->activeTableWindow();
        QVERIFY(form);
        QCOMPARE(form->title(), QStringLiteral("初一(1)班期中"));
        QCOMPARE(ws.panelText(2), QStringLiteral("当前表格：初一(1)班期中"));
        form->document().grid.setCurrent(1, 2);
        form->gridView()->setFocus();
        QTest::keyClick(form->gridView(), Qt::Key_9);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_5);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(form->document().grid.TextMatrix(1, 2), QStringLiteral("95"));

        // Closing the main window asks about the changed table; Yes saves over the old file.
        p.expectQuestion(QStringLiteral("是否保存对初一(1)班期中的更改？"), ui::Answer::Yes, QStringLiteral("提示："));
        p.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::Yes, QStringLiteral("提示："));
        QVERIFY(main->close());
        VERIFY_PROMPTS(p);
        main.reset();
        QVERIFY(!QFile::exists(ws.workingFile()));

        // Next session: the same user logs in again and the table holds the new score.
        base::Workspace next(dir);
        ScriptedPrompter p2;
        shell::UserStore store(next, p2);
        const std::optional<QString> pw = store.login(QStringLiteral("李老师"), QStringLiteral("jiaoshi2026"));
        QVERIFY(pw.has_value());
        QCOMPARE(oneStudentScore(dir, *pw, base), QStringLiteral("95"));
        VERIFY_PROMPTS(p2);
    }
};

QTEST_MAIN(FirstStartTest)
#include "tst_first_start.moc"
