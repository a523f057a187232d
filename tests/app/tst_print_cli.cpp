// scorvane-cli print from outside: the page list, the PDF's pages and texts for each choice, the
// refusals with their exit codes and messages, and the table file left exactly as it was.
#include "class_table.h"
#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "scripted_prompter.h"
#include "test_config.h"
#include "test_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTest>

#include <memory>

class PrintCliTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString path(const QString &name) const { return m_tmp->path() + QLatin1Char('/') + name; }
    ProcessResult cli(const QStringList &args)
    {
        return runProcess(cliPath(), QStringList{QStringLiteral("--dir"), m_tmp->path(),
                                                 QStringLiteral("--table-password"), QStringLiteral("pw")} +
                                         args);
    }
    QByteArray tableHash() const
    {
        QFile f(path(QStringLiteral("班.gdt")));
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                           : QByteArray();
    }

private slots:
    void initTestCase()
    {
        if (cliPath().isEmpty() || !havePdfTools())
            QSKIP("scorvane-cli or poppler-utils not available");
    }

    // 129 students with 姓名 and the formula 总分 = 语文 + 10.
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        table::GradeTable t;
        fillClassTable(t,
                       {.students = 129, .firstScore = 0, .step = 1, .bonus = 10, .title = QStringLiteral("期末成绩")});
        t.teacher = QStringLiteral("周老师");
        t.classInfo = QStringLiteral("高一（2）班");
        QVERIFY(saveTable(m_tmp->path(), QStringLiteral("pw"), path(QStringLiteral("班")), t));
    }

    void listsThePages()
    {
        const ProcessResult r =
            cli({QStringLiteral("print"), path(QStringLiteral("班.gdt")), QStringLiteral("--list-pages")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("全部\n1\n2\n3\n"));
    }

    void writesThePdf_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("present"); // on the first page, or "last:" the last
        QTest::addColumn<QStringList>("absent");  // on every page
        QTest::newRow("everything") << QStringList{} << 3
                                    << QStringList{QStringLiteral("期末成绩"),
                                                   QStringLiteral("周老师"),
                                                   QStringLiteral("学生1"),
                                                   QStringLiteral("11"),
                                                   QStringLiteral("last:学生129"),
                                                   QStringLiteral("last:139"),
                                                   QStringLiteral("last:高一（2）班"),
                                                   QStringLiteral("last:打印时间：2026/12/8")}
                                    << QStringList{QStringLiteral("！公式：cell(?,2)+10")};
        QTest::newRow("page 2: no heading, no trailer")
            << QStringList{QStringLiteral("--page"), QStringLiteral("2")} << 1
            << QStringList{QStringLiteral("学生65"), QStringLiteral("学生128")}
            << QStringList{QStringLiteral("期末成绩"), QStringLiteral("打印时间：2026/12/8"),
                           QStringLiteral("学生129")};
        QTest::newRow("last page: the trailer")
            << QStringList{QStringLiteral("--page"), QStringLiteral("3")} << 1
            << QStringList{QStringLiteral("学生129"), QStringLiteral("打印时间：2026/12/8")}
            << QStringList{QStringLiteral("期末成绩")};
        QTest::newRow("one row: heading and trailer")
            << QStringList{QStringLiteral("--row"), QStringLiteral("77")} << 1
            << QStringList{QStringLiteral("期末成绩"), QStringLiteral("学生77"), QStringLiteral("87"),
                           QStringLiteral("打印时间：2026/12/8")}
            << QStringList{QStringLiteral("学生76"), QStringLiteral("学生78")};
        QTest::newRow("own title and footer, no teacher or class")
            << QStringList{QStringLiteral("--title"), QStringLiteral("补考名单"),     QStringLiteral("--footer"),
                           QStringLiteral("教务处"),  QStringLiteral("--no-teacher"), QStringLiteral("--no-class-info")}
            << 3 << QStringList{QStringLiteral("补考名单"), QStringLiteral("last:教务处")}
            << QStringList{QStringLiteral("期末成绩"), QStringLiteral("周老师"), QStringLiteral("高一（2）班")};
    }
    void writesThePdf()
    {
        QFETCH(QStringList, options);
        QFETCH(int, pages);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const QByteArray before = tableHash();
        const QString pdf = path(QStringLiteral("out.pdf"));
        const ProcessResult r =
            cli(QStringList{QStringLiteral("print"), path(QStringLiteral("班.gdt")), QStringLiteral("--pdf"), pdf,
                            QStringLiteral("--date"), QStringLiteral("2026-12-08")} +
                options);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QList<PdfPage> doc = pdfPages(pdf);
        QCOMPARE(doc.size(), pages);
        for (QString text : present) {
            const bool last = text.startsWith(QLatin1String("last:"));
            text.remove(QStringLiteral("last:"));
            QVERIFY2((last ? doc.last() : doc.first()).find(text), qPrintable(text));
        }
        for (const PdfPage &p : doc)
            for (const QString &text : absent)
                QVERIFY2(!p.find(text), qPrintable(text));
        QCOMPARE(tableHash(), before);
        QVERIFY(!QFile::exists(path(QStringLiteral("data.file"))));
    }

    // Every character drawn is the character taken out of the PDF (the fonts share one glyph
    // between 一 and the radical ⼀, 马 and ⻢ …), with page numbers under each page when asked.
    void textLayerAndPageNumbers()
    {
        const QString common = QStringLiteral(
            "一二文马黄长初班语数英的是不了在人有我他这个们中来上大为和国地到以说时要就出会可也你对生能而子那得于着下自"
            "之年过发后作里用道行所然家种事成方多经么去法学如都同现当没动面起看定天分还进好小部其些主样理心她本前开但因"
            "只从想实日军者意无力它与把机十民第公此已工使情明性知全三又关点正业外将两高间由问很最重并物手应战向头体政美"
            "相见被利什等产或新己制身果加西斯月话合回特代内信表化老给世位次度门任常先海通教儿原东声提立及比员解水名真论"
            "处走义各入几口认条平系气题活尔更别打女变四神总何电安少报才结反受目太量再感建务做接必场件计管期市直德资命山"
            "金指克许统区保至队形社便空决治展科司五基眼书非则听白却界达光放强即像难且权思王象完设式色路记南品住告类求据"
            "程北边死张该交规万取拉格望觉术领共确传师观清今切院让识候带导争运笑飞风步改收根干造言联持组每济车亲极林服快"
            "办议往元士证近失转夫令准布始怎呢存未远叫台单影具罗字爱击流备兵连调深商算质团集百需价花党华城石级整");
        table::GradeTable t;
        t.title = QStringLiteral("初一（二）班");
        table::Grid &g = t.grid;
        g.setCols(3);
        g.setRows(int(common.size() / 20) + 2);
        g.setTextMatrix(0, 1, QStringLiteral("姓名"));
        g.setTextMatrix(0, 2, QStringLiteral("语文"));
        t.rebuildHeader();
        for (int r = 1; r < g.Rows(); ++r)
            g.setTextMatrix(r, 1, common.mid((r - 1) * 20, 20));
        base::Workspace ws(m_tmp->path());
        ws.tablePassword = QStringLiteral("pw");
        ScriptedPrompter quiet;
        QVERIFY(table::TableFile(ws, quiet).save(t, path(QStringLiteral("字"))));
        const QString pdf = path(QStringLiteral("字.pdf"));
        QCOMPARE(cli({QStringLiteral("print"), path(QStringLiteral("字.gdt")), QStringLiteral("--pdf"), pdf,
                      QStringLiteral("--page-numbers")})
                     .exitCode,
                 0);
        const ProcessResult text = runProcess(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        const QString out = QString::fromUtf8(text.out);
        QString missing;
        for (QChar c : common)
            if (!out.contains(c))
                missing += c;
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        for (QChar c : out)
            QVERIFY2(c.unicode() < 0x2E80 || c.unicode() > 0x2FDF, qPrintable(QString(c)));
        QVERIFY(out.contains(QStringLiteral("初一（二）班")));
        // pdftotext leaves out the spaces between CJK words.
        QVERIFY(out.contains(QStringLiteral("第1页共1页")));

        // Characters whose radicals follow each other make a run in the map: it is never shifted
        // onto other characters (at worst the radicals stay, which read the same once normalised).
        const QString run = QStringLiteral("一丨丶丿乙亅二亠人儿入八");
        g.setRows(2);
        g.setTextMatrix(1, 1, run);
        QVERIFY(table::TableFile(ws, quiet).save(t, path(QStringLiteral("部首"))));
        QCOMPARE(
            cli({QStringLiteral("print"), path(QStringLiteral("部首.gdt")), QStringLiteral("--pdf"), pdf}).exitCode, 0);
        QVERIFY(QString::fromUtf8(runProcess(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).out)
                    .normalized(QString::NormalizationForm_KC)
                    .contains(run));

        // Page numbers count the whole printout, also for one page of it.
        QCOMPARE(cli({QStringLiteral("print"), path(QStringLiteral("班.gdt")), QStringLiteral("--pdf"), pdf,
                      QStringLiteral("--page"), QStringLiteral("2"), QStringLiteral("--page-numbers")})
                     .exitCode,
                 0);
        QVERIFY(QString::fromUtf8(runProcess(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).out)
                    .contains(QStringLiteral("第2页共3页")));
    }

    // The printer settings' line width reaches the table lines: more ink with a wider pen.
    void penWidth()
    {
        const auto ink = [&](const QString &width) {
            const QString pdf = path(QStringLiteral("w.pdf"));
            if (cli({QStringLiteral("print"), path(QStringLiteral("班.gdt")), QStringLiteral("--pdf"), pdf,
                     QStringLiteral("--page"), QStringLiteral("1"), QStringLiteral("--pen-width"), width})
                    .exitCode != 0)
                return -1;
            runProcess(QStringLiteral("pdftoppm"),
                       {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"),
                        QStringLiteral("-singlefile"), pdf, path(QStringLiteral("w"))});
            const QImage image(path(QStringLiteral("w.pgm")));
            int dark = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    dark += qGray(image.pixel(x, y)) < 128;
            return dark;
        };
        const int thin = ink(QStringLiteral("1")), wide = ink(QStringLiteral("8"));
        QVERIFY2(thin > 0 && wide > 2 * thin, qPrintable(QStringLiteral("%1 %2").arg(thin).arg(wide)));
        QCOMPARE(cli({QStringLiteral("print"), path(QStringLiteral("班.gdt")), QStringLiteral("--pdf"),
                      path(QStringLiteral("w.pdf")), QStringLiteral("--pen-width"), QStringLiteral("11")})
                     .exitCode,
                 1);
    }

    // The printers are a plugin found beside the program or in the installed library folder;
    // without a usable one --printer says why, once, and prints nothing.
    void printerPlugin_data()
    {
        QTest::addColumn<QString>("pluginAt"); // from the program's folder, "" for none
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("message");
        const QString noPrinter = QStringLiteral("打印错误，请检查 打印机连接！");
        const QString plugin = QStringLiteral("/scorvane-printers.so");
        QTest::newRow("beside the program") << plugin << true << noPrinter;
        QTest::newRow("installed") << QStringLiteral(SCORVANE_PLUGIN_DIR_FROM_BIN) + plugin << true << noPrinter;
        QTest::newRow("missing") << QString() << false
                                 << QStringLiteral("无法使用打印机：找不到打印支持 scorvane-printers.so（查找了 ");
        QTest::newRow("unloadable") << plugin << false << QStringLiteral("无法使用打印机：打印支持 ");
    }
    void printerPlugin()
    {
        QFETCH(QString, pluginAt);
        QFETCH(bool, usable);
        QFETCH(QString, message);
        const QString bin = path(QStringLiteral("root/bin"));
        QVERIFY(QDir().mkpath(bin));
        const QString program = bin + QStringLiteral("/scorvane-cli");
        QVERIFY(QFile::copy(cliPath(), program));
        if (!pluginAt.isEmpty()) {
            const QString at = QDir::cleanPath(bin + QLatin1Char('/') + pluginAt);
            QVERIFY(QDir().mkpath(QFileInfo(at).path()));
            const QString built = QFileInfo(cliPath()).path() + QStringLiteral("/scorvane-printers.so");
            if (usable)
                QVERIFY(QFile::copy(built, at));
            else
                QVERIFY(QFile(at).open(QIODevice::WriteOnly)); // empty: no library
        }
        const QByteArray before = tableHash();
        const ProcessResult r =
            runProcess(program, {QStringLiteral("--dir"), m_tmp->path(), QStringLiteral("--table-password"),
                                 QStringLiteral("pw"), QStringLiteral("print"), path(QStringLiteral("班.gdt")),
                                 QStringLiteral("--printer"), QStringLiteral("无此打印机")});
        QCOMPARE(r.exitCode, 1);
        const QString err = QString::fromUtf8(r.err);
        QVERIFY2(err.contains(message), r.err.constData());
        QVERIFY2(usable || !err.contains(QStringLiteral("打印错误，请检查")), r.err.constData());
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(tableHash(), before);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString table = QStringLiteral("班.gdt");
        const QString pdf = QStringLiteral("--pdf");
        QTest::newRow("no such page") << QStringList{table, pdf, QStringLiteral("o.pdf"), QStringLiteral("--page"),
                                                     QStringLiteral("4")}
                                      << 1 << QStringLiteral("参数超出范围：4");
        QTest::newRow("no such row") << QStringList{table, pdf, QStringLiteral("o.pdf"), QStringLiteral("--row"),
                                                    QStringLiteral("130")}
                                     << 1 << QStringLiteral("参数超出范围：130");
        QTest::newRow("page and row") << QStringList{table,
                                                     pdf,
                                                     QStringLiteral("o.pdf"),
                                                     QStringLiteral("--page"),
                                                     QStringLiteral("1"),
                                                     QStringLiteral("--row"),
                                                     QStringLiteral("1")}
                                      << 2 << QStringLiteral("usage:");
        QTest::newRow("no output") << QStringList{table} << 2 << QStringLiteral("usage:");
        QTest::newRow("two outputs") << QStringList{table, pdf, QStringLiteral("o.pdf"), QStringLiteral("--list-pages")}
                                     << 2 << QStringLiteral("usage:");
        QTest::newRow("bad date") << QStringList{table, pdf, QStringLiteral("o.pdf"), QStringLiteral("--date"),
                                                 QStringLiteral("2026-13-01")}
                                  << 2 << QStringLiteral("usage:");
        QTest::newRow("no table") << QStringList{QStringLiteral("无.gdt"), pdf, QStringLiteral("o.pdf")} << 1
                                  << QStringLiteral("找不到表格文件：");
        QTest::newRow("no printer") << QStringList{table, QStringLiteral("--printer"), QStringLiteral("HP")} << 1
                                    << QStringLiteral("打印错误，请检查 打印机连接！");
        QTest::newRow("unwritable PDF") << QStringList{table, pdf, QStringLiteral("无此目录/o.pdf")} << 1
                                        << QStringLiteral("文件保存失败，请检查介质是否可写、输入的文件名是否合法。");
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        // File arguments are inside the temporary folder.
        for (QString &a : args)
            if (a.endsWith(QLatin1String(".gdt")) || a.endsWith(QLatin1String(".pdf")))
                a = path(a);
        const QByteArray before = tableHash();
        const ProcessResult r = cli(QStringList{QStringLiteral("print")} + args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
        QVERIFY(!QFile::exists(path(QStringLiteral("o.pdf"))));
        QCOMPARE(tableHash(), before);
    }
};

QTEST_MAIN(PrintCliTest)
#include "tst_print_cli.moc"
