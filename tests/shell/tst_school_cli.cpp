// The command-line school commands over a program directory: the tree as `school show` prints
// it, a class's tables and proposed name, and new-table with the wizard's properties and refusals.
#include "scripted_prompter.h"

#include "cli/school_cli.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/shell/school_tree.h"
#include "core/table/table_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using table::cli::Args;
using table::cli::Context;

class TestSchoolCli : public QObject {
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    base::Workspace *m_ws = nullptr;
    ScriptedPrompter m_prompter;
    QString m_out;

    int run(int (*command)(Context &, Args), const QStringList &args)
    {
        m_out.clear();
        QTextStream out(&m_out);
        Context ctx{*m_ws, m_prompter, out};
        const int rc = command(ctx, Args(args));
        out.flush();
        return rc;
    }
    int school(const QStringList &args) { return run(shell::runSchoolCommand, args); }
    int newTable(const QStringList &args) { return run(shell::runNewTableCommand, args); }

    QString classDir() const { return m_ws->tableDataDir() + QStringLiteral("一中/初一/(1)班"); }

    void writeTemplate(const QString &name, const QStringList &records)
    {
        QByteArray bytes;
        for (const QString &r : records) {
            QByteArray rec(128, '\0');
            const QByteArray text = base::codec::encode(r);
            rec[0] = static_cast<char>(text.size() & 0xFF);
            rec[1] = static_cast<char>(text.size() >> 8);
            rec.replace(2, text.size(), text);
            bytes += rec;
        }
        QDir().mkpath(m_ws->templateDir());
        QFile f(m_ws->templateDir() + name + QStringLiteral(".templet"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_ws = new base::Workspace(m_dir->path());
        m_ws->tablePassword = QStringLiteral("T@pw");
        m_prompter.clear();
        QVERIFY(
            shell::writeSchool(m_ws->schoolInfoFile(),
                               shell::School{QStringLiteral("一中"),
                                             {{QStringLiteral("初一"), {QStringLiteral("(1)班"), QStringLiteral("..")}},
                                              {QStringLiteral("初二"), {}}}}));
    }
    void cleanup()
    {
        VERIFY_PROMPTS(m_prompter);
        delete m_ws;
        delete m_dir;
    }

    void show()
    {
        QCOMPARE(school({QStringLiteral("show")}), 0);
        QCOMPARE(m_out, QStringLiteral("School1\t一中\nGrade0\t一中/初一\nGrade0Class0\t一中/初一/(1)班\n"
                                       "Grade0Class1\t一中/初一/..\nGrade1\t一中/初二\n"));
        QVERIFY(!QFileInfo::exists(m_ws->tableDataDir() + QStringLiteral("一中"))); // showing creates nothing
    }

    void showWithoutSchool()
    {
        QVERIFY(QFile::remove(m_ws->schoolInfoFile()));
        m_prompter.expectMessage(QStringLiteral("请先建立学校关系树"));
        QCOMPARE(school({QStringLiteral("show")}), 1);
        QVERIFY(m_out.isEmpty());
    }

    void tables()
    {
        QVERIFY(QDir().mkpath(classDir()));
        for (const char *name : {"期末.gdt", "期中.gdt", "月考.gdt"})
            QVERIFY(QFile(classDir() + QLatin1Char('/') + QString::fromUtf8(name)).open(QIODevice::WriteOnly));
        QCOMPARE(school({QStringLiteral("tables"), QStringLiteral("一中/初一/(1)班")}), 0);
        QCOMPARE(m_out, QStringLiteral("期末\n期中\n月考\n")); // pinyin order
        QCOMPARE(school({QStringLiteral("tables"), QStringLiteral("一中/初一/(1)班"), QStringLiteral("--proposed")}),
                 0);
        QCOMPARE(m_out, QStringLiteral("新成绩表2\n"));
    }

    void tablesRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("message");
        QTest::newRow("grade") << QStringList{QStringLiteral("tables"), QStringLiteral("一中/初一")} << 1
                               << QStringLiteral("找不到班级：一中/初一");
        QTest::newRow("unknown") << QStringList{QStringLiteral("tables"), QStringLiteral("一中/初三/(1)班")} << 1
                                 << QStringLiteral("找不到班级：一中/初三/(1)班");
        QTest::newRow("outside the data folder")
            << QStringList{QStringLiteral("tables"), QStringLiteral("一中/初一/.."), QStringLiteral("--proposed")} << 1
            << QStringLiteral("该班级的名称不能用作文件夹名称：一中/初一/..");
        QTest::newRow("no path") << QStringList{QStringLiteral("tables")} << 2 << QString();
        QTest::newRow("unknown subcommand") << QStringList{QStringLiteral("list")} << 2 << QString();
        QTest::newRow("show with an option")
            << QStringList{QStringLiteral("show"), QStringLiteral("--proposed")} << 2 << QString();
    }
    void tablesRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        QFETCH(QString, message);
        if (!message.isEmpty())
            m_prompter.expectMessage(message);
        QCOMPARE(school(args), rc);
        QVERIFY(m_out.isEmpty());
    }

    void newTableWithProperties()
    {
        writeTemplate(QStringLiteral("期中模版"),
                      {QStringLiteral("ZUN'S 表格模版文件"), QStringLiteral("4"), QStringLiteral("  "),
                       QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学")});
        QCOMPARE(newTable({QStringLiteral("一中/初一/(1)班"), QStringLiteral("期中"), QStringLiteral("--title"),
                           QStringLiteral("期中考试"), QStringLiteral("--class-size"), QStringLiteral("40"),
                           QStringLiteral("--teacher"), QStringLiteral("王老师"), QStringLiteral("--class-info"),
                           QStringLiteral("初一(1)班"), QStringLiteral("--decimals"), QStringLiteral("2"),
                           QStringLiteral("--pad"), QStringLiteral("--template"), QStringLiteral("期中模版")}),
                 0);
        table::GradeTable t;
        table::TableFile file(*m_ws, m_prompter);
        QVERIFY(file.load(t, classDir() + QStringLiteral("/期中"), true));
        QCOMPARE(t.title, QStringLiteral("期中考试"));
        QCOMPARE(t.grid.Rows(), 41);
        QCOMPARE(t.grid.TextMatrix(40, 0), QStringLiteral("40"));
        QCOMPARE(t.teacher, QStringLiteral("王老师"));
        QCOMPARE(t.classInfo, QStringLiteral("初一(1)班"));
        QCOMPARE(t.numberFormat, QStringLiteral("###.00"));
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  |姓名|语文|数学"));

        // The next proposal counts the new table.
        QCOMPARE(school({QStringLiteral("tables"), QStringLiteral("一中/初一/(1)班"), QStringLiteral("--proposed")}),
                 0);
        QCOMPARE(m_out, QStringLiteral("新成绩表0\n"));
    }

    void newTableDefaults()
    {
        QCOMPARE(newTable({QStringLiteral("一中/初一/(1)班"), QStringLiteral("月考")}), 0);
        table::GradeTable t;
        table::TableFile file(*m_ws, m_prompter);
        QVERIFY(file.load(t, classDir() + QStringLiteral("/月考"), true));
        QCOMPARE(t.title, QStringLiteral("月考"));
        QCOMPARE(t.grid.Rows(), 2);
        QCOMPARE(t.numberFormat, QStringLiteral("###.##"));
        QCOMPARE(school({QStringLiteral("tables"), QStringLiteral("一中/初一/(1)班")}), 0);
        QCOMPARE(m_out, QStringLiteral("月考\n"));
    }

    void newTableRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("message");
        const QString cls = QStringLiteral("一中/初一/(1)班");
        QTest::newRow("existing") << QStringList{cls, QStringLiteral("期中")} << 1
                                  << QStringLiteral("该班级中已经存在同名的表格，请重新输入。");
        QTest::newRow("illegal") << QStringList{cls, QStringLiteral("a?b")} << 1
                                 << QStringLiteral("文件名中包含了诸如“\\/*?”之类的非法字符，请重新输入。");
        QTest::newRow("blank") << QStringList{cls, QStringLiteral("  ")} << 1
                               << QStringLiteral("文件名称不能为空！请重新输入。");
        QTest::newRow("no class") << QStringList{QStringLiteral("一中/初二"), QStringLiteral("x")} << 1
                                  << QStringLiteral("找不到班级：一中/初二");
        QTest::newRow("empty title") << QStringList{cls, QStringLiteral("x"), QStringLiteral("--title"), QString()} << 1
                                     << QStringLiteral("标题不能为空！");
        QTest::newRow("class size") << QStringList{cls, QStringLiteral("x"), QStringLiteral("--class-size"),
                                                   QStringLiteral("-1")}
                                    << 1 << QStringLiteral("参数超出范围：-1");
        QTest::newRow("missing template")
            << QStringList{cls, QStringLiteral("x"), QStringLiteral("--template"), QStringLiteral("无")} << 1
            << QStringLiteral("找不到模版文件：无");
        QTest::newRow("template outside its folder")
            << QStringList{cls, QStringLiteral("x"), QStringLiteral("--template"), QStringLiteral("../std")} << 1
            << QStringLiteral("找不到模版文件：../std");
        QTest::newRow("bad template") << QStringList{cls, QStringLiteral("x"), QStringLiteral("--template"),
                                                     QStringLiteral("坏")}
                                      << 1 << QStringLiteral("模版文件格式错误!");
        // Names the tree would never list, and one the file system cannot hold.
        for (const char *hidden : {".", "..", ".hidden"})
            QTest::newRow(hidden) << QStringList{cls, QString::fromLatin1(hidden)} << 1
                                  << QStringLiteral("文件名中包含了诸如“\\/*?”之类的非法字符，请重新输入。");
        QTest::newRow("252 bytes") << QStringList{cls, QString(84, u'表')} << 1 << QStringLiteral("文件名过长。");
        QTest::newRow("pad alone") << QStringList{cls, QStringLiteral("x"), QStringLiteral("--pad")} << 2 << QString();
        QTest::newRow("one operand") << QStringList{cls} << 2 << QString();
    }
    void newTableRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        QFETCH(QString, message);
        QVERIFY(QDir().mkpath(classDir()));
        QFile existing(classDir() + QStringLiteral("/期中.gdt"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("old");
        existing.close();
        // A count that runs past the end of the file.
        writeTemplate(QStringLiteral("坏"),
                      {QStringLiteral("ZUN'S 表格模版文件"), QStringLiteral("9"), QStringLiteral("  ")});
        if (!message.isEmpty())
            m_prompter.expectMessage(message);
        QCOMPARE(newTable(args), rc);
        QCOMPARE(tableNameListing(), QStringList{QStringLiteral("期中.gdt")});
        QFile check(classDir() + QStringLiteral("/期中.gdt"));
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray("old"));
    }

    // Up to the file system's 255 bytes with ".gdt", the table is saved.
    void newTableOfALongName()
    {
        const QString name = QString(83, u'表'); // 249 bytes, 253 with ".gdt"
        QCOMPARE(newTable({QStringLiteral("一中/初一/(1)班"), name}), 0);
        QCOMPARE(tableNameListing(), QStringList{name + QStringLiteral(".gdt")});
        table::GradeTable back;
        QVERIFY(table::TableFile(*m_ws, m_prompter).load(back, classDir() + QLatin1Char('/') + name, true));
        QCOMPARE(back.title, name);
    }

    // A class folder the file system cannot hold: no school or grade folder is left either.
    void newTableInAClassTooLongCreatesNothing()
    {
        const QString longClass = QString(90, u'班');
        QVERIFY(shell::writeSchool(m_ws->schoolInfoFile(),
                                   shell::School{QStringLiteral("二中"), {{QStringLiteral("高一"), {longClass}}}}));
        m_prompter.expectMessage(QStringLiteral("文件名过长。"));
        QCOMPARE(newTable({QStringLiteral("二中/高一/") + longClass, QStringLiteral("x")}), 1);
        QCOMPARE(QDir(m_ws->tableDataDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

private:
    QStringList tableNameListing() const { return QDir(classDir()).entryList(QDir::Files | QDir::Hidden); }
};

QTEST_GUILESS_MAIN(TestSchoolCli)
#include "tst_school_cli.moc"
