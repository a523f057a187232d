// CSV export and column import: the exported bytes, quoting, reading whole records in UTF-8 or
// GBK, the column import with its question, dialog and undo.
#include "core/base/file_writer.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/exchange/column_import.h"
#include "core/exchange/converters.h"
#include "core/exchange/csv_export.h"
#include "core/exchange/csv_reader.h"
#include "core/formula/calculate.h"
#include "make_table.h"
#include "scripted_prompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestCsv : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    base::Workspace m_ws{m_dir.path()};
    formula::Calculator &calc() { return formula::calculator(m_ws); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    static QByteArray gbk(const char *utf8) { return base::codec::encode(QString::fromUtf8(utf8)); }
    static QStringList sl(std::initializer_list<const char *> items)
    {
        QStringList l;
        for (const char *i : items)
            l << QString::fromUtf8(i);
        return l;
    }

private slots:
    void exportMatchesTheExampleByteForByte()
    {
        table::GradeTable t = makeTable(QStringLiteral("期中"), {QStringLiteral("语文"), QStringLiteral("数学")},
                                        {{QStringLiteral("80"), QStringLiteral("！公式：cell(?,1)+10")}});
        QCOMPARE(exchange::csvBytes(t, calc()), gbk("期中\r\n,  ,语文,数学\r\n,1,80,90\r\n\r\n"));
    }

    void exportQuotesOnlyWhatWouldBreakTheColumns_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain keeps spaces") << QStringLiteral(" 张 三 ") << QStringLiteral(" 张 三 ");
        QTest::newRow("comma") << QStringLiteral("85,5") << QStringLiteral("\"85,5\"");
        QTest::newRow("quote") << QStringLiteral("a\"b") << QStringLiteral("\"a\"\"b\"");
        QTest::newRow("line feed") << QStringLiteral("a\nb") << QStringLiteral("\"a\nb\"");
        QTest::newRow("carriage return") << QStringLiteral("a\rb") << QStringLiteral("\"a\rb\"");
        QTest::newRow("empty") << QString() << QString();
        // What a spreadsheet would run gets an apostrophe, inside the quotes when quoted.
        QTest::newRow("formula") << QStringLiteral("=1+1") << QStringLiteral("'=1+1");
        QTest::newRow("at sign") << QStringLiteral("@SUM(A1:A2)") << QStringLiteral("'@SUM(A1:A2)");
        QTest::newRow("command") << QStringLiteral("=cmd|' /C calc'!A0") << QStringLiteral("'=cmd|' /C calc'!A0");
        QTest::newRow("plus text") << QStringLiteral("+A1") << QStringLiteral("'+A1");
        QTest::newRow("minus alone") << QStringLiteral("-") << QStringLiteral("'-");
        QTest::newRow("tab") << QStringLiteral("\tx") << QStringLiteral("'\tx");
        QTest::newRow("carriage return first") << QStringLiteral("\rx") << QStringLiteral("\"'\rx\"");
        QTest::newRow("formula with comma") << QStringLiteral("=a,b") << QStringLiteral("\"'=a,b\"");
        QTest::newRow("apostrophe before a formula") << QStringLiteral("'=x") << QStringLiteral("''=x");
        QTest::newRow("negative number") << QStringLiteral("-3.5") << QStringLiteral("-3.5");
        QTest::newRow("signed number") << QStringLiteral("+5") << QStringLiteral("+5");
        QTest::newRow("apostrophe before text") << QStringLiteral("'abc") << QStringLiteral("'abc");
    }
    void exportQuotesOnlyWhatWouldBreakTheColumns()
    {
        QFETCH(QString, cell);
        QFETCH(QString, field);
        QCOMPARE(exchange::csvField(cell), field);
    }

    void quotingRoundTrip()
    {
        const QStringList cells{
            QStringLiteral("85,5"), QStringLiteral("他说\"好\""),  QStringLiteral("两\n行"),
            QStringLiteral("\"\""), QStringLiteral(",,"),          QStringLiteral("普通"),
            QStringLiteral("=1+1"), QStringLiteral("@SUM(A1:A2)"), QStringLiteral("=cmd|' /C calc'!A0"),
            QStringLiteral("-"),    QStringLiteral("-12"),         QStringLiteral("\t=x"),
            QStringLiteral("\r=x"), QStringLiteral("'=1"),         QStringLiteral("''+a"),
            QStringLiteral("'普通")};
        QList<QStringList> rows;
        for (const QString &c : cells)
            rows << QStringList{c, QStringLiteral("x")};
        table::GradeTable t =
            makeTable(QStringLiteral("标题,带逗号"), {QStringLiteral("评语"), QStringLiteral("备注")}, rows);
        // Every exported record still has its columns.
        exchange::CsvParser parser(exchange::decodeCsvText(exchange::csvBytes(t, calc())));
        QStringList record;
        QVERIFY(parser.next(record));
        QCOMPARE(record, QStringList{QStringLiteral("标题,带逗号")});
        QVERIFY(parser.next(record));
        for (const QString &c : cells) {
            QVERIFY(parser.next(record));
            QCOMPARE(record.size(), 4);
            QCOMPARE(exchange::csvUnguarded(record.at(2)), c);
        }
        // The exported column imported back gives the same cells.
        QStringList column;
        for (const QString &c : cells)
            column << exchange::csvField(c);
        table::GradeTable back = classTable(int(cells.size()));
        QCOMPARE(exchange::importColumn(back, 2, base::codec::joinLines(column)), int(cells.size()));
        QCOMPARE(columnOf(back, 2), cells);
        // The whole exported file through the CSV converter: record k + 1 is student k.
        table::GradeTable converted;
        QVERIFY(exchange::csvToTable(exchange::csvBytes(t, calc()), converted).ok());
        QStringList convertedCells;
        for (qsizetype k = 1; k <= cells.size(); ++k)
            convertedCells << converted.grid.TextMatrix(int(k) + 1, 3);
        QCOMPARE(convertedCells, cells);
    }

    void records_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QStringList>>("records");
        QTest::newRow("crlf and lf, final end")
            << QByteArray("a,b\r\nc\nd\r\n") << QList<QStringList>{sl({"a", "b"}), sl({"c"}), sl({"d"})};
        QTest::newRow("unquoted lose spaces, quoted keep them")
            << QByteArray("  80 , \" 85 \" ,x") << QList<QStringList>{sl({"80", " 85 ", "x"})};
        QTest::newRow("quoted comma, quote and line break")
            << QByteArray("\"85,5\",\"a\"\"b\",\"1\r\n2\"\r\nz")
            << QList<QStringList>{sl({"85,5", "a\"b", "1\r\n2"}), sl({"z"})};
        QTest::newRow("empty line is one empty value")
            << QByteArray("a\r\n\r\nb") << QList<QStringList>{sl({"a"}), sl({""}), sl({"b"})};
        QTest::newRow("trailing comma") << QByteArray("a,") << QList<QStringList>{sl({"a", ""})};
        QTest::newRow("unclosed quote takes the rest") << QByteArray("\"a,b\nc") << QList<QStringList>{sl({"a,b\nc"})};
        QTest::newRow("nothing") << QByteArray() << QList<QStringList>{};
    }
    void records()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QStringList>, records);
        exchange::CsvParser parser(exchange::decodeCsvText(bytes));
        QList<QStringList> got;
        QStringList r;
        while (parser.next(r))
            got << r;
        QCOMPARE(got, records);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("GBK") << gbk("张三,李四");
        QTest::newRow("UTF-8") << QByteArray("张三,李四");
        QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF张三,李四");
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(exchange::csvValues(exchange::decodeCsvText(bytes)),
                 (QStringList{QStringLiteral("张三"), QStringLiteral("李四")}));
    }

    void columnImport_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("students");
        QTest::addColumn<int>("filled");
        QTest::addColumn<QStringList>("column");
        QTest::addColumn<int>("ignored");
        QByteArray fortyFive;
        QStringList forty;
        for (int i = 1; i <= 45; ++i) {
            fortyFive += QByteArray::number(i) + "\r\n";
            if (i <= 40)
                forty << QString::number(i);
        }
        QTest::newRow("45 values into 40 rows") << fortyFive << 40 << 40 << forty << 5;
        QTest::newRow("one line fills three rows")
            << QByteArray("80,85,90") << 5 << 3
            << QStringList{QStringLiteral("80"), QStringLiteral("85"), QStringLiteral("90"), QStringLiteral("64"),
                           QStringLiteral("65")}
            << 0;
        QTest::newRow("quoted comma is one value")
            << QByteArray("\"85,5\"\r\n70") << 2 << 2 << QStringList{QStringLiteral("85,5"), QStringLiteral("70")} << 0;
        QTest::newRow("a long line past the last row")
            << QByteArray("1,2\r\n3,4,5,6") << 2 << 2 << QStringList{QStringLiteral("1"), QStringLiteral("2")} << 4;
    }
    void columnImport()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, students);
        QFETCH(int, filled);
        QFETCH(QStringList, column);
        QFETCH(int, ignored);
        table::GradeTable t = classTable(students);
        qsizetype ignoredSeen = -1;
        QCOMPARE(exchange::importColumn(t, 2, file, &ignoredSeen), filled);
        QCOMPARE(ignoredSeen, qsizetype(ignored));
        QCOMPARE(columnOf(t, 2), column);
        QCOMPARE(columnOf(t, 1).first(), QStringLiteral("学生1"));
    }

    void menuImportAsksOpensAndIsUndoable()
    {
        table::GradeTable t = classTable(3);
        t.grid.setCurrent(1, 2);
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("in.csv")), "1,2,3\r\n4,5"));
        ScriptedPrompter p;
        p.expectQuestion(QStringLiteral("本操作将会覆盖第 2 列(语文)的所有数据，是否继续？"), ui::Answer::Yes,
                         QStringLiteral("提示"));
        p.expectOpenFile(path(QStringLiteral("in.csv")), QStringLiteral("*.txt;*.csv;*.xlsx;*.xls"));
        p.expectMessage(QStringLiteral("已导入 3 个数值，忽略 2 个。"), QStringLiteral("提示"));
        QVERIFY(exchange::menuImportCVS(t, p));
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown.at(1).title, QStringLiteral("打开以逗号分隔的文本文件，可以用Excel导出"));
        QCOMPARE(columnOf(t, 2), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
        QVERIFY(t.isModified());
        QVERIFY(t.undoEnabled());
        t.undo();
        QCOMPARE(columnOf(t, 2), (QStringList{QStringLiteral("61"), QStringLiteral("62"), QStringLiteral("63")}));
    }

    void menuImportDeclinedOrUnreadableChangesNothing_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("file");
        QTest::newRow("answered No") << false << QString();
        QTest::newRow("dialog cancelled") << true << QString();
        QTest::newRow("missing file") << true << QStringLiteral("missing.csv");
    }
    void menuImportDeclinedOrUnreadableChangesNothing()
    {
        QFETCH(bool, yes);
        QFETCH(QString, file);
        table::GradeTable t = classTable(3);
        t.grid.setCurrent(1, 1);
        ScriptedPrompter p;
        p.expectQuestion({}, yes ? ui::Answer::Yes : ui::Answer::No);
        if (yes)
            p.expectOpenFile(file.isEmpty() ? QString() : path(file));
        QVERIFY(!exchange::menuImportCVS(t, p));
        VERIFY_PROMPTS(p);
        QVERIFY(!t.isModified());
        QCOMPARE(columnOf(t, 1).first(), QStringLiteral("学生1"));
    }

    void saveShowsSuccessOrFailure()
    {
        table::GradeTable t = classTable(2);
        ScriptedPrompter p;
        p.expectSaveFile(path(QStringLiteral("out.csv")), QStringLiteral("*.csv"));
        p.expectMessage(QStringLiteral("文件保存成功！您可以使用Excel作为以逗号为分割符的文本文件打开。"));
        QVERIFY(exchange::menuSaveCVS(t, m_ws, p));
        VERIFY_PROMPTS(p);
        QByteArray written;
        QVERIFY(base::codec::readBytes(path(QStringLiteral("out.csv")), &written));
        QCOMPARE(written, exchange::csvBytes(t, calc()));

        // A failing write keeps the old file and says so.
        table::GradeTable other = classTable(5);
        base::failWritesAfterForTesting(10);
        p.expectMessage(QStringLiteral("文件保存失败！请检查保存介质是否可写！"), QStringLiteral("错误"));
        const bool ok = exchange::writeCsvFile(other, path(QStringLiteral("out.csv")), calc(), p);
        base::failWritesAfterForTesting(-1);
        QVERIFY(!ok);
        VERIFY_PROMPTS(p);
        QByteArray after;
        QVERIFY(base::codec::readBytes(path(QStringLiteral("out.csv")), &after));
        QCOMPARE(after, written);
    }
};

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
