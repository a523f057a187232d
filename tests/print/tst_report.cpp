// Report cards: templates (counts of −1, "[/]" line breaks, the malformed family, huge counts,
// colour and size rules, a refused template changing nothing), ChangeText, the binding file byte
// for byte both ways and its malformed family, binding and unbinding, saving and loading with
// their messages, stale bindings, the item choices, one page per item with that row's values, the
// orientation, and starting the report designer.
#include "class_table.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/printer.h"
#include "core/print/report_session.h"
#include "core/table/grade_table.h"
#include "scripted_prompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace print;

namespace {

const QString kBar = QStringLiteral("｜");

// A card: two lines, the labels 姓名 (1), （姓名） (2), 总分 (3), （总分） (4) and a two-line remark (5).
QStringList cardLines(const QString &page = QStringLiteral("0"))
{
    return {QStringLiteral("[Information]"),
            QStringLiteral("LinesNum=1"),
            QStringLiteral("LabelsNum=4"),
            QStringLiteral("Page=") + page,
            QStringLiteral("[Lines]"),
            QStringLiteral("0=1000,1500,10000,1500"),
            QStringLiteral("1=1000,1500,1000,3000,1"),
            QStringLiteral("[Labels]"),
            QStringLiteral("0=") + reportLabel(QStringLiteral("姓名"), 1700, 1200),
            QStringLiteral("1=") + reportLabel(QStringLiteral("（姓名）"), 1700, 3000),
            QStringLiteral("2=") + reportLabel(QStringLiteral("总分"), 2300, 1200),
            QStringLiteral("3=") + reportLabel(QStringLiteral("（总分）"), 2300, 3000, 12, 255),
            QStringLiteral("4=") + reportLabel(QStringLiteral("评语：[/]认真"), 4000, 1200, 11)};
}

class FakePrinters : public PrinterSystem {
public:
    QList<PrinterValues> applied;
    QList<std::shared_ptr<CallList>> jobs;
    class Device : public RecordingSurface {
    public:
        Device(std::shared_ptr<CallList> log, bool landscape)
            : RecordingSurface(Measure::Fixed, 15, landscape ? kA4Height : kA4Width, landscape ? kA4Width : kA4Height),
              m_log(std::move(log))
        {
        }

    protected:
        void emitCall(const Call &c) override { m_log->push_back(c); }

    private:
        std::shared_ptr<CallList> m_log;
    };
    QStringList printerNames() const override { return {QStringLiteral("HP")}; }
    QString defaultPrinterName() const override { return QStringLiteral("HP"); }
    PrinterValues currentValues(const QString &) const override { return {}; }
    std::unique_ptr<Surface> open(const QString &, const PrinterValues &values, const QString &) override
    {
        applied << values;
        jobs << std::make_shared<CallList>();
        return std::make_unique<Device>(jobs.last(), values.orientation == 2);
    }
};

// The texts printed on each page of a job.
QList<QStringList> pageTexts(const CallList &calls)
{
    QList<QStringList> pages{{}};
    for (const Call &c : calls) {
        if (c.kind == Call::NewPage)
            pages << QStringList();
        else if (c.kind == Call::Text)
            pages.last() << c.text;
    }
    return pages;
}

} // namespace

class ReportTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    table::GradeTable m_doc;
    FakePrinters *m_printers = nullptr;

    QString writeTemplate(const QStringList &lines, const QString &name = QStringLiteral("card.rpl"))
    {
        const QString path = m_dir->filePath(name);
        if (!base::codec::writeLines(path, lines))
            qFatal("cannot write the template");
        return path;
    }
    std::unique_ptr<ReportSession> openCard(const QStringList &lines = cardLines())
    {
        auto s = std::make_unique<ReportSession>(m_doc, formula::calculator(*m_ws), *m_ws);
        if (!s->openTemplate(writeTemplate(lines), m_p))
            qFatal("the card does not open");
        return s;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_dir->path());
        m_printers = new FakePrinters;
        m_ws->printers.reset(m_printers);
        m_p.clear();
        m_doc = table::GradeTable();
        fillClassTable(m_doc,
                       {.students = 6, .firstScore = 80, .step = 1, .bonus = 5, .title = QStringLiteral("期末")});
    }
    void cleanup() { VERIFY_PROMPTS(m_p); }

    void changeText_data()
    {
        QTest::addColumn<QString>("all");
        QTest::addColumn<QString>("oldText");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QString>("result");
        QTest::newRow("line break") << "甲[/]乙[/]丙"
                                    << "[/]"
                                    << "\r\n"
                                    << "甲\r\n乙\r\n丙";
        QTest::newRow("new holds old: one pass") << "aXa"
                                                 << "a"
                                                 << "aa"
                                                 << "aaXaa";
        QTest::newRow("empty old: unchanged") << "abc"
                                              << ""
                                              << "x"
                                              << "abc";
        QTest::newRow("nothing found") << "abc"
                                       << "[/]"
                                       << "\r\n"
                                       << "abc";
        QTest::newRow("adjacent") << "[/][/]"
                                  << "[/]"
                                  << "|"
                                  << "||";
    }
    void changeText()
    {
        QFETCH(QString, all);
        QFETCH(QString, oldText);
        QFETCH(QString, newText);
        QFETCH(QString, result);
        QCOMPARE(ChangeText(all, oldText, newText), result);
    }

    // Counts of −1 give no lines and no labels; "[/]" is a line break; a fifth number is ignored;
    // the colour is RGB from red + 256 green + 65536 blue, masked to 24 bits; sizes ≤ 0 become 9.
    void parsesTemplates()
    {
        const std::optional<ReportTemplate> empty =
            parseReportTemplate(QStringLiteral("[Information]\r\nLinesNum=-1\r\nLabelsNum=-1\r\nPage=-1\r\n"));
        QVERIFY(empty);
        QVERIFY(empty->lines.isEmpty());
        QVERIFY(empty->labels.isEmpty());
        QVERIFY(empty->landscape);

        const std::optional<ReportTemplate> t = parseReportTemplate(cardLines().join(QStringLiteral("\r\n")));
        QVERIFY(t);
        QVERIFY(!t->landscape);
        QCOMPARE(t->lines.size(), 2);
        QCOMPARE(t->lineRecords[1], QStringLiteral("1000,1500,1000,3000,1"));
        QCOMPARE(t->lines[1].y2, 3000.0);
        QCOMPARE(t->labels.size(), 5);
        QCOMPARE(t->labels[4].caption, QStringLiteral("评语：\r\n认真"));
        QCOMPARE(t->labels[4].top, 4000.0);
        QCOMPARE(t->labels[4].left, 1200.0);
        QCOMPARE(t->labels[4].font.size, 11.0);
        QCOMPARE(t->labels[3].color, qRgb(255, 0, 0));

        const std::optional<ReportLabel> l = parseLabelRecord(
            QStringList{QStringLiteral("x"), QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("黑体"),
                        QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1"),
                        QStringLiteral("1"), QStringLiteral("%1").arg(0x7f000000 | 0x00ff8001)}
                .join(kBar));
        QVERIFY(l);
        QCOMPARE(l->font.size, 9.0);
        QVERIFY(l->font.bold && l->font.italic && l->font.strikethrough && l->font.underline);
        QCOMPARE(l->font.name, QStringLiteral("黑体"));
        QCOMPARE(l->color, qRgb(0x01, 0x80, 0xff));
    }

    // Coordinates far off the page are held to ±100000 twips, a line keeping its slope on the page;
    // the preview still finds such a line where it crosses the page.
    void farCoordinatesHeld_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QList<double>>("line");
        QTest::newRow("on the page") << "10,20,30,40" << QList<double>{10, 20, 30, 40};
        QTest::newRow("one end far") << "0,0,400000,200000" << QList<double>{0, 0, 100000, 50000};
        QTest::newRow("both ends far") << "-2147483648,5,2147483647,5" << QList<double>{-100000, 5, 100000, 5};
        QTest::newRow("wholly outside") << "0,300000,10,300000" << QList<double>{0, 100000, 10, 100000};
    }
    void farCoordinatesHeld()
    {
        QFETCH(QString, record);
        QFETCH(QList<double>, line);
        const std::optional<ReportLine> l = parseLineRecord(record);
        QVERIFY(l);
        QCOMPARE((QList<double>{l->x1, l->y1, l->x2, l->y2}), line);
        const std::optional<ReportLabel> far =
            parseLabelRecord(reportLabel(QStringLiteral("x"), 0, 0)
                                 .replace(QStringLiteral("｜0｜0｜宋体"),
                                          QStringLiteral("｜99999999999999999｜-99999999999999999｜宋体")));
        QVERIFY(far);
        QCOMPARE(far->top, 100000.0);
        QCOMPARE(far->left, -100000.0);
        RecordingSurface preview;
        preview.Line(0, -1e9, 100, 1e12);
        QCOMPARE(preview.callsBetween(0, 100).size(), size_t(1));
    }

    // Any malformed record or count refuses the whole template.
    void malformedTemplates_data()
    {
        QTest::addColumn<QString>("info");  // [Information] body
        QTest::addColumn<QString>("line");  // [Lines] 0
        QTest::addColumn<QString>("label"); // [Labels] 0
        const QString okLine = QStringLiteral("0,0,100,100");
        const QString okLabel = reportLabel(QStringLiteral("x"), 0, 0);
        const QString counts = QStringLiteral("LinesNum=0\r\nLabelsNum=0");
        QTest::newRow("three numbers") << counts << "10,20,30" << okLabel;
        QTest::newRow("a word for a number") << counts << "10,twenty,30,40" << okLabel;
        QTest::newRow("empty line record") << counts << "" << okLabel;
        QTest::newRow("nine label fields")
            << counts << okLine << reportLabel(QStringLiteral("x"), 0, 0).section(kBar, 0, 8);
        QTest::newRow("label without separators") << counts << okLine << "姓名";
        QTest::newRow("lines count not a number") << "LinesNum=abc\r\nLabelsNum=0" << okLine << okLabel;
        QTest::newRow("labels count not a number") << "LinesNum=0\r\nLabelsNum=1.5" << okLine << okLabel;
        QTest::newRow("lines count over 10000") << "LinesNum=10001\r\nLabelsNum=0" << okLine << okLabel;
        QTest::newRow("labels count huge") << "LinesNum=0\r\nLabelsNum=2147483647" << okLine << okLabel;
        QTest::newRow("labels count beyond 32 bits") << "LinesNum=0\r\nLabelsNum=99999999999" << okLine << okLabel;
        QTest::newRow("a record missing") << "LinesNum=1\r\nLabelsNum=0" << okLine << okLabel;
    }
    void malformedTemplates()
    {
        QFETCH(QString, info);
        QFETCH(QString, line);
        QFETCH(QString, label);
        const QString text = QStringLiteral("[Information]\r\n") + info + QStringLiteral("\r\n[Lines]\r\n0=") + line +
                             QStringLiteral("\r\n[Labels]\r\n0=") + label + QStringLiteral("\r\n");
        QVERIFY(!parseReportTemplate(text));
        // The open template, its orientation and the bindings stay as they were.
        auto s = openCard();
        QVERIFY(s->bind(1, 0));
        const QString bad = writeTemplate(text.split(QStringLiteral("\r\n")), QStringLiteral("bad.rpl"));
        m_p.expectMessage(QStringLiteral("文件格式错误，不是有效的报表模板文件。"), QStringLiteral("错误"));
        QVERIFY(!s->openTemplate(bad, m_p));
        QCOMPARE(s->labelCaptions().size(), 5);
        QCOMPARE(s->bindings().keys, QStringList{QStringLiteral("2 = 1")});
    }

    // A template with 10000 records at most opens; a count of 10000 whose records are missing is
    // refused at the first missing one, without reading on.
    void largestTemplates()
    {
        QStringList lines{QStringLiteral("[Information]"), QStringLiteral("LinesNum=10000"),
                          QStringLiteral("LabelsNum=-1"), QStringLiteral("[Lines]")};
        for (int i = 0; i <= 10000; ++i)
            lines << QStringLiteral("%1=%1,0,%1,100").arg(i);
        const std::optional<ReportTemplate> t = parseReportTemplate(lines.join(QStringLiteral("\r\n")));
        QVERIFY(t);
        QCOMPARE(t->lines.size(), 10001);
        lines.removeLast();
        QVERIFY(!parseReportTemplate(lines.join(QStringLiteral("\r\n"))));
    }

    // Opening a template takes its orientation and drops the bindings; captions in Combo1 keep
    // "[/]" for their line breaks.
    void openingReplacesEverything()
    {
        auto s = openCard();
        QCOMPARE(s->labelCaptions(),
                 (QStringList{QStringLiteral("姓名"), QStringLiteral("（姓名）"), QStringLiteral("总分"),
                              QStringLiteral("（总分）"), QStringLiteral("评语：[/]认真")}));
        QVERIFY(s->bind(4, 2));
        QCOMPARE(s->bindings().display, QStringList{QStringLiteral("评语：[/]认真 = 总分")});
        QVERIFY(s->openTemplate(writeTemplate(cardLines(QStringLiteral("-1")), QStringLiteral("wide.rpl")), m_p));
        QVERIFY(s->landscape());
        QVERIFY(s->bindings().keys.isEmpty());
        // The preview page turns with the paper.
        QCOMPARE(s->preview()->Width(), kA4Height);
        s->setLandscape(false);
        QCOMPARE(s->preview()->Width(), kA4Width);
    }

    // 绑定: a second identical binding is not added; a label may be bound to two fields.
    void binding()
    {
        auto s = openCard();
        QVERIFY(s->bind(1, 0));
        QVERIFY(!s->bind(1, 0));
        QVERIFY(s->bind(1, 2));
        QVERIFY(!s->bind(5, 0));
        QVERIFY(!s->bind(0, 3));
        QVERIFY(!s->bind(-1, 0));
        QCOMPARE(s->bindings().display,
                 (QStringList{QStringLiteral("（姓名） = 姓名"), QStringLiteral("（姓名） = 总分")}));
        QCOMPARE(s->bindings().keys, (QStringList{QStringLiteral("2 = 1"), QStringLiteral("2 = 3")}));
        // At printing the last binding of a label wins.
        QCOMPARE(s->pageTexts(2)[1], QStringLiteral("87"));
    }

    void unbinding()
    {
        auto s = openCard();
        s->bind(1, 0);
        s->bind(3, 2);
        m_p.expectQuestion(QStringLiteral("是否取消绑定：（姓名） = 姓名 ？"), ui::Answer::No, QStringLiteral("提示"));
        QVERIFY(!s->unbind(0, m_p));
        QCOMPARE(s->bindings().keys.size(), 2);
        m_p.expectQuestion(QStringLiteral("是否取消绑定：（姓名） = 姓名 ？"), ui::Answer::Yes, QStringLiteral("提示"));
        QVERIFY(s->unbind(0, m_p));
        QCOMPARE(s->bindings().display, QStringList{QStringLiteral("（总分） = 总分")});
        QCOMPARE(s->bindings().keys, QStringList{QStringLiteral("4 = 3")});
        QVERIFY(!s->unbind(1, m_p));
    }

    // The file: magic line, display and key lines, GBK, CR LF — written and read byte for byte.
    void bindingFileBothWays()
    {
        const QByteArray bytes = base::codec::encode(QStringLiteral(
            "ZUN'S Scorvane 报表数据绑定文件\r\n（姓名） = 姓名\r\n2 = 1\r\n评语：[/]认真 = 总分\r\n5 = 3\r\n"));
        QVERIFY(bytes.contains("\xd0\xd5\xc3\xfb")); // 姓名 in GBK
        const std::optional<Bindings> b = parseBindingFile(bytes);
        QVERIFY(b);
        QCOMPARE(b->display, (QStringList{QStringLiteral("（姓名） = 姓名"), QStringLiteral("评语：[/]认真 = 总分")}));
        QCOMPARE(b->keys, (QStringList{QStringLiteral("2 = 1"), QStringLiteral("5 = 3")}));
        QCOMPARE(bindingFileBytes(*b), bytes);

        // Saved from the window: the same bytes, the caption's line break as "[/]".
        auto s = openCard();
        s->bind(1, 0);
        s->bind(4, 2);
        QVERIFY(s->saveBindings(QStringLiteral("成绩单"), m_p));
        QFile f(m_ws->bindingDir() + QStringLiteral("成绩单.bind"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        QCOMPARE(s->bindingFiles(), QStringList{QStringLiteral("成绩单.bind")});
    }

    void malformedBindingFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray magic = base::codec::encode(QStringLiteral("ZUN'S Scorvane 报表数据绑定文件\r\n"));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no magic") << QByteArray("a = b\r\n1 = 1\r\n");
        QTest::newRow("magic in UTF-8") << QStringLiteral("ZUN'S Scorvane 报表数据绑定文件\r\n").toUtf8();
        QTest::newRow("key line missing") << magic + "x = y\r\n";
        QTest::newRow("key line of words") << magic + "x = y\r\na = b\r\n";
        QTest::newRow("key line without spaces") << magic + "x = y\r\n2=1\r\n";
        QTest::newRow("negative number") << magic + "x = y\r\n-2 = 1\r\n";
        QTest::newRow("number too long") << magic + "x = y\r\n99999999999 = 1\r\n";
        QTest::newRow("lines out of step") << magic + "2 = 1\r\nx = y\r\n3 = 1\r\n";
    }
    void malformedBindingFiles()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!parseBindingFile(bytes));
        auto s = openCard();
        s->bind(1, 0);
        QDir().mkpath(m_ws->bindingDir());
        QVERIFY(base::codec::writeBytes(m_ws->bindingDir() + QStringLiteral("坏.bind"), bytes));
        m_p.expectMessage(QStringLiteral("文件格式错误，不是有效的引用数据文件。"), QStringLiteral("错误"));
        QVERIFY(!s->loadBindings(QStringLiteral("坏.bind"), m_p));
        QCOMPARE(s->bindings().keys, QStringList{QStringLiteral("2 = 1")});
    }

    // Loading replaces the bindings; a missing file, or a name reaching outside the folder, is
    // "引用数据文件不存在。".
    void loadingBindings()
    {
        auto s = openCard();
        QDir().mkpath(m_ws->bindingDir());
        QVERIFY(base::codec::writeLines(
            m_ws->bindingDir() + QStringLiteral("a.bind"),
            {kBindingMagic, QStringLiteral("（总分） = 总分"), QStringLiteral("4 = 3"), QString()}));
        s->bind(1, 0);
        QVERIFY(s->loadBindings(QStringLiteral("a.bind"), m_p));
        QCOMPARE(s->bindings().keys, QStringList{QStringLiteral("4 = 3")});
        for (const QString &name : {QStringLiteral("无.bind"), QStringLiteral("../card.rpl"), QString()}) {
            m_p.expectMessage(QStringLiteral("引用数据文件不存在。"), QStringLiteral("错误"));
            QVERIFY(!s->loadBindings(name, m_p));
        }
        QCOMPARE(s->bindings().keys, QStringList{QStringLiteral("4 = 3")});
    }

    // A loaded binding of a label the template lacks, or of a field that is not a column, has no
    // effect; the others still print.
    void staleBindingsWithoutEffect()
    {
        auto s = openCard();
        QDir().mkpath(m_ws->bindingDir());
        QVERIFY(base::codec::writeLines(m_ws->bindingDir() + QStringLiteral("旧.bind"),
                                        {kBindingMagic, QStringLiteral("x = y"), QStringLiteral("9 = 1"),
                                         QStringLiteral("x = y"), QStringLiteral("2 = 40"), QStringLiteral("x = y"),
                                         QStringLiteral("2 = 0"), QStringLiteral("x = y"), QStringLiteral("4 = 3")}));
        QVERIFY(s->loadBindings(QStringLiteral("旧.bind"), m_p));
        QCOMPARE(s->pageTexts(6),
                 (QStringList{QStringLiteral("姓名"), QStringLiteral("（姓名）"), QStringLiteral("总分"),
                              QStringLiteral("91"), QStringLiteral("评语：\r\n认真")}));
    }

    // 保存当前引用: the name box; Cancel and an empty name write nothing; a name that cannot be a
    // file name gives the save-failure message.
    void savingNames_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<bool>("failure");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("a name") << std::optional<QString>(QStringLiteral("一班")) << false
                                << QStringList{QStringLiteral("一班.bind")};
        QTest::newRow("the default") << std::optional<QString>(QStringLiteral("未命名的引用")) << false
                                     << QStringList{QStringLiteral("未命名的引用.bind")};
        QTest::newRow("cancel") << std::optional<QString>() << false << QStringList{};
        QTest::newRow("empty") << std::optional<QString>(QString()) << false << QStringList{};
        QTest::newRow("a slash") << std::optional<QString>(QStringLiteral("a/b")) << true << QStringList{};
        QTest::newRow("a colon") << std::optional<QString>(QStringLiteral("a:b")) << true << QStringList{};
    }
    void savingNames()
    {
        QFETCH(std::optional<QString>, answer);
        QFETCH(bool, failure);
        QFETCH(QStringList, files);
        auto s = openCard();
        s->bind(1, 0);
        m_p.expectInput(QStringLiteral("请输入要保存的引用数据的文件名:"), answer, QStringLiteral("保存"));
        if (failure)
            m_p.expectMessage(QStringLiteral("文件保存失败，请检查介质是否可写、输入的文件名是否合法。"),
                              QStringLiteral("错误"));
        QCOMPARE(s->menuSaveLink(m_p), !failure && !files.isEmpty());
        QCOMPARE(m_p.shown.first().preset, QStringLiteral("未命名的引用"));
        QCOMPARE(QDir(m_ws->bindingDir()).entryList(QDir::Files | QDir::Hidden), files);
    }

    void itemChoices_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("one");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QList<int>>("items");
        QTest::newRow("one") << int(ItemChoice::One) << 4 << 1 << 1 << QList<int>{4};
        QTest::newRow("all") << int(ItemChoice::All) << 1 << 1 << 1 << QList<int>{1, 2, 3, 4, 5, 6};
        QTest::newRow("3 to 5") << int(ItemChoice::Range) << 1 << 3 << 5 << QList<int>{3, 4, 5};
        QTest::newRow("last before first: guarded") << int(ItemChoice::Range) << 1 << 5 << 2 << QList<int>{5};
        QTest::newRow("beyond the table") << int(ItemChoice::Range) << 1 << 5 << 99 << QList<int>{5, 6};
        QTest::newRow("one outside") << int(ItemChoice::One) << 0 << 1 << 1 << QList<int>{};
    }
    void itemChoices()
    {
        QFETCH(int, kind);
        QFETCH(int, one);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QList<int>, items);
        ReportSession s(m_doc, formula::calculator(*m_ws), *m_ws);
        QCOMPARE(s.itemChoices().join(QLatin1Char(',')), QStringLiteral("1,2,3,4,5,6"));
        QCOMPARE(s.items(ItemChoice{ItemChoice::Kind(kind), one, first, last}), items);
    }

    // Items 3 to 5: three pages, rows 3, 4 and 5, bound labels with the row's values (a formula's
    // result), the others their text, lines in black with the program's pen width.
    void printsOnePagePerItem()
    {
        m_ws->printCopies = 2;
        m_ws->printLineWidth = 3;
        auto s = openCard();
        s->bind(1, 0);
        s->bind(3, 2);
        QVERIFY(s->print(s->items(ItemChoice{ItemChoice::Range, 1, 3, 5}), m_p));
        QCOMPARE(m_printers->applied.size(), 1);
        QCOMPARE(m_printers->applied[0], (PrinterValues{2, -3, 3, 1, 1}));
        const QList<QStringList> pages = pageTexts(*m_printers->jobs[0]);
        QCOMPARE(pages.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(pages[i],
                     (QStringList{QStringLiteral("姓名"), QStringLiteral("学生%1").arg(3 + i), QStringLiteral("总分"),
                                  QString::number(88 + i), QStringLiteral("评语："), QStringLiteral("认真")}));
        int lines = 0;
        for (const Call &c : *m_printers->jobs[0])
            if (c.kind == Call::Line) {
                ++lines;
                QCOMPARE(c.color, qRgb(0, 0, 0));
                QCOMPARE(c.penWidth, 3 * 15.0);
            }
        QCOMPARE(lines, 6);
    }

    // Label geometry: the text at the label's left and top in its font and colour; the second line
    // of a "[/]" text one line below at the same left.
    void labelsOnThePage()
    {
        auto s = openCard();
        RecordingSurface page;
        s->layout(page, {2});
        QList<const Call *> texts;
        for (const Call &c : page.calls())
            if (c.kind == Call::Text)
                texts << &c;
        QCOMPARE(texts.size(), 6);
        QCOMPARE(texts[3]->text, QStringLiteral("（总分）"));
        QCOMPARE(texts[3]->color, qRgb(255, 0, 0));
        QCOMPARE(texts[3]->x1, 3000.0);
        QCOMPARE(texts[3]->y1, 2300.0);
        QCOMPARE(texts[4]->text, QStringLiteral("评语："));
        QCOMPARE(texts[5]->text, QStringLiteral("认真"));
        QCOMPARE(texts[5]->x1, 1200.0);
        QCOMPARE(texts[5]->y1, 4000.0 + 11 * 20);
    }

    // Landscape templates print landscape; no items, or no template, start no job.
    void orientationAndEmptyRuns()
    {
        auto s = openCard(cardLines(QStringLiteral("-1")));
        QVERIFY(s->print({1}, m_p));
        QCOMPARE(m_printers->applied.last().orientation, 2);
        QVERIFY(!s->print({}, m_p));
        ReportSession none(m_doc, formula::calculator(*m_ws), *m_ws);
        QVERIFY(!none.print({1, 2}, m_p));
        QCOMPARE(m_printers->jobs.size(), 1);
        const QString pdf = m_dir->filePath(QStringLiteral("none.pdf"));
        QVERIFY(!s->exportPdf({}, pdf, *m_ws, m_p));
        QVERIFY(!QFile::exists(pdf));
    }

    // 报表编辑器: a native designer beside the program first, else the .exe; neither: the message.
    void startsTheDesigner()
    {
        QStringList started;
        const auto start = [&](const QString &program) {
            started << program;
            return true;
        };
        m_p.expectMessage(QStringLiteral("无法找到组件：报表生成器.exe"), QStringLiteral("错误"));
        QVERIFY(!startReportDesigner(*m_ws, m_p, start));
        QFile exe(m_ws->programDir() + QStringLiteral("报表生成器.exe"));
        QVERIFY(exe.open(QIODevice::WriteOnly));
        exe.close();
        QVERIFY(startReportDesigner(*m_ws, m_p, start));
        QFile native(m_ws->programDir() + QStringLiteral("报表生成器"));
        QVERIFY(native.open(QIODevice::WriteOnly));
        native.close();
        native.setPermissions(native.permissions() | QFileDevice::ExeOwner);
        QVERIFY(startReportDesigner(*m_ws, m_p, start));
        QCOMPARE(started, (QStringList{m_ws->programDir() + QStringLiteral("报表生成器.exe"),
                                       m_ws->programDir() + QStringLiteral("报表生成器")}));
        // One that cannot be started is reported like a missing one.
        m_p.expectMessage(QStringLiteral("无法找到组件：报表生成器.exe"), QStringLiteral("错误"));
        QVERIFY(!startReportDesigner(*m_ws, m_p, [](const QString &) { return false; }));
    }
};

QTEST_MAIN(ReportTest)
#include "tst_report.moc"
