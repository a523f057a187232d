// Bringing another table in: the whole-table append with its counts and field-name rule, and the
// import dialog's column fill in order and matched by key, with its tie-breaks and progress.
#include "core/base/progress.h"
#include "core/base/workspace.h"
#include "core/exchange/table_import.h"
#include "core/table/table_file.h"
#include "make_table.h"
#include "scripted_prompter.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

class RecordingProgress : public base::Progress {
public:
    QStringList started;
    QList<int> percents;
    int depth = 0;
    void start(const QString &status) override
    {
        started << status;
        ++depth;
    }
    void setPercent(int percent) override { percents << percent; }
    void finish() override { --depth; }
};

table::GradeTable keyed(const QList<QStringList> &rows)
{
    return makeTable(QStringLiteral("源"), {QStringLiteral("姓名"), QStringLiteral("语文")}, rows);
}

} // namespace

class TestTableImport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    base::Workspace m_ws{m_dir.path()};
    QString path(const QString &name) const { return m_dir.filePath(name); }

    void save(const table::GradeTable &t, const QString &name)
    {
        ScriptedPrompter quiet;
        table::TableFile files(m_ws, quiet);
        QVERIFY(files.writeTableFile(t, path(name), m_ws.tablePassword));
    }

private slots:
    void initTestCase() { m_ws.tablePassword = QStringLiteral("pw"); }

    void append_data()
    {
        QTest::addColumn<int>("targetRows");
        QTest::addColumn<QStringList>("sourceFields");
        QTest::addColumn<int>("sourceRows");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<QStringList>("firstNew");
        QTest::newRow("30 onto 40, same fields")
            << 40 << QStringList{QStringLiteral("姓名"), QStringLiteral("语文")} << 30 << 71
            << QStringList{QStringLiteral("41"), QStringLiteral("乙1"), QStringLiteral("61")};
        QTest::newRow("another header") << 40 << QStringList{QStringLiteral("名字"), QStringLiteral("分数")} << 3 << 44
                                        << QStringList{QStringLiteral("41"), QStringLiteral("乙1"),
                                                       QStringLiteral("61")};
        QTest::newRow("fewer columns") << 4 << QStringList{QStringLiteral("姓名")} << 2 << 7
                                       << QStringList{QStringLiteral("5"), QStringLiteral("乙1"), QString()};
        QTest::newRow("more columns") << 4
                                      << QStringList{QStringLiteral("姓名"), QStringLiteral("语文"),
                                                     QStringLiteral("数学")}
                                      << 2 << 7
                                      << QStringList{QStringLiteral("5"), QStringLiteral("乙1"), QStringLiteral("61")};
        QTest::newRow("only a header") << 4 << QStringList{QStringLiteral("姓名"), QStringLiteral("语文")} << 0 << 5
                                       << QStringList{};
    }
    void append()
    {
        QFETCH(int, targetRows);
        QFETCH(QStringList, sourceFields);
        QFETCH(int, sourceRows);
        QFETCH(int, rowsAfter);
        QFETCH(QStringList, firstNew);
        table::GradeTable t = classTable(targetRows);
        QList<QStringList> rows;
        for (int i = 1; i <= sourceRows; ++i)
            rows << QStringList{QStringLiteral("乙") + QString::number(i), QString::number(60 + i),
                                QStringLiteral("9")};
        for (QStringList &r : rows)
            r = r.first(sourceFields.size());
        const table::GradeTable source = makeTable(QStringLiteral("源"), sourceFields, rows);
        ScriptedPrompter p;
        QCOMPARE(exchange::appendTable(t, source.grid, p), sourceRows > 0);
        VERIFY_PROMPTS(p);
        const table::Grid &g = t.grid;
        QCOMPARE(g.Rows(), rowsAfter);
        QCOMPARE(g.Cols(), 3);
        // The last old student is never overwritten by the source's header row.
        QCOMPARE(g.TextMatrix(targetRows, 1), QStringLiteral("学生") + QString::number(targetRows));
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("姓名"));
        for (int r = 1; r < g.Rows(); ++r)
            QCOMPARE(g.TextMatrix(r, 0), QString::number(r));
        if (!firstNew.isEmpty()) {
            const int row = targetRows + 1;
            QCOMPARE((QStringList{g.TextMatrix(row, 0), g.TextMatrix(row, 1), g.TextMatrix(row, 2)}), firstNew);
            QVERIFY(t.isModified());
            t.undo();
            QCOMPARE(t.grid.Rows(), targetRows + 1);
        } else {
            QVERIFY(!t.isModified());
        }
    }

    void appendSkipsCellsEqualToTheirFieldName()
    {
        table::GradeTable t = classTable(2);
        const table::GradeTable source =
            keyed({{QStringLiteral("姓名"), QStringLiteral("语文")}, {QStringLiteral("丙"), QStringLiteral("70")}});
        ScriptedPrompter p;
        QVERIFY(exchange::appendTable(t, source.grid, p));
        QCOMPARE(t.grid.TextMatrix(3, 1), QString());
        QCOMPARE(t.grid.TextMatrix(3, 2), QString());
        QCOMPARE(t.grid.TextMatrix(4, 1), QStringLiteral("丙"));
    }

    void appendBeyondTheRowLimitIsRefusedUntouched()
    {
        table::GradeTable t = classTable(30000);
        const table::GradeTable source = classTable(2768);
        ScriptedPrompter p;
        p.expectMessage(QStringLiteral("导入后表格将超过 32767 行，无法导入。"));
        QVERIFY(!exchange::appendTable(t, source.grid, p));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.grid.Rows(), 30001);
        QVERIFY(!t.isModified());
        const table::GradeTable fits = classTable(2766);
        QVERIFY(exchange::appendTable(t, fits.grid, p));
        QCOMPARE(t.grid.Rows(), table::Grid::kMaxCount);
    }

    void menuImportAllReadsTheChosenFile()
    {
        save(classTable(3, QStringLiteral("乙")), QStringLiteral("源.GDT"));
        table::GradeTable t = classTable(2);
        ScriptedPrompter p;
        p.expectMessage(
            QStringLiteral("使用该功能是为了方便诸如年级里对所有班级成绩的汇总，需要注意的是，请一定保证要导入"
                           "的表格与原表格的格式（项目）相同！否则最终的表格可能会发生数据紊乱的情况！"));
        p.expectOpenFile(path(QStringLiteral("源.GDT")), QStringLiteral("*.gdt"));
        RecordingProgress progress;
        table::TableFile files(m_ws, p);
        QVERIFY(exchange::menuImportAll(t, files, p, progress));
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown.at(1).title, QStringLiteral("导入表格文件"));
        QCOMPARE(progress.started, QStringList{QStringLiteral("文件导入中...")});
        QCOMPARE(progress.depth, 0);
        QCOMPARE(columnOf(t, 1), (QStringList{QStringLiteral("学生1"), QStringLiteral("学生2"), QStringLiteral("乙1"),
                                              QStringLiteral("乙2"), QStringLiteral("乙3")}));
    }

    void impDataFailuresLeaveTheTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank name") << QStringLiteral("  ") << QString() << QString();
        QTest::newRow("missing file") << QStringLiteral("nothing") << QString() << QString();
        QTest::newRow("wrong password") << QStringLiteral("other") << QStringLiteral("else")
                                        << QStringLiteral("文件打开失败！请确认文件格式正确，或确认您有权访问该文档。");
    }
    void impDataFailuresLeaveTheTable()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, message);
        if (!password.isEmpty()) {
            ScriptedPrompter quiet;
            table::TableFile files(m_ws, quiet);
            QVERIFY(files.writeTableFile(classTable(3), path(name + QStringLiteral(".gdt")), password));
        }
        table::GradeTable t = classTable(2);
        ScriptedPrompter p;
        if (!message.isEmpty())
            p.expectMessage(message);
        RecordingProgress progress;
        table::TableFile files(m_ws, p);
        QVERIFY(!exchange::ImpData(t, name.trimmed().isEmpty() ? name : path(name), files, p, progress));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.grid.Rows(), 3);
        QVERIFY(!t.isModified());
    }

    void importSourceMessages()
    {
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        table::GradeTable source;
        save(classTable(3), QStringLiteral("s.gdt"));
        p.expectMessage(QStringLiteral("文件打开失败！请确认文件格式正确。"), QStringLiteral("错误"));
        QCOMPARE(exchange::loadImportSource(files, path(QStringLiteral("s.gdt")), QStringLiteral("bad"), source, p),
                 exchange::SourceLoad::OpenFailed);
        QCOMPARE(exchange::loadImportSource(files, path(QStringLiteral("s.gdt")), m_ws.tablePassword, source, p),
                 exchange::SourceLoad::Ok);
        QCOMPARE(source.grid.Rows(), 4);
        VERIFY_PROMPTS(p);
    }

    void plainFill_data()
    {
        QTest::addColumn<int>("targetStudents");
        QTest::addColumn<int>("sourceStudents");
        QTest::addColumn<int>("filled");
        QTest::newRow("10 into 40") << 40 << 10 << 10;
        QTest::newRow("40 into 10") << 10 << 40 << 10;
        QTest::newRow("into an empty table") << 0 << 5 << 0;
    }
    void plainFill()
    {
        QFETCH(int, targetStudents);
        QFETCH(int, sourceStudents);
        QFETCH(int, filled);
        table::GradeTable t = classTable(targetStudents);
        const table::GradeTable s = classTable(sourceStudents, QStringLiteral("乙"));
        exchange::FillRequest r;
        r.targetCol = 1;
        r.sourceCol = 1;
        QCOMPARE(exchange::fillColumn(t.grid, s.grid, r), filled);
        for (int i = 1; i <= targetStudents; ++i)
            QCOMPARE(t.grid.TextMatrix(i, 1),
                     (i <= filled ? QStringLiteral("乙") : QStringLiteral("学生")) + QString::number(i));
    }

    void matchedFill_data()
    {
        QTest::addColumn<QStringList>("targetKeys");
        QTest::addColumn<QList<QStringList>>("source");
        QTest::addColumn<QStringList>("result");
        const QString old = QStringLiteral("旧");
        QTest::newRow("reordered") << QStringList{QStringLiteral("张三"), QStringLiteral("李四")}
                                   << QList<QStringList>{{QStringLiteral("李四"), QStringLiteral("70")},
                                                         {QStringLiteral("张三"), QStringLiteral("80")}}
                                   << QStringList{QStringLiteral("80"), QStringLiteral("70")};
        QTest::newRow("duplicate source key: first wins, for every target row")
            << QStringList{QStringLiteral("张三"), QStringLiteral("张三")}
            << QList<QStringList>{{QStringLiteral("张三"), QStringLiteral("1")},
                                  {QStringLiteral("张三"), QStringLiteral("2")}}
            << QStringList{QStringLiteral("1"), QStringLiteral("1")};
        QTest::newRow("missing key keeps the cell")
            << QStringList{QStringLiteral("王五")} << QList<QStringList>{{QStringLiteral("张三"), QStringLiteral("1")}}
            << QStringList{old};
        QTest::newRow("exact: case, spaces") << QStringList{QStringLiteral("Li"), QStringLiteral("张三 ")}
                                             << QList<QStringList>{{QStringLiteral("li"), QStringLiteral("1")},
                                                                   {QStringLiteral("张三"), QStringLiteral("2")}}
                                             << QStringList{old, old};
        QTest::newRow("empty matches empty")
            << QStringList{QString(), QStringLiteral("张三")}
            << QList<QStringList>{{QStringLiteral("张三"), QStringLiteral("1")}, {QString(), QStringLiteral("缺")}}
            << QStringList{QStringLiteral("缺"), QStringLiteral("1")};
    }
    void matchedFill()
    {
        QFETCH(QStringList, targetKeys);
        QFETCH(QList<QStringList>, source);
        QFETCH(QStringList, result);
        QList<QStringList> rows;
        for (const QString &k : targetKeys)
            rows << QStringList{k, QStringLiteral("旧")};
        table::GradeTable t = keyed(rows);
        const table::GradeTable s = keyed(source);
        exchange::FillRequest r{2, 2, true, 1, 1};
        RecordingProgress progress;
        exchange::fillColumn(t.grid, s.grid, r, &progress);
        QCOMPARE(columnOf(t, 2), result);
        QCOMPARE(progress.percents.last(), 100);
    }

    void matchedFillIntoAnEmptyTableDividesByNothing()
    {
        table::GradeTable t = classTable(0);
        const table::GradeTable s = classTable(3);
        RecordingProgress progress;
        QCOMPARE(exchange::fillColumn(t.grid, s.grid, {2, 2, true, 1, 1}, &progress), 0);
        QVERIFY(progress.percents.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTableImport)
#include "tst_table_import.moc"
