// The school tree file, the tree read from hand-edited files, the editor SchoolEditorDialog and the two
// ways of creating a table in a class.
#include "scripted_prompter.h"

#include "core/base/ini_profile.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/shell/new_table.h"
#include "core/shell/school_editor.h"
#include "core/shell/school_tree.h"
#include "core/table/grade_table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace shell;

namespace {

QString dump(const School &school)
{
    const QList<TreeNode> nodes = treeNodes(school);
    QStringList lines;
    for (int i = 0; i < nodes.size(); ++i)
        lines << nodes[i].key + QLatin1Char(' ') + QString::number(nodes[i].image) + QLatin1Char(' ') +
                     nodePath(nodes, i).join(QLatin1Char('/'));
    return lines.join(QLatin1Char('\n'));
}

QByteArray gbk(const char *utf8)
{
    return base::codec::encode(QString::fromUtf8(utf8));
}

class Target : public NewTableTarget {
public:
    table::GradeTable doc;
    QStringList titles;
    table::GradeTable &document() override { return doc; }
    void setTitle(const QString &title) override
    {
        doc.title = title;
        titles << title;
    }
};

const QString kDirectPrompt = QStringLiteral(
    "请输入新表格要使用的文件名称，可以使用中文，这要可以使该表格更易于管理。同时该文件名也将暂时作为表格的标题。");
const QString kWizardPrompt =
    QStringLiteral("请输入新表格要使用的文件名称，可以使用中文，这要可以使该表格更易于管理。");

} // namespace

class TestSchoolTree : public QObject {
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    base::Workspace *m_ws = nullptr;
    ScriptedPrompter m_prompter;

    void writeIni(const QByteArray &bytes)
    {
        QFile f(m_ws->schoolInfoFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void makeDirs(const QString &path) { QVERIFY(QDir().mkpath(m_ws->tableDataDir() + path)); }
    bool touch(const QString &path)
    {
        QFile f(m_ws->tableDataDir() + path);
        return f.open(QIODevice::WriteOnly);
    }
    // The school of the edge cases: 一年级 with (1)班 and (2)班, 二年级 without classes.
    static School example()
    {
        return {QStringLiteral("实验中学"),
                {{QStringLiteral("一年级"), {QStringLiteral("(1)班"), QStringLiteral("(2)班")}},
                 {QStringLiteral("二年级"), {}}}};
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_ws = new base::Workspace(m_dir->path());
        m_prompter.clear();
    }
    void cleanup()
    {
        VERIFY_PROMPTS(m_prompter);
        delete m_ws;
        delete m_dir;
    }

    // --- the file ---------------------------------------------------------------------------

    void exampleFileByteExact()
    {
        const QByteArray expected = gbk(";ZUN'S 通用Scorvane 学校关系树\r\n"
                                        ";由“班级编制”生成，请勿手工修改\r\n"
                                        "[School]\r\n"
                                        "Name=实验中学\r\n"
                                        "Grade=1\r\n"
                                        "Grade0=一年级\r\n"
                                        "Grade0Class=1\r\n"
                                        "Grade1=二年级\r\n"
                                        "Grade1Class=-1\r\n"
                                        "[Grade0]\r\n"
                                        "Class0=(1)班\r\n"
                                        "Class1=(2)班\r\n");
        QVERIFY(writeSchool(m_ws->schoolInfoFile(), example()));
        QByteArray bytes;
        QVERIFY(base::codec::readBytes(m_ws->schoolInfoFile(), &bytes));
        QCOMPARE(bytes, expected);
        // The profile reader finds every key where the system's own file has it.
        const QString f = m_ws->schoolInfoFile();
        QCOMPARE(base::ini::read(f, QStringLiteral("School"), QStringLiteral("Grade1Class"), {}), QStringLiteral("-1"));
        QCOMPARE(base::ini::read(f, QStringLiteral("Grade0"), QStringLiteral("Class1"), {}), QStringLiteral("(2)班"));

        const std::optional<School> back = readSchool(f);
        QVERIFY(back);
        QCOMPARE(*back, example());
        QCOMPARE(dump(*back), QStringLiteral("School1 1 实验中学\n"
                                             "Grade0 2 实验中学/一年级\n"
                                             "Grade0Class0 3 实验中学/一年级/(1)班\n"
                                             "Grade0Class1 3 实验中学/一年级/(2)班\n"
                                             "Grade1 2 实验中学/二年级"));
    }

    void editorBuildsTheExample()
    {
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        QCOMPARE(e.name(), kSchoolNamePlaceholder);
        e.nameFocusIn();
        QCOMPARE(e.name(), QString());
        e.nameEdited(QStringLiteral("实验中学"));
        m_prompter.expectInput(QStringLiteral("请输入一个年级的名称：（如：一年级）"), QStringLiteral("一年级"),
                               QStringLiteral("添加年级"));
        e.addGrade();
        m_prompter.expectInput(QStringLiteral("请输入一个班级的名称：（如：(1)班）"), QStringLiteral("(1)班"),
                               QStringLiteral("添加班级"));
        e.addClass();
        m_prompter.expectInput({}, QStringLiteral(" (2)班 "));
        e.addClass();
        m_prompter.expectInput({}, QStringLiteral("二年级"));
        e.addGrade();
        QCOMPARE(e.gradeIndex(), 1);
        QVERIFY(e.classes().isEmpty());
        QVERIFY(e.finish());
        QCOMPARE(readSchool(m_ws->schoolInfoFile()), std::optional<School>(example()));
    }

    void schoolWithoutGrades()
    {
        QVERIFY(writeSchool(m_ws->schoolInfoFile(), School{QStringLiteral("一中"), {}}));
        QByteArray bytes;
        QVERIFY(base::codec::readBytes(m_ws->schoolInfoFile(), &bytes));
        QVERIFY(bytes.endsWith("[School]\r\n" + gbk("Name=一中\r\nGrade=-1\r\n")));
        QCOMPARE(dump(*readSchool(m_ws->schoolInfoFile())), QStringLiteral("School1 1 一中"));
    }

    void missingFile() { QVERIFY(!readSchool(m_ws->schoolInfoFile())); }

    // A hand-edited file never hangs, crashes or shows a node read from a missing key.
    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("tree");
        const QString two = QStringLiteral("School1 1 校\nGrade0 2 校/甲\nGrade1 2 校/乙");
        QTest::newRow("count missing") << gbk("[School]\nName=校\nGrade0=甲\nGrade1=乙\n") << two;
        QTest::newRow("count not a number") << gbk("[School]\nName=校\nGrade=两个\nGrade0=甲\nGrade1=乙\n") << two;
        QTest::newRow("count with a fraction") << gbk("[School]\nName=校\nGrade=1.0\nGrade0=甲\nGrade1=乙\n") << two;
        QTest::newRow("count beyond the keys") << gbk("[School]\nName=校\nGrade=7\nGrade0=甲\nGrade1=乙\n") << two;
        QTest::newRow("count overflowing")
            << gbk("[School]\nName=校\nGrade=99999999999999999999999\nGrade0=甲\nGrade1=乙\n") << two;
        QTest::newRow("count below -1") << gbk("[School]\nName=校\nGrade=-7\nGrade0=甲\n")
                                        << QStringLiteral("School1 1 校");
        QTest::newRow("count below the keys") << gbk("[School]\nName=校\nGrade=0\nGrade0=甲\nGrade1=乙\n")
                                              << QStringLiteral("School1 1 校\nGrade0 2 校/甲");
        QTest::newRow("gap in the keys") << gbk("[School]\nName=校\nGrade=2\nGrade0=甲\nGrade2=丙\n")
                                         << QStringLiteral("School1 1 校\nGrade0 2 校/甲");
        QTest::newRow("class count missing")
            << gbk("[School]\nName=校\nGrade=0\nGrade0=甲\n[Grade0]\nClass0=一班\nClass1=二班\n")
            << QStringLiteral("School1 1 校\nGrade0 2 校/甲\nGrade0Class0 3 校/甲/一班\nGrade0Class1 3 校/甲/二班");
        QTest::newRow("class count beyond")
            << gbk("[School]\nName=校\nGrade=0\nGrade0=甲\nGrade0Class=40\n[Grade0]\nClass0=一班\n")
            << QStringLiteral("School1 1 校\nGrade0 2 校/甲\nGrade0Class0 3 校/甲/一班");
        QTest::newRow("class section missing") << gbk("[School]\nName=校\nGrade=0\nGrade0=甲\nGrade0Class=3\n")
                                               << QStringLiteral("School1 1 校\nGrade0 2 校/甲");
        QTest::newRow("keys in any case")
            << gbk("[school]\nname=校\ngrade=0\nGRADE0=甲\ngrade0class=0\n[grade0]\nclass0=一班\n")
            << QStringLiteral("School1 1 校\nGrade0 2 校/甲\nGrade0Class0 3 校/甲/一班");
        QTest::newRow("name missing") << gbk("[School]\nGrade=-1\n") << QStringLiteral("School1 1 ");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("School1 1 ");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe[\x80\x81=\r\r\n\x00", 11) << QStringLiteral("School1 1 ");
        QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF[School]\r\nName=") +
                                                QStringLiteral("实验中学").toUtf8() +
                                                QByteArray("\r\nGrade=0\r\nGrade0=") + QStringLiteral("初一").toUtf8() +
                                                QByteArray("\r\n")
                                         << QStringLiteral("School1 1 实验中学\nGrade0 2 实验中学/初一");
        QTest::newRow("mark on a gbk file")
            << QByteArray("\xEF\xBB\xBF") + gbk("[School]\r\nName=实验中学\r\nGrade=-1\r\n")
            << QStringLiteral("School1 1 实验中学");
    }
    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, tree);
        writeIni(bytes);
        const QByteArray before = bytes;
        const std::optional<School> school = readSchool(m_ws->schoolInfoFile());
        QVERIFY(school);
        QCOMPARE(dump(*school), tree);
        QByteArray after;
        QVERIFY(base::codec::readBytes(m_ws->schoolInfoFile(), &after));
        QCOMPARE(after, before);
    }

    void atMost999PerList()
    {
        QByteArray text = "[School]\nName=x\nGrade=5000\nGrade0Class=5000\n";
        for (int i = 0; i < 1200; ++i)
            text += "Grade" + QByteArray::number(i) + "=g\n";
        text += "[Grade0]\n";
        for (int j = 0; j < 1200; ++j)
            text += "Class" + QByteArray::number(j) + "=c\n";
        const School s = schoolFromBytes(text);
        QCOMPARE(s.grades.size(), kMaxListEntries);
        QCOMPARE(s.grades[0].classes.size(), kMaxListEntries);
    }

    void usablePaths_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<bool>("usable");
        QTest::newRow("plain") << QStringList{QStringLiteral("校"), QStringLiteral("甲"), QStringLiteral("一班")}
                               << true;
        QTest::newRow("parent") << QStringList{QStringLiteral("校"), QStringLiteral(".."), QStringLiteral("一班")}
                                << false;
        QTest::newRow("dot") << QStringList{QStringLiteral("."), QStringLiteral("甲"), QStringLiteral("一班")} << false;
        QTest::newRow("slash") << QStringList{QStringLiteral("校"), QStringLiteral("../../etc"), QStringLiteral("x")}
                               << false;
        QTest::newRow("empty") << QStringList{QStringLiteral("校"), QString(), QStringLiteral("一班")} << false;
        QTest::newRow("blank") << QStringList{QStringLiteral("校"), QStringLiteral("  "), QStringLiteral("一班")}
                               << false;
    }
    void usablePaths()
    {
        QFETCH(QStringList, path);
        QFETCH(bool, usable);
        QCOMPARE(isUsablePath(path), usable);
        QCOMPARE(classDirectory(*m_ws, path).isEmpty(), !usable);
        if (usable)
            QCOMPARE(classDirectory(*m_ws, path), m_ws->tableDataDir() + path.join(QLatin1Char('/')));
    }

    // --- the catalogue ----------------------------------------------------------------------

    void tableList()
    {
        makeDirs(QStringLiteral("校/甲/一班/子.gdt"));
        QVERIFY(touch(QStringLiteral("校/甲/一班/期中.gdt")));
        QVERIFY(touch(QStringLiteral("校/甲/一班/期末.gdt")));
        QVERIFY(touch(QStringLiteral("校/甲/一班/旧.GDT")));
        QVERIFY(touch(QStringLiteral("校/甲/一班/说明.txt")));
        QCOMPARE(tableNames(m_ws->tableDataDir() + QStringLiteral("校/甲/一班")),
                 (QStringList{QStringLiteral("期末"), QStringLiteral("期中")}));
        QVERIFY(tableNames(m_ws->tableDataDir() + QStringLiteral("校/甲/二班")).isEmpty());
        QVERIFY(tableNames(QString()).isEmpty());
    }

    void proposedName_data()
    {
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("empty class") << QStringList() << QStringLiteral("新成绩表-1");
        QTest::newRow("three tables") << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}
                                      << QStringLiteral("新成绩表2");
        QTest::newRow("proposal taken") << QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                                       QStringLiteral("新成绩表2")}
                                        << QStringLiteral("新成绩表3");
        QTest::newRow("several taken") << QStringList{QStringLiteral("新成绩表0"), QStringLiteral("新成绩表1")}
                                       << QStringLiteral("新成绩表2");
    }
    void proposedName()
    {
        QFETCH(QStringList, tables);
        QFETCH(QString, proposed);
        QCOMPARE(proposedTableName(tables), proposed);
    }

    // --- the editor -------------------------------------------------------------------------

    void deleteFirstOfThreeGrades()
    {
        QVERIFY(writeSchool(m_ws->schoolInfoFile(),
                            School{QStringLiteral("校"),
                                   {{QStringLiteral("甲"), {QStringLiteral("甲1")}},
                                    {QStringLiteral("乙"), {QStringLiteral("乙1"), QStringLiteral("乙2")}},
                                    {QStringLiteral("丙"), {QStringLiteral("丙1")}}}}));
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        QCOMPARE(e.gradeIndex(), 0);
        QCOMPARE(e.classes(), QStringList{QStringLiteral("甲1")});
        m_prompter.expectQuestion(QStringLiteral("确实删除项目：“甲” 么？"), ui::Answer::Yes,
                                  QStringLiteral("确认删除"));
        e.deleteGrade();
        QCOMPARE(m_prompter.shown.last().defaultAnswer, ui::Answer::No);
        QCOMPARE(e.grades(), (QStringList{QStringLiteral("乙"), QStringLiteral("丙")}));
        QCOMPARE(e.classesOf(0), (QStringList{QStringLiteral("乙1"), QStringLiteral("乙2")}));
        QCOMPARE(e.classesOf(1), QStringList{QStringLiteral("丙1")});
        QVERIFY(e.finish());
        QCOMPARE(dump(*readSchool(m_ws->schoolInfoFile())),
                 QStringLiteral("School1 1 校\nGrade0 2 校/乙\nGrade0Class0 3 校/乙/乙1\nGrade0Class1 3 校/乙/乙2\n"
                                "Grade1 2 校/丙\nGrade1Class0 3 校/丙/丙1"));
    }

    void deleteClassKeepsPosition()
    {
        QVERIFY(writeSchool(
            m_ws->schoolInfoFile(),
            School{QStringLiteral("校"),
                   {{QStringLiteral("甲"), {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}}}}));
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        e.selectClass(1);
        m_prompter.expectQuestion(QStringLiteral("确实删除项目：“2” 么？"), ui::Answer::Yes);
        e.deleteClass();
        QCOMPARE(e.classes(), (QStringList{QStringLiteral("1"), QStringLiteral("3")}));
        QCOMPARE(e.classIndex(), 1);
        m_prompter.expectQuestion({}, ui::Answer::Yes);
        e.deleteClass();
        QCOMPARE(e.classIndex(), 0);
        m_prompter.expectQuestion({}, ui::Answer::No);
        e.deleteClass();
        QCOMPARE(e.classes(), QStringList{QStringLiteral("1")});
    }

    void refusedNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QString() << QStringLiteral("名称不能为空，请重新输入。");
        QTest::newRow("blanks") << QStringLiteral("   ") << QStringLiteral("名称不能为空，请重新输入。");
        QTest::newRow("duplicate") << QStringLiteral("乙") << QStringLiteral("该名称已经存在，请重新输入。");
        QTest::newRow("duplicate after trimming")
            << QStringLiteral("  乙 ") << QStringLiteral("该名称已经存在，请重新输入。");
        QTest::newRow("slash") << QStringLiteral("a/b")
                               << QStringLiteral("名称中包含了诸如“\\/*?”之类的非法字符，请重新输入。");
        QTest::newRow("question mark") << QStringLiteral("a?")
                                       << QStringLiteral("名称中包含了诸如“\\/*?”之类的非法字符，请重新输入。");
        QTest::newRow("dot") << QStringLiteral(".") << QStringLiteral("名称不能为“.”或“..”，请重新输入。");
        QTest::newRow("dot dot") << QStringLiteral(" .. ") << QStringLiteral("名称不能为“.”或“..”，请重新输入。");
        QTest::newRow("61 characters") << QString(61, QChar(u'班'))
                                       << QStringLiteral("名称不能超过60个字符，请重新输入。");
    }
    void refusedNames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QVERIFY(writeSchool(m_ws->schoolInfoFile(),
                            School{QStringLiteral("校"), {{QStringLiteral("甲"), {}}, {QStringLiteral("乙"), {}}}}));
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        // Refused, asked again with the typed text, and the second answer is taken.
        m_prompter.expectInput({}, typed, QStringLiteral("添加年级"));
        m_prompter.expectMessage(message, QStringLiteral("提示"));
        m_prompter.expectInput({}, QString(60, QChar(u'丁')), QStringLiteral("添加年级"));
        e.addGrade();
        QCOMPARE(m_prompter.shown.last().preset, typed);
        QCOMPARE(e.grades().size(), 3);
        QCOMPARE(e.grades().last(), QString(60, QChar(u'丁')));
        // Renaming a grade to its own name is no duplicate; renaming to another's is.
        e.selectGrade(0);
        m_prompter.expectInput(QStringLiteral("请输入新的年级名称：（如：二年级）"), QStringLiteral("甲"),
                               QStringLiteral("年级重命名"));
        e.renameGrade();
        QCOMPARE(m_prompter.shown.last().preset, QStringLiteral("甲"));
        m_prompter.expectInput({}, QStringLiteral("乙"));
        m_prompter.expectMessage(QStringLiteral("该名称已经存在，请重新输入。"));
        m_prompter.expectInput({}, std::nullopt);
        e.renameGrade();
        QCOMPARE(e.grades().first(), QStringLiteral("甲"));
    }

    void nothingSelected()
    {
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        m_prompter.expectMessage(QStringLiteral("请先选择要删除的项目!"), QStringLiteral("提示"));
        e.deleteGrade();
        m_prompter.expectMessage(QStringLiteral("请先选择要重命名的项目!"), QStringLiteral("提示"));
        e.renameGrade();
        m_prompter.expectMessage(QStringLiteral("请先选择要添加班级的年级!"), QStringLiteral("提示"));
        e.addClass();
        m_prompter.expectMessage(QStringLiteral("请先选择要删除的项目!"), QStringLiteral("提示"));
        e.deleteClass();
        m_prompter.expectMessage(QStringLiteral("请先选择要重命名的项目!"), QStringLiteral("提示"));
        e.renameClass();
    }

    void classRenameTitle()
    {
        QVERIFY(writeSchool(m_ws->schoolInfoFile(),
                            School{QStringLiteral("校"), {{QStringLiteral("甲"), {QStringLiteral("(1)班")}}}}));
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        e.selectClass(0);
        m_prompter.expectInput(QStringLiteral("请输入新的班级名称：（如：(2)班）"), QStringLiteral("(3)班"),
                               QStringLiteral("班机重命名"));
        e.renameClass();
        QCOMPARE(m_prompter.shown.last().preset, QStringLiteral("(1)班"));
        QCOMPARE(e.classes(), QStringList{QStringLiteral("(3)班")});
        QVERIFY(e.isModified());
    }

    // Which commands set the changed flag, and what "取消" then asks.
    void changedFlag_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("changed");
        QTest::newRow("nothing") << QString() << false;
        QTest::newRow("add grade, cancelled") << QStringLiteral("addGrade") << true;
        QTest::newRow("delete grade, refused") << QStringLiteral("deleteGrade") << true;
        QTest::newRow("add class, cancelled") << QStringLiteral("addClass") << true;
        QTest::newRow("delete class, refused") << QStringLiteral("deleteClass") << true;
        QTest::newRow("rename grade, cancelled") << QStringLiteral("renameGrade") << false;
        QTest::newRow("rename class, refused") << QStringLiteral("renameClass") << false;
        QTest::newRow("school name typed") << QStringLiteral("name") << true;
        QTest::newRow("placeholder comes and goes") << QStringLiteral("focus") << false;
    }
    void changedFlag()
    {
        QFETCH(QString, command);
        QFETCH(bool, changed);
        QVERIFY(writeSchool(m_ws->schoolInfoFile(), School{QStringLiteral("校"), {{QStringLiteral("甲"), {}}}}));
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        if (command == QLatin1String("addGrade") || command == QLatin1String("addClass") ||
            command == QLatin1String("renameGrade"))
            m_prompter.expectInput({}, std::nullopt);
        if (command == QLatin1String("deleteGrade")) {
            e.selectGrade(-1);
            m_prompter.expectMessage(QStringLiteral("请先选择要删除的项目!"));
        }
        if (command == QLatin1String("deleteClass") || command == QLatin1String("renameClass"))
            m_prompter.expectMessage();
        if (command == QLatin1String("addGrade"))
            e.addGrade();
        else if (command == QLatin1String("deleteGrade"))
            e.deleteGrade();
        else if (command == QLatin1String("addClass"))
            e.addClass();
        else if (command == QLatin1String("deleteClass"))
            e.deleteClass();
        else if (command == QLatin1String("renameGrade"))
            e.renameGrade();
        else if (command == QLatin1String("renameClass"))
            e.renameClass();
        else if (command == QLatin1String("name"))
            e.nameEdited(QStringLiteral("新校"));
        else if (command == QLatin1String("focus")) {
            e.nameEdited(QString());
            e.load();
            e.nameFocusIn();
            e.nameFocusOut();
        }
        QCOMPARE(e.isModified(), changed);
        if (changed) {
            m_prompter.expectQuestion(QStringLiteral("真的不保存修改么?"), ui::Answer::No, QStringLiteral("提示"));
            QVERIFY(!e.cancel());
            m_prompter.expectQuestion(QStringLiteral("真的不保存修改么?"), ui::Answer::Yes);
        }
        QVERIFY(e.cancel());
    }

    void renamesMoveFolders()
    {
        QVERIFY(writeSchool(m_ws->schoolInfoFile(),
                            School{QStringLiteral("校"),
                                   {{QStringLiteral("甲"), {QStringLiteral("一班"), QStringLiteral("二班")}},
                                    {QStringLiteral("乙"), {QStringLiteral("一班")}}}}));
        makeDirs(QStringLiteral("校/甲/一班"));
        makeDirs(QStringLiteral("校/甲/二班"));
        makeDirs(QStringLiteral("校/乙/一班"));
        makeDirs(QStringLiteral("校/初二")); // taken: 乙 cannot move there
        QVERIFY(touch(QStringLiteral("校/甲/一班/期中.gdt")));
        QVERIFY(touch(QStringLiteral("校/甲/二班/期末.gdt")));
        QVERIFY(touch(QStringLiteral("校/乙/一班/月考.gdt")));

        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        e.selectClass(0);
        m_prompter.expectInput({}, QStringLiteral("二班"));
        m_prompter.expectMessage(QStringLiteral("该名称已经存在，请重新输入。"));
        m_prompter.expectInput({}, QStringLiteral("三班"));
        e.renameClass(); // 一班 → 三班
        e.selectClass(1);
        m_prompter.expectInput({}, QStringLiteral("一班"));
        e.renameClass(); // 二班 → 一班, free only once 一班 has moved
        m_prompter.expectInput({}, QStringLiteral("初一"));
        e.renameGrade(); // 甲 → 初一
        e.selectGrade(1);
        m_prompter.expectInput({}, QStringLiteral("初二"));
        e.renameGrade(); // 乙 → 初二, whose folder exists already
        e.nameEdited(QStringLiteral("一中"));
        QVERIFY(e.finish());

        const QString d = m_ws->tableDataDir();
        QVERIFY(QFile::exists(d + QStringLiteral("一中/初一/三班/期中.gdt")));
        QVERIFY(QFile::exists(d + QStringLiteral("一中/初一/一班/期末.gdt")));
        QVERIFY(QFile::exists(d + QStringLiteral("一中/乙/一班/月考.gdt"))); // kept where it was
        QVERIFY(QFileInfo(d + QStringLiteral("一中/初二")).isDir());
        QVERIFY(!QFileInfo::exists(d + QStringLiteral("校")));
    }

    // A hand-edited file may name two grades alike; renaming one leaves the folder to the other.
    void sharedFolderStays()
    {
        writeIni(gbk("[School]\nName=校\nGrade=1\nGrade0=甲\nGrade1=甲\n"));
        makeDirs(QStringLiteral("校/甲"));
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        m_prompter.expectInput({}, QStringLiteral("乙"));
        e.renameGrade();
        QVERIFY(e.finish());
        QVERIFY(QFileInfo(m_ws->tableDataDir() + QStringLiteral("校/甲")).isDir());
        QVERIFY(!QFileInfo::exists(m_ws->tableDataDir() + QStringLiteral("校/乙")));
    }

    void deletedGradeKeepsItsFolder()
    {
        QVERIFY(writeSchool(m_ws->schoolInfoFile(),
                            School{QStringLiteral("校"), {{QStringLiteral("甲"), {QStringLiteral("一班")}}}}));
        makeDirs(QStringLiteral("校/甲/一班"));
        QVERIFY(touch(QStringLiteral("校/甲/一班/期中.gdt")));
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        m_prompter.expectQuestion({}, ui::Answer::Yes);
        e.deleteGrade();
        QVERIFY(e.finish());
        QVERIFY(QFile::exists(m_ws->tableDataDir() + QStringLiteral("校/甲/一班/期中.gdt")));
    }

    void schoolNameChecked()
    {
        SchoolEditor e(*m_ws, m_prompter);
        e.load();
        e.nameEdited(QStringLiteral("a/b"));
        m_prompter.expectMessage(QStringLiteral("名称中包含了诸如“\\/*?”之类的非法字符，请重新输入。"));
        QVERIFY(!e.finish());
        QVERIFY(!QFile::exists(m_ws->schoolInfoFile()));
        // Left empty, or showing the placeholder, it is refused as well, and no folder is renamed.
        QVERIFY(writeSchool(m_ws->schoolInfoFile(), School{QStringLiteral("校"), {{QStringLiteral("甲"), {}}}}));
        makeDirs(QStringLiteral("校/甲"));
        const QByteArray before = [&] {
            QFile f(m_ws->schoolInfoFile());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        e.load();
        for (const QString &name : {QStringLiteral("  "), QString()}) {
            e.nameEdited(name);
            e.nameFocusOut(); // the box shows the placeholder again
            QCOMPARE(e.name(), kSchoolNamePlaceholder);
            if (name.isEmpty())
                e.nameEdited(name);
            m_prompter.expectMessage(QStringLiteral("名称不能为空，请重新输入。"), QStringLiteral("提示"));
            QVERIFY(!e.finish());
        }
        QFile f(m_ws->schoolInfoFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QVERIFY(QFileInfo(m_ws->tableDataDir() + QStringLiteral("校/甲")).isDir());
        QVERIFY(!QFileInfo::exists(m_ws->tableDataDir() + kSchoolNamePlaceholder));
    }

    // --- new tables -------------------------------------------------------------------------

    void newTableDirectly()
    {
        const QString dir = m_ws->tableDataDir() + QStringLiteral("校/甲/一班");
        makeDirs(QStringLiteral("校/甲/一班"));
        QVERIFY(touch(QStringLiteral("校/甲/一班/期中.gdt")));
        Target t;
        m_prompter.expectInput(kDirectPrompt, std::nullopt, QStringLiteral("表格"));
        m_prompter.expectMessage(QStringLiteral("文件名称不能为空！请重新输入。"));
        m_prompter.expectInput(kDirectPrompt, QStringLiteral("   "));
        m_prompter.expectMessage(QStringLiteral("文件名称不能为空！请重新输入。"));
        m_prompter.expectInput(kDirectPrompt, QStringLiteral("期|中"));
        m_prompter.expectMessage(QStringLiteral("文件名中包含了诸如“\\/*?”之类的非法字符，请重新输入。"));
        m_prompter.expectInput(kDirectPrompt, QStringLiteral("期中"));
        m_prompter.expectMessage(QStringLiteral("该班级中已经存在同名的表格，请重新输入。"));
        m_prompter.expectInput(kDirectPrompt, QStringLiteral("期末"));
        newTableDirect(m_prompter, t, dir, QStringLiteral("新成绩表0"));
        for (const PromptRecord &p : m_prompter.shown)
            if (p.kind == PromptRecord::Input)
                QCOMPARE(p.preset, QStringLiteral("新成绩表0"));
        QCOMPARE(t.doc.filePath, dir + QStringLiteral("/期末"));
        QCOMPARE(t.titles, QStringList{QStringLiteral("期末")});
        QVERIFY(!QFile::exists(dir + QStringLiteral("/期末.gdt"))); // written only when saved
    }

    void newTableWizardSteps()
    {
        const QString dir = m_ws->tableDataDir() + QStringLiteral("校/甲/一班");
        Target t;
        QStringList steps;
        auto dialogs = [&](WizardDialog d) {
            steps << QString::number(static_cast<int>(d)) + QLatin1Char('@') + QString::number(m_prompter.shown.size());
        };
        m_prompter.expectMessage(QStringLiteral("下面将显示一系列的窗口，以帮助您快速的设置完表格的各个信息。"),
                                 QString());
        m_prompter.expectInput(kWizardPrompt, QStringLiteral("a*"), QStringLiteral("表格"));
        m_prompter.expectMessage(QStringLiteral("文件名中包含了诸如“\\/*?”之类的非法字符，请重新输入。"));
        m_prompter.expectInput(kWizardPrompt, QStringLiteral("期中"));
        m_prompter.expectMessage(QStringLiteral("下面，首先将设置班级的人数，班主任等信息。"));
        m_prompter.expectMessage(
            QStringLiteral("接下来，我们开始设置使用公式时的数据格式，即数值的格式。如：小数位数等。"));
        m_prompter.expectMessage(QStringLiteral("然后，是对表格标题的设置，它也是打印时所使用的标题。"));
        const QString titlePrompt = QStringLiteral(
            "请输入新的表格标题，它可以用于将表格文件更名保存，同时，被更改的标题也将在打印中体现出来。");
        m_prompter.expectInput(titlePrompt, QStringLiteral(" "), QStringLiteral("更改标题"));
        m_prompter.expectMessage(QStringLiteral("标题不能为空！"), QStringLiteral("提示"));
        m_prompter.expectInput(titlePrompt, std::nullopt);
        m_prompter.expectMessage(QStringLiteral("标题不能为空！"), QStringLiteral("提示"));
        m_prompter.expectInput(titlePrompt, QStringLiteral("期中考试"));
        m_prompter.expectMessage(
            QStringLiteral("最后，我们要设置表格的项目，也就是平时所说的字段。你可以使用项目管理器编辑表格的项目，也可"
                           "以在表格的“成绩表字段模版”菜单下，选择已存在的字段模版。"));
        m_prompter.expectMessage(QStringLiteral("至此，一张新的表格就已经设置完成！接下来，可以输入数据了。你可以通过右"
                                                "键菜单里的项目来简化你的操作过程。"));
        newTableWizard(m_prompter, t, dir, QStringLiteral("新成绩表-1"), dialogs);
        // Each dialog comes right after its announcement.
        QCOMPARE(steps, (QStringList{QStringLiteral("0@5"), QStringLiteral("1@6"), QStringLiteral("2@13")}));
        QCOMPARE(t.doc.filePath, dir + QStringLiteral("/期中"));
        QCOMPARE(t.titles, QStringList{QStringLiteral("期中考试")});
        QCOMPARE(m_prompter.shown[7].preset, QStringLiteral("未命名的表格"));
        QCOMPARE(m_prompter.shown[0].icon, ui::Icon::Information);
    }
};

QTEST_GUILESS_MAIN(TestSchoolTree)
#include "tst_school_tree.moc"
