// scorvane-cli chart, report and bind from outside: the chart as a PDF page 1 cm from the paper's
// top and left edges and as the preview's bitmap, repeated rows charted once, the refusals with
// their exit codes and messages, report cards one page per item with
// the bound values, the binding file written byte for byte, and a malformed binding file stopping
// the run without a PDF.
#include "class_table.h"
#include "core/base/text_codec.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <memory>

class ChartReportCliTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString path(const QString &name) const { return m_tmp->path() + QLatin1Char('/') + name; }
    ProcessResult cli(const QStringList &args)
    {
        return runProcess(cliPath(), QStringList{QStringLiteral("--dir"), m_tmp->path(),
                                                 QStringLiteral("--table-password"), QStringLiteral("pw")} +
                                         args);
    }
    QString err(const ProcessResult &r) const { return stderrMessages(r); }

private slots:
    void initTestCase()
    {
        if (cliPath().isEmpty() || !havePdfTools())
            QSKIP("scorvane-cli or poppler-utils not available");
    }

    // 姓名, 语文, 总分 = 语文 + 10 for 学生1 … 学生6; the card template with labels 1 … 3.
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        table::GradeTable t;
        fillClassTable(t,
                       {.students = 6, .firstScore = 60, .step = 5, .bonus = 10, .title = QStringLiteral("期末成绩")});
        QVERIFY(saveTable(m_tmp->path(), QStringLiteral("pw"), path(QStringLiteral("班")), t));
        QVERIFY(base::codec::writeLines(
            path(QStringLiteral("card.rpl")),
            {QStringLiteral("[Information]"), QStringLiteral("LinesNum=0"), QStringLiteral("LabelsNum=2"),
             QStringLiteral("Page=0"), QStringLiteral("[Lines]"), QStringLiteral("0=1000,1000,9000,1000"),
             QStringLiteral("[Labels]"), QStringLiteral("0=") + reportLabel(QStringLiteral("成绩单"), 400, 4000),
             QStringLiteral("1=") + reportLabel(QStringLiteral("（姓名）"), 1200, 1000),
             QStringLiteral("2=") + reportLabel(QStringLiteral("（总分）"), 1200, 4000)}));
    }

    // The printed chart: one A4 portrait page with the categories, the subject, the title and the
    // print time in the short form; formulas charted by their values. The picture is drawn at 1.5
    // from 567 twips (1 cm) right and down of the paper's corner.
    void chartPdf()
    {
        const ProcessResult r = cli({QStringLiteral("chart"), path(QStringLiteral("班.gdt")), QStringLiteral("--type"),
                                     QStringLiteral("bar"), QStringLiteral("--fields"), QStringLiteral("总分"),
                                     QStringLiteral("--rows"), QStringLiteral("1,3-4"), QStringLiteral("--date"),
                                     QStringLiteral("2026-12-08"), QStringLiteral("--max"), QStringLiteral("0"),
                                     QStringLiteral("--pdf"), path(QStringLiteral("chart.pdf"))});
        QCOMPARE(r.exitCode, 0);
        const QList<PdfPage> pages = pdfPages(path(QStringLiteral("chart.pdf")));
        QCOMPARE(pages.size(), 1);
        QCOMPARE(int(pages[0].width), 595);
        const QStringList words = pages[0].texts();
        for (const QString &w : {QStringLiteral("学生1"), QStringLiteral("学生3"), QStringLiteral("学生4"),
                                 QStringLiteral("学科：总分"), QStringLiteral("期末成绩"), QStringLiteral("2026/12/8")})
            QVERIFY2(words.contains(w), qPrintable(words.join(QLatin1Char(' '))));
        QVERIFY(!words.contains(QStringLiteral("学生2")));
        // The print time's right edge is the plot's: 567 + 6540 × 1.5 twips; the subject above the
        // plot is the highest text, below the margin.
        QVERIFY(qAbs(pages[0].find(QStringLiteral("2026/12/8"))->xMax - (567 + 6540 * 1.5) / 20) < 1.5);
        const PdfWord *subject = pages[0].find(QStringLiteral("学科：总分"));
        QVERIFY(qAbs(subject->xMin - (567 + 400 * 1.5) / 20) < 1.5);
        for (const PdfWord &w : pages[0].words) {
            QVERIFY2(w.yMin >= subject->yMin && w.yMin > 567 / 20.0 && w.xMin > 567 / 20.0, qPrintable(w.text));
            QVERIFY2(w.xMax < 595 - 567 / 20.0, qPrintable(w.text));
        }
    }

    // --rows naming rows again and again charts each once, in the order first named, at once.
    void chartRowsRepeated_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("categories"); // left to right
        QTest::newRow("a range twenty times")
            << QStringList(20, QStringLiteral("1-6")).join(QLatin1Char(','))
            << QStringList{QStringLiteral("学生1"), QStringLiteral("学生2"), QStringLiteral("学生3"),
                           QStringLiteral("学生4"), QStringLiteral("学生5"), QStringLiteral("学生6")};
        QTest::newRow("first occurrence order")
            << QStringLiteral("5,2-3,") + QStringList(20, QStringLiteral("1-6")).join(QLatin1Char(','))
            << QStringList{QStringLiteral("学生5"), QStringLiteral("学生2"), QStringLiteral("学生3"),
                           QStringLiteral("学生1"), QStringLiteral("学生4"), QStringLiteral("学生6")};
    }
    void chartRowsRepeated()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, categories);
        const ProcessResult r =
            cli({QStringLiteral("chart"), path(QStringLiteral("班.gdt")), QStringLiteral("--type"),
                 QStringLiteral("bar"), QStringLiteral("--fields"), QStringLiteral("语文"), QStringLiteral("--rows"),
                 rows, QStringLiteral("--pdf"), path(QStringLiteral("r.pdf"))});
        QCOMPARE(r.exitCode, 0);
        const QList<PdfPage> pages = pdfPages(path(QStringLiteral("r.pdf")));
        QCOMPARE(pages.size(), 1);
        QList<PdfWord> found;
        for (const PdfWord &w : pages[0].words)
            if (w.text.startsWith(QStringLiteral("学生")))
                found << w;
        std::sort(found.begin(), found.end(), [](const PdfWord &a, const PdfWord &b) { return a.xMin < b.xMin; });
        QStringList shown;
        for (const PdfWord &w : found)
            shown << w.text;
        QCOMPARE(shown, categories);
    }

    void chartBitmap()
    {
        const ProcessResult r =
            cli({QStringLiteral("chart"), path(QStringLiteral("班.gdt")), QStringLiteral("--type"),
                 QStringLiteral("up"), QStringLiteral("--fields"), QStringLiteral("2,3"), QStringLiteral("--rows"),
                 QStringLiteral("2"), QStringLiteral("--bmp"), path(QStringLiteral("chart.bmp"))});
        QCOMPARE(r.exitCode, 0);
        const QImage image(path(QStringLiteral("chart.bmp")));
        QCOMPARE(image.size(), QSize(467, 307));
        QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
    }

    void chartRefusals_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString nothing = QStringLiteral("请先选择要处理的数据（字段、处理对象）。");
        QTest::newRow("no fields") << QStringList{QStringLiteral("--rows"), QStringLiteral("1")} << 1 << nothing;
        QTest::newRow("no rows") << QStringList{QStringLiteral("--fields"), QStringLiteral("2")} << 1 << nothing;
        QTest::newRow("bar with two fields") << QStringList{QStringLiteral("--fields"), QStringLiteral("2,3"),
                                                            QStringLiteral("--rows"), QStringLiteral("1")}
                                             << 1 << QStringLiteral("柱形图只能选择一个科目。");
        QTest::newRow("bar with two fields, no rows") << QStringList{QStringLiteral("--fields"), QStringLiteral("2,3")}
                                                      << 1 << QStringLiteral("柱形图只能选择一个科目。");
        QTest::newRow("rows far beyond the table")
            << QStringList{QStringLiteral("--fields"), QStringLiteral("2"), QStringLiteral("--rows"),
                           QStringLiteral("1-2000000000")}
            << 1 << QStringLiteral("参数超出范围：2000000000");
        QTest::newRow("maximum over 100000")
            << QStringList{QStringLiteral("--fields"), QStringLiteral("2"),     QStringLiteral("--rows"),
                           QStringLiteral("1"),        QStringLiteral("--max"), QStringLiteral("100001")}
            << 1 << QStringLiteral("参数超出范围：100001");
        QTest::newRow("segments over 100")
            << QStringList{QStringLiteral("--fields"), QStringLiteral("2"),          QStringLiteral("--rows"),
                           QStringLiteral("1"),        QStringLiteral("--segments"), QStringLiteral("101")}
            << 1 << QStringLiteral("参数超出范围：101");
        QTest::newRow("negative minimum")
            << QStringList{QStringLiteral("--fields"), QStringLiteral("2"),     QStringLiteral("--rows"),
                           QStringLiteral("1"),        QStringLiteral("--min"), QStringLiteral("-1")}
            << 1 << QStringLiteral("参数超出范围：-1");
        QTest::newRow("row outside") << QStringList{QStringLiteral("--fields"), QStringLiteral("2"),
                                                    QStringLiteral("--rows"), QStringLiteral("5-9")}
                                     << 1 << QStringLiteral("参数超出范围：9");
        QTest::newRow("unknown field") << QStringList{QStringLiteral("--fields"), QStringLiteral("英语"),
                                                      QStringLiteral("--rows"), QStringLiteral("1")}
                                       << 1 << QStringLiteral("找不到字段：英语");
        QTest::newRow("bad date") << QStringList{QStringLiteral("--fields"), QStringLiteral("2"),
                                                 QStringLiteral("--rows"),   QStringLiteral("1"),
                                                 QStringLiteral("--date"),   QStringLiteral("2026-13-01")}
                                  << 2 << QString();
    }
    void chartRefusals()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const ProcessResult r =
            cli(QStringList{QStringLiteral("chart"), path(QStringLiteral("班.gdt")), QStringLiteral("--type"),
                            QStringLiteral("bar"), QStringLiteral("--pdf"), path(QStringLiteral("out.pdf"))} +
                options);
        QCOMPARE(r.exitCode, exitCode);
        if (!message.isEmpty())
            QCOMPARE(err(r), message);
        QVERIFY(!QFile::exists(path(QStringLiteral("out.pdf"))));
    }

    // bind writes the file 保存当前引用 writes; report --bind uses it; items 3 to 5 give three
    // pages with rows 3, 4 and 5 and their formula values.
    void bindAndReport()
    {
        // Without a pair there is nothing to bind: a malformed command line, nothing written.
        QCOMPARE(cli({QStringLiteral("bind"), path(QStringLiteral("card.rpl")), path(QStringLiteral("班.gdt")),
                      QStringLiteral("--save"), QStringLiteral("成绩单")})
                     .exitCode,
                 2);
        QVERIFY(!QFile::exists(path(QStringLiteral("标签引用数据/成绩单.bind"))));
        ProcessResult r = cli({QStringLiteral("bind"), path(QStringLiteral("card.rpl")), path(QStringLiteral("班.gdt")),
                               QStringLiteral("--save"), QStringLiteral("成绩单"), QStringLiteral("（姓名）=姓名"),
                               QStringLiteral("3=3")});
        QCOMPARE(r.exitCode, 0);
        QFile f(path(QStringLiteral("标签引用数据/成绩单.bind")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), base::codec::encode(QStringLiteral("ZUN'S Scorvane 报表数据绑定文件\r\n"
                                                                 "（姓名） = 姓名\r\n2 = 1\r\n"
                                                                 "（总分） = 总分\r\n3 = 3\r\n")));

        r = cli({QStringLiteral("report"), path(QStringLiteral("班.gdt")), path(QStringLiteral("card.rpl")),
                 QStringLiteral("--bind"), QStringLiteral("成绩单"), QStringLiteral("--items"), QStringLiteral("3-5"),
                 QStringLiteral("--pdf"), path(QStringLiteral("cards.pdf"))});
        QCOMPARE(r.exitCode, 0);
        const QList<PdfPage> pages = pdfPages(path(QStringLiteral("cards.pdf")));
        QCOMPARE(pages.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(pages[i].texts(), (QStringList{QStringLiteral("成绩单"), QStringLiteral("学生%1").arg(3 + i),
                                                    QString::number(85 + 5 * i)}));

        // A template without lines and labels is a blank page, here a landscape one.
        QVERIFY(base::codec::writeLines(path(QStringLiteral("空白横向.rpl")),
                                        {QStringLiteral("[Information]"), QStringLiteral("LinesNum=-1"),
                                         QStringLiteral("LabelsNum=-1"), QStringLiteral("Page=-1")}));
        r = cli({QStringLiteral("report"), path(QStringLiteral("班.gdt")), path(QStringLiteral("空白横向.rpl")),
                 QStringLiteral("--item"), QStringLiteral("1"), QStringLiteral("--pdf"),
                 path(QStringLiteral("r.pdf"))});
        QCOMPARE(r.exitCode, 0);
        const QList<PdfPage> blank = pdfPages(path(QStringLiteral("r.pdf")));
        QCOMPARE(blank.size(), 1);
        QCOMPARE(int(blank[0].width), 842);
        QVERIFY(blank[0].texts().isEmpty());
    }

    void reportRefusals_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("bindFile"); // written as 标签引用数据/x.bind when not empty
        QTest::addColumn<QString>("message");
        QTest::newRow("missing binding file") << QStringList{QStringLiteral("--bind"), QStringLiteral("没有")}
                                              << QByteArray() << QStringLiteral("引用数据文件不存在。");
        QTest::newRow("malformed binding file")
            << QStringList{QStringLiteral("--bind"), QStringLiteral("x")} << QByteArray("not a binding file\r\n")
            << QStringLiteral("文件格式错误，不是有效的引用数据文件。");
        QTest::newRow("unknown label") << QStringList{QStringLiteral("--link"), QStringLiteral("（学号）=姓名")}
                                       << QByteArray() << QStringLiteral("找不到标签：（学号）");
        QTest::newRow("label number outside") << QStringList{QStringLiteral("--link"), QStringLiteral("4=姓名")}
                                              << QByteArray() << QStringLiteral("找不到标签：4");
        QTest::newRow("unknown field") << QStringList{QStringLiteral("--link"), QStringLiteral("2=身高")}
                                       << QByteArray() << QStringLiteral("找不到字段：身高");
        QTest::newRow("item outside") << QStringList{QStringLiteral("--item"), QStringLiteral("7")} << QByteArray()
                                      << QStringLiteral("参数超出范围：7");
    }
    void reportRefusals()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, bindFile);
        QFETCH(QString, message);
        if (!bindFile.isEmpty()) {
            QDir(m_tmp->path()).mkpath(QStringLiteral("标签引用数据"));
            QVERIFY(base::codec::writeBytes(path(QStringLiteral("标签引用数据/x.bind")), bindFile));
        }
        const ProcessResult r =
            cli(QStringList{QStringLiteral("report"), path(QStringLiteral("班.gdt")), path(QStringLiteral("card.rpl")),
                            QStringLiteral("--pdf"), path(QStringLiteral("out.pdf"))} +
                options);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(err(r), message);
        QVERIFY(!QFile::exists(path(QStringLiteral("out.pdf"))));
    }
};

QTEST_MAIN(ChartReportCliTest)
#include "tst_chart_report_cli.moc"
