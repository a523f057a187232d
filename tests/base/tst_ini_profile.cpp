#include "core/base/ini_profile.h"
#include "core/base/text_codec.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace base;

namespace {
const QString kDefault = QStringLiteral("Default");
QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}
} // namespace

class TestIniProfile : public QObject {
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void writeText_data();
    void writeText();
    void refusesLineBreakingNames();
    void fileIsGbkAndCreatedOnFirstWrite();
    void writeKeepsEveryOtherByte();
    void missingFileAndFolder();
    void sections();
    void valuesWithEdgeSpacesReadBack_data();
    void valuesWithEdgeSpacesReadBack();
};

void TestIniProfile::valuesWithEdgeSpacesReadBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("line");
    QTest::newRow("leading") << s("  pw") << s("k=\"  pw\"");
    QTest::newRow("trailing tab") << s("pw\t") << s("k=\"pw\t\"");
    QTest::newRow("inner space is plain") << s("p w") << s("k=p w");
    QTest::newRow("quoted stays raw") << s("\"x\"") << s("k=\"x\"");
}

void TestIniProfile::valuesWithEdgeSpacesReadBack()
{
    QFETCH(QString, value);
    QFETCH(QString, line);
    const QString text = ini::writeText(QString(), s("a"), s("k"), value);
    QVERIFY2(text.contains(line), qPrintable(text));
    if (!value.startsWith(QLatin1Char('"')))
        QCOMPARE(ini::readText(text, s("a"), s("k"), kDefault), value);
}

void TestIniProfile::read_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("section case") << s("[User]\r\nu1=张三\r\n") << s("USER") << s("u1") << s("张三");
    QTest::newRow("key case") << s("[a]\r\nDlZip=x\r\n") << s("a") << s("dlzip") << s("x");
    QTest::newRow("trimmed") << s("[a]\r\n  k \t=  v w \t\r\n") << s("a") << s("k") << s("v w");
    QTest::newRow("full-width space kept") << s("[a]\r\nk=　班\r\n") << s("a") << s("k") << s("　班");
    QTest::newRow("quotes removed") << s("[a]\r\nk=\"  x  \"\r\n") << s("a") << s("k") << s("  x  ");
    QTest::newRow("one pair only") << s("[a]\r\nk=\"\"x\"\"\r\n") << s("a") << s("k") << s("\"x\"");
    QTest::newRow("lone quote") << s("[a]\r\nk=\"abc\r\n") << s("a") << s("k") << s("\"abc");
    QTest::newRow("no escapes") << s("[a]\r\nk=c:\\new\\t,x\r\n") << s("a") << s("k") << s("c:\\new\\t,x");
    QTest::newRow("empty value") << s("[a]\r\nk=\r\n") << s("a") << s("k") << QString();
    QTest::newRow("semicolon in value") << s("[a]\r\nk=1;2\r\n") << s("a") << s("k") << s("1;2");
    QTest::newRow("comment line") << s("[a]\r\n;k=1\r\n  ;k=2\r\nk=3\r\n") << s("a") << s("k") << s("3");
    QTest::newRow("first key wins") << s("[a]\r\nk=1\r\nK=2\r\n") << s("a") << s("k") << s("1");
    QTest::newRow("first section wins") << s("[a]\r\nk=1\r\n[b]\r\n[A]\r\nk=2\r\n") << s("a") << s("k") << s("1");
    QTest::newRow("lf lines") << s("[a]\nk=1\nj=2") << s("a") << s("j") << s("2");
    QTest::newRow("spaced header") << s(" [ Grade0 ] \r\nClass0=一班\r\n") << s("grade0") << s("class0") << s("一班");
    QTest::newRow("bracket in name") << s("[a]b]\r\nk=1\r\n") << s("a]b") << s("k") << s("1");
    QTest::newRow("missing key") << s("[a]\r\nk=1\r\n") << s("a") << s("j") << kDefault;
    QTest::newRow("missing section") << s("[a]\r\nk=1\r\n") << s("b") << s("k") << kDefault;
    QTest::newRow("key of next section") << s("[a]\r\n[b]\r\nk=1\r\n") << s("a") << s("k") << kDefault;
    QTest::newRow("key before sections") << s("k=1\r\n[a]\r\n") << s("a") << s("k") << kDefault;
    QTest::newRow("empty text") << QString() << s("a") << s("k") << kDefault;
    QTest::newRow("cap 254") << s("[a]\r\nk=") + QString(300, u'分') << s("a") << s("k") << QString(254, u'分');
    QTest::newRow("exactly 254") << s("[a]\r\nk=") + QString(254, u'x') << s("a") << s("k") << QString(254, u'x');
    QTest::newRow("quotes before cap") << s("[a]\r\nk=\"") + QString(254, u'x') + s("\"") << s("a") << s("k")
                                       << QString(254, u'x');
    QTest::newRow("cap keeps pairs whole")
        << s("[a]\r\nk=") + QString(253, u'x') + s("𠀀") << s("a") << s("k") << QString(253, u'x');
}

void TestIniProfile::read()
{
    QFETCH(QString, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QCOMPARE(ini::readText(text, section, key, kDefault), value);
}

void TestIniProfile::writeText_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("after");
    // Every row writes the value "9".
    QTest::newRow("replace") << s("[a]\r\nk=1\r\nj=2\r\n") << s("a") << s("k") << s("[a]\r\nk=9\r\nj=2\r\n");
    QTest::newRow("replace keeps spelling") << s("[A]\r\n  Key = 1\r\n") << s("a") << s("KEY") << s("[A]\r\nKey=9\r\n");
    QTest::newRow("replace first duplicate")
        << s("[a]\r\nk=1\r\nk=2\r\n") << s("a") << s("k") << s("[a]\r\nk=9\r\nk=2\r\n");
    QTest::newRow("replace keeps lf") << s("[a]\nk=1\nj=2\n") << s("a") << s("j") << s("[a]\nk=1\nj=9\n");
    QTest::newRow("new key ends its section") << s("[a]\r\nk=1\r\n\r\n;b\r\n[b]\r\nj=1\r\n") << s("a") << s("j")
                                              << s("[a]\r\nk=1\r\nj=9\r\n\r\n;b\r\n[b]\r\nj=1\r\n");
    QTest::newRow("new key in empty section") << s("[a]\r\n[b]\r\n") << s("a") << s("k") << s("[a]\r\nk=9\r\n[b]\r\n");
    QTest::newRow("new key, no final line end") << s("[a]\r\nk=1") << s("a") << s("j") << s("[a]\r\nk=1\r\nj=9\r\n");
    QTest::newRow("new section at end") << s("[a]\r\nk=1\r\n") << s("b") << s("k") << s("[a]\r\nk=1\r\n[b]\r\nk=9\r\n");
    QTest::newRow("new section, no final line end") << s("; c") << s("b") << s("k") << s("; c\r\n[b]\r\nk=9\r\n");
    QTest::newRow("empty text") << QString() << s("用户") << s("名") << s("[用户]\r\n名=9\r\n");
}

void TestIniProfile::writeText()
{
    QFETCH(QString, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, after);
    const QString written = ini::writeText(before, section, key, s("9"));
    QCOMPARE(written, after);
    QCOMPARE(ini::readText(written, section, key, kDefault), s("9"));
}

void TestIniProfile::refusesLineBreakingNames()
{
    // A value or name that would add lines would let a user name plant keys in user.dat.
    const QString text = s("[a]\r\nk=1\r\n");
    QCOMPARE(ini::writeText(text, s("a"), s("k"), s("x\r\n[b]")), text);
    QCOMPARE(ini::writeText(text, s("a\nb"), s("k"), s("x")), text);
    QCOMPARE(ini::writeText(text, s("a"), s("k=j"), s("x")), text);
    QCOMPARE(ini::writeText(text, s("a"), QString(), s("x")), text);
    QTemporaryDir dir;
    QVERIFY(!ini::write(dir.filePath(s("x.ini")), s("a"), s("k"), s("1\n2")));
    QVERIFY(filesIn(dir.path()).isEmpty());
}

void TestIniProfile::fileIsGbkAndCreatedOnFirstWrite()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(s("user.dat"));
    QVERIFY(ini::write(file, s("用户"), s("名"), s("张三€")));
    QVERIFY(ini::write(file, s("user"), s("u1"), s("\"李四\"")));
    QByteArray raw;
    QVERIFY(codec::readBytes(file, &raw));
    QCOMPARE(raw, QByteArray(
                      "[\xD3\xC3\xBB\xA7]\r\n\xC3\xFB=\xD5\xC5\xC8\xFD\x80\r\n[user]\r\nu1=\"\xC0\xEE\xCB\xC4\"\r\n"));
    QCOMPARE(ini::read(file, s("用户"), s("名"), kDefault), s("张三€"));
    QCOMPARE(ini::read(file, s("USER"), s("U1"), kDefault), s("李四"));
    QCOMPARE(filesIn(dir.path()), QStringList{s("user.dat")});
}

void TestIniProfile::writeKeepsEveryOtherByte()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(s("SchoolInfo.ini"));
    // Comments, odd spacing, LF-only lines, bytes that are no GBK at all and a missing final line end.
    const QByteArray head = "; \xD1\xA7\xD0\xA3 comment\r\n[School]\r\nName = \xD2\xBB\xD6\xD0  \r\nGrade=";
    const QByteArray tail = "\r\n\n[Grade0]\nClass0=\xFF\xFE\x81\r\nx";
    QVERIFY(codec::writeBytes(file, head + "0" + tail));
    QVERIFY(ini::write(file, s("school"), s("grade"), s("12")));
    QByteArray raw;
    QVERIFY(codec::readBytes(file, &raw));
    QCOMPARE(raw, head + "12" + tail);
    QVERIFY(ini::write(file, s("grade0"), s("Class1"), s("二班")));
    QVERIFY(codec::readBytes(file, &raw));
    QCOMPARE(raw, head + "12\r\n\n[Grade0]\nClass0=\xFF\xFE\x81\r\nx\r\nClass1=\xB6\xFE\xB0\xE0\r\n");
}

void TestIniProfile::missingFileAndFolder()
{
    QTemporaryDir dir;
    QCOMPARE(ini::read(dir.filePath(s("none.ini")), s("a"), s("k"), kDefault), kDefault);
    QVERIFY(!ini::write(dir.filePath(s("no/such.ini")), s("a"), s("k"), s("1")));
    QVERIFY(filesIn(dir.path()).isEmpty());
}

void TestIniProfile::sections()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(s("x.ini"));
    QVERIFY(codec::writeBytes(file, codec::encode(s("k=0\r\n[user]\r\n[张三]\r\n[USER]\r\n[Grade0]\r\n"))));
    QCOMPARE(ini::sections(file), (QStringList{s("user"), s("张三"), s("Grade0")}));
    QVERIFY(ini::sections(dir.filePath(s("none.ini"))).isEmpty());
}

QTEST_GUILESS_MAIN(TestIniProfile)
#include "tst_ini_profile.moc"
