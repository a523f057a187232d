// Table files: the member layout byte for byte, load and save through the working file, the
// messages of every failure, interop with Info-ZIP, and files that lie about their size.
#include "core/base/archive.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "scripted_prompter.h"
#include "test_config.h"
#include "test_support.h"

#include <QDir>

#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace table;

namespace {
const QString kOpenFailed = QStringLiteral("文件打开失败！请确认文件格式正确，或确认您有权访问该文档。");
const QString kBadFormat = QStringLiteral("文件格式不正确!");
const QString kOverwrite = QStringLiteral("确实覆盖原有数据么？");

void fill(GradeTable &t, int students, const QStringList &fields)
{
    Grid &g = t.grid;
    g.setRows(students + 1);
    g.setCols(static_cast<int>(fields.size()) + 1);
    for (int c = 0; c < fields.size(); ++c)
        g.setTextMatrix(0, c + 1, fields[c]);
    for (int r = 1; r <= students; ++r)
        for (int c = 1; c <= fields.size(); ++c)
            g.setTextMatrix(r, c, QString::number(60 + (r * 7 + c * 3) % 40));
    t.rebuildHeader();
}

QByteArray memberBytes(const QStringList &lines)
{
    return base::codec::joinLines(lines);
}
} // namespace

class TableFileTest : public QObject {
    Q_OBJECT
    // A fresh program directory for every test function and data row.
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString dir() const { return m_tmp->path() + QLatin1Char('/'); }
    // A table archive made from raw member lines by the program's own packer.
    QString packLines(const QString &name, const QStringList &lines, const QString &password)
    {
        const QString path = dir() + name + QStringLiteral(".gdt");
        QFile::remove(path);
        base::archive::pack(memberBytes(lines), QStringLiteral("data.file"), path, password);
        return dir() + name;
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }

    void sixteenLineExample()
    {
        GradeTable t;
        t.title = QStringLiteral("期中");
        t.teacher = QStringLiteral("王");
        t.classInfo = QStringLiteral("初一(2)班");
        fill(t, 2, {QStringLiteral("语文"), QStringLiteral("数学")});
        t.grid.setTextMatrix(1, 1, QStringLiteral("85"));
        t.grid.setTextMatrix(1, 2, QStringLiteral("90"));
        t.grid.setTextMatrix(2, 1, QString());
        t.grid.setTextMatrix(2, 2, QStringLiteral("！公式：cell(?,1)*2"));
        const QStringList expected{kMagicLine,
                                   QStringLiteral("期中"),
                                   QStringLiteral("3"),
                                   QStringLiteral("3"),
                                   QStringLiteral("王"),
                                   QStringLiteral("初一(2)班"),
                                   QStringLiteral("###.##"),
                                   QStringLiteral("  "),
                                   QStringLiteral("语文"),
                                   QStringLiteral("数学"),
                                   QStringLiteral("1"),
                                   QStringLiteral("85"),
                                   QStringLiteral("90"),
                                   QStringLiteral("2"),
                                   QString(),
                                   QStringLiteral("！公式：cell(?,1)*2")};
        QCOMPARE(writeMember(t), expected);
        // On disk: GBK bytes, every line ended by CR LF, an empty cell an empty line.
        const QByteArray bytes = memberBytes(writeMember(t));
        QVERIFY(bytes.startsWith("ZUN'S Scorvane\xca\xfd\xbe\xdd\xce\xc4\xbc\xfe\r\n\xc6\xda\xd6\xd0\r\n3\r\n3\r\n"));
        QVERIFY(bytes.endsWith("\r\n2\r\n\r\n\xa3\xa1\xb9\xab\xca\xbd\xa3\xba"
                               "cell(?,1)*2\r\n"));
        QCOMPARE(bytes.count("\r\n"), 16);
    }

    void fortyStudentsSixFields()
    {
        GradeTable t;
        fill(t, 40,
             {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学"),
              QStringLiteral("英语"), QStringLiteral("总分")});
        QCOMPARE(t.grid.Rows(), 41);
        QCOMPARE(t.grid.Cols(), 7);
        QCOMPARE(writeMember(t).size(), 294);
    }

    void roundTripThroughArchive_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("unprotected");
        QTest::newRow("protected") << QStringLiteral("ABC@secret1") << false;
        QTest::newRow("unprotected save") << QStringLiteral("ABC@secret1") << true;
        QTest::newRow("no password at all") << QString() << false;
    }
    void roundTripThroughArchive()
    {
        QFETCH(QString, password);
        QFETCH(bool, unprotected);
        base::Workspace ws(dir());
        ws.tablePassword = password;
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        t.title = QStringLiteral("期末 €");
        t.teacher = QStringLiteral("李𠀀"); // outside code page 936
        t.classInfo = QStringLiteral("初二(3)班\n班主任：张\r\n共 40 人");
        t.numberFormat = QStringLiteral("###.0");
        fill(t, 40, {QStringLiteral("语文"), QStringLiteral("数|学"), QStringLiteral("备注")});
        t.grid.setTextMatrix(3, 3, QStringLiteral("转学\t(待定)"));
        t.unprotectedSave = unprotected;
        QVERIFY(file.save(t, dir() + QStringLiteral("a")));
        VERIFY_PROMPTS(p);
        QVERIFY(!t.unprotectedSave);
        QVERIFY(!QFile::exists(ws.workingFile()));
        QCOMPARE(ws.panelText(1), QStringLiteral("就绪"));

        // An unprotected table opens for another user; a protected one only with its password.
        ws.tablePassword = unprotected || password.isEmpty() ? QStringLiteral("other") : password;
        GradeTable back;
        QVERIFY(file.load(back, dir() + QStringLiteral("a"), true));
        VERIFY_PROMPTS(p);
        QCOMPARE(back.title, t.title);
        QCOMPARE(back.teacher, t.teacher);
        QCOMPARE(back.classInfo, QStringLiteral("初二(3)班\n班主任：张\n共 40 人"));
        QCOMPARE(back.numberFormat, t.numberFormat);
        QCOMPARE(back.grid.Rows(), 41);
        // "数|学" splits into two header cells when the header is rebuilt, adding a column.
        QCOMPARE(back.grid.Cols(), 5);
        QCOMPARE(back.grid.TextMatrix(0, 2), QStringLiteral("数"));
        QCOMPARE(back.grid.TextMatrix(0, 3), QStringLiteral("学"));
        QCOMPARE(back.grid.TextMatrix(3, 3), QStringLiteral("转学\t(待定)"));
        QCOMPARE(back.grid.TextMatrix(40, 1), t.grid.TextMatrix(40, 1));
        QCOMPARE(back.grid.Col(), 0);
        QCOMPARE(ws.panelText(2), QStringLiteral("当前表格：期末 €"));
        QVERIFY(!QFile::exists(ws.workingFile()));
    }

    void loadRebuildsHeaderAndRowNumbers()
    {
        base::Workspace ws(dir());
        ScriptedPrompter p;
        TableFile file(ws, p);
        const QString name =
            packLines(QStringLiteral("h"),
                      {kMagicLine, QStringLiteral("T"), QStringLiteral("3"), QStringLiteral("2"), QString(), QString(),
                       QStringLiteral("###.##"), QStringLiteral("xx"), QStringLiteral("分"), QStringLiteral("7"),
                       QStringLiteral("1"), QStringLiteral("9"), QStringLiteral("2")},
                      QString());
        GradeTable t;
        QVERIFY(file.load(t, name, true));
        QCOMPARE(t.grid.TextMatrix(0, 0), QStringLiteral("  "));
        QCOMPARE(t.grid.TextMatrix(1, 0), QStringLiteral("1"));
        QCOMPARE(t.grid.TextMatrix(2, 0), QStringLiteral("2"));
        QCOMPARE(t.grid.FormatString(), QStringLiteral("  |分"));
    }

    void loadFailures_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("message");
        const QStringList head{QStringLiteral("T"), QStringLiteral("2"), QStringLiteral("2")};
        QStringList good{kMagicLine,          QStringLiteral("T"), QStringLiteral("2"),      QStringLiteral("2"),
                         QString(),           QString(),           QStringLiteral("###.##"), QStringLiteral("  "),
                         QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("5")};
        auto with = [&](int line, const QString &v) {
            QStringList l = good;
            l[line] = v;
            return l;
        };
        QTest::newRow("magic line with trailing blank") << with(0, kMagicLine + QLatin1Char(' ')) << kBadFormat;
        QTest::newRow("magic line other case") << with(0, QStringLiteral("zun'S Scorvane数据文件")) << kBadFormat;
        QTest::newRow("empty member") << QStringList() << kBadFormat;
        QTest::newRow("rows not a number") << with(2, QStringLiteral("many")) << kBadFormat;
        QTest::newRow("negative columns") << with(3, QStringLiteral("-4")) << kBadFormat;
        QTest::newRow("zero rows") << with(2, QStringLiteral("0")) << kBadFormat;
        QTest::newRow("beyond 16 bits") << with(2, QStringLiteral("40000")) << kBadFormat;
        QTest::newRow("product far beyond the file") << with(2, QStringLiteral("30000")) << kBadFormat;
        QTest::newRow("huge both") << with(3, QStringLiteral("32767")) << kBadFormat;
        QTest::newRow("header cut short")
            << QStringList{kMagicLine, QStringLiteral("T"), QStringLiteral("2")} << kBadFormat;
    }
    void loadFailures()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, message);
        base::Workspace ws(dir());
        ScriptedPrompter p;
        TableFile file(ws, p);
        const QString name = packLines(QStringLiteral("bad"), lines, QString());
        p.expectMessage(message, QStringLiteral("提示"));
        GradeTable t;
        t.title = QStringLiteral("keep");
        QVERIFY(!file.load(t, name, true));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.title, QStringLiteral("keep"));
        QCOMPARE(ws.panelText(1), QStringLiteral("就绪"));
        QVERIFY(!ws.busy());
        QVERIFY(!QFile::exists(ws.workingFile()));
    }

    // Damaged tables kept in the data folder: each gives one of the loader's messages and
    // changes nothing.
    void brokenFilesFromTheDataFolder_data()
    {
        QTest::addColumn<QString>("path");
        const QDir broken(QStringLiteral(SCORVANE_TEST_DATA "/broken"));
        const QStringList names = broken.entryList({QStringLiteral("*.gdt")}, QDir::Files);
        QVERIFY(!names.isEmpty());
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << broken.filePath(name);
    }

    void brokenFilesFromTheDataFolder()
    {
        QFETCH(QString, path);
        base::Workspace ws(dir());
        ws.tablePassword = QStringLiteral("T@pw");
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        QVERIFY(!file.load(t, tableNameFromPath(path), true));
        QCOMPARE(p.shown.size(), 1);
        QVERIFY2(p.shown.first().text == QStringLiteral("文件格式不正确!") ||
                     p.shown.first().text ==
                         QStringLiteral("文件打开失败！请确认文件格式正确，或确认您有权访问该文档。"),
                 qPrintable(p.shown.first().text));
        QCOMPARE(t.grid.Rows(), 2);
        QCOMPARE(filesIn(dir()), QStringList());
        p.clear();
    }

    void shortFileMissingOneRowStillLoads()
    {
        // Trailing empty cells dropped by an editor: the missing lines read as empty cells.
        base::Workspace ws(dir());
        ScriptedPrompter p;
        TableFile file(ws, p);
        const QString name = packLines(QStringLiteral("short"),
                                       {kMagicLine, QStringLiteral("T"), QStringLiteral("2"), QStringLiteral("3"),
                                        QString(), QString(), QStringLiteral("###.##"), QStringLiteral("  "),
                                        QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("1")},
                                       QString());
        GradeTable t;
        QVERIFY(file.load(t, name, true));
        VERIFY_PROMPTS(p);
        QCOMPARE(t.grid.TextMatrix(1, 2), QString());
    }

    void wrongPasswordAndDamage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << QByteArray() << QStringLiteral("wrong");
        QTest::newRow("not an archive") << QByteArray("this is no zip file at all") << QStringLiteral("pw");
        QTest::newRow("truncated archive") << QByteArray("PK\x03\x04\x14\x00\x01\x00", 8) << QStringLiteral("pw");
    }
    void wrongPasswordAndDamage()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, password);
        base::Workspace ws(dir());
        ws.tablePassword = QStringLiteral("right");
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        fill(t, 3, {QStringLiteral("a")});
        QVERIFY(file.save(t, dir() + QStringLiteral("pw")));
        if (!content.isEmpty()) {
            QFile f(dir() + QStringLiteral("pw.gdt"));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(content);
        }
        ws.tablePassword = password;
        p.expectMessage(kOpenFailed, QStringLiteral("错误"));
        GradeTable back;
        QVERIFY(!file.load(back, dir() + QStringLiteral("pw"), true));
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown.last().icon, ui::Icon::Critical);
        QVERIFY(!QFile::exists(ws.workingFile()));
        QCOMPARE(ws.panelText(1), QStringLiteral("就绪"));
    }

    void missingFileOrEmptyNameClosesSilently_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fullPath");
        QTest::newRow("missing") << QStringLiteral("nowhere/none") << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("blank") << QStringLiteral("   ") << false;
        QTest::newRow("relative to the data folder") << QStringLiteral("absent") << false;
    }
    void missingFileOrEmptyNameClosesSilently()
    {
        QFETCH(QString, name);
        QFETCH(bool, fullPath);
        base::Workspace ws(dir());
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        QVERIFY(!file.load(t, fullPath && !name.isEmpty() ? dir() + name : name, fullPath));
        VERIFY_PROMPTS(p);
        QCOMPARE(ws.panelText(1), QStringLiteral("就绪"));
    }

    void relativeNameUsesDataFolder()
    {
        base::Workspace ws(dir());
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        fill(t, 1, {QStringLiteral("a")});
        QVERIFY(file.save(t, ws.tableDataDir() + QStringLiteral("x")));
        GradeTable back;
        QVERIFY(file.load(back, QStringLiteral("x"), false));
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes replaces") << int(ui::Answer::Yes);
        QTest::newRow("no keeps the old file") << int(ui::Answer::No);
    }
    void overwriteQuestion()
    {
        QFETCH(int, answer);
        base::Workspace ws(dir());
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        fill(t, 2, {QStringLiteral("a")});
        t.title = QStringLiteral("old");
        const QString name = dir() + QStringLiteral("ow");
        QVERIFY(file.save(t, name));
        t.title = QStringLiteral("new");
        t.unprotectedSave = true;
        p.expectQuestion(kOverwrite, ui::Answer(answer), QStringLiteral("提示："));
        QCOMPARE(file.save(t, name), answer == int(ui::Answer::Yes));
        VERIFY_PROMPTS(p);
        QVERIFY(!t.unprotectedSave);
        GradeTable back;
        QVERIFY(file.load(back, name, true));
        QCOMPARE(back.title, answer == int(ui::Answer::Yes) ? QStringLiteral("new") : QStringLiteral("old"));
        QCOMPARE(back.filePath, QString());
    }

    void failedPackKeepsOldFile()
    {
        base::Workspace ws(dir());
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        fill(t, 2, {QStringLiteral("a")});
        // A folder that does not exist cannot take the archive.
        p.expectMessage(QStringLiteral("文件保存失败！请检查保存介质是否可写！"), QStringLiteral("错误"));
        QVERIFY(!file.save(t, dir() + QStringLiteral("no/such/folder/t")));
        VERIFY_PROMPTS(p);
        QVERIFY(!QFile::exists(ws.workingFile()));
        QCOMPARE(ws.panelText(1), QStringLiteral("就绪"));
    }

    void commandsUseDialogPath()
    {
        base::Workspace ws(dir());
        ws.tablePassword = QStringLiteral("pw");
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        fill(t, 1, {QStringLiteral("a")});
        // Save with no file path asks for one; cancel writes nothing, and Text7 stays empty.
        p.expectSaveFile(QString(), QStringLiteral("*.gdt"));
        QVERIFY(!file.saveToOwnFile(t));
        p.expectSaveFile(dir() + QStringLiteral("chosen.gdt"), QStringLiteral("*.gdt"));
        QVERIFY(file.saveToOwnFile(t));
        QVERIFY(QFile::exists(dir() + QStringLiteral("chosen.gdt")));
        QCOMPARE(t.filePath, QString());
        // Without protection: the archive opens with any password; a cancelled dialog leaves the
        // mark unset.
        p.expectSaveFile(QString());
        QVERIFY(!file.saveWithoutPassword(t));
        QVERIFY(!t.unprotectedSave);
        p.expectSaveFile(dir() + QStringLiteral("open.gdt"));
        QVERIFY(file.saveWithoutPassword(t));
        QVERIFY(!t.unprotectedSave);
        QVERIFY(base::archive::unpack(dir() + QStringLiteral("open.gdt"), QStringLiteral("data.file"),
                                      QStringLiteral("anything"))
                    .ok());
        QFile::remove(ws.workingFile());
        // With a file path: saved there, with the overwrite question.
        t.filePath = dir() + QStringLiteral("chosen");
        p.expectQuestion(kOverwrite, ui::Answer::Yes);
        QVERIFY(file.saveToOwnFile(t));
        VERIFY_PROMPTS(p);
    }

    void infoZipInterop()
    {
        const QString zip = QStandardPaths::findExecutable(QStringLiteral("zip"));
        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (zip.isEmpty() || unzip.isEmpty())
            QSKIP("zip/unzip not installed");
        base::Workspace ws(dir());
        ScriptedPrompter p;
        TableFile file(ws, p);
        GradeTable t;
        t.title = QStringLiteral("互通");
        fill(t, 5, {QStringLiteral("语文")});
        ws.tablePassword = QStringLiteral("ascii-pw");
        QVERIFY(file.save(t, dir() + QStringLiteral("ascii")));
        ProcessResult r = runProcess(unzip, {QStringLiteral("-P"), QStringLiteral("ascii-pw"), QStringLiteral("-p"),
                                             dir() + QStringLiteral("ascii.gdt"), QStringLiteral("data.file")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, memberBytes(writeMember(t)));

        // A table made by zip -j -P opens in the program.
        QFile f(dir() + QStringLiteral("data.file"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        GradeTable theirs;
        theirs.title = QStringLiteral("外来");
        fill(theirs, 3, {QStringLiteral("数学"), QStringLiteral("英语")});
        f.write(memberBytes(writeMember(theirs)));
        f.close();
        r = runProcess(zip, {QStringLiteral("-q"), QStringLiteral("-j"), QStringLiteral("-P"), QStringLiteral("zpw"),
                             dir() + QStringLiteral("theirs.gdt"), dir() + QStringLiteral("data.file")});
        QCOMPARE(r.exitCode, 0);
        QFile::remove(dir() + QStringLiteral("data.file"));
        ws.tablePassword = QStringLiteral("zpw");
        GradeTable back;
        QVERIFY(file.load(back, dir() + QStringLiteral("theirs"), true));
        VERIFY_PROMPTS(p);
        QCOMPARE(back.title, QStringLiteral("外来"));
        QCOMPARE(back.grid.TextMatrix(3, 2), theirs.grid.TextMatrix(3, 2));
    }

    void lineBreakEncoding_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("back");
        QTest::newRow("plain") << QStringLiteral("初一(2)班") << QStringLiteral("初一(2)班")
                               << QStringLiteral("初一(2)班");
        QTest::newRow("LF") << QStringLiteral("a\nb") << QStringLiteral("a[/]b") << QStringLiteral("a\nb");
        QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringLiteral("a[/]b") << QStringLiteral("a\nb");
        QTest::newRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a[/]b") << QStringLiteral("a\nb");
        QTest::newRow("trailing") << QStringLiteral("a\n") << QStringLiteral("a[/]") << QStringLiteral("a\n");
    }
    void lineBreakEncoding()
    {
        QFETCH(QString, value);
        QFETCH(QString, line);
        QFETCH(QString, back);
        QCOMPARE(toFileLine(value), line);
        QCOMPARE(fromFileLine(line), back);
    }

    // The member written in one buffer is the lines joined, and reading it gives every cell back:
    // short values shared between cells, line breaks, characters of two and four bytes.
    void memberRoundTrip()
    {
        GradeTable t;
        fill(t, 6, {QStringLiteral("语文"), QStringLiteral("备注")});
        const QStringList values = {QString(),
                                    QStringLiteral(" "),
                                    QStringLiteral("85"),
                                    QStringLiteral("92.5"),
                                    QStringLiteral("85"),
                                    QStringLiteral("a\nb"),
                                    QStringLiteral("1234567"),
                                    QStringLiteral("12345678"),
                                    QStringLiteral("王"),
                                    QStringLiteral("x[y]"),
                                    QStringLiteral("€𠀀\n"),
                                    QStringLiteral("！公式：cell(?,1)+1")};
        int k = 0;
        for (int r = 1; r < t.grid.Rows(); ++r)
            for (int c = 1; c < t.grid.Cols(); ++c)
                t.grid.setTextMatrix(r, c, values.at(k++ % values.size()));
        const QByteArray bytes = table::memberBytes(t);
        QCOMPARE(bytes, base::codec::joinLines(writeMember(t)));
        GradeTable back;
        QCOMPARE(readMember(bytes, back), MemberResult::Ok);
        for (int r = 1; r < t.grid.Rows(); ++r)
            for (int c = 1; c < t.grid.Cols(); ++c)
                QCOMPARE(back.grid.TextMatrix(r, c), t.grid.TextMatrix(r, c));
        // A value shared on reading is still each cell's own.
        back.grid.setTextMatrix(2, 1, QStringLiteral("90"));
        QCOMPARE(back.grid.TextMatrix(3, 1), QStringLiteral("85"));
    }

    void dialogPathWithoutExtension()
    {
        QCOMPARE(tableNameFromPath(QStringLiteral("/a/b.gdt")), QStringLiteral("/a/b"));
        QCOMPARE(tableNameFromPath(QStringLiteral("/a/b.GDT")), QStringLiteral("/a/b"));
        QCOMPARE(tableNameFromPath(QStringLiteral("/a/abc")), QStringLiteral("/a/abc"));
    }
};

QTEST_GUILESS_MAIN(TableFileTest)
#include "tst_table_file.moc"
