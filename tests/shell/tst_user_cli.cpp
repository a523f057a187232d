// The command-line user commands and the command-line login over the same store as the dialog.
#include "cli/user_cli.h"
#include "core/base/workspace.h"
#include "scripted_prompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

class TestUserCli : public QObject {
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    base::Workspace *m_ws = nullptr;
    ScriptedPrompter m_prompter;

    int run(const QStringList &args, QString *output = nullptr)
    {
        QString text;
        QTextStream out(&text);
        const int rc = shell::runUserCommand(*m_ws, m_prompter, args, out);
        out.flush();
        if (output)
            *output = text;
        return rc;
    }

    static QStringList words(const char *line) { return QString::fromUtf8(line).split(QLatin1Char(' ')); }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_ws = new base::Workspace(m_dir->path());
        m_prompter.clear();
    }

    void cleanup()
    {
        QVERIFY(!QFile::exists(m_ws->userListFile()));
        VERIFY_PROMPTS(m_prompter);
        delete m_ws;
        delete m_dir;
    }

    void addListAndLogin()
    {
        QCOMPARE(run(words("user add teacher secret1")), 0);
        QCOMPARE(run({QStringLiteral("add"), QStringLiteral("王老师"), QStringLiteral("123456")}), 0);
        QString listed;
        QCOMPARE(run(words("user list"), &listed), 0);
        QCOMPARE(listed, QStringLiteral("teacher\n王老师\n"));

        QVERIFY(shell::cliLogin(*m_ws, m_prompter, QStringLiteral("王老师"), QStringLiteral("123456")));
        QCOMPARE(m_ws->userName, QStringLiteral("王老师"));
        QCOMPARE(m_ws->tablePassword, QStringLiteral("8D@123456")); // 0x8B + 0x01 + 0x01
        QCOMPARE(m_ws->panelText(4), QStringLiteral("当前用户：王老师"));
    }

    void wrongPasswordLogin()
    {
        QCOMPARE(run(words("user add teacher secret1")), 0);
        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"), QStringLiteral("提示"));
        QVERIFY(!shell::cliLogin(*m_ws, m_prompter, QStringLiteral("teacher"), QStringLiteral("secret2")));
        QVERIFY(m_ws->userName.isEmpty());
        QVERIFY(m_ws->tablePassword.isEmpty());
        QVERIFY(m_ws->panelText(4).isEmpty());
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::newRow("short name") << QStringLiteral("user add ab secret1")
                                    << QStringLiteral("用户名至少需要三个字符，请重新输入。") << QStringLiteral("错误");
        QTest::newRow("taken") << QStringLiteral("user add teacher secret1") << QStringLiteral("用户已存在！")
                               << QStringLiteral("错误");
        QTest::newRow("short password") << QStringLiteral("user add other 12345")
                                        << QStringLiteral("为安全性考虑，请使用至少6位的密码。")
                                        << QStringLiteral("错误");
        QTest::newRow("passwd with wrong old")
            << QStringLiteral("user passwd teacher wrong1 newpw1")
            << QStringLiteral("请先在密码框中输入您的密码，然后再输入您想更改的密码。") << QStringLiteral("提示");
    }

    void refusals()
    {
        QFETCH(QString, line);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QCOMPARE(run(words("user add teacher secret1")), 0);
        m_prompter.expectMessage(message, title);
        QCOMPARE(run(line.split(QLatin1Char(' '))), 1);
        QString listed;
        QCOMPARE(run(words("user list"), &listed), 0);
        QCOMPARE(listed, QStringLiteral("teacher\n"));
    }

    void passwdKeepsTablePassword()
    {
        QCOMPARE(run(words("user add teacher secret1")), 0);
        QCOMPARE(run(words("user passwd teacher secret1 newpw")), 0);
        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"));
        QVERIFY(!shell::cliLogin(*m_ws, m_prompter, QStringLiteral("teacher"), QStringLiteral("secret1")));
        QVERIFY(shell::cliLogin(*m_ws, m_prompter, QStringLiteral("teacher"), QStringLiteral("newpw")));
        QCOMPARE(m_ws->tablePassword, QStringLiteral("13C@secret1")); // t 116 + e 101 + c 99
    }

    void usage_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("nothing") << QString();
        QTest::newRow("unknown") << QStringLiteral("user remove teacher");
        QTest::newRow("add without password") << QStringLiteral("user add teacher");
        QTest::newRow("list with argument") << QStringLiteral("user list all");
    }

    void usage()
    {
        QFETCH(QString, line);
        m_prompter.expectMessage({}, QStringLiteral("错误"));
        QCOMPARE(run(line.isEmpty() ? QStringList() : line.split(QLatin1Char(' '))), 2);
    }
};

QTEST_GUILESS_MAIN(TestUserCli)
#include "tst_user_cli.moc"
