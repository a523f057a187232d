#include "core/base/module1.h"
#include "core/base/text_codec.h"
#include "scripted_prompter.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace base;

class TestModule1 : public QObject {
    Q_OBJECT
private slots:
    void openDialog();
    void saveDialog_data();
    void saveDialog();
    void saveDialogTakesALongerExtension();
    void readIni();
    void pathParts_data();
    void pathParts();
    void shortenName_data();
    void shortenName();
    void isValidName_data();
    void isValidName();
};

void TestModule1::openDialog()
{
    ScriptedPrompter p;
    p.expectOpenFile(QStringLiteral("/t/表格数据/一班/期中.gdt") + QChar(u'\0') + QStringLiteral("rest"),
                     QStringLiteral("*.gdt"));
    QCOMPARE(ui::ShowOpenDialog(p, QStringLiteral("*.gdt"), QStringLiteral("打开数据文件")),
             QStringLiteral("/t/表格数据/一班/期中.gdt"));
    QCOMPARE(p.shown.value(0).title, QStringLiteral("打开数据文件"));
    p.expectOpenFile(QString());
    QCOMPARE(ui::ShowOpenDialog(p, QStringLiteral("*.gdt"), QStringLiteral("打开数据文件")), QString());
    VERIFY_PROMPTS(p);
}

void TestModule1::saveDialog_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("path");
    QTest::newRow("cancel") << QString() << QString();
    QTest::newRow("with extension") << QStringLiteral("/t/期中.gdt") << QStringLiteral("/t/期中.gdt");
    QTest::newRow("default extension") << QStringLiteral("/t/期中") << QStringLiteral("/t/期中.gdt");
    QTest::newRow("other extension") << QStringLiteral("/t/a.b/x.txt") << QStringLiteral("/t/a.b/x.txt");
    QTest::newRow("nul ends it") << QStringLiteral("/t/x") + QChar(u'\0') + QStringLiteral(".txt")
                                 << QStringLiteral("/t/x.gdt");
}

void TestModule1::saveDialogTakesALongerExtension()
{
    ScriptedPrompter p;
    p.expectSaveFile(QStringLiteral("/t/x"), QStringLiteral("*.xlsx"));
    QCOMPARE(ui::ShowSaveDialog(p, QStringLiteral("*.xlsx")), QStringLiteral("/t/x.xlsx"));
    VERIFY_PROMPTS(p);
    QCOMPARE(ui::defaultExtension(QStringLiteral("*.txt;*.csv")), QStringLiteral("csv"));
    QCOMPARE(ui::defaultExtension(QStringLiteral("*.*")), QString());
}

void TestModule1::saveDialog()
{
    QFETCH(QString, answer);
    QFETCH(QString, path);
    ScriptedPrompter p;
    p.expectSaveFile(answer, QStringLiteral("*.gdt"));
    QCOMPARE(ui::ShowSaveDialog(p, QStringLiteral("*.gdt")), path);
    QVERIFY(p.shown.value(0).title.isEmpty());
    VERIFY_PROMPTS(p);
}

void TestModule1::readIni()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("SchoolInfo.ini"));
    QVERIFY(codec::writeBytes(file, codec::encode(QStringLiteral("[School]\r\nName=\r\nGrade0=初一\r\n"))));
    QCOMPARE(ReadIni(file, QStringLiteral("school"), QStringLiteral("name")), QString());
    QCOMPARE(ReadIni(file, QStringLiteral("School"), QStringLiteral("Grade0")), QStringLiteral("初一"));
    QCOMPARE(ReadIni(file, QStringLiteral("School"), QStringLiteral("Grade")), QStringLiteral("Default"));
    QCOMPARE(ReadIni(dir.filePath(QStringLiteral("none.ini")), QStringLiteral("School"), QStringLiteral("Name")),
             QStringLiteral("Default"));
}

void TestModule1::pathParts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("file");
    QTest::newRow("windows") << QStringLiteral("c:\\data\\x.gdt") << QStringLiteral("C:\\DATA\\")
                             << QStringLiteral("x.gdt");
    QTest::newRow("linux") << QStringLiteral("/home/t/表格数据/Ab.gdt") << QStringLiteral("/HOME/T/表格数据/")
                           << QStringLiteral("Ab.gdt");
    QTest::newRow("mixed, last wins") << QStringLiteral("a\\b/c\\d.gdt") << QStringLiteral("A\\B/C\\")
                                      << QStringLiteral("d.gdt");
    QTest::newRow("no separator") << QStringLiteral("x.gdt") << QString() << QStringLiteral("x.gdt");
    QTest::newRow("ends in separator") << QStringLiteral("/t/") << QStringLiteral("/T/") << QString();
    // Upper-casing lengthens the folder part; the file name is still cut at the separator.
    QTest::newRow("length changes") << QStringLiteral("/straße/x.gdt") << QStringLiteral("/STRASSE/")
                                    << QStringLiteral("x.gdt");
}

void TestModule1::pathParts()
{
    QFETCH(QString, path);
    QFETCH(QString, dir);
    QFETCH(QString, file);
    QCOMPARE(DirPart(path), dir);
    QCOMPARE(FilePart(path), file);
}

void TestModule1::shortenName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortened");
    QTest::newRow("22 unchanged") << QStringLiteral("abcdefghijklmnopqrstuv")
                                  << QStringLiteral("abcdefghijklmnopqrstuv");
    QTest::newRow("23 to 19") << QStringLiteral("abcdefghijklmnopqrstuvw") << QStringLiteral("abcdefgh...pqrstuvw");
    QTest::newRow("chinese") << QStringLiteral("二零零五学年第一学期初一年级一班期中考试成绩表")
                             << QStringLiteral("二零零五学年第一...班期中考试成绩表");
    QTest::newRow("empty") << QString() << QString();
}

void TestModule1::shortenName()
{
    QFETCH(QString, text);
    QFETCH(QString, shortened);
    QCOMPARE(ShortenName(text), shortened);
}

void TestModule1::isValidName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    QTest::newRow("chinese") << QStringLiteral("期中考试 (一班)") << true;
    QTest::newRow("empty") << QString() << true;
    const QString bad = QStringLiteral("/\\*:?<>|\"");
    for (QChar c : bad)
        QTest::addRow("with %c", c.toLatin1()) << QStringLiteral("成绩") + c + QStringLiteral("表") << false;
}

void TestModule1::isValidName()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);
    QCOMPARE(IsValidName(name), valid);
}

QTEST_GUILESS_MAIN(TestModule1)
#include "tst_module1.moc"
