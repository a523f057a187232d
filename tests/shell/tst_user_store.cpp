// The user store: JMuser, the add checks and their precedence, login, password change, delete with
// the rebuilt list file, and that the plain user.dat never stays on disk. Stores are cross-checked
// with Info-ZIP in both directions.
#include "core/base/workspace.h"
#include "core/shell/user_store.h"
#include "scripted_prompter.h"
#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

using shell::UserStore;

namespace {

const QString kStorePw = QStringLiteral("ScorvaneUsers!7");
const QString kRefused = QStringLiteral("<refused>");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestUserStore : public QObject {
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QTemporaryDir *m_scratch = nullptr;
    base::Workspace *m_ws = nullptr;
    ScriptedPrompter m_prompter;

    QString programDir() const { return m_ws->programDir(); }
    UserStore store() { return UserStore(*m_ws, m_prompter); }

    // The list file as Info-ZIP sees it inside std.dat.
    QByteArray storedList()
    {
        const ProcessResult r =
            runProcess(QStringLiteral("unzip"), {QStringLiteral("-p"), QStringLiteral("-P"), kStorePw,
                                                 m_ws->userStoreFile(), QStringLiteral("user.dat")});
        return r.exitCode == 0 ? r.out : QByteArray("unzip failed: ") + r.err;
    }

    // A store made by Info-ZIP from the given user.dat bytes.
    void zipStore(const QByteArray &listBytes, const QString &password = kStorePw)
    {
        const QString list = m_scratch->filePath(QStringLiteral("user.dat"));
        writeBytes(list, listBytes);
        QFile::remove(m_ws->userStoreFile());
        const ProcessResult r =
            runProcess(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-j"), QStringLiteral("-P"),
                                               password, m_ws->userStoreFile(), list});
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }

    void addOk(const QString &name, const QString &pw) { QVERIFY(store().addUser(name, pw, pw)); }

    // The table password, or kRefused.
    QString loginAs(const QString &name, const QString &pw) { return store().login(name, pw).value_or(kRefused); }

    bool noListFile() const { return !QFile::exists(m_ws->userListFile()); }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_scratch = new QTemporaryDir;
        m_ws = new base::Workspace(m_dir->path());
        m_prompter.clear();
    }

    void cleanup()
    {
        // No test may leave the plain list behind, whatever it did.
        QVERIFY2(noListFile(), "user.dat left in the program directory");
        VERIFY_PROMPTS(m_prompter);
        delete m_ws;
        delete m_scratch;
        delete m_dir;
    }

    void jmuser_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // Characters at positions 1, L-1 and L/2 (halves to even); low bytes added, upper-case hex.
        QTest::newRow("L3 uses 1,2,2") << QStringLiteral("Zq7") << QStringLiteral("13C");       // 90+113+113
        QTest::newRow("L4 uses 1,3,2") << QStringLiteral("Mike") << QStringLiteral("121");      // 77+107+105
        QTest::newRow("L5 uses 1,4,2") << QStringLiteral("Alice") << QStringLiteral("110");     // 65+99+108
        QTest::newRow("L6 uses 1,5,3") << QStringLiteral("Robert") << QStringLiteral("126");    // 82+114+98
        QTest::newRow("L7 uses 1,6,4") << QStringLiteral("Charles") << QStringLiteral("11A");   // 67+101+114
        QTest::newRow("L9 uses 1,8,4") << QStringLiteral("Elizabeth") << QStringLiteral("133"); // 69+116+122
        // 张 U+5F20, 三 U+4E09: 0x20 + 0x09 + 0x09.
        QTest::newRow("chinese L3") << QStringLiteral("张三丰") << QStringLiteral("32");
        // 欧 U+6B27, 修 U+4FEE, 阳 U+9633: 0x27 + 0xEE + 0x33.
        QTest::newRow("chinese L4") << QStringLiteral("欧阳修远") << QStringLiteral("148");
        // 王 U+738B, 老 U+8001: 0x8B + 0x01 + 0x01.
        QTest::newRow("chinese teacher") << QStringLiteral("王老师") << QStringLiteral("8D");
        QTest::newRow("no leading zeros") << QString::fromUtf16(u"\u0100\u0101\u0100") << QStringLiteral("2");
        QTest::newRow("largest sum") << QString::fromUtf16(u"\u00FF\u00FF\u00FF") << QStringLiteral("2FD");
    }

    void jmuser()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(shell::JMuser(text), expected);
    }

    void unreadableStoreIsNotReplacedByAnAdd_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage") << QByteArray("not an archive");
        QTest::newRow("truncated") << QByteArray("PK\x03\x04\x14\x00", 6);
    }
    void unreadableStoreIsNotReplacedByAnAdd()
    {
        QFETCH(QByteArray, content);
        writeBytes(m_ws->userStoreFile(), content);
        m_prompter.expectMessage(QStringLiteral("用户数据文件 std.dat 已损坏或无法读取，不能添加用户。"),
                                 QStringLiteral("错误"));
        QVERIFY(!store().addUser(QStringLiteral("newuser"), QStringLiteral("123456"), QStringLiteral("123456")));
        QCOMPARE(readBytes(m_ws->userStoreFile()), content);
    }

    void storeWithAnotherPasswordIsNotReplaced()
    {
        zipStore("[user]\r\nu1=someone\r\n", QStringLiteral("other-password"));
        const QByteArray before = readBytes(m_ws->userStoreFile());
        m_prompter.expectMessage({}, QStringLiteral("错误"));
        QVERIFY(!store().addUser(QStringLiteral("newuser"), QStringLiteral("123456"), QStringLiteral("123456")));
        QCOMPARE(readBytes(m_ws->userStoreFile()), before);
    }

    void passwordWithSpacesAtTheEdges()
    {
        const QString pw = QStringLiteral("  pass word  ");
        addOk(QStringLiteral("spaced"), pw);
        QCOMPARE(loginAs(QStringLiteral("spaced"), pw),
                 shell::JMuser(QStringLiteral("spaced")) + QLatin1Char('@') + pw);
        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"));
        QCOMPARE(loginAs(QStringLiteral("spaced"), pw.trimmed()), kRefused);
    }

    void firstUserCreatesStoreReadableByUnzip()
    {
        QVERIFY(!QFile::exists(m_ws->userStoreFile()));
        QVERIFY(store().users().isEmpty());
        addOk(QStringLiteral("王老师"), QStringLiteral("secret1"));
        QVERIFY(QFile::exists(m_ws->userStoreFile()));
        const QByteArray list = storedList();
        // GBK for 王老师, the list section and the user's section with both keys.
        QVERIFY2(list.contains("u1=\xCD\xF5\xC0\xCF\xCA\xA6"), list.constData());
        QVERIFY(list.contains("[\xCD\xF5\xC0\xCF\xCA\xA6]"));
        QVERIFY(list.contains("psd=secret1"));
        QVERIFY(list.contains("dlzip=secret1"));
        QVERIFY(list.toLower().contains("[user]"));
        QCOMPARE(store().users(), QStringList{QStringLiteral("王老师")});
    }

    void storeMadeByInfoZipOpens()
    {
        zipStore(QByteArray("[user]\r\nu1=\xCD\xF5\xC0\xCF\xCA\xA6\r\nu2=bbbbb\r\n"
                            "[\xCD\xF5\xC0\xCF\xCA\xA6]\r\npsd=\xC0\xEE\xC0\xCF\xCA\xA6\x31\x32\r\ndlzip=first1\r\n"
                            "[bbbbb]\r\npsd=pw2pw2\r\ndlzip=pw2pw2\r\n"));
        QCOMPARE(store().users(), (QStringList{QStringLiteral("王老师"), QStringLiteral("bbbbb")}));
        // The password is 李老师12, read back from GBK; the table password uses dlzip.
        QCOMPARE(loginAs(QStringLiteral("王老师"), QStringLiteral("李老师12")), QStringLiteral("8D@first1"));
    }

    void listStopsAtFirstMissingNumber()
    {
        zipStore("[user]\r\nu1=aaa\r\nu2=bbb\r\nu4=ddd\r\n");
        QCOMPARE(store().users(), (QStringList{QStringLiteral("aaa"), QStringLiteral("bbb")}));
    }

    void addRefusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("message");
        const QString shortName = QStringLiteral("用户名至少需要三个字符，请重新输入。");
        const QString badChars =
            QStringLiteral("用户名不能包含“[”、“]”、“=”或换行，开头和结尾也不能是空格，请重新输入。");
        const QString isDefault = QStringLiteral("用户名：Default 不合法。请更改一个新的用户名。");
        const QString taken = QStringLiteral("用户已存在！");
        const QString differ = QStringLiteral("两次输入的密码不一致，请重新输入。");
        const QString shortPw = QStringLiteral("为安全性考虑，请使用至少6位的密码。");
        // Each row also fails every later check, so only the order decides the message.
        QTest::newRow("two characters") << QStringLiteral("ab") << QStringLiteral("12345") << QStringLiteral("x")
                                        << shortName;
        QTest::newRow("two chinese characters")
            << QStringLiteral("张三") << QStringLiteral("1") << QString() << shortName;
        QTest::newRow("empty") << QString() << QString() << QString() << shortName;
        QTest::newRow("[") << QStringLiteral("[ab") << QStringLiteral("12345") << QStringLiteral("x") << badChars;
        QTest::newRow("]") << QStringLiteral("a]b") << QStringLiteral("12345") << QStringLiteral("x") << badChars;
        QTest::newRow("=") << QStringLiteral("a=b") << QStringLiteral("12345") << QStringLiteral("x") << badChars;
        QTest::newRow("LF") << QStringLiteral("ab\ncd") << QStringLiteral("12345") << QStringLiteral("x") << badChars;
        QTest::newRow("CR") << QStringLiteral("ab\rcd") << QStringLiteral("12345") << QStringLiteral("x") << badChars;
        QTest::newRow("leading space") << QStringLiteral(" abc") << QStringLiteral("12345") << QStringLiteral("x")
                                       << badChars;
        QTest::newRow("trailing space") << QStringLiteral("Default ") << QStringLiteral("1") << QStringLiteral("x")
                                        << badChars;
        QTest::newRow("Default") << QStringLiteral("Default") << QStringLiteral("12345") << QStringLiteral("x")
                                 << isDefault;
        QTest::newRow("taken") << QStringLiteral("teacher") << QStringLiteral("12345") << QStringLiteral("x") << taken;
        QTest::newRow("taken other case")
            << QStringLiteral("TEACHER") << QStringLiteral("12345") << QStringLiteral("x") << taken;
        QTest::newRow("confirmation differs")
            << QStringLiteral("newone") << QStringLiteral("12345") << QStringLiteral("x") << differ;
        QTest::newRow("five characters") << QStringLiteral("newone") << QStringLiteral("12345")
                                         << QStringLiteral("12345") << shortPw;
        // What the list file cannot give back as it was written: one pair of quotes is removed
        // on reading, and at most 254 bytes come back.
        const QString oddName = QStringLiteral("用户名不能以双引号开头或结尾，也不能超过254个字节，请重新输入。");
        const QString oddPw = QStringLiteral("密码不能以双引号开头或结尾，也不能超过254个字节，请重新输入。");
        QTest::newRow("name in quotes") << QStringLiteral("\"abc\"") << QStringLiteral("pass123456")
                                        << QStringLiteral("x") << oddName;
        QTest::newRow("name ending in a quote") << QStringLiteral("abc\"") << QString() << QString() << oddName;
        QTest::newRow("name of 255 bytes") << QString(255, u'n') << QString() << QString() << oddName;
        QTest::newRow("name of 128 chinese characters") << QString(128, u'张') << QString() << QString() << oddName;
        QTest::newRow("password in quotes")
            << QStringLiteral("newone") << QStringLiteral("\"secret\"") << QStringLiteral("\"secret\"") << oddPw;
        QTest::newRow("password of 255 bytes")
            << QStringLiteral("newone") << QString(255, u'p') << QString(255, u'p') << oddPw;
    }

    void addRefusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(QString, message);
        addOk(QStringLiteral("teacher"), QStringLiteral("secret1"));
        const QByteArray before = readBytes(m_ws->userStoreFile());

        m_prompter.expectMessage(message, QStringLiteral("错误"));
        QVERIFY(!store().addUser(name, password, confirmation));
        QCOMPARE(m_prompter.shown.size(), 1);
        QCOMPARE(m_prompter.shown.first().icon, ui::Icon::Information);
        QCOMPARE(readBytes(m_ws->userStoreFile()), before);
        QVERIFY(noListFile());
    }

    void addAccepts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tablePassword");
        // d 100 + l 108 + a 97 = 0x131.
        QTest::newRow("lower-case default") << QStringLiteral("default") << QStringLiteral("131@123456");
        QTest::newRow("three chinese characters") << QStringLiteral("张三丰") << QStringLiteral("32@123456");
        // L 76 + n 110 + M 77 = 0x107.
        QTest::newRow("inner space") << QStringLiteral("Li Ming") << QStringLiteral("107@123456");
    }

    void addAccepts()
    {
        QFETCH(QString, name);
        QFETCH(QString, tablePassword);
        addOk(QStringLiteral("teacher"), QStringLiteral("secret1"));
        addOk(name, QStringLiteral("123456"));
        QCOMPARE(store().users(), (QStringList{QStringLiteral("teacher"), name}));
        QCOMPARE(loginAs(name, QStringLiteral("123456")), tablePassword);
    }

    void login()
    {
        addOk(QStringLiteral("teacher"), QStringLiteral("secret1"));
        // t 116 + e 101 + c 99 = 0x13C.
        QCOMPARE(loginAs(QStringLiteral("teacher"), QStringLiteral("secret1")), QStringLiteral("13C@secret1"));
        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"), QStringLiteral("提示"));
        QCOMPARE(loginAs(QStringLiteral("teacher"), QStringLiteral("Secret1")), kRefused);
        // A name that is not listed reads psd "Default", which must not open.
        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"), QStringLiteral("提示"));
        QCOMPARE(loginAs(QStringLiteral("nobody"), QStringLiteral("Default")), kRefused);
        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"), QStringLiteral("提示"));
        QCOMPARE(loginAs(QString(), QStringLiteral("Default")), kRefused);
    }

    void loginNeedsTheUsersOwnPassword()
    {
        // Listed, but without a section or without psd: "Default" must not open either.
        zipStore("[user]\r\nu1=nosection\r\nu2=nopsd\r\n[nopsd]\r\ndlzip=x\r\n");
        for (const char *name : {"nosection", "nopsd"}) {
            m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"), QStringLiteral("提示"));
            QCOMPARE(loginAs(QLatin1String(name), QStringLiteral("Default")), kRefused);
        }
    }

    void passwordChangeKeepsTablePassword()
    {
        addOk(QStringLiteral("teacher"), QStringLiteral("secret1"));
        addOk(QStringLiteral("other"), QStringLiteral("other1"));
        m_prompter.expectMessage(QStringLiteral("请先在密码框中输入您的密码，然后再输入您想更改的密码。"),
                                 QStringLiteral("提示"));
        QVERIFY(!store().checkPasswordForChange(QStringLiteral("teacher"), QStringLiteral("other1")));
        QVERIFY(store().checkPasswordForChange(QStringLiteral("teacher"), QStringLiteral("secret1")));
        m_prompter.expectMessage(QStringLiteral("两次输入的密码不一致，请重新输入。"), QStringLiteral("提示"));
        QVERIFY(!store().changePassword(QStringLiteral("teacher"), QStringLiteral("abc"), QStringLiteral("abd")));
        // A new password is checked only against its confirmation.
        QVERIFY(store().changePassword(QStringLiteral("teacher"), QStringLiteral("abc"), QStringLiteral("abc")));

        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"));
        QCOMPARE(loginAs(QStringLiteral("teacher"), QStringLiteral("secret1")), kRefused);
        QCOMPARE(loginAs(QStringLiteral("teacher"), QStringLiteral("abc")), QStringLiteral("13C@secret1"));
        QCOMPARE(store().users(), (QStringList{QStringLiteral("teacher"), QStringLiteral("other")}));
        QVERIFY(storedList().contains("dlzip=secret1"));
    }

    void deleteMiddleRenumbers()
    {
        for (const char *n : {"aaa", "bbb", "ccc", "ddd"})
            addOk(QLatin1String(n), QStringLiteral("pw") + QLatin1String(n) + QStringLiteral("1"));
        m_prompter.expectQuestion({}, ui::Answer::Yes);
        QCOMPARE(store().deleteUser(QStringLiteral("bbb"), QStringLiteral("pwbbb1")), UserStore::DeleteResult::Deleted);
        QCOMPARE(store().users(), (QStringList{QStringLiteral("aaa"), QStringLiteral("ccc"), QStringLiteral("ddd")}));
        const QByteArray list = storedList();
        QVERIFY(list.startsWith("[user]\r\nu1=aaa\r\nu2=ccc\r\nu3=ddd\r\n"));
        QVERIFY(!list.contains("u4="));
        // Every section stays, the deleted user's too.
        QVERIFY(list.contains("[bbb]\r\npsd=pwbbb1\r\ndlzip=pwbbb1\r\n"));
        QCOMPARE(loginAs(QStringLiteral("ddd"), QStringLiteral("pwddd1")), QStringLiteral("12C@pwddd1")); // 3 × d 100
    }

    void deleteRebuildsListText()
    {
        // Old list under "[User]", a comment, a blank line, a key beginning with lower-case "u" and
        // one beginning with "U": the header and the lower-case "u" lines go, the rest stays in order.
        zipStore("[User]\r\nu1=\xCD\xF5\xC0\xCF\xCA\xA6\r\nu2=bbb\r\nu3=ccc\r\n"
                 "[\xCD\xF5\xC0\xCF\xCA\xA6]\r\npsd=wang01\r\ndlzip=wang00\r\n; note\r\n"
                 "[bbb]\r\npsd=bbbbbb\r\ndlzip=bbbbbb\r\n\r\n"
                 "[ccc]\r\npsd=cccccc\r\nunused=1\r\nUpper=2\r\ndlzip=cccccc\n");
        const QString question = QStringLiteral("请确认您的操作，删除用户后，即便重新建立完全相同的账号，\r"
                                                "也不保证原本由该用户建立的数据表都能够正确打开。\r\r"
                                                "确认要删除用户:bbb 吗？");
        m_prompter.expectQuestion(question, ui::Answer::Yes, QStringLiteral("提示"));
        QCOMPARE(store().deleteUser(QStringLiteral("bbb"), QStringLiteral("bbbbbb")), UserStore::DeleteResult::Deleted);
        const PromptRecord &asked = m_prompter.shown.first();
        QCOMPARE(asked.buttons, ui::Buttons::YesNo);
        QCOMPARE(asked.icon, ui::Icon::Question);
        QCOMPARE(asked.defaultAnswer, ui::Answer::No);
        QCOMPARE(storedList(), QByteArray("[user]\r\nu1=\xCD\xF5\xC0\xCF\xCA\xA6\r\nu2=ccc\r\n"
                                          "[\xCD\xF5\xC0\xCF\xCA\xA6]\r\npsd=wang01\r\ndlzip=wang00\r\n; note\r\n"
                                          "[bbb]\r\npsd=bbbbbb\r\ndlzip=bbbbbb\r\n\r\n"
                                          "[ccc]\r\npsd=cccccc\r\nUpper=2\r\ndlzip=cccccc\r\n"));
    }

    void deleteLastUserRemovesStore()
    {
        addOk(QStringLiteral("teacher"), QStringLiteral("secret1"));
        QFile::setPermissions(m_ws->userStoreFile(), QFile::ReadOwner);
        m_prompter.expectQuestion({}, ui::Answer::Yes);
        QCOMPARE(store().deleteUser(QStringLiteral("teacher"), QStringLiteral("secret1")),
                 UserStore::DeleteResult::Deleted);
        QVERIFY(!QFile::exists(m_ws->userStoreFile()));
        QVERIFY(store().users().isEmpty());
    }

    void deleteRefusedOrDeclinedKeepsStore()
    {
        addOk(QStringLiteral("teacher"), QStringLiteral("secret1"));
        addOk(QStringLiteral("other"), QStringLiteral("other1"));
        const QByteArray before = readBytes(m_ws->userStoreFile());
        m_prompter.expectMessage(QStringLiteral("请先在密码框中输入您的密码，然后才能进行删除操作！"),
                                 QStringLiteral("提示"));
        QCOMPARE(store().deleteUser(QStringLiteral("teacher"), QStringLiteral("other1")),
                 UserStore::DeleteResult::WrongPassword);
        m_prompter.expectQuestion({}, ui::Answer::No);
        QCOMPARE(store().deleteUser(QStringLiteral("teacher"), QStringLiteral("secret1")),
                 UserStore::DeleteResult::Declined);
        QCOMPARE(readBytes(m_ws->userStoreFile()), before);
    }

    void failingUnpackReadsAsEmptyAndLeavesNoList_data()
    {
        QTest::addColumn<QByteArray>("storeBytes");
        QTest::addColumn<bool>("otherPassword");
        QTest::newRow("garbage") << QByteArray("this is not a zip archive") << false;
        QTest::newRow("truncated zip") << QByteArray("PK\x03\x04\x14\x00\x01\x00", 8) << false;
        QTest::newRow("another store password") << QByteArray() << true;
    }

    void failingUnpackReadsAsEmptyAndLeavesNoList()
    {
        QFETCH(QByteArray, storeBytes);
        QFETCH(bool, otherPassword);
        if (otherPassword)
            zipStore("[user]\r\nu1=teacher\r\n[teacher]\r\npsd=secret1\r\ndlzip=secret1\r\n",
                     QStringLiteral("SomethingElse!1"));
        else
            writeBytes(m_ws->userStoreFile(), storeBytes);
        // A stale plain list from an interrupted run must not be read instead of the store.
        writeBytes(m_ws->userListFile(), "[user]\r\nu1=teacher\r\n[teacher]\r\npsd=secret1\r\ndlzip=secret1\r\n");

        QVERIFY(store().users().isEmpty());
        QVERIFY(noListFile());
        m_prompter.expectMessage(QStringLiteral("密码错误，请重新输入。"));
        QCOMPARE(loginAs(QStringLiteral("teacher"), QStringLiteral("secret1")), kRefused);
        QVERIFY(noListFile());
        m_prompter.expectMessage(QStringLiteral("请先在密码框中输入您的密码，然后才能进行删除操作！"));
        QCOMPARE(store().deleteUser(QStringLiteral("teacher"), QStringLiteral("secret1")),
                 UserStore::DeleteResult::WrongPassword);
        QVERIFY(noListFile());
        m_prompter.expectMessage(QStringLiteral("请先在密码框中输入您的密码，然后再输入您想更改的密码。"));
        QVERIFY(!store().checkPasswordForChange(QStringLiteral("teacher"), QStringLiteral("secret1")));
        QVERIFY(!store().changePassword(QStringLiteral("teacher"), QStringLiteral("newpw1"), QStringLiteral("newpw1")));
        QVERIFY(noListFile());
    }
};

QTEST_GUILESS_MAIN(TestUserStore)
#include "tst_user_store.moc"
