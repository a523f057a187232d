// scorvane-cli stats from outside: the figures and band lines of a table, the class summary of a
// grade with its note on stderr, the printed page as a one-page PDF, and the refusals with their
// exit codes (1 for a missing field, an option out of range, a path that is no grade; 2 for a
// malformed command line) and messages.
#include "class_table.h"
#include "core/shell/school_tree.h"
#include "test_support.h"

#include <QDir>
#include <QTest>

#include <memory>

class StatsCliTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString path(const QString &name) const { return m_tmp->path() + QLatin1Char('/') + name; }
    ProcessResult cli(const QStringList &args)
    {
        return runProcess(cliPath(),
                          QStringList{QStringLiteral("--dir"), m_tmp->path(), QStringLiteral("--table-password"),
                                      QStringLiteral("pw")} +
                              args,
                          {}, m_tmp->path());
    }
    static QString stderrText(const ProcessResult &r) { return stderrMessages(r); }

private slots:
    void initTestCase()
    {
        if (cliPath().isEmpty())
            QSKIP("scorvane-cli not available");
    }

    // 姓名, 语文 = 60 + 10 r and 总分 = 语文 + 10 for 学生1 … 学生3; the same table as 期中 of
    // （1）班 of 一中/初一, whose （2）班 has none.
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        table::GradeTable t;
        fillClassTable(t, {.students = 3, .firstScore = 60, .step = 10, .bonus = 10, .title = QStringLiteral("期中")});
        QVERIFY(saveTable(m_tmp->path(), QStringLiteral("pw"), path(QStringLiteral("班")), t));
        QVERIFY(
            shell::writeSchool(path(QStringLiteral("SchoolInfo.ini")),
                               {QStringLiteral("一中"),
                                {{QStringLiteral("初一"), {QStringLiteral("（1）班"), QStringLiteral("（2）班")}}}}));
        const QString folder = path(QStringLiteral("表格数据/一中/初一/（1）班"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(saveTable(m_tmp->path(), QStringLiteral("pw"), folder + QStringLiteral("/期中"), t));
    }

    void stats_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out"); // the first lines of stdout
        QTest::addColumn<QString>("err");
        const QString table = QStringLiteral("班.gdt");
        const QString header = QStringLiteral("科目\t人数\t实考\t缺考\t平均分\t最高分\t最低分\t标准差\t及格人数\t及格率"
                                              "\t优秀人数\t优秀率\t低分人数\t低分率");
        QTest::newRow("preselected fields")
            << QStringList{table} << 0
            << QStringList{header,
                           QStringLiteral("语文\t3\t3\t0\t80\t90\t70\t8.16\t3\t100.00%\t1\t33.33%\t0\t0.00%"),
                           QStringLiteral("总分\t3\t3\t0\t90\t100\t80\t8.16\t3\t100.00%\t2\t66.67%\t0\t0.00%"),
                           QString(),
                           QStringLiteral("科目\t分数段\t人数\t比例"),
                           QStringLiteral("语文\t90～100\t1\t33.33%")}
            << QString();
        QTest::newRow("fields in the order given, full marks 150, band 20")
            << QStringList{table,
                           QStringLiteral("--fields"),
                           QStringLiteral("总分,语文"),
                           QStringLiteral("--full"),
                           QStringLiteral("总分=150"),
                           QStringLiteral("--band"),
                           QStringLiteral("20")}
            << 0
            << QStringList{header,
                           QStringLiteral("总分\t3\t3\t0\t90\t100\t80\t8.16\t2\t66.67%\t0\t0.00%\t0\t0.00%"),
                           QStringLiteral("语文\t3\t3\t0\t80\t90\t70\t8.16\t3\t100.00%\t1\t33.33%\t0\t0.00%"),
                           QString(),
                           QStringLiteral("科目\t分数段\t人数\t比例"),
                           QStringLiteral("总分\t130～150\t0\t0.00%"),
                           QStringLiteral("总分\t110～129\t0\t0.00%"),
                           QStringLiteral("总分\t90～109\t2\t66.67%"),
                           QStringLiteral("总分\t90以下\t1\t33.33%"),
                           QStringLiteral("语文\t80～100\t2\t66.67%")}
            << QString();
        QTest::newRow("the grade")
            << QStringList{QStringLiteral("--grade"), QStringLiteral("一中/初一"), QStringLiteral("期中")} << 0
            << QStringList{QStringLiteral("班级\t人数\t语文平均分\t语文及格率\t语文优秀率\t语文名次\t"
                                          "总分平均分\t总分及格率\t总分优秀率\t总分名次"),
                           QStringLiteral("（1）班\t3\t80\t100.00%\t33.33%\t1\t90\t100.00%\t66.67%\t1"),
                           QStringLiteral("年级\t3\t80\t100.00%\t33.33%\t\t90\t100.00%\t66.67%\t")}
            << QStringLiteral("（2）班：没有表格“期中”");
        QTest::newRow("a field that does not exist")
            << QStringList{table, QStringLiteral("--fields"), QStringLiteral("语文,外语")} << 1 << QStringList()
            << QStringLiteral("找不到字段：外语");
        QTest::newRow("full marks 0") << QStringList{table, QStringLiteral("--full"), QStringLiteral("0")} << 1
                                      << QStringList() << QStringLiteral("参数超出范围：0");
        QTest::newRow("a percentage above 100")
            << QStringList{table, QStringLiteral("--excellent"), QStringLiteral("100.5")} << 1 << QStringList()
            << QStringLiteral("参数超出范围：100.5");
        QTest::newRow("band width 0") << QStringList{table, QStringLiteral("--band"), QStringLiteral("0")} << 1
                                      << QStringList() << QStringLiteral("参数超出范围：0");
        QTest::newRow("a class is no grade")
            << QStringList{QStringLiteral("--grade"), QStringLiteral("一中/初一/（1）班"), QStringLiteral("期中")} << 1
            << QStringList() << QStringLiteral("找不到年级：一中/初一/（1）班");
        QTest::newRow("no such table in the grade")
            << QStringList{QStringLiteral("--grade"), QStringLiteral("一中/初一"), QStringLiteral("期末")} << 1
            << QStringList() << QStringLiteral("该年级的班级中没有表格“期末”");
        QTest::newRow("a percentage that is no number")
            << QStringList{table, QStringLiteral("--pass"), QStringLiteral("六十")} << 2 << QStringList() << QString();
        QTest::newRow("no table") << QStringList{} << 2 << QStringList() << QString();
        QTest::newRow("an unknown option")
            << QStringList{table, QStringLiteral("--bands"), QStringLiteral("5")} << 2 << QStringList() << QString();
    }
    void stats()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
        const ProcessResult r = cli(QStringList{QStringLiteral("stats")} + args);
        QCOMPARE(r.exitCode, exitCode);
        const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
        if (exitCode == 0) {
            QVERIFY2(lines.size() > out.size(), r.out.constData());
            QCOMPARE(lines.mid(0, out.size()), out);
        } else {
            QCOMPARE(r.out, QByteArray());
        }
        if (exitCode == 2)
            QVERIFY(stderrText(r).startsWith(QLatin1String("usage:")));
        else
            QCOMPARE(stderrText(r), err);
    }

    // --pdf: the printed page, one A4 page with the heading, the figures and the print time; the
    // table file is left as it was.
    void pdf()
    {
        if (!havePdfTools())
            QSKIP("poppler-utils not available");
        QFile file(path(QStringLiteral("班.gdt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const ProcessResult r = cli({QStringLiteral("stats"), path(QStringLiteral("班.gdt")), QStringLiteral("--pdf"),
                                     path(QStringLiteral("a.pdf"))});
        QCOMPARE(r.exitCode, 0);
        const QList<PdfPage> pages = pdfPages(path(QStringLiteral("a.pdf")));
        QCOMPARE(pages.size(), 1);
        QCOMPARE(int(pages[0].width), 595);
        const QStringList words = pages[0].texts();
        for (const QString &w : {QStringLiteral("成绩分析：期中"), QStringLiteral("8.16"), QStringLiteral("33.33%"),
                                 QStringLiteral("90～100"), QStringLiteral("学科：语文")})
            QVERIFY2(words.contains(w), qPrintable(words.join(QLatin1Char(' '))));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
};

QTEST_MAIN(StatsCliTest)
#include "tst_stats_cli.moc"
