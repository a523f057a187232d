// The command-line companion from outside: its output, exit codes and messages, and that it
// leaves no working file behind. Runs the real scorvane-cli.
#include "cli/cli_support.h"
#include "cli/verbs.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/shell/user_store.h"
#include "core/table/table_file.h"
#include "core/table/table_lock.h"
#include "core/ui/command_table.h"
#include "core/ui/prompter.h"
#include "test_config.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTest>
#include <QTextStream>

#include <memory>

using namespace Qt::StringLiterals;

class CliTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString dir() const { return m_tmp->path(); }
    QString path(const QString &name) const { return dir() + QLatin1Char('/') + name; }
    ProcessResult cli(QStringList args, const QString &tablePassword = QStringLiteral("T@pw"))
    {
        QStringList all{QStringLiteral("--dir"), dir()};
        if (!tablePassword.isNull())
            all << QStringLiteral("--table-password") << tablePassword;
        return runProcess(cliPath(), all + args);
    }
    // A table file with a formula column, packed with `password`.
    void makeTable(const QString &name, const QString &password)
    {
        const QStringList lines{table::kMagicLine,
                                QStringLiteral("期中"),
                                QStringLiteral("3"),
                                QStringLiteral("4"),
                                QStringLiteral("王"),
                                QStringLiteral("初一(2)班[/]共 2 人"),
                                QStringLiteral("###.##"),
                                QStringLiteral("  "),
                                QStringLiteral("语文"),
                                QStringLiteral("数学"),
                                QStringLiteral("总分"),
                                QStringLiteral("9"),
                                QStringLiteral("85"),
                                QStringLiteral("90.5"),
                                QStringLiteral("！公式：cell(?,1)+cell(?,2)"),
                                QStringLiteral("9"),
                                QString(),
                                QStringLiteral("缺考"),
                                QStringLiteral("！公式：cell(?,1)+cell(?,2)")};
        QVERIFY(base::codec::writeLines(path(QStringLiteral("data.file")), lines));
        const QString zip = QStandardPaths::findExecutable(QStringLiteral("zip"));
        QStringList args{QStringLiteral("-q"), QStringLiteral("-j")};
        if (!password.isEmpty())
            args << QStringLiteral("-P") << password;
        QCOMPARE(runProcess(zip, args << path(name) << path(QStringLiteral("data.file"))).exitCode, 0);
        QFile::remove(path(QStringLiteral("data.file")));
    }

private slots:
    void init()
    {
        if (cliPath().isEmpty() || QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty())
            QSKIP("scorvane-cli or zip not available");
        m_tmp = std::make_unique<QTemporaryDir>();
    }

    void showPrintsTheTableWithValues()
    {
        makeTable(QStringLiteral("t.gdt"), QStringLiteral("T@pw"));
        const ProcessResult r = cli({QStringLiteral("show"), path(QStringLiteral("t.gdt"))});
        QCOMPARE(r.exitCode, 0);
        const QStringList out = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
        const QStringList expected{QStringLiteral("期中"),
                                   QStringLiteral("3"),
                                   QStringLiteral("4"),
                                   QStringLiteral("王"),
                                   QStringLiteral("初一(2)班[/]共 2 人"),
                                   QStringLiteral("###.##"),
                                   QStringLiteral("  \t语文\t数学\t总分"),
                                   QStringLiteral("1\t85\t90.5\t175.5"),
                                   QStringLiteral("2\t\t缺考\t公式错误"),
                                   QString()};
        QCOMPARE(out, expected);
        QVERIFY(!QFile::exists(path(QStringLiteral("data.file"))));
    }

    void showFailures_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << QStringLiteral("nope") << QByteArray()
                                        << QStringLiteral("文件打开失败！请确认文件格式正确，或确认您有权访问该文档。");
        QTest::newRow("bad magic line") << QStringLiteral("T@pw") << QByteArray("ZUN'S Scorvane\r\n")
                                        << QStringLiteral("文件格式不正确!");
    }
    void showFailures()
    {
        QFETCH(QString, password);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        if (content.isEmpty()) {
            makeTable(QStringLiteral("t.gdt"), QStringLiteral("T@pw"));
        } else {
            QFile f(path(QStringLiteral("data.file")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
            f.close();
            runProcess(QStandardPaths::findExecutable(QStringLiteral("zip")),
                       {QStringLiteral("-q"), QStringLiteral("-j"), path(QStringLiteral("t.gdt")),
                        path(QStringLiteral("data.file"))});
            QFile::remove(path(QStringLiteral("data.file")));
        }
        const ProcessResult r = cli({QStringLiteral("show"), path(QStringLiteral("t.gdt"))}, password);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(QString::fromUtf8(r.err).trimmed(), message);
        QVERIFY(!QFile::exists(path(QStringLiteral("data.file"))));
    }

    // A table another live process has open is not changed in place, nor written over with --out;
    // readers ignore the lock, and a dead process's lock is no obstacle (and is gone afterwards).
    void inPlaceChangesRespectTheLock_data()
    {
        QTest::addColumn<QString>("holder"); // live, dead, foreign-old
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("written");
        const QStringList sort{QStringLiteral("sort"), QStringLiteral("@t"), QStringLiteral("语文"),
                               QStringLiteral("--desc"), QStringLiteral("--yes")};
        const QStringList saveOnto{QStringLiteral("save-as"), QStringLiteral("@src"), QStringLiteral("@t"),
                                   QStringLiteral("--yes")};
        QTest::newRow("sort, live") << u"live"_s << sort << 1 << false;
        QTest::newRow("save-as onto it, live") << u"live"_s << saveOnto << 1 << false;
        QTest::newRow("show, live") << u"live"_s << QStringList{QStringLiteral("show"), QStringLiteral("@t")} << 0
                                    << false;
        QTest::newRow("sort, dead") << u"dead"_s << sort << 0 << true;
        QTest::newRow("sort, other host 13 hours ago") << u"foreign-old"_s << sort << 0 << true;
    }
    void inPlaceChangesRespectTheLock()
    {
        QFETCH(QString, holder);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(bool, written);
        makeTable(QStringLiteral("t.gdt"), QStringLiteral("T@pw"));
        makeTable(QStringLiteral("src.gdt"), QStringLiteral("T@pw"));
        QProcess sleeper;
        qint64 pid = 0;
        QString host = QSysInfo::machineHostName();
        QDateTime opened = QDateTime::currentDateTime();
        if (holder == u"live"_s) {
            sleeper.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            QVERIFY(sleeper.waitForStarted());
            pid = sleeper.processId();
        } else if (holder == u"dead"_s) {
            sleeper.start(QStringLiteral("true"), {});
            QVERIFY(sleeper.waitForFinished());
            pid = sleeper.processId();
        } else {
            host = QStringLiteral("教务处-PC");
            pid = 4242;
            opened = opened.addSecs(-13 * 3600);
        }
        const QString lock = path(QStringLiteral(".~lock.t.gdt#"));
        QFile f(lock);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(table::lockText({QStringLiteral("李老师"), host, pid, opened}));
        f.close();
        QFile original(path(QStringLiteral("t.gdt")));
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();
        for (QString &a : args)
            if (a.startsWith(QLatin1Char('@')))
                a = path(a.mid(1) + QStringLiteral(".gdt"));
        const ProcessResult r = cli(args);
        if (holder == u"live"_s) {
            sleeper.kill();
            sleeper.waitForFinished();
        }
        QVERIFY2(r.exitCode == exitCode, r.err.constData());
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll() != before, written);
        if (exitCode == 1)
            QCOMPARE(stderrMessages(r),
                     QStringLiteral("该表格正由 李老师 在 ") + host + QStringLiteral(" 上打开，请先关闭。"));
        // The command's own lock went with it; a live owner's stays.
        QCOMPARE(QFile::exists(lock), !written);
        QVERIFY(filesIn(dir()).filter(QStringLiteral(".saving")).isEmpty());
    }

    // An in-place change holds the table's lock from reading the table until the command ends, so
    // a window cannot open it in between and lose the change at its next save; one written to
    // --out leaves the source unlocked.
    void aChangeHoldsItsLockUntilTheCommandEnds_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("in place") << true;
        QTest::newRow("--out") << false;
    }
    void aChangeHoldsItsLockUntilTheCommandEnds()
    {
        QFETCH(bool, inPlace);
        makeTable(QStringLiteral("t.gdt"), QStringLiteral("T@pw"));
        base::Workspace ws(dir());
        ws.tablePassword = QStringLiteral("T@pw");
        ws.userName = QStringLiteral("王老师");
        ui::NonInteractivePrompter yes(true);
        QString sink;
        QTextStream out(&sink);
        const QString source = path(QStringLiteral("t")), copy = path(QStringLiteral("copy"));
        const std::optional<QString> outPath =
            inPlace ? std::nullopt : std::optional<QString>(copy + QStringLiteral(".gdt"));
        {
            table::cli::Context ctx{ws, yes, out};
            table::GradeTable t;
            QVERIFY(table::cli::loadTableToChange(ctx, source + QStringLiteral(".gdt"), t, outPath));
            const std::optional<table::LockOwner> owner = table::readLock(source);
            QCOMPARE(owner.has_value(), inPlace);
            if (owner) {
                QVERIFY(table::isThisProcess(*owner));
                QCOMPARE(owner->user, QStringLiteral("王老师"));
            }
            QCOMPARE(table::cli::saveTable(ctx, t, source + QStringLiteral(".gdt"), outPath), table::cli::Done);
            QVERIFY(QFile::exists(table::lockFilePath(inPlace ? source : copy)));
        }
        QVERIFY(!QFile::exists(table::lockFilePath(source)));
        QVERIFY(!QFile::exists(table::lockFilePath(copy)));
    }

    void saveAsKeepsAnExistingFileUnlessYes()
    {
        makeTable(QStringLiteral("in.gdt"), QStringLiteral("T@pw"));
        QCOMPARE(
            cli({QStringLiteral("save-as"), path(QStringLiteral("in.gdt")), path(QStringLiteral("out.gdt"))}).exitCode,
            0);
        const QByteArray first = [&] {
            QFile f(path(QStringLiteral("out.gdt")));
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        ProcessResult r = cli({QStringLiteral("save-as"), path(QStringLiteral("in.gdt")),
                               path(QStringLiteral("out.gdt")), QStringLiteral("--unprotected")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("确实覆盖原有数据么？")));
        QFile f(path(QStringLiteral("out.gdt")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), first);
        f.close();
        // With --yes and --unprotected: replaced, and it opens without the password.
        r = cli({QStringLiteral("save-as"), path(QStringLiteral("in.gdt")), path(QStringLiteral("out.gdt")),
                 QStringLiteral("--unprotected"), QStringLiteral("--yes")});
        QCOMPARE(r.exitCode, 0);
        r = runProcess(QStandardPaths::findExecutable(QStringLiteral("unzip")),
                       {QStringLiteral("-p"), path(QStringLiteral("out.gdt")), QStringLiteral("data.file")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("ZUN'S Scorvane\xca\xfd\xbe\xdd\xce\xc4\xbc\xfe\r\n"));
        QCOMPARE(r.out.count("\r\n"), 7 + 12);
        QVERIFY(!QFile::exists(path(QStringLiteral("data.file"))));
    }

    void calc_data()
    {
        QTest::addColumn<QStringList>("expression");
        QTest::addColumn<QString>("result");
        QTest::newRow("help example") << QStringList{QStringLiteral("2*3-5+(2^3-5/(6-2))-3+sin(30)")}
                                      << QStringLiteral("5.25");
        QTest::newRow("15 digits") << QStringList{QStringLiteral("1/3")} << QStringLiteral("0.333333333333333");
        QTest::newRow("error exits 0") << QStringList{QStringLiteral("2+3)")} << QStringLiteral("公式错误");
        // The text after the command is the expression, also when it looks like an option.
        QTest::newRow("double minus") << QStringList{QStringLiteral("--2")} << QStringLiteral("2");
        QTest::newRow("unary minus covers the rest") << QStringList{QStringLiteral("-3+5")} << QStringLiteral("-8");
        QTest::newRow("after --") << QStringList{QStringLiteral("--"), QStringLiteral("--2")} << QStringLiteral("2");
        QTest::newRow("in several words")
            << QStringList{QStringLiteral("1"), QStringLiteral("+"), QStringLiteral("2")} << QStringLiteral("3");
    }
    void calc()
    {
        QFETCH(QStringList, expression);
        QFETCH(QString, result);
        const ProcessResult r = cli(QStringList{QStringLiteral("calc")} + expression);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out), result + QLatin1Char('\n'));
    }

    void usersAndLoginGiveTheTablePassword()
    {
        QCOMPARE(
            cli({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("张老师"), QStringLiteral("123456")},
                QString())
                .exitCode,
            0);
        ProcessResult r = cli({QStringLiteral("user"), QStringLiteral("list")}, QString());
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("张老师\n"));
        // Logged in, a table is saved with JMuser(name) + "@" + the creation password.
        makeTable(QStringLiteral("open.gdt"), QString());
        r = runProcess(cliPath(), {QStringLiteral("--dir"), dir(), QStringLiteral("--user"), QStringLiteral("张老师"),
                                   QStringLiteral("--password"), QStringLiteral("123456"), QStringLiteral("save-as"),
                                   path(QStringLiteral("open.gdt")), path(QStringLiteral("mine.gdt"))});
        QCOMPARE(r.exitCode, 0);
        const QString tablePassword = shell::JMuser(QStringLiteral("张老师")) + QStringLiteral("@123456");
        r = runProcess(QStandardPaths::findExecutable(QStringLiteral("unzip")),
                       {QStringLiteral("-P"), tablePassword, QStringLiteral("-p"), path(QStringLiteral("mine.gdt")),
                        QStringLiteral("data.file")});
        QCOMPARE(r.exitCode, 0);
        // After a password change the table still opens with the new login.
        QCOMPARE(cli({QStringLiteral("user"), QStringLiteral("passwd"), QStringLiteral("张老师"),
                      QStringLiteral("123456"), QStringLiteral("abcdefg")},
                     QString())
                     .exitCode,
                 0);
        r = runProcess(cliPath(), {QStringLiteral("--dir"), dir(), QStringLiteral("--user"), QStringLiteral("张老师"),
                                   QStringLiteral("--password"), QStringLiteral("abcdefg"), QStringLiteral("show"),
                                   path(QStringLiteral("mine.gdt"))});
        QCOMPARE(r.exitCode, 0);
        r = runProcess(cliPath(), {QStringLiteral("--dir"), dir(), QStringLiteral("--user"), QStringLiteral("张老师"),
                                   QStringLiteral("--password"), QStringLiteral("123456"), QStringLiteral("show"),
                                   path(QStringLiteral("mine.gdt"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err).trimmed(), QStringLiteral("密码错误，请重新输入。"));
        QVERIFY(!QFile::exists(path(QStringLiteral("user.dat"))));
    }

    void missingFileIsNamed()
    {
        const ProcessResult r = cli({QStringLiteral("show"), path(QStringLiteral("none.gdt"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err).trimmed(),
                 QStringLiteral("找不到表格文件：") + path(QStringLiteral("none.gdt")));
    }

    void usageErrors()
    {
        QCOMPARE(runProcess(cliPath(), {}).exitCode, 2);
        QCOMPARE(cli({QStringLiteral("frobnicate")}).exitCode, 2);
        QCOMPARE(cli({QStringLiteral("show")}).exitCode, 2);
        QCOMPARE(cli({QStringLiteral("help"), QStringLiteral("frobnicate")}).exitCode, 2);
    }

    // After "--" a file whose name begins with "--" is a file, for every command.
    void doubleDashEndsTheOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("show") << QStringList{QStringLiteral("show"), QStringLiteral("--"), QStringLiteral("--t.gdt")};
        QTest::newRow("save-as") << QStringList{QStringLiteral("save-as"), QStringLiteral("--"),
                                                QStringLiteral("--t.gdt"), QStringLiteral("--u.gdt")};
        QTest::newRow("sort with an option before")
            << QStringList{QStringLiteral("sort"), QStringLiteral("--desc"), QStringLiteral("--"),
                           QStringLiteral("--t.gdt"), QStringLiteral("语文")};
        QTest::newRow("before the command")
            << QStringList{QStringLiteral("--"), QStringLiteral("show"), QStringLiteral("--t.gdt")};
    }
    void doubleDashEndsTheOptions()
    {
        QFETCH(QStringList, args);
        makeTable(QStringLiteral("--t.gdt"), QStringLiteral("T@pw"));
        QProcess p;
        p.setWorkingDirectory(dir());
        p.start(cliPath(), QStringList{QStringLiteral("--dir"), dir(), QStringLiteral("--table-password"),
                                       QStringLiteral("T@pw"), QStringLiteral("--yes")} +
                               args);
        QVERIFY(p.waitForFinished());
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        if (args.contains(QStringLiteral("--u.gdt")))
            QVERIFY(QFile::exists(path(QStringLiteral("--u.gdt"))));
    }

    // The verbs of the command table are the ones the command line runs, and the README's list is
    // the help the command line prints.
    void helpIsTheReadmeList()
    {
        QStringList unbound;
        for (const ui::CommandRow &row : ui::commandTable())
            if (row.place == ui::Place::CommandLine && !table::cli::findVerb(QString::fromUtf16(row.name)))
                unbound << QString::fromUtf16(row.name);
        QCOMPARE(unbound, QStringList());
        for (const table::cli::Verb &verb : table::cli::verbs())
            QVERIFY2(ui::verbRow(ui::commandName(verb.id)), qPrintable(ui::commandName(verb.id)));

        const ProcessResult r = cli({QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        QFile readme(QStringLiteral(SCORVANE_TEST_DATA "/../../README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n'));
        qsizetype at = lines.indexOf(QStringLiteral("`scorvane-cli --help` lists the commands:"));
        QVERIFY(at >= 0);
        QString listed;
        for (at += 2; at < lines.size() && lines[at].startsWith(QLatin1String("    ")); ++at)
            listed += lines[at].mid(4) + QLatin1Char('\n');
        QCOMPARE(listed, QString::fromUtf8(r.out));
        // The manual page describes every verb.
        QFile manual(QStringLiteral(SCORVANE_TEST_DATA "/../../dist/man/scorvane-cli.1"));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(manual.readAll());
        QStringList undescribed;
        for (const ui::CommandRow &row : ui::commandTable()) {
            const QString verb = QString::fromUtf16(row.name).replace(QLatin1Char('-'), QLatin1String("\\-"));
            if (row.place == ui::Place::CommandLine && !page.contains(QLatin1String("\\fB") + verb))
                undescribed << verb;
        }
        QCOMPARE(undescribed, QStringList());
    }

    void versionAndHelp()
    {
        ProcessResult r = cli({QStringLiteral("--version")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^scorvane-cli \\d+\\.\\d+\\.\\d+\n$"))
                     .match(QString::fromUtf8(r.out))
                     .hasMatch(),
                 r.out.constData());
        // One command's usage: each of its forms, and nothing of the other commands.
        r = cli({QStringLiteral("help"), QStringLiteral("print")});
        QCOMPARE(r.exitCode, 0);
        const QString out = QString::fromUtf8(r.out);
        QCOMPARE(out.count(QStringLiteral("usage: scorvane-cli [OPTIONS] print FILE.gdt ")), 2);
        QVERIFY2(out.contains(QStringLiteral("--list-pages")) && out.contains(QStringLiteral("--no-fit")),
                 r.out.constData());
        QVERIFY2(!out.contains(QStringLiteral("chart")) && !out.contains(QStringLiteral("report")), r.out.constData());
        r = cli({QStringLiteral("help"), QStringLiteral("convert-dbf")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith("usage: scorvane-cli [OPTIONS] convert-dbf IN.dbf OUT.gdt") &&
                     !r.out.contains("convert-csv"),
                 r.out.constData());
        // Every command of the overview has a usage of its own.
        r = cli({QStringLiteral("help")});
        QCOMPARE(r.exitCode, 0);
        for (const char *command :
             {"show",        "save-as",       "calc",          "user",         "template",    "field",
              "set-props",   "formula",       "school",        "new-table",    "find",        "replace",
              "sort",        "export-csv",    "import-column", "import-table", "fill-column", "export-part",
              "convert-csv", "convert-trial", "chart",         "report",       "bind"}) {
            const ProcessResult one = cli({QStringLiteral("help"), QString::fromLatin1(command)});
            QVERIFY2(one.exitCode == 0 && one.out.startsWith(QByteArray("usage: scorvane-cli [OPTIONS] ") + command),
                     command);
        }
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
