// Sorting by a field that holds formulas, and the command-line sort.
#include "scripted_prompter.h"

#include "cli/sort_cli.h"
#include "core/base/workspace.h"
#include "core/formula/sort_keys.h"
#include "core/table/sort_rows.h"
#include "core/table/table_file.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using table::GradeTable;

namespace {

// 姓名, 语文, 数学, 总分 (a formula), 名次.
GradeTable makeTable()
{
    GradeTable t;
    table::Grid &g = t.grid;
    g.setCols(6);
    g.setRows(5);
    const QStringList fields{QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学"),
                             QStringLiteral("总分"), QStringLiteral("名次")};
    for (int c = 0; c < fields.size(); ++c)
        g.setTextMatrix(0, c + 1, fields[c]);
    const QStringList rows{QStringLiteral("张三|80|9"), QStringLiteral("李四|70|30"), QStringLiteral("王五|缺考|"),
                           QStringLiteral("赵六|45|50")};
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(QLatin1Char('|'));
        for (int c = 0; c < cells.size(); ++c)
            g.setTextMatrix(r + 1, c + 1, cells[c]);
        g.setTextMatrix(r + 1, 4, QStringLiteral("！公式：cell(?,2)+cell(?,3)"));
    }
    t.rebuildHeader();
    return t;
}

QStringList column(const table::Grid &g, int col)
{
    QStringList cells;
    for (int r = 1; r < g.Rows(); ++r)
        cells << g.TextMatrix(r, col);
    return cells;
}

} // namespace

class TestSortCli : public QObject {
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    base::Workspace *m_ws = nullptr;
    ScriptedPrompter m_prompter;

    QString path() const { return m_dir->path() + QStringLiteral("/成绩"); }
    int sort(const QStringList &args)
    {
        QString text;
        QTextStream out(&text);
        table::cli::Context ctx{*m_ws, m_prompter, out};
        return formula::runSortCommand(ctx, table::cli::Args(args));
    }
    GradeTable load(const QString &name)
    {
        GradeTable t;
        table::TableFile file(*m_ws, m_prompter);
        file.load(t, name, true);
        return t;
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_ws = new base::Workspace(m_dir->path());
        m_ws->tablePassword = QStringLiteral("T@pw");
        m_prompter.clear();
        GradeTable t = makeTable();
        table::TableFile file(*m_ws, m_prompter);
        QVERIFY(file.save(t, path()));
    }
    void cleanup()
    {
        VERIFY_PROMPTS(m_prompter);
        delete m_ws;
        delete m_dir;
    }

    // The totals are 89, 100, an error, 95: the formula results decide, not the formula texts.
    void formulaKeys()
    {
        GradeTable t = makeTable();
        const QStringList keys = formula::columnDisplayValues(t, 4, *m_ws);
        QCOMPARE(keys.mid(1), (QStringList{QStringLiteral("89"), QStringLiteral("100"), QStringLiteral("公式错误"),
                                           QStringLiteral("95")}));
        QVERIFY(table::sortTable(t, {4, false, 5}, keys));
        QCOMPARE(column(t.grid, 1), (QStringList{QStringLiteral("李四"), QStringLiteral("赵六"), QStringLiteral("张三"),
                                                 QStringLiteral("王五")}));
        QCOMPARE(column(t.grid, 5),
                 (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}));
    }

    void commandLineRanks()
    {
        QCOMPARE(sort({path() + QStringLiteral(".gdt"), QStringLiteral("总分"), QStringLiteral("--desc"),
                       QStringLiteral("--rank-into"), QStringLiteral("5"), QStringLiteral("--out"),
                       m_dir->path() + QStringLiteral("/排名.gdt")}),
                 0);
        const GradeTable t = load(m_dir->path() + QStringLiteral("/排名"));
        QCOMPARE(column(t.grid, 1), (QStringList{QStringLiteral("李四"), QStringLiteral("赵六"), QStringLiteral("张三"),
                                                 QStringLiteral("王五")}));
        QCOMPARE(column(t.grid, 5),
                 (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}));
        // The source is unchanged.
        QCOMPARE(load(path()).grid.TextMatrix(1, 1), QStringLiteral("张三"));
    }

    // Equal totals share a rank with --ties shared: 李四 100, 赵六 and a copy of 张三 at 95 …
    void commandLineSharedRanks()
    {
        GradeTable t = makeTable();
        t.grid.setTextMatrix(1, 2, QStringLiteral("86")); // 张三 86 + 9 = 95, as 赵六
        table::TableFile file(*m_ws, m_prompter);
        m_prompter.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::Yes);
        QVERIFY(file.save(t, path()));
        const QString out = m_dir->path() + QStringLiteral("/排名.gdt");
        QCOMPARE(sort({path() + QStringLiteral(".gdt"), QStringLiteral("总分"), QStringLiteral("--desc"),
                       QStringLiteral("--rank-into"), QStringLiteral("5"), QStringLiteral("--ties"),
                       QStringLiteral("shared"), QStringLiteral("--out"), out}),
                 0);
        const GradeTable ranked = load(m_dir->path() + QStringLiteral("/排名"));
        QCOMPARE(column(ranked.grid, 5),
                 (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("4")}));
        QCOMPARE(column(ranked.grid, 1).at(0), QStringLiteral("李四"));
    }

    void commandLineAscendingInPlace()
    {
        m_prompter.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::Yes);
        QCOMPARE(sort({path() + QStringLiteral(".gdt"), QStringLiteral("2")}), 0);
        // 45, 70, 80 and the text 缺考 last.
        QCOMPARE(column(load(path()).grid, 1), (QStringList{QStringLiteral("赵六"), QStringLiteral("李四"),
                                                            QStringLiteral("张三"), QStringLiteral("王五")}));
    }

    void commandLineRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("message");
        QTest::newRow("rank into the sort field")
            << QStringList{QStringLiteral("总分"), QStringLiteral("--rank-into"), QStringLiteral("4")} << 1
            << QStringLiteral("排序结果不可写回原字段！");
        QTest::newRow("unknown field") << QStringList{QStringLiteral("英语")} << 1
                                       << QStringLiteral("找不到字段：英语");
        QTest::newRow("row numbers") << QStringList{QStringLiteral("0")} << 1 << QStringLiteral("找不到字段：0");
        QTest::newRow("unknown rank field")
            << QStringList{QStringLiteral("1"), QStringLiteral("--rank-into"), QStringLiteral("9")} << 1
            << QStringLiteral("找不到字段：9");
        QTest::newRow("no field") << QStringList{} << 2 << QString();
        QTest::newRow("ties without ranks")
            << QStringList{QStringLiteral("1"), QStringLiteral("--ties"), QStringLiteral("shared")} << 2 << QString();
        QTest::newRow("unknown ties") << QStringList{QStringLiteral("1"), QStringLiteral("--rank-into"),
                                                     QStringLiteral("5"), QStringLiteral("--ties"),
                                                     QStringLiteral("dense")}
                                      << 2 << QString();
        QTest::newRow("unknown option") << QStringList{QStringLiteral("1"), QStringLiteral("--up")} << 2 << QString();
    }
    void commandLineRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        QFETCH(QString, message);
        if (!message.isEmpty())
            m_prompter.expectMessage(message);
        QCOMPARE(sort(QStringList{path() + QStringLiteral(".gdt")} + args), rc);
        QCOMPARE(load(path()).grid.TextMatrix(1, 1), QStringLiteral("张三"));
    }
};

QTEST_GUILESS_MAIN(TestSortCli)
#include "tst_sort_cli.moc"
