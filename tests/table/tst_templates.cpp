// Field templates: the record layout both ways, the reader's refusals, names, the menu list and
// applying with undo.
#include "core/base/workspace.h"
#include "core/table/templates.h"
#include "scripted_prompter.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace table;

namespace {
QByteArray gbk(const char *hex)
{
    return QByteArray::fromHex(hex);
}
const QByteArray kMagicBytes = QByteArray("ZUN'S ") + gbk("b1edb8f1c4a3b0e6cec4bcfe");
const QByteArray k语文 = gbk("d3efcec4"), k数学 = gbk("cafdd1a7"), k英语 = gbk("d3a2d3ef");

// One record as the layout has it: little-endian length, the bytes, zeros to 128 (or none).
QByteArray record(const QByteArray &value, bool padded = true, int length = -1)
{
    const int l = length < 0 ? static_cast<int>(value.size()) : length;
    QByteArray r;
    r.append(static_cast<char>(l & 0xFF)).append(static_cast<char>(l >> 8)).append(value);
    if (padded)
        r.append(QByteArray(128 - r.size(), '\0'));
    return r;
}

QByteArray threeSubjects(bool lastPadded)
{
    return record(kMagicBytes) + record("4") + record("  ") + record(k语文) + record(k数学) + record(k英语, lastPadded);
}

GradeTable tableWith(const QStringList &fields)
{
    GradeTable t;
    t.grid.setRows(3);
    t.grid.setCols(static_cast<int>(fields.size()) + 1);
    for (int c = 1; c < t.grid.Cols(); ++c)
        t.grid.setTextMatrix(0, c, fields[c - 1]);
    t.rebuildHeader();
    t.grid.setTextMatrix(1, 1, QStringLiteral("85"));
    return t;
}

const QString kBad = QStringLiteral("模版文件格式错误!");
const QString kRelabel = QStringLiteral("应用模版将改变字段结构，现有数据不会移动。是否继续？");
} // namespace

class TemplatesTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<base::Workspace> m_ws;

    void put(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(m_ws->templateDir());
        QFile f(m_ws->templateDir() + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray fileBytes(const QString &name)
    {
        QFile f(m_ws->templateDir() + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_ws = std::make_unique<base::Workspace>(m_dir.path());
    }

    void handMadeTemplateApplies_data()
    {
        QTest::addColumn<bool>("lastPadded");
        QTest::newRow("whole records") << true;
        QTest::newRow("ends after the last value") << false;
    }
    void handMadeTemplateApplies()
    {
        QFETCH(bool, lastPadded);
        put(QStringLiteral("三科.templet"), threeSubjects(lastPadded));
        GradeTable t = tableWith({QStringLiteral("姓名")});
        ScriptedPrompter p;
        p.expectQuestion(kRelabel, ui::Answer::Yes, QStringLiteral("提示"));
        QVERIFY(askApplyTemplate(t, *m_ws, p, QStringLiteral("三科.templet")));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  |语文|数学|英语"));
        QCOMPARE(t.grid.Cols(), 4);
        QCOMPARE(t.grid.TextMatrix(1, 1), QStringLiteral("85"));
        QVERIFY(t.isModified());
        // Undo takes the names and the added columns back.
        t.undo();
        QCOMPARE(t.grid.Cols(), 2);
        QCOMPARE(t.grid.TextMatrix(0, 1), QStringLiteral("姓名"));
    }

    // Relabelling students' cells is asked first; No leaves the table as it was.
    void applyAsksBeforeRelabellingStudents_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<bool>("students");
        QTest::addColumn<int>("asked"); // 0: not asked, 1: answered No, 2: answered Yes
        const QStringList same{QStringLiteral("语文"), QStringLiteral(" 数学"), QStringLiteral("英语")};
        QTest::newRow("same fields") << same << true << 0;
        QTest::newRow("no students") << QStringList{QStringLiteral("性别")} << false << 0;
        QTest::newRow("other names, no") << QStringList{QStringLiteral("性别"), QStringLiteral("数学"),
                                                        QStringLiteral("英语")}
                                         << true << 1;
        QTest::newRow("other names, yes")
            << QStringList{QStringLiteral("性别"), QStringLiteral("数学"), QStringLiteral("英语")} << true << 2;
        QTest::newRow("fewer fields") << QStringList{QStringLiteral("语文"), QStringLiteral("数学")} << true << 1;
        QTest::newRow("more fields") << (same + QStringList{QStringLiteral("备注")}) << true << 1;
    }
    void applyAsksBeforeRelabellingStudents()
    {
        QFETCH(QStringList, fields);
        QFETCH(bool, students);
        QFETCH(int, asked);
        put(QStringLiteral("三科.templet"), threeSubjects(true));
        GradeTable t = tableWith(fields);
        if (!students)
            t.grid.setTextMatrix(1, 1, QString());
        const QString before = t.grid.FormatString();
        ScriptedPrompter p;
        if (asked)
            p.expectQuestion(kRelabel, asked == 2 ? ui::Answer::Yes : ui::Answer::No, QStringLiteral("提示"));
        QCOMPARE(askApplyTemplate(t, *m_ws, p, QStringLiteral("三科.templet")), asked != 1);
        VERIFY_PROMPTS(p);
        if (asked)
            QCOMPARE(p.shown[0].defaultAnswer, ui::Answer::No);
        if (asked == 1) {
            QCOMPARE(t.grid.FormatString(), before);
            QVERIFY(!t.isModified());
            QVERIFY(!t.undoEnabled());
        } else {
            QCOMPARE(t.grid.TextMatrix(0, 1), QStringLiteral("语文"));
        }
    }

    void savedTemplateIsTheRecordLayout()
    {
        GradeTable t = tableWith({QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语")});
        ScriptedPrompter p;
        QVERIFY(ui::report(p, saveTemplate(t.grid, *m_ws, QStringLiteral("三科"))));
        QCOMPARE(fileBytes(QStringLiteral("三科.templet")), threeSubjects(true));
        // Saving a shorter structure over it leaves no records of the old one.
        GradeTable one = tableWith({QStringLiteral("语文")});
        QVERIFY(ui::report(p, saveTemplate(one.grid, *m_ws, QStringLiteral("三科"))));
        QCOMPARE(fileBytes(QStringLiteral("三科.templet")),
                 record(kMagicBytes) + record("2") + record("  ") + record(k语文));
        VERIFY_PROMPTS(p);
    }

    void missingSegmentsComeFromTheHeaderCells()
    {
        GradeTable t = tableWith({QStringLiteral("A"), QString(), QStringLiteral("C")});
        t.grid.setFormatString(QStringLiteral("   |A"));
        QCOMPARE(templateSegments(t.grid),
                 (QStringList{QStringLiteral("   "), QStringLiteral("A"), QStringLiteral("   "), QStringLiteral("C")}));
    }

    void brokenTemplatesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray head = record(kMagicBytes);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("wrong magic") << record("ZUN'S table") + record("2") + record("  ") + record("A");
        QTest::newRow("magic cut short") << record(kMagicBytes, false).left(10);
        QTest::newRow("count missing") << head;
        QTest::newRow("count 0") << head + record("0") + record("  ");
        QTest::newRow("count 32768") << head + record("32768") + record("  ");
        QTest::newRow("count negative") << head + record("-1") + record("  ");
        QTest::newRow("count not a number") << head + record("3x") + record("  ") + record("A") + record("B");
        QTest::newRow("fewer records than C + 2") << head + record("4") + record("  ") + record("A") + record("B");
        QTest::newRow("huge count, tiny file") << head + record("32767") + record("  ");
        QTest::newRow("length over 126") << head + record("2") + record("  ") + record(QByteArray(127, 'x'), false);
        QTest::newRow("length beyond the file") << head + record("2") + record("  ") + record("AB", false, 20);
        QTest::newRow("bar in a value") << head + record("3") + record("  ") + record("A|B") + record("C");
    }
    void brokenTemplatesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!parseTemplate(bytes));
        put(QStringLiteral("bad.templet"), bytes);
        GradeTable t = tableWith({QStringLiteral("姓名"), QStringLiteral("语文")});
        ScriptedPrompter p;
        p.expectMessage(kBad, QStringLiteral("提示"));
        QVERIFY(!askApplyTemplate(t, *m_ws, p, QStringLiteral("bad.templet")));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  |姓名|语文"));
        QVERIFY(!t.undoEnabled());
        QVERIFY(!t.isModified());
    }

    void onlyFilesOfTheFolderAreApplied_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("missing") << QStringLiteral("nothing.templet");
        QTest::newRow("outside the folder") << QStringLiteral("../outside.templet");
        QTest::newRow("hidden") << QStringLiteral(".x.templet");
    }
    void onlyFilesOfTheFolderAreApplied()
    {
        QFETCH(QString, entry);
        put(QStringLiteral("../outside.templet"), threeSubjects(true));
        put(QStringLiteral(".x.templet"), threeSubjects(true));
        GradeTable t = tableWith({QStringLiteral("A")});
        ScriptedPrompter p;
        p.expectMessage(kBad);
        QVERIFY(!askApplyTemplate(t, *m_ws, p, entry));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.grid.Cols(), 2);
    }

    void aValueTooLongRefusesTheSave()
    {
        put(QStringLiteral("old.templet"), threeSubjects(true));
        // 63 characters of two bytes each fit; 64 are 128 bytes.
        GradeTable fits = tableWith({QString(63, QChar(0x8BED))});
        GradeTable tooLong = tableWith({QStringLiteral("A"), QString(64, QChar(0x8BED))});
        ScriptedPrompter p;
        p.expectMessage(QStringLiteral("字段名称过长，无法保存为模版。"), QStringLiteral("提示"));
        QVERIFY(!ui::report(p, saveTemplate(tooLong.grid, *m_ws, QStringLiteral("old"))));
        QCOMPARE(fileBytes(QStringLiteral("old.templet")), threeSubjects(true));
        QVERIFY(ui::report(p, saveTemplate(fits.grid, *m_ws, QStringLiteral("fits"))));
        VERIFY_PROMPTS(p);
        QCOMPARE(readTemplateFile(m_ws->templateDir() + QStringLiteral("fits.templet"))->at(1),
                 QString(63, QChar(0x8BED)));
    }

    void templateNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const QString illegal = QStringLiteral("文件名中包含了诸如“\\/*?”之类的非法字符，请重新输入。");
        QTest::newRow("slash") << QStringLiteral("a/b") << illegal;
        QTest::newRow("parent") << QStringLiteral("..") << illegal;
        QTest::newRow("bar") << QStringLiteral("a|b") << illegal;
        QTest::newRow("question mark") << QStringLiteral("新?") << illegal;
        QTest::newRow("leading dot") << QStringLiteral(".模版") << illegal;
        QTest::newRow("line break") << QStringLiteral("a\nb") << illegal;
        QTest::newRow("61 characters") << QString(61, QLatin1Char('x'))
                                       << QStringLiteral("模版名称不能超过60个字符，请重新输入。");
    }
    void templateNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        GradeTable t = tableWith({QStringLiteral("A")});
        ScriptedPrompter p;
        const QString prompt = QStringLiteral("请输入要保存的模版名称:");
        p.expectInput(prompt, name, QStringLiteral("保存模版"));
        p.expectMessage(message, QStringLiteral("提示"));
        p.expectInput(prompt, QStringLiteral(" 好名字 "));
        p.expectMessage(QStringLiteral("已保存模版“ 好名字 ”，共 1 个字段。"), QStringLiteral("提示"));
        QVERIFY(askSaveTemplate(t, *m_ws, p));
        VERIFY_PROMPTS(p);
        // The name is used untrimmed; nothing was written anywhere else.
        QCOMPARE(templateMenuEntries(*m_ws), QStringList{QStringLiteral(" 好名字 .templet")});
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
    }

    void blankNameStopsSilently()
    {
        GradeTable t = tableWith({QStringLiteral("A")});
        ScriptedPrompter p;
        p.expectInput(QStringLiteral("请输入要保存的模版名称:"), QStringLiteral("   "));
        QVERIFY(!askSaveTemplate(t, *m_ws, p));
        VERIFY_PROMPTS(p);
        QVERIFY(templateMenuEntries(*m_ws).isEmpty());
    }

    void menuListsTemplatesSortedByName()
    {
        QVERIFY(!QDir(m_ws->templateDir()).exists());
        QVERIFY(templateMenuEntries(*m_ws).isEmpty());
        QVERIFY(QDir(m_ws->templateDir()).exists()); // created on first listing
        for (const char *name : {"b.templet", "语文.templet", "A.templet", "a.templet", "notes.txt", "c.templet.bak"})
            put(QString::fromUtf8(name), threeSubjects(true));
        QDir().mkpath(m_ws->templateDir() + QStringLiteral("d.templet"));
        QCOMPARE(templateMenuEntries(*m_ws),
                 (QStringList{QStringLiteral("A.templet"), QStringLiteral("a.templet"), QStringLiteral("b.templet"),
                              QStringLiteral("语文.templet")}));
    }
};

QTEST_GUILESS_MAIN(TemplatesTest)
#include "tst_templates.moc"
