// scorvane-cli's template, field, set-props and formula commands from outside: their forms,
// output, exit statuses and what they write.
#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "scripted_prompter.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

namespace {
const QString kPassword = QStringLiteral("T@pw");
}

class FieldCliTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString path(const QString &name) const { return m_tmp->path() + QLatin1Char('/') + name; }

    ProcessResult cli(const QStringList &args)
    {
        return runProcess(
            cliPath(),
            QStringList{QStringLiteral("--dir"), m_tmp->path(), QStringLiteral("--table-password"), kPassword} + args);
    }
    // t.gdt: two students under 语文, 数学, 总分 (a formula), teacher 王.
    void makeTable()
    {
        base::Workspace ws(m_tmp->path());
        ws.tablePassword = kPassword;
        ScriptedPrompter quiet;
        table::TableFile file(ws, quiet);
        table::GradeTable t;
        table::Grid &g = t.grid;
        g.setRows(3);
        g.setCols(4);
        const QStringList names{QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("总分")};
        for (int c = 1; c < 4; ++c)
            g.setTextMatrix(0, c, names[c - 1]);
        t.rebuildHeader();
        t.teacher = QStringLiteral("王");
        for (int r = 1; r < 3; ++r) {
            g.setTextMatrix(r, 1, QString::number(80 + r));
            g.setTextMatrix(r, 2, QString::number(90 + r));
            g.setTextMatrix(r, 3, QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
        }
        QVERIFY(file.save(t, path(QStringLiteral("t"))));
    }
    table::GradeTable load(const QString &name)
    {
        base::Workspace ws(m_tmp->path());
        ws.tablePassword = kPassword;
        ScriptedPrompter quiet;
        table::TableFile file(ws, quiet);
        table::GradeTable t;
        file.load(t, path(name), true);
        return t;
    }

private slots:
    void init()
    {
        if (cliPath().isEmpty())
            QSKIP("scorvane-cli not available");
        m_tmp = std::make_unique<QTemporaryDir>();
        makeTable();
    }

    // Commands that write u.gdt: exit status, stderr, and the header and row 1 written.
    void tableCommands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("header"); // of u.gdt; empty when nothing may be written
        QTest::addColumn<QString>("row1");
        const auto L = [](std::initializer_list<const char *> items) {
            QStringList l;
            for (const char *i : items)
                l << QString::fromUtf8(i);
            return l;
        };
        const QString same = QStringLiteral("  |语文|数学|总分");
        QTest::newRow("insert at 2") << L({"field", "insert", "t.gdt", "2", "英语"}) << 0 << QString()
                                     << QStringLiteral("  |语文|英语|数学|总分")
                                     << QStringLiteral("81||91|！公式：cell(?,1)+cell(?,3)");
        QTest::newRow("insert at 0") << L({"field", "insert", "t.gdt", "0", "学号"}) << 0 << QString()
                                     << QStringLiteral("  |学号|语文|数学|总分")
                                     << QStringLiteral("|81|91|！公式：cell(?,2)+cell(?,3)");
        QTest::newRow("insert beyond") << L({"field", "insert", "t.gdt", "4", "x"}) << 1
                                       << QStringLiteral("参数超出范围：4") << QString() << QString();
        QTest::newRow("insert empty name") << L({"field", "insert", "t.gdt", "1", ""}) << 1
                                           << QStringLiteral("名称不能为空！") << QString() << QString();
        QTest::newRow("insert bar") << L({"field", "insert", "t.gdt", "1", "a|b"}) << 1
                                    << QStringLiteral("字段名称中不能包含“|”或换行。") << QString() << QString();
        QTest::newRow("insert missing name")
            << L({"field", "insert", "t.gdt", "1"}) << 2 << QString() << QString() << QString();
        // Removing a column that formulas use needs --yes; they are then formula errors.
        QTest::newRow("remove used column")
            << L({"field", "remove", "t.gdt", "数学"}) << 1
            << QStringLiteral("有 2 个公式引用了该列，删除后这些公式将显示“公式错误”。是否继续？ -> No") << QString()
            << QString();
        QTest::newRow("remove by name") << L({"--yes", "field", "remove", "t.gdt", "数学"}) << 0 << QString()
                                        << QStringLiteral("  |语文|总分")
                                        << QStringLiteral("81|！公式：cell(?,1)+cell(?,-1)");
        QTest::newRow("remove by number")
            << L({"--yes", "field", "remove", "t.gdt", "1"}) << 0 << QString() << QStringLiteral("  |数学|总分")
            << QStringLiteral("91|！公式：cell(?,-1)+cell(?,1)");
        QTest::newRow("remove unused column") << L({"field", "remove", "t.gdt", "总分"}) << 0 << QString()
                                              << QStringLiteral("  |语文|数学") << QStringLiteral("81|91");
        QTest::newRow("remove column 0") << L({"field", "remove", "t.gdt", "0"}) << 1
                                         << QStringLiteral("请先选定要操作的列！") << QString() << QString();
        QTest::newRow("rename column 0") << L({"field", "rename", "t.gdt", "0", "X"}) << 1
                                         << QStringLiteral("请先选定要操作的列！") << QString() << QString();
        QTest::newRow("remove unknown") << L({"field", "remove", "t.gdt", "物理"}) << 1
                                        << QStringLiteral("找不到字段：物理") << QString() << QString();
        QTest::newRow("rename") << L({"field", "rename", "t.gdt", "3", " 合计"}) << 0 << QString()
                                << QStringLiteral("  |语文|数学| 合计") << QStringLiteral("81|91|");
        QTest::newRow("unknown option") << L({"field", "rename", "t.gdt", "3", "x", "--force"}) << 2 << QString()
                                        << QString() << QString();
        QTest::newRow("set title and format")
            << L({"set-props", "t.gdt", "--title", "期末", "--decimals", "3", "--pad"}) << 0 << QString() << same
            << QStringLiteral("81|91|");
        QTest::newRow("class size out of range") << L({"set-props", "t.gdt", "--class-size", "32767"}) << 1
                                                 << QStringLiteral("参数超出范围：32767") << QString() << QString();
        QTest::newRow("decimals out of range") << L({"set-props", "t.gdt", "--decimals", "16"}) << 1
                                               << QStringLiteral("参数超出范围：16") << QString() << QString();
        QTest::newRow("pad alone") << L({"set-props", "t.gdt", "--pad"}) << 2 << QString() << QString() << QString();
        QTest::newRow("nothing to set") << L({"set-props", "t.gdt"}) << 2 << QString() << QString() << QString();
        QTest::newRow("empty title") << L({"set-props", "t.gdt", "--title", ""}) << 1
                                     << QStringLiteral("标题不能为空！") << QString() << QString();
    }
    void tableCommands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, error);
        QFETCH(QString, header);
        QFETCH(QString, row1);
        args.replaceInStrings(QStringLiteral("t.gdt"), path(QStringLiteral("t.gdt")));
        const ProcessResult r = cli(args << QStringLiteral("--out") << path(QStringLiteral("u.gdt")));
        QCOMPARE(r.exitCode, exit);
        if (!error.isEmpty())
            QCOMPARE(QString::fromUtf8(r.err).trimmed(), error);
        QCOMPARE(QFile::exists(path(QStringLiteral("u.gdt"))), !header.isEmpty());
        if (header.isEmpty())
            return;
        const table::GradeTable u = load(QStringLiteral("u"));
        QCOMPARE(u.grid.FormatString(), header);
        QStringList cells;
        for (int c = 1; c < u.grid.Cols(); ++c)
            cells << u.grid.TextMatrix(1, c).remove(QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
        QCOMPARE(cells.join(QLatin1Char('|')), row1);
    }

    void setPropsWritesEveryProperty()
    {
        const ProcessResult r =
            cli({QStringLiteral("--yes"), QStringLiteral("set-props"), path(QStringLiteral("t.gdt")),
                 QStringLiteral("--title"), QStringLiteral("期末"), QStringLiteral("--teacher"), QStringLiteral("李"),
                 QStringLiteral("--class-info"), QStringLiteral("初一\n二班"), QStringLiteral("--class-size"),
                 QStringLiteral("4"), QStringLiteral("--decimals"), QStringLiteral("0")});
        QCOMPARE(r.exitCode, 0);
        const table::GradeTable t = load(QStringLiteral("t"));
        QCOMPARE(t.title, QStringLiteral("期末"));
        QCOMPARE(t.teacher, QStringLiteral("李"));
        QCOMPARE(t.classInfo, QStringLiteral("初一\n二班"));
        QCOMPARE(t.grid.Rows(), 5);
        QCOMPARE(t.grid.TextMatrix(4, 0), QStringLiteral("4"));
        QCOMPARE(t.numberFormat, QStringLiteral("###."));
    }

    void inPlaceNeedsYes()
    {
        const QString file = path(QStringLiteral("t.gdt"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        ProcessResult r = cli({QStringLiteral("field"), QStringLiteral("remove"), file, QStringLiteral("3")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("确实覆盖原有数据么？")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        f.close();
        r = cli(
            {QStringLiteral("--yes"), QStringLiteral("field"), QStringLiteral("remove"), file, QStringLiteral("3")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(load(QStringLiteral("t")).grid.FormatString(), QStringLiteral("  |语文|数学"));
    }

    void templatesRoundTrip()
    {
        const QString t = path(QStringLiteral("t.gdt"));
        QCOMPARE(cli({QStringLiteral("template"), QStringLiteral("save"), t, QStringLiteral("b三科")}).exitCode, 0);
        QCOMPARE(cli({QStringLiteral("template"), QStringLiteral("save"), t, QStringLiteral("a")}).exitCode, 0);
        ProcessResult r = cli({QStringLiteral("template"), QStringLiteral("save"), t, QStringLiteral("a/b")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err).trimmed(),
                 QStringLiteral("文件名中包含了诸如“\\/*?”之类的非法字符，请重新输入。"));
        r = cli({QStringLiteral("template"), QStringLiteral("list")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("a.templet\nb三科.templet\n"));

        // A table with other names takes the template's.
        QVERIFY(cli({QStringLiteral("--yes"), QStringLiteral("field"), QStringLiteral("rename"), t, QStringLiteral("1"),
                     QStringLiteral("x")})
                    .exitCode == 0);
        // Its students' cells would stand under other names: --yes is needed, else nothing is written.
        r = cli({QStringLiteral("template"), QStringLiteral("apply"), t, QStringLiteral("b三科"),
                 QStringLiteral("--out"), path(QStringLiteral("u.gdt"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err).trimmed(),
                 QStringLiteral("应用模版将改变字段结构，现有数据不会移动。是否继续？ -> No"));
        QVERIFY(!QFile::exists(path(QStringLiteral("u.gdt"))));
        r = cli({QStringLiteral("--yes"), QStringLiteral("template"), QStringLiteral("apply"), t,
                 QStringLiteral("b三科"), QStringLiteral("--out"), path(QStringLiteral("u.gdt"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(load(QStringLiteral("u")).grid.FormatString(), QStringLiteral("  |语文|数学|总分"));
        r = cli({QStringLiteral("template"), QStringLiteral("apply"), t, QStringLiteral("missing"),
                 QStringLiteral("--out"), path(QStringLiteral("v.gdt"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err).trimmed(), QStringLiteral("模版文件格式错误!"));
        QVERIFY(!QFile::exists(path(QStringLiteral("v.gdt"))));
        QCOMPARE(cli({QStringLiteral("template"), QStringLiteral("remove")}).exitCode, 2);
    }

    void formula_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("error");
        const auto L = [](std::initializer_list<const char *> items) {
            QStringList l;
            for (const char *i : items)
                l << QString::fromUtf8(i);
            return l;
        };
        QTest::newRow("average of the own row") << L({"average", "2,1", "2,2", "--at", "2,3"}) << 0
                                                << QStringLiteral("(cell(?,1)+cell(?,2))/2\n87\n") << QString();
        QTest::newRow("Chinese name, reverse")
            << L({"求差", "2,2", "1,1", "--at", "1,3"}) << 0
            << QStringLiteral("cell(2,2)-cell(2,1)-cell(?,2)-cell(?,1)\n-162\n") << QString();
        QTest::newRow("a formula cell") << L({"sum", "1,2", "1,3", "--at", "2,1"}) << 1
                                        << QStringLiteral("cell(1,2)+cell(1,3)\n")
                                        << QStringLiteral("公式中不可以引用已经包含公式的单元格！");
        QTest::newRow("target in column 0") << L({"sum", "1,1", "1,2", "--at", "1,0"}) << 1 << QString()
                                            << QStringLiteral("请先选定要放置公式的单元格！");
        QTest::newRow("outside the table")
            << L({"sum", "1,1", "3,1", "--at", "1,1"}) << 1 << QString() << QStringLiteral("参数超出范围：3");
        QTest::newRow("unknown operation") << L({"mean", "1,1", "1,2", "--at", "1,3"}) << 2 << QString() << QString();
        QTest::newRow("malformed cell") << L({"sum", "1;1", "1,2", "--at", "1,3"}) << 2 << QString() << QString();
        QTest::newRow("no target") << L({"sum", "1,1", "1,2"}) << 2 << QString() << QString();
    }
    void formula()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, error);
        const ProcessResult r = cli(QStringList{QStringLiteral("formula"), path(QStringLiteral("t.gdt"))} + args);
        QCOMPARE(r.exitCode, exit);
        if (exit != 2)
            QCOMPARE(QString::fromUtf8(r.out), out);
        if (!error.isEmpty())
            QCOMPARE(QString::fromUtf8(r.err).trimmed(), error);
    }
};

QTEST_GUILESS_MAIN(FieldCliTest)
#include "tst_field_cli.moc"
