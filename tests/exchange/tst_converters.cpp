// The converters: DBF tables written by an independent tool (python3-dbf), damaged DBF files,
// hand-made DBF records for the value forms, CSV files into tables, saving a converted table,
// and the trial-format conversion in place.
#include "core/base/archive.h"
#include "core/base/file_writer.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/exchange/converters.h"
#include "core/exchange/dbf_reader.h"
#include "core/table/table_file.h"
#include "make_table.h"
#include "scripted_prompter.h"
#include "test_config.h"
#include "test_support.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kDbfMessage = QStringLiteral("数据库读取发生错误。错误代码：");

// A dBase III table without memo: fields (name, type, length, decimals) and raw records, the
// first byte of each being its deletion flag.
struct RawField {
    QByteArray name;
    char type;
    int length;
    int decimals;
};
QByteArray rawDbf(const QList<RawField> &fields, const QList<QByteArray> &records, uchar codePage = 0x7A)
{
    int recordLength = 1;
    for (const RawField &f : fields)
        recordLength += f.length;
    const int headerLength = 32 + 32 * int(fields.size()) + 1;
    QByteArray d(32, '\0');
    d[0] = 0x03;
    d[1] = 124;
    d[2] = 1;
    d[3] = 1;
    const quint32 n = quint32(records.size());
    for (int i = 0; i < 4; ++i)
        d[4 + i] = char(n >> (8 * i));
    d[8] = char(headerLength & 0xFF);
    d[9] = char(headerLength >> 8);
    d[10] = char(recordLength & 0xFF);
    d[11] = char(recordLength >> 8);
    d[29] = char(codePage);
    for (const RawField &f : fields) {
        QByteArray desc(32, '\0');
        desc.replace(0, f.name.size(), f.name);
        desc[11] = f.type;
        desc[16] = char(f.length);
        desc[17] = char(f.decimals);
        d += desc;
    }
    d += '\x0D';
    for (const QByteArray &r : records)
        d += r;
    d += '\x1A';
    return d;
}

QByteArray padded(const QByteArray &v, int length, bool right = true)
{
    QByteArray p(length - v.size(), ' ');
    return right ? v + p : p + v;
}

} // namespace

class TestConverters : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    base::Workspace m_ws{m_dir.path()};
    QString m_python;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    void makeDbfFiles()
    {
        const ProcessResult r =
            runProcess(m_python, {QStringLiteral(SCORVANE_TEST_DATA "/exchange/make_dbf.py"), m_dir.path()});
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QByteArray readFile(const QString &name)
    {
        QByteArray b;
        base::codec::readBytes(path(name), &b);
        return b;
    }

private slots:
    void initTestCase()
    {
        m_ws.tablePassword = QStringLiteral("pw");
        // Debian's interpreter, where python3-dbf is installed.
        m_python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
        QVERIFY2(!m_python.isEmpty(), "python3 is missing (scripts/deps.sh installs python3-dbf)");
        QVERIFY2(runProcess(m_python, {QStringLiteral("-c"), QStringLiteral("import dbf")}).exitCode == 0,
                 "python3-dbf is missing (scripts/deps.sh installs it)");
        makeDbfFiles();
    }

    void dbfFromAnotherProgram_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("FoxPro 2.x with .fpt") << QStringLiteral("成绩_fp.dbf");
        QTest::newRow("dBase III with .dbt") << QStringLiteral("成绩_db3.dbf");
        QTest::newRow("Visual FoxPro") << QStringLiteral("成绩_vfp.dbf");
    }
    void dbfFromAnotherProgram()
    {
        QFETCH(QString, file);
        table::GradeTable t;
        QVERIFY(exchange::dbfFileToTable(path(file), t).ok());
        const table::Grid &g = t.grid;
        QCOMPARE(g.Rows(), 4); // the deleted record is skipped
        QCOMPARE(g.Cols(), 7);
        auto row = [&](int r) {
            QStringList cells;
            for (int c = 0; c < g.Cols(); ++c)
                cells << g.TextMatrix(r, c);
            return cells;
        };
        QCOMPARE(row(0), (QStringList{QString(), QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学"),
                                      QStringLiteral("生日"), QStringLiteral("团员"), QStringLiteral("评语")}));
        QCOMPARE(row(1), (QStringList{QStringLiteral("1"), QStringLiteral("张三"), QStringLiteral("80"),
                                      QStringLiteral("90.5"), QStringLiteral("2008-03-05"), QStringLiteral("是"),
                                      QStringLiteral("品学兼优，\n继续努力")}));
        QCOMPARE(row(2), (QStringList{QStringLiteral("2"), QStringLiteral("李四"), QString(), QStringLiteral("100"),
                                      QString(), QStringLiteral("否"), QString()}));
        QCOMPARE(row(3).mid(0, 6), (QStringList{QStringLiteral("3"), QStringLiteral("王五"), QStringLiteral("65.5"),
                                                QStringLiteral("0.25"), QStringLiteral("2007-12-31"), QString()}));
        QCOMPARE(g.TextMatrix(3, 6), QString(600, QLatin1Char('x')));
    }

    void damagedDbfGivesTheMessage_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("cause"); // the words after the number
        QTest::newRow("truncated records")
            << QStringLiteral("truncate") << 5 << QStringLiteral("文件不完整，记录少于文件头所记");
        QTest::newRow("cut inside the header") << QStringLiteral("header") << 3 << QStringLiteral("文件头已损坏");
        QTest::newRow("garbage") << QStringLiteral("garbage") << 2 << QStringLiteral("不是 DBF 数据库文件");
        QTest::newRow("garbage behind a good version byte") << QStringLiteral("garbage3") << -1 << QString();
        QTest::newRow("text file") << QStringLiteral("text") << 2 << QStringLiteral("不是 DBF 数据库文件");
        QTest::newRow("memo file missing")
            << QStringLiteral("nomemo") << 7 << QStringLiteral("找不到备注文件（.fpt 或 .dbt）");
        QTest::newRow("memo file truncated")
            << QStringLiteral("shortmemo") << 9 << QStringLiteral("备注指向备注文件以外");
        QTest::newRow("memo file header only") << QStringLiteral("tinymemo") << 8 << QStringLiteral("备注文件已损坏");
        QTest::newRow("record count huge")
            << QStringLiteral("count") << 5 << QStringLiteral("文件不完整，记录少于文件头所记");
        QTest::newRow("bad deletion flag") << QStringLiteral("flag") << 6 << QStringLiteral("记录已损坏");
        QTest::newRow("empty file") << QStringLiteral("empty") << 2 << QStringLiteral("不是 DBF 数据库文件");
    }
    void damagedDbfGivesTheMessage()
    {
        QFETCH(QString, damage);
        QFETCH(int, code);
        QFETCH(QString, cause);
        QByteArray dbf = readFile(QStringLiteral("成绩_fp.dbf"));
        QByteArray memo = readFile(QStringLiteral("成绩_fp.fpt"));
        QVERIFY(!dbf.isEmpty() && !memo.isEmpty());
        const int headerLength = uchar(dbf[8]) | uchar(dbf[9]) << 8;
        bool keepMemo = true;
        if (damage == QLatin1String("truncate"))
            dbf.chop(40);
        else if (damage == QLatin1String("header"))
            dbf.truncate(200);
        else if (damage == QLatin1String("garbage")) {
            QRandomGenerator rng(7);
            for (char &c : dbf)
                c = char(rng.bounded(256));
            dbf[0] = '\x11';
        } else if (damage == QLatin1String("garbage3")) {
            QRandomGenerator rng(11);
            for (char &c : dbf)
                c = char(rng.bounded(256));
            dbf[0] = '\x03';
        } else if (damage == QLatin1String("text"))
            dbf = "姓名,语文\r\n张三,80\r\n" + QByteArray(100, 'x');
        else if (damage == QLatin1String("nomemo"))
            keepMemo = false;
        else if (damage == QLatin1String("shortmemo"))
            memo.truncate(600);
        else if (damage == QLatin1String("tinymemo"))
            memo.truncate(100);
        else if (damage == QLatin1String("count"))
            dbf[7] = '\x7F';
        else if (damage == QLatin1String("flag"))
            dbf[headerLength] = 'Q';
        else if (damage == QLatin1String("empty"))
            dbf.clear();
        writeFile(QStringLiteral("坏.dbf"), dbf);
        QFile::remove(path(QStringLiteral("坏.fpt")));
        if (keepMemo)
            writeFile(QStringLiteral("坏.fpt"), memo);

        table::GradeTable t;
        const exchange::Conversion result = exchange::dbfFileToTable(path(QStringLiteral("坏.dbf")), t);
        QCOMPARE(result.status, exchange::Conversion::DbfFailed);
        if (code < 0) {
            code = result.dbfError;
            cause = exchange::dbfErrorText(exchange::DbfError(code));
        }
        QCOMPARE(result.dbfError, code);
        QVERIFY(code > 0);
        QVERIFY(!cause.isEmpty());
        ScriptedPrompter p;
        p.expectMessage(kDbfMessage + QLatin1Char('\n') + QString::number(code) + QStringLiteral("（") + cause +
                            QStringLiteral("）"),
                        QStringLiteral("错误"));
        exchange::reportConversion(p, result);
        VERIFY_PROMPTS(p);
    }

    void recordsSharingAMemoBlock_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("refused");
        // A 16 MiB memo: sixteen copies are all a table may hold, the seventeenth is refused.
        QTest::newRow("3 records") << 3 << false;
        QTest::newRow("16 records") << 16 << false;
        QTest::newRow("17 records") << 17 << true;
        QTest::newRow("120 records in 1.4 KB") << 120 << true;
    }
    void recordsSharingAMemoBlock()
    {
        QFETCH(int, records);
        QFETCH(bool, refused);
        const QList<QByteArray> all(records, " " + padded("1", 10, false));
        const QByteArray dbf = rawDbf({{"M", 'M', 10, 0}}, all);
        writeFile(QStringLiteral("shared.dbf"), dbf);
        QByteArray memo(512, '\0');
        memo += QByteArray((16 << 20) - 512 - 2, 'x') + "\x1A\x1A";
        writeFile(QStringLiteral("shared.dbt"), memo);
        exchange::DbfTable table;
        const exchange::DbfError e = exchange::readDbf(path(QStringLiteral("shared.dbf")), table, 32766);
        if (refused) {
            QCOMPARE(e, exchange::DbfError::MemoTooLarge);
            table::GradeTable t;
            const exchange::Conversion result = exchange::dbfFileToTable(path(QStringLiteral("shared.dbf")), t);
            ScriptedPrompter p;
            p.expectMessage(kDbfMessage + QStringLiteral("\n10（备注内容过大）"), QStringLiteral("错误"));
            exchange::reportConversion(p, result);
            VERIFY_PROMPTS(p);
            return;
        }
        QCOMPARE(e, exchange::DbfError::None);
        QCOMPARE(table.records.size(), records);
        for (const QStringList &r : std::as_const(table.records)) {
            QCOMPARE(r.first().size(), memo.size() - 512 - 2);
            // One decoded text, shared by every record that points at the block.
            QVERIFY(r.first().isSharedWith(table.records.first().first()));
        }
    }

    void everyCutOfADbfIsSafe()
    {
        const QByteArray dbf = readFile(QStringLiteral("成绩_db3.dbf"));
        writeFile(QStringLiteral("cut.dbt"), readFile(QStringLiteral("成绩_db3.dbt")));
        // Up to the last record's end (the final byte is the end-of-file mark).
        for (qsizetype n = 0; n < dbf.size() - 1; n += 7) {
            writeFile(QStringLiteral("cut.dbf"), dbf.first(n));
            exchange::DbfTable table;
            QVERIFY(exchange::readDbf(path(QStringLiteral("cut.dbf")), table, 100) != exchange::DbfError::None);
        }
    }

    void dbfValueForms_data()
    {
        QTest::addColumn<char>("type");
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("text");
        QTest::newRow("character keeps leading blanks") << 'C' << QByteArray("  张三    ") << QStringLiteral("  张三");
        QTest::newRow("numeric 80.0") << 'N' << padded("80.0", 10, false) << QStringLiteral("80");
        QTest::newRow("numeric 90.50") << 'N' << padded("90.50", 10, false) << QStringLiteral("90.5");
        QTest::newRow("numeric blank") << 'N' << QByteArray(10, ' ') << QString();
        QTest::newRow("numeric .5") << 'N' << padded(".5", 10, false) << QStringLiteral("0.5");
        QTest::newRow("numeric -3.00") << 'N' << padded("-3.00", 10, false) << QStringLiteral("-3");
        QTest::newRow("numeric 120") << 'N' << padded("120", 10, false) << QStringLiteral("120");
        QTest::newRow("numeric overflow") << 'N' << padded("*****", 10, false) << QStringLiteral("*****");
        QTest::newRow("float 1.250") << 'F' << padded("1.250", 10, false) << QStringLiteral("1.25");
        QTest::newRow("date") << 'D' << QByteArray("20240901") << QStringLiteral("2024-09-01");
        QTest::newRow("date blank") << 'D' << QByteArray(8, ' ') << QString();
        QTest::newRow("logical T") << 'L' << QByteArray("T") << QStringLiteral("是");
        QTest::newRow("logical y") << 'L' << QByteArray("y") << QStringLiteral("是");
        QTest::newRow("logical N") << 'L' << QByteArray("N") << QStringLiteral("否");
        QTest::newRow("logical unknown") << 'L' << QByteArray("?") << QString();
    }
    void dbfValueForms()
    {
        QFETCH(char, type);
        QFETCH(QByteArray, raw);
        QFETCH(QString, text);
        const QByteArray bytes = base::codec::encode(QString::fromUtf8(raw));
        const QByteArray dbf = rawDbf({{"V", type, int(bytes.size()), type == 'N' ? 2 : 0}}, {" " + bytes});
        writeFile(QStringLiteral("v.dbf"), dbf);
        exchange::DbfTable table;
        QCOMPARE(exchange::readDbf(path(QStringLiteral("v.dbf")), table, 10), exchange::DbfError::None);
        QCOMPARE(table.records.size(), 1);
        QCOMPARE(table.records.at(0).at(0), text);
    }

    void dbfRecordLimit()
    {
        QList<QByteArray> records(40000, QByteArray(" 1"));
        writeFile(QStringLiteral("big.dbf"), rawDbf({{"N", 'C', 1, 0}}, records));
        table::GradeTable t;
        const exchange::Conversion result = exchange::dbfFileToTable(path(QStringLiteral("big.dbf")), t);
        QCOMPARE(result.status, exchange::Conversion::TooLarge);
        QCOMPARE(t.grid.Rows(), table::Grid::kMaxCount);
        ScriptedPrompter p;
        p.expectMessage(QStringLiteral("文件格式不正确!"));
        exchange::reportConversion(p, result);
        VERIFY_PROMPTS(p);
    }

    void csvIntoTable_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QStringList>("cells"); // row by row, without column 0
        QTest::newRow("wider second line")
            << QByteArray("a,b\r\n1,2,3\r\n") << 2 << 4
            << QStringList{QStringLiteral("a"), QStringLiteral("b"), QString(),
                           QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
        QTest::newRow("quoted comma fills one cell")
            << QByteArray("x\r\n\"85,5\"") << 2 << 2 << QStringList{QStringLiteral("x"), QStringLiteral("85,5")};
        QTest::newRow("bar in a header name") << QByteArray("语文|上,数学\r\n1,2") << 2 << 3
                                              << QStringList{QStringLiteral("语文｜上"), QStringLiteral("数学"),
                                                             QStringLiteral("1"), QStringLiteral("2")};
        QTest::newRow("empty file") << QByteArray() << 1 << 1 << QStringList{};
    }
    void csvIntoTable()
    {
        QFETCH(QByteArray, csv);
        QFETCH(int, rows);
        QFETCH(int, cols);
        QFETCH(QStringList, cells);
        table::GradeTable t;
        QVERIFY(exchange::csvToTable(csv, t).ok());
        const table::Grid &g = t.grid;
        QCOMPARE(g.Rows(), rows);
        QCOMPARE(g.Cols(), cols);
        QStringList got;
        for (int r = 0; r < rows; ++r) {
            QCOMPARE(g.TextMatrix(r, 0), r == 0 ? QString() : QString::number(r));
            for (int c = 1; c < cols; ++c)
                got << g.TextMatrix(r, c);
        }
        QCOMPARE(got, cells);
    }

    void csvBeyondTheLimitsIsCut()
    {
        QByteArray wide(40000, ',');
        table::GradeTable t;
        QCOMPARE(exchange::csvToTable(wide, t).status, exchange::Conversion::TooLarge);
        QCOMPARE(t.grid.Cols(), table::Grid::kMaxCount);
        // A wide first line over many empty lines would need a billion cells: cut, not allocated.
        const QByteArray tall = QByteArray(32000, ',') + QByteArray(30000, '\n');
        QCOMPARE(exchange::csvToTable(tall, t).status, exchange::Conversion::TooLarge);
        QVERIFY(qint64(t.grid.Rows()) * t.grid.Cols() <= exchange::kMaxConvertedCells);
    }

    void savingAConvertedTable()
    {
        table::GradeTable converted;
        QVERIFY(exchange::csvToTable("姓名,语文\r\n张三,80\r\n", converted).ok());
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        const QString target = path(QStringLiteral("新表.gdt"));
        QVERIFY(exchange::saveConverted(files, converted, QStringLiteral("期末"), QStringLiteral("王"),
                                        QStringLiteral("初一(2)班"), target));
        // Saving again asks before replacing; No keeps the file.
        p.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::No, QStringLiteral("提示："));
        QVERIFY(!exchange::saveConverted(files, converted, QStringLiteral("别的"), {}, {}, target));
        VERIFY_PROMPTS(p);
        table::GradeTable loaded;
        QVERIFY(files.readTableFile(target, loaded));
        QCOMPARE(loaded.title, QStringLiteral("期末"));
        QCOMPARE(loaded.teacher, QStringLiteral("王"));
        QCOMPARE(loaded.classInfo, QStringLiteral("初一(2)班"));
        QCOMPARE(loaded.numberFormat, QStringLiteral("###.##"));
        QCOMPARE(loaded.grid.TextMatrix(1, 1), QStringLiteral("张三"));
    }

    void trialFileConvertedTwice()
    {
        const table::GradeTable t = classTable(3);
        const QByteArray member = table::memberBytes(t);
        writeFile(QStringLiteral("a.gdt"), member);
        const QString a = path(QStringLiteral("a.gdt"));
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        p.expectMessage(QStringLiteral("转换完成。"));
        QCOMPARE(exchange::convertTrialFiles({a}, true, files, m_ws.tablePassword, p), 0);
        QCOMPARE(readFile(QStringLiteral("a.gdt.bak")), member);
        QCOMPARE(base::archive::unpack(a, QStringLiteral("data.file"), m_ws.tablePassword).bytes, member);
        // The second run finds an archive, not a trial file, and leaves it.
        const QByteArray packed = readFile(QStringLiteral("a.gdt"));
        p.expectMessage(QStringLiteral("数据文件：") + a +
                        QStringLiteral(" 不是有效的试用版数据格式，可能已经是新版本的数据文件。"));
        p.expectMessage(QStringLiteral("转换完成。"));
        QCOMPARE(exchange::convertTrialFiles({a}, false, files, m_ws.tablePassword, p), 1);
        VERIFY_PROMPTS(p);
        QCOMPARE(readFile(QStringLiteral("a.gdt")), packed);
    }

    void trialFileWithBadCountsIsNotPacked()
    {
        const QByteArray bad = base::codec::joinLines({table::kMagicLine,
                                                       QStringLiteral("t"),
                                                       QStringLiteral("99999"),
                                                       QStringLiteral("3"),
                                                       {},
                                                       {},
                                                       QStringLiteral("###.##")});
        writeFile(QStringLiteral("b.gdt"), bad);
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        p.expectMessage(QStringLiteral("数据文件：") + path(QStringLiteral("b.gdt")) +
                        QStringLiteral(" 文件格式不正确!"));
        QCOMPARE(exchange::convertTrialFile(path(QStringLiteral("b.gdt")), false, files, m_ws.tablePassword, p),
                 exchange::TrialResult::BadFormat);
        VERIFY_PROMPTS(p);
        QCOMPARE(readFile(QStringLiteral("b.gdt")), bad);
    }

    void failedPackKeepsTheOriginal()
    {
        const QByteArray member = table::memberBytes(classTable(50));
        writeFile(QStringLiteral("c.gdt"), member);
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        p.expectMessage(QStringLiteral("文件保存失败！请检查保存介质是否可写！"), QStringLiteral("错误"));
        base::failWritesAfterForTesting(64);
        const exchange::TrialResult r =
            exchange::convertTrialFile(path(QStringLiteral("c.gdt")), false, files, m_ws.tablePassword, p);
        base::failWritesAfterForTesting(-1);
        QCOMPARE(r, exchange::TrialResult::PackFailed);
        VERIFY_PROMPTS(p);
        QCOMPARE(readFile(QStringLiteral("c.gdt")), member);
    }

    void failedBackupSkipsTheFile()
    {
        const QByteArray member = table::memberBytes(classTable(2));
        writeFile(QStringLiteral("d.gdt"), member);
        QDir().mkdir(path(QStringLiteral("d.gdt.bak"))); // a folder where the backup would go
        ScriptedPrompter p;
        table::TableFile files(m_ws, p);
        p.expectMessage(QStringLiteral("备份文件写入失败：") + path(QStringLiteral("d.gdt.bak")));
        QCOMPARE(exchange::convertTrialFile(path(QStringLiteral("d.gdt")), true, files, m_ws.tablePassword, p),
                 exchange::TrialResult::BackupFailed);
        VERIFY_PROMPTS(p);
        QCOMPARE(readFile(QStringLiteral("d.gdt")), member);
    }
};

QTEST_GUILESS_MAIN(TestConverters)
#include "tst_converters.moc"
