// The exchange commands of scorvane-cli from outside: outputs, exit statuses, messages, and that
// a refused command writes nothing.
#include "../exchange/make_table.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "scripted_prompter.h"
#include "test_config.h"
#include "test_support.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
const QString kPassword = QStringLiteral("T@pw");
}

class ExchangeCliTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString path(const QString &name) const { return m_tmp->filePath(name); }

    ProcessResult cli(const QStringList &args, bool yes = false)
    {
        QStringList all{QStringLiteral("--dir"), m_tmp->path(), QStringLiteral("--table-password"), kPassword};
        if (yes)
            all << QStringLiteral("--yes");
        return runProcess(cliPath(), all + args);
    }
    void save(const table::GradeTable &t, const QString &name)
    {
        base::Workspace ws(m_tmp->path());
        ScriptedPrompter quiet;
        table::TableFile files(ws, quiet);
        QVERIFY(files.writeTableFile(t, path(name), kPassword));
    }
    table::GradeTable load(const QString &name)
    {
        base::Workspace ws(m_tmp->path());
        ws.tablePassword = kPassword;
        ScriptedPrompter quiet;
        table::TableFile files(ws, quiet);
        table::GradeTable t;
        if (!files.readTableFile(path(name), t))
            t.title = QStringLiteral("<unreadable>");
        return t;
    }
    QByteArray bytesOf(const QString &name)
    {
        QByteArray b;
        base::codec::readBytes(path(name), &b);
        return b;
    }
    static QString err(const ProcessResult &r) { return QString::fromUtf8(r.err).trimmed(); }

private slots:
    void init()
    {
        if (cliPath().isEmpty())
            QSKIP("scorvane-cli not available");
        m_tmp = std::make_unique<QTemporaryDir>();
        save(makeTable(QStringLiteral("期中"), {QStringLiteral("语文"), QStringLiteral("数学")},
                       {{QStringLiteral("80"), QStringLiteral("！公式：cell(?,1)+10")}}),
             QStringLiteral("t.gdt"));
    }

    void exportCsvWritesTheExample()
    {
        const ProcessResult r =
            cli({QStringLiteral("export-csv"), path(QStringLiteral("t.gdt")), path(QStringLiteral("o.csv"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(bytesOf(QStringLiteral("o.csv")),
                 base::codec::encode(QStringLiteral("期中\r\n,  ,语文,数学\r\n,1,80,90\r\n\r\n")));
        QCOMPARE(err(r), QStringLiteral("文件保存成功！您可以使用Excel作为以逗号为分割符的文本文件打开。"));
    }

    void malformedAndFailingCommands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString t = QStringLiteral("t.gdt");
        QTest::newRow("export-csv missing operand") << QStringList{QStringLiteral("export-csv"), t} << 2 << QString();
        QTest::newRow("import-column unknown option")
            << QStringList{QStringLiteral("import-column"), t, QStringLiteral("1"), QStringLiteral("in.csv"),
                           QStringLiteral("--bad")}
            << 2 << QString();
        QTest::newRow("import-column unknown field")
            << QStringList{QStringLiteral("import-column"), t, QStringLiteral("英语"), QStringLiteral("in.csv")} << 1
            << QStringLiteral("找不到字段：英语");
        QTest::newRow("fill-column --match short") << QStringList{QStringLiteral("fill-column"),
                                                                  t,
                                                                  QStringLiteral("1"),
                                                                  t,
                                                                  QStringLiteral("1"),
                                                                  QStringLiteral("--match"),
                                                                  QStringLiteral("1")}
                                                   << 2 << QString();
        QTest::newRow("export-part without --fields")
            << QStringList{QStringLiteral("export-part"), t, QStringLiteral("p.gdt")} << 2 << QString();
        QTest::newRow("export-part no field") << QStringList{QStringLiteral("export-part"), t, QStringLiteral("p.gdt"),
                                                             QStringLiteral("--fields"), QString()}
                                              << 1 << QStringLiteral("请至少选择一个要导出的项目！");
        QTest::newRow("export-part onto itself")
            << QStringList{QStringLiteral("export-part"), t, t, QStringLiteral("--fields"), QStringLiteral("1")} << 1
            << QStringLiteral("该文件正在使用中，请选择其他文件名。");
        QTest::newRow("export-part rows out of range")
            << QStringList{QStringLiteral("export-part"), t,
                           QStringLiteral("p.gdt"),       QStringLiteral("--fields"),
                           QStringLiteral("语文"),        QStringLiteral("--rows"),
                           QStringLiteral("1-2")}
            << 1 << QStringLiteral("参数超出范围：2");
        QTest::newRow("convert-trial nothing")
            << QStringList{QStringLiteral("convert-trial"), QStringLiteral("--backup")} << 2 << QString();
        QTest::newRow("convert-dbf not a table")
            << QStringList{QStringLiteral("convert-dbf"), t, QStringLiteral("d.gdt")} << 1
            << QStringLiteral("数据库读取发生错误。错误代码：\n2（不是 DBF 数据库文件）");
    }
    void malformedAndFailingCommands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("in.csv")), "1,2"));
        for (QString &a : args)
            if (a.endsWith(QLatin1String(".gdt")) || a.endsWith(QLatin1String(".csv")))
                a = path(a);
        const QByteArray before = bytesOf(QStringLiteral("t.gdt"));
        const ProcessResult r = cli(args, true);
        QCOMPARE(r.exitCode, exitCode);
        if (!message.isEmpty())
            QCOMPARE(err(r), message);
        QCOMPARE(bytesOf(QStringLiteral("t.gdt")), before);
        QVERIFY(!QFile::exists(path(QStringLiteral("p.gdt"))));
        QVERIFY(!QFile::exists(path(QStringLiteral("d.gdt"))));
    }

    void importColumnPrintsTheCountAndAsksBeforeWriting()
    {
        save(classTable(5), QStringLiteral("c.gdt"));
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("in.csv")), "\xEF\xBB\xBF张三,\"85,5\"\r\n90\r\n"));
        const QStringList args{QStringLiteral("import-column"), path(QStringLiteral("c.gdt")), QStringLiteral("姓名"),
                               path(QStringLiteral("in.csv"))};
        const QByteArray before = bytesOf(QStringLiteral("c.gdt"));
        ProcessResult r = cli(args);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(bytesOf(QStringLiteral("c.gdt")), before);
        r = cli(args, true);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("3\n"));
        QCOMPARE(columnOf(load(QStringLiteral("c.gdt")), 1),
                 (QStringList{QStringLiteral("张三"), QStringLiteral("85,5"), QStringLiteral("90"),
                              QStringLiteral("学生4"), QStringLiteral("学生5")}));
    }

    void importTableAndFillColumn()
    {
        save(classTable(3), QStringLiteral("a.gdt"));
        save(makeTable(QStringLiteral("源"), {QStringLiteral("姓名"), QStringLiteral("语文")},
                       {{QStringLiteral("学生3"), QStringLiteral("99")},
                        {QStringLiteral("学生1"), QStringLiteral("11")},
                        {QStringLiteral("学生3"), QStringLiteral("33")}}),
             QStringLiteral("b.gdt"));
        ProcessResult r =
            cli({QStringLiteral("fill-column"), path(QStringLiteral("a.gdt")), QStringLiteral("2"),
                 path(QStringLiteral("b.gdt")), QStringLiteral("语文"), QStringLiteral("--match"),
                 QStringLiteral("姓名"), QStringLiteral("1"), QStringLiteral("--out"), path(QStringLiteral("m.gdt"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(columnOf(load(QStringLiteral("m.gdt")), 2),
                 (QStringList{QStringLiteral("11"), QStringLiteral("62"), QStringLiteral("99")}));
        r = cli({QStringLiteral("import-table"), path(QStringLiteral("a.gdt")), path(QStringLiteral("b.gdt")),
                 QStringLiteral("--out"), path(QStringLiteral("all.gdt"))});
        QCOMPARE(r.exitCode, 0);
        const table::GradeTable all = load(QStringLiteral("all.gdt"));
        QCOMPARE(all.grid.Rows(), 7);
        QCOMPARE(all.grid.TextMatrix(4, 2), QStringLiteral("99"));
        QCOMPARE(all.grid.TextMatrix(6, 0), QStringLiteral("6"));
    }

    void exportPartHeaderOnly()
    {
        const ProcessResult r =
            cli({QStringLiteral("export-part"), path(QStringLiteral("t.gdt")), path(QStringLiteral("p.gdt")),
                 QStringLiteral("--fields"), QStringLiteral("数学"), QStringLiteral("--rows"), QString()});
        QCOMPARE(r.exitCode, 0);
        const table::GradeTable p = load(QStringLiteral("p.gdt"));
        QCOMPARE(p.title, QStringLiteral("期中 导出表"));
        QCOMPARE(p.grid.Rows(), 1);
        QCOMPARE(p.grid.Cols(), 2);
        QCOMPARE(p.grid.TextMatrix(0, 1), QStringLiteral("数学"));
    }

    void convertCsvWithOptions()
    {
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("x.csv")),
                                        base::codec::encode(QStringLiteral("姓名,语文\r\n张三,80\r\n"))));
        const ProcessResult r = cli({QStringLiteral("convert-csv"), path(QStringLiteral("x.csv")),
                                     path(QStringLiteral("x.gdt")), QStringLiteral("--title"), QStringLiteral("期末"),
                                     QStringLiteral("--class-info"), QStringLiteral("初一")});
        QCOMPARE(r.exitCode, 0);
        const table::GradeTable x = load(QStringLiteral("x.gdt"));
        QCOMPARE(x.title, QStringLiteral("期末"));
        QCOMPARE(x.teacher, QString());
        QCOMPARE(x.classInfo, QStringLiteral("初一"));
        QCOMPARE(x.grid.TextMatrix(1, 2), QStringLiteral("80"));
    }

    void convertTrialReportsEachFile()
    {
        save(classTable(1), QStringLiteral("packed.gdt"));
        const QByteArray member = table::memberBytes(classTable(2));
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("trial.gdt")), member));
        const QByteArray packed = bytesOf(QStringLiteral("packed.gdt"));
        const ProcessResult r = cli({QStringLiteral("convert-trial"), QStringLiteral("--backup"),
                                     path(QStringLiteral("trial.gdt")), path(QStringLiteral("packed.gdt"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(err(r), QStringLiteral("数据文件：") + path(QStringLiteral("packed.gdt")) +
                             QStringLiteral(" 不是有效的试用版数据格式，可能已经是新版本的数据文件。\n转换完成。"));
        QCOMPARE(bytesOf(QStringLiteral("packed.gdt")), packed);
        QCOMPARE(bytesOf(QStringLiteral("trial.gdt.bak")), member);
        QCOMPARE(load(QStringLiteral("trial.gdt")).grid.Rows(), 3);
        QVERIFY(!QFile::exists(path(QStringLiteral("data.file"))));
    }

    // Our workbook as two other programs read it: openpyxl (types, values, the sheet's name, the
    // frozen and bold header, title and author) and gnumeric's ssconvert (the values as CSV).
    void exportXlsxReadByOtherPrograms()
    {
        const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
        if (ssconvert.isEmpty() || !QFile::exists(QStringLiteral("/usr/bin/python3")))
            QSKIP("needs /usr/bin/python3 with openpyxl and ssconvert (scripts/deps.sh installs them)");
        table::GradeTable t = makeTable(
            QStringLiteral("期中[1]"),
            {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("总分")},
            {{QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("80"),
              QStringLiteral("！公式：cell(?,3)+10.5")},
             {QStringLiteral("80.0"), QStringLiteral("李,四"), QStringLiteral("-3"), QStringLiteral("缺考")}});
        t.teacher = QStringLiteral("王老师");
        save(t, QStringLiteral("w.gdt"));
        const ProcessResult r =
            cli({QStringLiteral("export-xlsx"), path(QStringLiteral("w.gdt")), path(QStringLiteral("w.xlsx"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(err(r), QStringLiteral("文件保存成功！您可以使用Excel打开该工作簿。"));

        const QString script = QStringLiteral(
            "import sys, openpyxl\n"
            "wb = openpyxl.load_workbook(sys.argv[1]); ws = wb.active\n"
            "print(wb.sheetnames, ws.freeze_panes, wb.properties.title, wb.properties.creator)\n"
            "for row in ws.iter_rows():\n"
            "    print(' '.join('%s:%s:%s%s' % (c.coordinate, c.data_type, c.value, '!' if c.font.b else '')\n"
            "                   for c in row if c.value is not None))\n");
        const ProcessResult py = runProcess(QStringLiteral("/usr/bin/python3"),
                                            {QStringLiteral("-c"), script, path(QStringLiteral("w.xlsx"))});
        QVERIFY2(py.exitCode == 0, py.err.constData());
        QCOMPARE(QString::fromUtf8(py.out).split(u'\n', Qt::SkipEmptyParts),
                 (QStringList{QStringLiteral("['期中_1_'] A2 期中[1] 王老师"),
                              QStringLiteral("B1:s:学号! C1:s:姓名! D1:s:语文! E1:s:总分!"),
                              QStringLiteral("A2:n:1 B2:s:001 C2:s:张三 D2:n:80 E2:n:90.5"),
                              QStringLiteral("A3:n:2 B3:s:80.0 C3:s:李,四 D3:n:-3 E3:s:缺考")}));

        const ProcessResult gn = runProcess(ssconvert, {QStringLiteral("--export-type=Gnumeric_stf:stf_csv"),
                                                        path(QStringLiteral("w.xlsx")), path(QStringLiteral("w.csv"))});
        QVERIFY2(gn.exitCode == 0, gn.err.constData());
        QCOMPARE(QString::fromUtf8(bytesOf(QStringLiteral("w.csv"))).split(u'\n', Qt::SkipEmptyParts),
                 (QStringList{QStringLiteral(",学号,姓名,语文,总分"), QStringLiteral("1,001,张三,80,90.5"),
                              QStringLiteral("2,80.0,\"李,四\",-3,缺考")}));
        // Asked before replacing, and kept when not told yes.
        const QByteArray written = bytesOf(QStringLiteral("w.xlsx"));
        const ProcessResult again =
            cli({QStringLiteral("export-xlsx"), path(QStringLiteral("t.gdt")), path(QStringLiteral("w.xlsx"))});
        QCOMPARE(again.exitCode, 1);
        QCOMPARE(err(again), QStringLiteral("确实覆盖原有数据么？ -> No"));
        QCOMPARE(bytesOf(QStringLiteral("w.xlsx")), written);
    }

    void convertXlsxChoosesTheSheet_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("result"); // the first field name, or the message
        const QString xlsx = QStringLiteral("sheets.xlsx"), xls = QStringLiteral("gnumeric.xls");
        QTest::newRow("first by default") << xlsx << QStringList() << 0 << QStringLiteral("学号");
        QTest::newRow("by number") << xlsx << QStringList{QStringLiteral("--sheet"), QStringLiteral("2")} << 0
                                   << QStringLiteral("名单");
        QTest::newRow("by name") << xlsx << QStringList{QStringLiteral("--sheet"), QStringLiteral("第二页")} << 0
                                 << QStringLiteral("名单");
        QTest::newRow(".xls by number") << xls << QStringList{QStringLiteral("--sheet"), QStringLiteral("2")} << 0
                                        << QStringLiteral("名单");
        QTest::newRow("no third sheet") << xlsx << QStringList{QStringLiteral("--sheet"), QStringLiteral("3")} << 1
                                        << QStringLiteral("工作表不存在：3");
        QTest::newRow("no sheet 0") << xlsx << QStringList{QStringLiteral("--sheet"), QStringLiteral("0")} << 1
                                    << QStringLiteral("工作表不存在：0");
        QTest::newRow("no such name") << xls << QStringList{QStringLiteral("--sheet"), QStringLiteral("期末")} << 1
                                      << QStringLiteral("工作表不存在：期末");
        QTest::newRow("a table is no workbook")
            << QStringLiteral("@t.gdt") << QStringList() << 1 << QStringLiteral("文件格式不正确!");
    }
    void convertXlsxChoosesTheSheet()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, result);
        const QString in =
            file.startsWith(u'@') ? path(file.mid(1)) : QStringLiteral(SCORVANE_TEST_DATA "/exchange/") + file;
        const ProcessResult r = cli(QStringList{QStringLiteral("convert-xlsx"), in, path(QStringLiteral("x.gdt")),
                                                QStringLiteral("--teacher"), QStringLiteral("王")} +
                                    options);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode != 0) {
            QCOMPARE(err(r), result);
            QVERIFY(!QFile::exists(path(QStringLiteral("x.gdt"))));
            return;
        }
        const table::GradeTable x = load(QStringLiteral("x.gdt"));
        QCOMPARE(x.grid.TextMatrix(0, 1), result);
        QCOMPARE(x.teacher, QStringLiteral("王"));
        QCOMPARE(x.numberFormat, QStringLiteral("###.##"));
    }

    // Column A of the first sheet from row 1 down, the header cell in the first student's row.
    void importColumnFromAWorkbook()
    {
        save(classTable(6), QStringLiteral("c.gdt"));
        const ProcessResult r =
            cli({QStringLiteral("import-column"), path(QStringLiteral("c.gdt")), QStringLiteral("语文"),
                 QStringLiteral(SCORVANE_TEST_DATA "/exchange/sheets.xlsx")},
                true);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("5\n"));
        QCOMPARE(columnOf(load(QStringLiteral("c.gdt")), 2),
                 (QStringList{QStringLiteral("学号"), QStringLiteral("001"), QStringLiteral("085"),
                              QStringLiteral("80.0"), QStringLiteral("004"), QStringLiteral("66")}));
    }
};

QTEST_GUILESS_MAIN(ExchangeCliTest)
#include "tst_exchange_cli.moc"
