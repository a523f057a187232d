// Partial export: the chosen fields and students as a new table file, formula cells as values,
// the refusals (no field, a file in use) and the question that opens the result.
#include "core/base/workspace.h"
#include "core/exchange/part_export.h"
#include "core/formula/calculate.h"
#include "core/table/table_file.h"
#include "make_table.h"
#include "scripted_prompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPartExport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    base::Workspace m_ws{m_dir.path()};
    QString path(const QString &name) const { return m_dir.filePath(name); }
    formula::Calculator &calc() { return formula::calculator(m_ws); }

    // 40 students, six fields, the sixth a formula summing the third and fourth.
    static table::GradeTable sixFields()
    {
        QList<QStringList> rows;
        for (int i = 1; i <= 40; ++i)
            rows << QStringList{QString::number(1000 + i), QStringLiteral("生") + QString::number(i),
                                QString::number(50 + i),   QString::number(i),
                                QStringLiteral("备注"),    QStringLiteral("！公式：cell(?,3)+cell(?,4)")};
        table::GradeTable t = makeTable(QStringLiteral("期中"),
                                        {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文"),
                                         QStringLiteral("数学"), QStringLiteral("备注"), QStringLiteral("总分")},
                                        rows);
        t.teacher = QStringLiteral("王");
        t.classInfo = QStringLiteral("初一(2)班");
        t.numberFormat = QStringLiteral("0.0");
        return t;
    }

private slots:
    void initTestCase() { m_ws.tablePassword = QStringLiteral("pw"); }

    void layout_data()
    {
        QTest::addColumn<QList<int>>("fields");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("firstRow");
        QTest::newRow("2 of 6 fields, 10 of 40 students")
            << QList<int>{6, 2} << QList<int>{31, 3, 5, 7, 9, 11, 13, 15, 17, 19}
            << QStringList{QStringLiteral("  "), QStringLiteral("姓名"), QStringLiteral("总分")}
            << QStringList{QStringLiteral("1"), QStringLiteral("生3"), QStringLiteral("56.0")};
        QTest::newRow("no rows") << QList<int>{1} << QList<int>{}
                                 << QStringList{QStringLiteral("  "), QStringLiteral("学号")} << QStringList{};
    }
    void layout()
    {
        QFETCH(QList<int>, fields);
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, header);
        QFETCH(QStringList, firstRow);
        const table::GradeTable source = sixFields();
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        const QString target = path(QStringLiteral("part.gdt"));
        QFile::remove(target);
        QCOMPARE(exchange::exportPart(source, fields, rows, target, files, p, calc(), {}),
                 exchange::PartExport::Written);
        VERIFY_PROMPTS(p);
        table::GradeTable part;
        QVERIFY(files.readTableFile(target, part));
        const table::Grid &g = part.grid;
        QCOMPARE(g.Rows(), int(rows.size()) + 1);
        QCOMPARE(g.Cols(), int(fields.size()) + 1);
        QCOMPARE(part.title, QStringLiteral("期中 导出表"));
        QCOMPARE(part.teacher, QStringLiteral("王"));
        QCOMPARE(part.classInfo, QStringLiteral("初一(2)班"));
        QCOMPARE(part.numberFormat, QStringLiteral("0.0"));
        QStringList got;
        for (int c = 0; c < g.Cols(); ++c)
            got << g.TextMatrix(0, c);
        QCOMPARE(got, header);
        if (!firstRow.isEmpty()) {
            got.clear();
            for (int c = 0; c < g.Cols(); ++c)
                got << g.TextMatrix(1, c);
            QCOMPARE(got, firstRow);
            // Rows in row order, renumbered on loading.
            QCOMPARE(g.TextMatrix(10, 1), QStringLiteral("生31"));
            QCOMPARE(g.TextMatrix(10, 0), QStringLiteral("10"));
        }
    }

    void storedRowKeepsItsNumberAndFormulaValue()
    {
        // The member holds each row's own number; loading renumbers it.
        const table::GradeTable part = exchange::partTable(sixFields(), {6}, {7}, calc());
        QCOMPARE(part.grid.TextMatrix(1, 0), QStringLiteral("7"));
        QCOMPARE(part.grid.TextMatrix(1, 1), QStringLiteral("64.0"));
    }

    void refusals_data()
    {
        QTest::addColumn<QList<int>>("fields");
        QTest::addColumn<bool>("inUse");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("result");
        QTest::newRow("no field") << QList<int>{} << false << QStringLiteral("请至少选择一个要导出的项目！")
                                  << int(exchange::PartExport::NoField);
        QTest::newRow("file open in a window")
            << QList<int>{1} << true << QStringLiteral("该文件正在使用中，请选择其他文件名。")
            << int(exchange::PartExport::InUse);
    }
    void refusals()
    {
        QFETCH(QList<int>, fields);
        QFETCH(bool, inUse);
        QFETCH(QString, message);
        QFETCH(int, result);
        const QString target = path(QStringLiteral("used.gdt"));
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        p.expectMessage(message);
        QString asked;
        const auto used = [&](const QString &name) {
            asked = name;
            return inUse;
        };
        QCOMPARE(int(exchange::exportPart(sixFields(), fields, {1}, target, files, p, calc(), used)), result);
        VERIFY_PROMPTS(p);
        QVERIFY(!QFile::exists(target));
        if (inUse)
            QCOMPARE(asked, path(QStringLiteral("used")));
    }

    void confirmAsksToOpen_data()
    {
        QTest::addColumn<bool>("open");
        QTest::newRow("Yes opens") << true;
        QTest::newRow("No does not") << false;
    }
    void confirmAsksToOpen()
    {
        QFETCH(bool, open);
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        const QString target = path(QStringLiteral("q.gdt"));
        QFile::remove(target);
        p.expectSaveFile(target, QStringLiteral("*.gdt"));
        p.expectQuestion(QStringLiteral("文件保存完毕，是否现在打开？"), open ? ui::Answer::Yes : ui::Answer::No);
        QStringList opened;
        QVERIFY(exchange::confirmPartExport(sixFields(), {2}, {1, 2}, files, p, calc(), {},
                                            [&](const QString &name) { opened << name; }));
        VERIFY_PROMPTS(p);
        QCOMPARE(opened, open ? QStringList{path(QStringLiteral("q"))} : QStringList{});
    }

    void confirmWithoutFieldStaysInTheDialog()
    {
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        p.expectMessage(QStringLiteral("请至少选择一个要导出的项目！"));
        QVERIFY(!exchange::confirmPartExport(sixFields(), {}, {1}, files, p, calc(), {}, {}));
        VERIFY_PROMPTS(p);
        // No student: refused before the save dialog as well.
        p.expectMessage(QStringLiteral("请至少选择一名要导出的学生！"));
        QVERIFY(!exchange::confirmPartExport(sixFields(), {2}, {}, files, p, calc(), {}, {}));
        VERIFY_PROMPTS(p);
    }
};

QTEST_GUILESS_MAIN(TestPartExport)
#include "tst_part_export.moc"
