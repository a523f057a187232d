#include "core/base/text_codec.h"
#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace base;

class TestTextCodec : public QObject {
    Q_OBJECT
private slots:
    void encodeExact_data();
    void encodeExact();
    void decodeAccepts_data();
    void decodeAccepts();
    void loneSurrogateIsReplaced();
    void largeTextRoundTrips();
    void splitLines_data();
    void splitLines();
    void filesUseCrLfAndReadLf();
};

void TestTextCodec::encodeExact_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("No. 1,2") << QByteArray("No. 1,2");
    QTest::newRow("gbk") << QStringLiteral("成绩") << QByteArray("\xB3\xC9\xBC\xA8");
    QTest::newRow("euro is 0x80") << QStringLiteral("€") << QByteArray("\x80");
    QTest::newRow("fullwidth yen") << QStringLiteral("￥") << QByteArray("\xA3\xA4");
    QTest::newRow("bmp outside cp936") << QStringLiteral("한") << QByteArray("\x83\x36\x84\x33");
    QTest::newRow("latin outside cp936") << QStringLiteral("À") << QByteArray("\x81\x30\x86\x38");
    QTest::newRow("U+20000") << QStringLiteral("𠀀") << QByteArray("\x95\x32\x82\x36");
    QTest::newRow("emoji") << QStringLiteral("😀") << QByteArray("\x94\x39\xFC\x36");
    QTest::newRow("mixed") << QStringLiteral("a€𠀀成한b")
                           << QByteArray("a\x80\x95\x32\x82\x36\xB3\xC9\x83\x36\x84\x33"
                                         "b");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestTextCodec::encodeExact()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(codec::encode(text), bytes);
    QCOMPARE(codec::decode(bytes), text);
}

void TestTextCodec::decodeAccepts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    // GB18030 writes the euro as A2 E3; a file from such a system must read the same.
    QTest::newRow("gb18030 euro") << QByteArray("\xA2\xE3") << QStringLiteral("€");
    QTest::newRow("invalid byte") << QByteArray("a\xFF"
                                                "b")
                                  << QStringLiteral("a\uFFFDb");
    QTest::newRow("cut lead byte") << QByteArray("ab\x81") << QStringLiteral("ab\uFFFD");
    QTest::newRow("cut four-byte") << QByteArray("\x95\x32") << QStringLiteral("\uFFFD2");
}

void TestTextCodec::decodeAccepts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(codec::decode(bytes), text);
}

void TestTextCodec::loneSurrogateIsReplaced()
{
    const QString text = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xD840);
    QCOMPARE(codec::decode(codec::encode(text)), QStringLiteral("a\uFFFDb\uFFFD"));
}

void TestTextCodec::largeTextRoundTrips()
{
    // A whole grade's table, with characters outside CP936 scattered through it and a run of them
    // long enough to outgrow the first output buffer.
    QStringList lines;
    for (int i = 0; i < 150000; ++i)
        lines << QStringLiteral("张三%1|%2|€|").arg(i).arg(i % 100) +
                     (i % 9973 == 0 ? QStringLiteral("𠀀한") : QString());
    lines << QString(20000, QChar(u'한'));
    const QByteArray bytes = codec::joinLines(lines);
    QVERIFY(bytes.endsWith("\x83\x36\x84\x33\r\n"));
    QCOMPARE(codec::splitLines(codec::decode(bytes)), lines);
}

void TestTextCodec::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("no line end") << QStringLiteral("a") << QStringList{QStringLiteral("a")};
    QTest::newRow("final crlf") << QStringLiteral("a\r\nb\r\n")
                                << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("lf") << QStringLiteral("a\nb") << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("blank lines") << QStringLiteral("\r\n\na\n")
                                 << QStringList{QString(), QString(), QStringLiteral("a")};
    QTest::newRow("lone cr stays") << QStringLiteral("a\rb") << QStringList{QStringLiteral("a\rb")};
}

void TestTextCodec::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(codec::splitLines(text), lines);
}

void TestTextCodec::filesUseCrLfAndReadLf()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    const QStringList lines{QStringLiteral("[user]"), QStringLiteral("u1=张三€")};
    QVERIFY(codec::writeLines(path, lines));
    QByteArray raw;
    QVERIFY(codec::readBytes(path, &raw));
    QCOMPARE(raw, QByteArray("[user]\r\nu1=\xD5\xC5\xC8\xFD\x80\r\n"));

    QFile lf(path);
    QVERIFY(lf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lf.write("[user]\nu1=\xD5\xC5\xC8\xFD\x80\n");
    lf.close();
    QStringList read;
    QVERIFY(codec::readLines(path, &read));
    QCOMPARE(read, lines);

    QVERIFY(codec::writeText(path, QStringLiteral("x\ny")));
    QVERIFY(codec::readBytes(path, &raw));
    QCOMPARE(raw, QByteArray("x\ny"));
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("t.txt")});

    QString text;
    QVERIFY(!codec::readText(dir.filePath(QStringLiteral("missing.txt")), &text));
    QVERIFY(!codec::writeLines(dir.filePath(QStringLiteral("no/such/dir.txt")), lines));
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_text_codec.moc"
