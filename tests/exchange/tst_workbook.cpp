// Excel workbooks: the converter on workbooks other programs wrote (openpyxl, gnumeric's
// ssconvert; tests/data/exchange/make_workbooks.py), the .xls reader on BIFF8 records made by hand
// and on an older BIFF, the number and date texts, the worksheet's name, and a table exported and
// converted back.
#include "core/base/file_writer.h"
#include "core/base/workspace.h"
#include "core/exchange/converters.h"
#include "core/exchange/workbook_reader.h"
#include "core/exchange/xlsx_export.h"
#include "core/exchange/xml_scanner.h"
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/sort_rows.h"
#include "make_table.h"
#include "test_config.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(SCORVANE_TEST_DATA "/exchange/") + name;
}

QStringList gridRow(const table::Grid &g, int r)
{
    QStringList cells;
    for (int c = 0; c < g.Cols(); ++c)
        cells << g.TextMatrix(r, c);
    return cells;
}

} // namespace

class TestWorkbook : public QObject {
    Q_OBJECT

private slots:
    void workbooksOfOtherPrograms_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("openpyxl") << QStringLiteral("sheets.xlsx");
        QTest::newRow("ssconvert .xlsx") << QStringLiteral("gnumeric.xlsx");
        QTest::newRow("ssconvert .xls") << QStringLiteral("gnumeric.xls");
    }
    void workbooksOfOtherPrograms()
    {
        QFETCH(QString, file);
        QStringList names;
        QCOMPARE(exchange::workbookSheetNames(fixture(file), &names), exchange::WorkbookError::None);
        QCOMPARE(names, (QStringList{QStringLiteral("成绩"), QStringLiteral("第二页")}));

        table::GradeTable t;
        QCOMPARE(exchange::workbookFileToTable(fixture(file), 0, t).status, exchange::Conversion::Ok);
        // Five rows and eight columns, whatever the dimension record and the empty cell in AZ400 say.
        QCOMPARE(t.grid.Rows(), 5);
        QCOMPARE(t.grid.Cols(), 9);
        const QList<QStringList> expected{
            {QString(), QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学"),
             QStringLiteral("生日"), QStringLiteral("团员"), QStringLiteral("总分"), QStringLiteral("备注")},
            {QStringLiteral("1"), QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("85"),
             QStringLiteral("90.5"), QStringLiteral("2008-03-05"), QStringLiteral("是"), QStringLiteral("175.5"),
             QStringLiteral("第一行\n第二行")},
            {QStringLiteral("2"), QStringLiteral("085"), QStringLiteral("李四"), QStringLiteral("85"),
             QStringLiteral("0.3"), QStringLiteral("2024-01-05 08:30:00"), QStringLiteral("否"), QStringLiteral("85.3"),
             QStringLiteral("红字 ")},
            {QStringLiteral("3"), QStringLiteral("80.0"), QStringLiteral("王五"), QString(), QStringLiteral("100"),
             QStringLiteral("2008-03-05"), QStringLiteral("是"), QStringLiteral("无成绩"), QStringLiteral("INLINE")},
            {QStringLiteral("4"), QStringLiteral("004"), QStringLiteral("合并"), QString(), QStringLiteral("-3"),
             QStringLiteral("#DIV/0!"), QString(), QString(), QString()},
        };
        for (int r = 0; r < 5; ++r)
            QCOMPARE(gridRow(t.grid, r), expected.at(r));

        // The second sheet; its long text is cut where a table cell ends.
        table::GradeTable second;
        QCOMPARE(exchange::workbookFileToTable(fixture(file), 1, second).status, exchange::Conversion::Ok);
        QCOMPARE(second.grid.Rows(), 3);
        QCOMPARE(gridRow(second.grid, 0).mid(1, 1), QStringList{QStringLiteral("名单")});
        QCOMPARE(second.grid.TextMatrix(2, 1), QStringLiteral("乙"));
        QCOMPARE(second.grid.TextMatrix(1, 2), QString(exchange::kMaxCellText, u'y'));
        QCOMPARE(exchange::workbookFileToTable(fixture(file), 2, second).status, exchange::Conversion::NoSheet);
    }

    // BIFF8 records put together byte by byte (tests/data/broken/make_hostile_workbooks.py, the
    // sound workbook its hostile ones are made from), in each kind of compound document: every
    // kind of cell, texts going on in continuation records, merged areas, an embedded chart.
    void biffRecords_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text"); // empty: no cell
        QTest::newRow("shared string, two bytes a character") << 0 << 0 << QStringLiteral("张三");
        QTest::newRow("shared string, one byte a character") << 0 << 1 << QStringLiteral("abc");
        QTest::newRow("number") << 0 << 2 << QStringLiteral("85");
        QTest::newRow("RK integer") << 1 << 0 << QStringLiteral("90");
        QTest::newRow("RK hundredths") << 1 << 1 << QStringLiteral("90.5");
        QTest::newRow("RK of a double's high bits") << 1 << 2 << QStringLiteral("0.5");
        QTest::newRow("custom date format, 1904 system") << 2 << 0 << QStringLiteral("2008-03-05");
        QTest::newRow("built-in date and time") << 2 << 1 << QStringLiteral("2024-01-05 08:30:00");
        QTest::newRow("[Red] is no date") << 2 << 2 << QStringLiteral("3");
        QTest::newRow("boolean true") << 3 << 0 << QStringLiteral("是");
        QTest::newRow("boolean false") << 3 << 1 << QStringLiteral("否");
        QTest::newRow("error") << 3 << 2 << QStringLiteral("#DIV/0!");
        QTest::newRow("label") << 3 << 3 << QStringLiteral("label");
        QTest::newRow("formula, number") << 4 << 0 << QStringLiteral("175.5");
        QTest::newRow("formula, boolean") << 4 << 1 << QStringLiteral("否");
        QTest::newRow("formula, error") << 4 << 2 << QStringLiteral("#N/A");
        QTest::newRow("formula, text going on wider") << 4 << 3 << QStringLiteral("ab中文");
        QTest::newRow("formula, empty text") << 4 << 4 << QString();
        QTest::newRow("rich text with phonetic data") << 5 << 0 << QStringLiteral("红字");
        QTest::newRow("shared string going on wider") << 5 << 1 << QStringLiteral("xy文字");
        QTest::newRow("merged area, top left") << 6 << 0 << QStringLiteral("top");
        QTest::newRow("merged area, inside") << 6 << 1 << QString();
        QTest::newRow("embedded chart") << 9 << 9 << QString();
    }
    void biffRecords()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, text);
        if (!QFile::exists(m_handMade.filePath(QStringLiteral("sound.xls")))) {
            const ProcessResult made =
                runProcess(QStringLiteral("/usr/bin/python3"),
                           {QStringLiteral(SCORVANE_TEST_DATA "/broken/make_hostile_workbooks.py"), m_handMade.path()});
            QVERIFY2(made.exitCode == 0, made.err.constData());
        }
        for (const char *name : {"sound.xls", "sound-mini.xls", "sound-4096.xls", "sound-difat.xls"}) {
            QFile f(m_handMade.filePath(QLatin1String(name)));
            QVERIFY2(f.open(QIODevice::ReadOnly), name);
            const QByteArray bytes = f.readAll();
            QStringList names;
            QCOMPARE(exchange::xlsSheetNames(bytes, &names), exchange::WorkbookError::None);
            QCOMPARE(names, (QStringList{QStringLiteral("成绩"), QStringLiteral("图表")}));
            exchange::SheetCells sheet;
            QCOMPARE(exchange::readXlsSheet(bytes, 0, &sheet), exchange::WorkbookError::None);
            QCOMPARE(sheet.rows, 7);
            QCOMPARE(sheet.cols, 4);
            const auto cell = std::find_if(sheet.cells.cbegin(), sheet.cells.cend(),
                                           [&](const exchange::SheetCell &c) { return c.row == row && c.col == col; });
            QCOMPARE(cell == sheet.cells.cend() ? QString() : cell->text, text);
            // The chart sheet is listed but holds no cells.
            QCOMPARE(exchange::readXlsSheet(bytes, 1, &sheet), exchange::WorkbookError::None);
            QVERIFY(sheet.cells.empty());
            QCOMPARE(exchange::readXlsSheet(bytes, 2, &sheet), exchange::WorkbookError::NoSheet);
        }
    }

    // An Excel 5 or 95 workbook (the older BIFF) is left to FreeXL, with what it gives: ssconvert
    // writes it in a code page without Chinese, so only other texts, numbers and dates are compared.
    void olderBiff_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::newRow("text") << 1 << 0 << QStringLiteral("001");
        QTest::newRow("whole number") << 1 << 2 << QStringLiteral("85");
        QTest::newRow("number") << 1 << 3 << QStringLiteral("90.5");
        QTest::newRow("date") << 1 << 4 << QStringLiteral("2008-03-05");
        QTest::newRow("date and time") << 2 << 4 << QStringLiteral("2024-01-05 08:30:00");
    }
    void olderBiff()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, text);
        const QString path = fixture(QStringLiteral("gnumeric-biff5.xls"));
        QStringList names;
        QCOMPARE(exchange::workbookSheetNames(path, &names), exchange::WorkbookError::None);
        QCOMPARE(names.size(), 2);
        exchange::SheetCells sheet;
        QCOMPARE(exchange::readWorkbookSheet(path, 0, &sheet), exchange::WorkbookError::None);
        const auto cell = std::find_if(sheet.cells.cbegin(), sheet.cells.cend(),
                                       [&](const exchange::SheetCell &c) { return c.row == row && c.col == col; });
        QVERIFY(cell != sheet.cells.cend());
        QCOMPARE(cell->text, text);
        // The reader on the bytes alone reads BIFF8 only.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(exchange::readXlsSheet(f.readAll(), 0, &sheet), exchange::WorkbookError::BadFormat);
    }

    void numberTexts_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 85.0 << QStringLiteral("85");
        QTest::newRow("half") << 90.5 << QStringLiteral("90.5");
        QTest::newRow("sum of tenths") << 0.1 + 0.2 << QStringLiteral("0.3");
        QTest::newRow("just below") << 84.99999999999999 << QStringLiteral("85");
        QTest::newRow("negative") << -3.0 << QStringLiteral("-3");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
        QTest::newRow("large, plain") << 123456789012345.0 << QStringLiteral("123456789012345");
        QTest::newRow("past 1e15") << 1e15 << QStringLiteral("1e+15");
        QTest::newRow("small") << 0.00001 << QStringLiteral("0.00001");
        QTest::newRow("smaller") << 0.000001 << QStringLiteral("1e-06");
    }
    void numberTexts()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(exchange::shortestNumberText(value), text);
    }

    // A number cell exactly when the text is a number by the sort's rule and is its own
    // shortest form, so reading the workbook back gives the same characters.
    void numberCells_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        for (const char *n :
             {"80", "90.5", "-3", "0", "0.5", "-0.25", "100000", "123456789012345", "0.00001", "99.99", "1", "32766"})
            QTest::newRow(n) << QString::fromLatin1(n) << true;
        for (const char *t : {"001", "085", "80.0", "+5", ".5", "85.", "-0", " 80", "80 ", "1e5", "1234567890123456",
                              "0.000001", "0.30000000000000004", "", "-", "公式错误", "1,5"})
            QTest::newRow(*t ? t : "empty") << QString::fromLatin1(t) << false;
    }
    void numberCells()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        const std::optional<double> n = exchange::workbookNumber(text);
        QCOMPARE(n.has_value(), number);
        // The rule it stands for, checked directly.
        const std::optional<double> sorted = table::sortNumber(text);
        QCOMPARE(number, sorted.has_value() && exchange::shortestNumberText(*sorted) == text);
        // The reader's check on a value's bytes is the same.
        QCOMPARE(exchange::isShortestNumberText(QByteArrayView(text.toUtf8())), number);
        if (n)
            QCOMPARE(*n, *sorted);
    }

    void dates_data()
    {
        QTest::addColumn<double>("serial");
        QTest::addColumn<bool>("from1904");
        QTest::addColumn<bool>("withTime");
        QTest::addColumn<QString>("text"); // empty: no date
        QTest::newRow("2008-03-05") << 39512.0 << false << false << QStringLiteral("2008-03-05");
        QTest::newRow("first day") << 1.0 << false << false << QStringLiteral("1900-01-01");
        QTest::newRow("before the day that never was") << 59.0 << false << false << QStringLiteral("1900-02-28");
        QTest::newRow("29 February 1900") << 60.0 << false << false << QString();
        QTest::newRow("after it") << 61.0 << false << false << QStringLiteral("1900-03-01");
        QTest::newRow("1904 system") << 0.0 << true << false << QStringLiteral("1904-01-01");
        QTest::newRow("with time") << 45296.354166666664 << false << true << QStringLiteral("2024-01-05 08:30:00");
        QTest::newRow("rounds to midnight")
            << 39512.999999999 << false << true << QStringLiteral("2008-03-06 00:00:00");
        QTest::newRow("negative") << -5.0 << false << false << QString();
        QTest::newRow("past 9999") << 3e6 << false << false << QString();
    }
    void dates()
    {
        QFETCH(double, serial);
        QFETCH(bool, from1904);
        QFETCH(bool, withTime);
        QFETCH(QString, text);
        QCOMPARE(exchange::serialDateText(serial, from1904, withTime).value_or(QString()), text);
    }

    void sheetNames_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QStringLiteral("期中考试") << QStringLiteral("期中考试");
        QTest::newRow("forbidden characters")
            << QStringLiteral("a[b]c:d*e?f/g\\h") << QStringLiteral("a_b_c_d_e_f_g_h");
        QTest::newRow("empty") << QString() << QStringLiteral("Sheet1");
        QTest::newRow("too long") << QString(40, u'班') << QString(31, u'班');
        QTest::newRow("apostrophes at the ends") << QStringLiteral("'期中'") << QStringLiteral("_期中_");
        // XML cannot hold them: the workbook would not open.
        QTest::newRow("control characters") << QStringLiteral("期\x01中\t") << QStringLiteral("期_中_");
    }
    void sheetNames()
    {
        QFETCH(QString, title);
        QFETCH(QString, name);
        QCOMPARE(exchange::sheetNameForTitle(title), name);
    }

    // A text past a table cell's length is cut there, never inside a character of two UTF-16 units.
    void longTextsAreCutWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("kept");
        const QString a(exchange::kMaxCellText - 1, QLatin1Char('a'));
        QTest::newRow("at the length") << a + QLatin1Char('b') << exchange::kMaxCellText;
        QTest::newRow("one past") << a + QStringLiteral("bc") << exchange::kMaxCellText;
        QTest::newRow("a pair across the cut") << a + QStringLiteral("😀") << exchange::kMaxCellText - 1;
    }
    void longTextsAreCutWhole()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, kept);
        exchange::cutToCellText(text);
        QCOMPARE(text.size(), kept);
    }

    // The scanner on the XML a member may hold, fed whole and byte by byte (every token split
    // across reads): the tokens as "<name a=v>", "</name>" and "[text]"; "bad" when it refuses.
    void xmlScanner_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("tokens");
        QTest::newRow("declaration, prefixes, an empty element")
            << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<x:c r=\"A1\" x:id='r1' xmlns:x=\"u\"><v/></x:c>")
            << QStringLiteral("<c r=A1 id=r1><v></v></c>");
        QTest::newRow("a \">\" in a value, references, line ends")
            << QByteArray("<f code=\"[>100]&quot;&#x4E00;&#20108;\" t=\"a\tb\"><t>1 &lt; 2&amp;\r\n3</t></f>")
            << QStringLiteral("<f code=[>100]\"一二 t=a b><t>[1 < 2&\n3]</t></f>");
        QTest::newRow("comment, CDATA, spaces around =")
            << QByteArray("<a b = 'x'><!-- <c> --><![CDATA[<&amp;>]]></a  >") << QStringLiteral("<a b=x>[<&amp;>]</a>");
        QTest::newRow("a DTD") << QByteArray("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>") << QStringLiteral("bad");
        QTest::newRow("an unknown entity") << QByteArray("<a>&nbsp;</a>") << QStringLiteral("bad");
        QTest::newRow("a reference to a control character") << QByteArray("<a>&#1;</a>") << QStringLiteral("bad");
        QTest::newRow("an end tag of another element") << QByteArray("<a><b></a></b>") << QStringLiteral("bad");
        QTest::newRow("cut inside a tag") << QByteArray("<a><b x=\"1") << QStringLiteral("bad");
        QTest::newRow("cut inside the root") << QByteArray("<a><b/>") << QStringLiteral("bad");
        QTest::newRow("a second root") << QByteArray("<a/><b/>") << QStringLiteral("bad");
        QTest::newRow("text outside the root") << QByteArray("<a/>x") << QStringLiteral("bad");
        QTest::newRow("a value without quotes") << QByteArray("<a b=1/>") << QStringLiteral("bad");
        QTest::newRow("nothing") << QByteArray(" ") << QStringLiteral("bad");
        QTest::newRow("nested too deep") << QByteArray("<a>").repeated(int(exchange::kMaxXmlDepth) + 1)
                                         << QStringLiteral("bad");
    }
    void xmlScanner()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, tokens);
        for (const qint64 step : {qint64(1), qint64(xml.size())}) {
            qsizetype read = 0;
            exchange::XmlScanner scanner([&](char *into, qint64 size) {
                const qint64 n = std::min({step, size, qint64(xml.size() - read)});
                std::memcpy(into, xml.constData() + read, size_t(n));
                read += n;
                return n;
            });
            QString seen;
            try {
                for (auto t = scanner.next(); t != exchange::XmlScanner::Token::EndOfDocument; t = scanner.next()) {
                    if (t == exchange::XmlScanner::Token::Text) {
                        if (!scanner.text().trimmed().isEmpty())
                            seen += u'[' + QString::fromUtf8(scanner.text()) + u']';
                        continue;
                    }
                    const QString name = QString::fromUtf8(scanner.name());
                    if (t == exchange::XmlScanner::Token::End) {
                        seen += QStringLiteral("</%1>").arg(name);
                        continue;
                    }
                    seen += u'<' + name;
                    for (const char *a : {"r", "b", "code", "t"}) {
                        QByteArrayView v;
                        if (scanner.attribute(a, &v))
                            seen += QStringLiteral(" %1=%2").arg(QLatin1String(a), QString::fromUtf8(v));
                    }
                    QByteArrayView id;
                    if (scanner.attribute("id", &id, true))
                        seen += QStringLiteral(" id=") + QString::fromUtf8(id);
                    seen += u'>';
                }
            } catch (const exchange::XmlMalformed &) {
                seen = QStringLiteral("bad");
            }
            QCOMPARE(seen, tokens);
        }
    }

    // Export, convert back: the same cells, formulas as their values, the characters of every text;
    // with formulas over plain cells only (evaluated while the sheet is written) and with one over
    // another formula (evaluated first, in the evaluated copy's order).
    void roundTrip_data()
    {
        QTest::addColumn<QString>("doubled");
        QTest::newRow("formulas over plain cells") << QStringLiteral("！公式：cell(?,3)*2");
        QTest::newRow("a formula over a formula") << QStringLiteral("！公式：cell(?,4)*2");
    }
    void roundTrip()
    {
        QFETCH(QString, doubled);
        QTemporaryDir dir;
        base::Workspace ws(dir.path());
        table::GradeTable t = makeTable(
            QStringLiteral("期中"),
            {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("总分"),
             QStringLiteral("翻倍")},
            {{QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("80"),
              QStringLiteral("！公式：cell(?,3)+10.5"), doubled},
             {QStringLiteral("80.0"), QStringLiteral("两行\n文字"), QStringLiteral("-3"),
              QStringLiteral("！公式：cell(?,9)"), doubled},
             {QStringLiteral("+5"), QStringLiteral("a|b_x0041__x+041_"), QString(), QStringLiteral("=1+1"), doubled}});
        t.teacher = QStringLiteral("王老师");
        const QString path = dir.filePath(QStringLiteral("out.xlsx"));
        QFile::copy(fixture(QStringLiteral("sheets.xlsx")), path); // an old file to replace
        exchange::WorkbookExportRequest request{.path = path, .agreed = 0};
        QCOMPARE(exchange::exportWorkbook(t, formula::calculator(ws), request).result, ui::Outcome::Result::Ask);
        request.agreed = exchange::kReplaceWorkbook;
        const ui::Outcome done = exchange::exportWorkbook(t, formula::calculator(ws), request);
        QVERIFY(done.done());
        QCOMPARE(done.text, QStringLiteral("文件保存成功！您可以使用Excel打开该工作簿。"));
        QCOMPARE(base::savingFilesFor(path), QStringList());
        {
            // The members are deflated at the fastest level, which the ZIP flags name (bits 1 and 2).
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray head = f.read(8);
            QVERIFY(head.startsWith("PK\x03\x04"));
            QCOMPARE(head.at(6) & 6, 6);
        }

        table::GradeTable back;
        QCOMPARE(exchange::workbookFileToTable(path, 0, back).status, exchange::Conversion::Ok);
        // Sheet column A holds the row numbers, so the table comes back one column to the right.
        const table::Grid values = formula::evaluatedCopy(t, formula::calculator(ws));
        QCOMPARE(back.grid.Rows(), values.Rows());
        QCOMPARE(back.grid.Cols(), values.Cols() + 1);
        for (int r = 0; r < values.Rows(); ++r)
            for (int c = 0; c < values.Cols(); ++c) {
                QCOMPARE(back.grid.TextMatrix(r, c + 1), r == 0 && c == 0 ? QString() : values.TextMatrix(r, c));
            }
        QCOMPARE(back.grid.TextMatrix(1, 5), QStringLiteral("90.5"));

        // Wider than a worksheet: refused before anything is written.
        t.grid.setCols(16'385);
        request.path = dir.filePath(QStringLiteral("wide.xlsx"));
        const ui::Outcome wide = exchange::exportWorkbook(t, formula::calculator(ws), request);
        QCOMPARE(wide.result, ui::Outcome::Result::Refused);
        QCOMPARE(wide.text, QStringLiteral("表格过大，无法完成该操作。"));
        QVERIFY(!QFile::exists(request.path));
        QCOMPARE(back.grid.TextMatrix(2, 5), QStringLiteral("公式错误"));
    }

private:
    QTemporaryDir m_handMade; // the hand-made workbooks, written on first use
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
