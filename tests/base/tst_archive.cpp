#include "core/base/archive.h"
#include "core/base/text_codec.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>
#include <zip.h>

using namespace base;

namespace {

const QString kMember = QStringLiteral("data.file");

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A grade table's text with scores that do not compress away, the same on every run.
QByteArray tableText(int rows)
{
    QStringList lines{s("Grade Table"), s("二零零五学年期中成绩")};
    quint32 x = 12345;
    for (int i = 0; i < rows; ++i) {
        x = x * 1103515245u + 12345u;
        lines << s("%1|张三%2|%3|%4").arg(i).arg(x % 997).arg((x >> 8) % 101).arg((x >> 16) % 151);
    }
    return base::codec::joinLines(lines);
}

struct Entry {
    QString name;
    int encryption;
};

QList<Entry> entriesOf(const QString &archive)
{
    QList<Entry> entries;
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &err);
    if (!za)
        return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) == 0)
            entries.append({QString::fromUtf8(st.name), int(st.encryption_method)});
    }
    zip_discard(za);
    return entries;
}

// An archive whose members are named freely, as a hostile or foreign archive may be.
bool makeZip(const QString &archive, const QList<QPair<QByteArray, QByteArray>> &members)
{
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za)
        return false;
    for (const auto &m : members) {
        zip_source_t *src = zip_source_buffer(za, m.second.constData(), zip_uint64_t(m.second.size()), 0);
        if (zip_file_add(za, m.first.constData(), src, 0) < 0) {
            zip_source_free(src);
            zip_discard(za);
            return false;
        }
    }
    return zip_close(za) == 0;
}

// Whether libzip's one-byte check accepts `password` for the first member.
bool passesHeaderCheck(const QString &archive, const QByteArray &password)
{
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &err);
    if (!za)
        return false;
    zip_file_t *zf = zip_fopen_index_encrypted(za, 0, 0, password.constData());
    if (zf)
        zip_fclose(zf);
    zip_discard(za);
    return zf != nullptr;
}

// A bash word that yields exactly these bytes, so Info-ZIP sees GBK password bytes.
QString bashBytes(const QByteArray &bytes)
{
    QString word = s("$'");
    for (char c : bytes)
        word += QStringLiteral("\\x%1").arg(uint(uchar(c)), 2, 16, QLatin1Char('0'));
    return word + QLatin1Char('\'');
}

// The file-to-file shape these cases were written for, over the in-memory adapter: pack a file
// that must exist; unpack into a folder that must exist, writing the member only on success.
int packFile(const QString &source, const QString &member, const QString &archivePath, const QString &password)
{
    QFile f(source);
    if (!QFileInfo(source).isFile() || !f.open(QIODevice::ReadOnly))
        return 1;
    return archive::pack(f.readAll(), member, archivePath, password) == archive::Failure::None ? 0 : 1;
}

// 0, or the archive's failure as a number (-1 when the member could not be written out).
int unpackFile(const QString &archivePath, const QString &member, const QString &destDir, const QString &password)
{
    if (!QFileInfo(destDir).isDir())
        return -1;
    const archive::Bytes read = archive::unpack(archivePath, member, password);
    if (!read.ok())
        return int(read.failure);
    return writeFile(QDir(destDir).filePath(member), read.bytes) ? 0 : -1;
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void wrongPasswordLeavesNothing();
    void unencryptedOpensWithAnyPassword();
    void infoZip_data();
    void infoZip();
    void damagedArchive_data();
    void damagedArchive();
    void memberOverCapIsRefused();
    void onlyTheExactMember_data();
    void onlyTheExactMember();
    void failedPackKeepsOldArchive_data();
    void failedPackKeepsOldArchive();
    void packReplacesOldArchive();
};

void TestArchive::roundTrip_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("no password") << QString() << tableText(5000);
    QTest::newRow("ascii password") << s("Grade-2005") << tableText(5000);
    QTest::newRow("chinese password") << s("张三dlzip€") << tableText(5000);
    QTest::newRow("empty member") << s("pw") << QByteArray();
}

void TestArchive::roundTrip()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString classDir = dir.filePath(s("表格数据/初一/一班"));
    QVERIFY(QDir().mkpath(classDir));
    const QString archive = classDir + s("/期中.gdt");
    QVERIFY(writeFile(dir.filePath(kMember), content));

    QCOMPARE(packFile(dir.filePath(kMember), kMember, archive, password), 0);
    const QList<Entry> entries = entriesOf(archive);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].name, kMember);
    QCOMPARE(entries[0].encryption, password.isEmpty() ? ZIP_EM_NONE : ZIP_EM_TRAD_PKWARE);
    QCOMPARE(filesIn(classDir), QStringList{s("期中.gdt")});

    QVERIFY(writeFile(dir.filePath(kMember), "stale"));
    QCOMPARE(unpackFile(archive, kMember, dir.path(), password), 0);
    QCOMPARE(readFile(dir.filePath(kMember)), content);
    QCOMPARE(filesIn(dir.path()), QStringList{kMember});
}

void TestArchive::wrongPasswordLeavesNothing()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(s("t.gdt"));
    QVERIFY(writeFile(dir.filePath(s("src")), tableText(3000)));
    QCOMPARE(packFile(dir.filePath(s("src")), kMember, archive, s("张三dlzip")), 0);
    const QString out = dir.filePath(s("out"));
    QVERIFY(QDir().mkpath(out));
    QVERIFY(writeFile(out + s("/data.file"), "old"));

    QStringList wrong{QString(), s("张三DLZIP"), s("张三dlzi"), s("张三dlzip ")};
    // About one wrong password in 256 passes the header check and fails only while reading.
    for (int i = 0, found = 0; i < 20000 && found < 3; ++i) {
        const QString candidate = s("w%1").arg(i);
        if (passesHeaderCheck(archive, candidate.toLatin1())) {
            wrong << candidate;
            ++found;
        }
    }
    QVERIFY2(wrong.size() > 4, "no wrong password passed the header check");
    for (const QString &pw : wrong) {
        const int failure = unpackFile(archive, kMember, out, pw);
        QVERIFY2(failure == int(archive::Failure::WrongPassword) || failure == int(archive::Failure::Damaged),
                 qPrintable(pw));
        QCOMPARE(filesIn(out), QStringList{kMember});
        QCOMPARE(readFile(out + s("/data.file")), QByteArray("old"));
    }
}

void TestArchive::unencryptedOpensWithAnyPassword()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(s("src")), "1|2|3\r\n"));
    QCOMPARE(packFile(dir.filePath(s("src")), s("user.dat"), dir.filePath(s("std.dat")), QString()), 0);
    QCOMPARE(unpackFile(dir.filePath(s("std.dat")), s("user.dat"), dir.path(), s("任意")), 0);
    QCOMPARE(readFile(dir.filePath(s("user.dat"))), QByteArray("1|2|3\r\n"));
}

void TestArchive::infoZip_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("ascii") << s("pw123");
    QTest::newRow("chinese as gbk") << s("张三");
    QTest::newRow("none") << QString();
}

void TestArchive::infoZip()
{
    QFETCH(QString, password);
    const QString bash = QStandardPaths::findExecutable(s("bash"));
    if (QStandardPaths::findExecutable(s("zip")).isEmpty() || QStandardPaths::findExecutable(s("unzip")).isEmpty() ||
        bash.isEmpty())
        QSKIP("Info-ZIP zip/unzip not installed");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(s("in")));
    QVERIFY(QDir(dir.path()).mkpath(s("out")));
    const QByteArray content = tableText(2000);
    QVERIFY(writeFile(dir.filePath(s("in/data.file")), content));
    const QString pwArg = password.isEmpty() ? QString() : s("-P ") + bashBytes(base::codec::encode(password));

    // Theirs to ours.
    ProcessResult r = runProcess(bash, {s("-c"), s("zip -q -j %1 theirs.zip in/data.file").arg(pwArg)}, {}, dir.path());
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(unpackFile(dir.filePath(s("theirs.zip")), kMember, dir.filePath(s("out")), password), 0);
    QCOMPARE(readFile(dir.filePath(s("out/data.file"))), content);
    if (!password.isEmpty()) {
        QVERIFY(unpackFile(dir.filePath(s("theirs.zip")), kMember, dir.filePath(s("out")), s("张")) != 0);
        QCOMPARE(filesIn(dir.filePath(s("out"))), QStringList{kMember});
    }

    // Ours to theirs.
    QCOMPARE(packFile(dir.filePath(s("in/data.file")), kMember, dir.filePath(s("ours.zip")), password), 0);
    r = runProcess(bash, {s("-c"), s("unzip %1 -p ours.zip data.file").arg(pwArg)}, {}, dir.path());
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(r.out, content);
    if (!password.isEmpty()) {
        r = runProcess(bash, {s("-c"), s("unzip -P nope -p ours.zip data.file")}, {}, dir.path());
        QVERIFY(r.exitCode != 0);
    }
}

void TestArchive::damagedArchive_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<QString>("password");
    enum { Truncated, CutTail, Garbage, Empty, FlippedData, StrongEncryption };
    QTest::newRow("truncated") << int(Truncated) << s("pw");
    QTest::newRow("end record cut") << int(CutTail) << s("pw");
    QTest::newRow("garbage") << int(Garbage) << QString();
    QTest::newRow("empty file") << int(Empty) << QString();
    QTest::newRow("flipped data, encrypted") << int(FlippedData) << s("pw");
    QTest::newRow("flipped data, plain") << int(FlippedData) << QString();
    // A central directory that claims an encryption method libzip does not support.
    QTest::newRow("unsupported encryption") << int(StrongEncryption) << s("pw");
}

void TestArchive::damagedArchive()
{
    QFETCH(int, damage);
    QFETCH(QString, password);
    QTemporaryDir dir;
    const QString archive = dir.filePath(s("t.gdt"));
    QVERIFY(writeFile(dir.filePath(s("src")), tableText(3000)));
    QCOMPARE(packFile(dir.filePath(s("src")), kMember, archive, password), 0);
    QByteArray bytes = readFile(archive);
    switch (damage) {
    case 0:
        bytes.truncate(bytes.size() / 2);
        break;
    case 1:
        bytes.chop(10);
        break;
    case 2:
        bytes = QByteArray(4096, '\x5A');
        bytes.prepend("PK\x03\x04");
        break;
    case 3:
        bytes.clear();
        break;
    case 5:
        for (qsizetype at = bytes.indexOf("PK\x01\x02"); at >= 0; at = bytes.indexOf("PK\x01\x02", at + 4))
            bytes[at + 8] = char(bytes[at + 8] | 0x40);
        break;
    default:
        for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 8; ++i)
            bytes[i] = char(bytes[i] ^ 0x5A);
    }
    QVERIFY(writeFile(archive, bytes));
    const QString out = dir.filePath(s("out"));
    QVERIFY(QDir().mkpath(out));
    QVERIFY(writeFile(out + s("/data.file"), "old"));
    QVERIFY(unpackFile(archive, kMember, out, password) != 0);
    QCOMPARE(filesIn(out), QStringList{kMember});
    QCOMPARE(readFile(out + s("/data.file")), QByteArray("old"));
}

void TestArchive::memberOverCapIsRefused()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(s("t.gdt"));
    QVERIFY(makeZip(archive, {{"data.file", tableText(50)}}));
    // Claim 512 MiB in both the local and the central header.
    QByteArray bytes = readFile(archive);
    const quint32 claimed = 512u << 20;
    for (const auto &[signature, offset] : {std::pair{QByteArray("PK\x03\x04"), 22}, {QByteArray("PK\x01\x02"), 24}}) {
        const qsizetype at = bytes.indexOf(signature);
        QVERIFY(at >= 0);
        qToLittleEndian(claimed, bytes.data() + at + offset);
    }
    QVERIFY(writeFile(archive, bytes));
    QCOMPARE(unpackFile(archive, kMember, dir.path(), QString()), int(archive::Failure::TooLarge));
    QCOMPARE(filesIn(dir.path()), QStringList{s("t.gdt")});
}

void TestArchive::onlyTheExactMember_data()
{
    QTest::addColumn<QByteArrayList>("names");
    QTest::addColumn<bool>("extracts");
    QTest::newRow("other name") << QByteArrayList{"other.file"} << false;
    QTest::newRow("other case") << QByteArrayList{"DATA.FILE"} << false;
    QTest::newRow("parent path") << QByteArrayList{"../data.file"} << false;
    QTest::newRow("sub path") << QByteArrayList{"sub/data.file"} << false;
    QTest::newRow("absolute path") << QByteArrayList{"/tmp/data.file"} << false;
    QTest::newRow("exact among others") << QByteArrayList{"sub/data.file", "data.file", "../data.file"} << true;
}

void TestArchive::onlyTheExactMember()
{
    QFETCH(QByteArrayList, names);
    QFETCH(bool, extracts);
    QTemporaryDir dir;
    const QString archive = dir.filePath(s("t.gdt"));
    QList<QPair<QByteArray, QByteArray>> members;
    for (const QByteArray &name : names)
        members.append({name, name == "data.file" ? QByteArray("right") : QByteArray("wrong")});
    QVERIFY(makeZip(archive, members));
    const QString out = dir.filePath(s("prog"));
    QVERIFY(QDir().mkpath(out));

    QCOMPARE(unpackFile(archive, kMember, out, QString()) == 0, extracts);
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             extracts ? QStringList{kMember} : QStringList());
    if (extracts)
        QCOMPARE(readFile(out + s("/data.file")), QByteArray("right"));
    QCOMPARE(filesIn(dir.path()), QStringList{s("t.gdt")});
}

void TestArchive::failedPackKeepsOldArchive_data()
{
    QTest::addColumn<int>("failure");
    QTest::newRow("missing source") << 0;
    QTest::newRow("source is a folder") << 1;
    QTest::newRow("target folder missing") << 2;
    QTest::newRow("target is a folder") << 3;
    QTest::newRow("target folder read-only") << 4;
    QTest::newRow("member name with folder") << 5;
}

void TestArchive::failedPackKeepsOldArchive()
{
    QFETCH(int, failure);
    QTemporaryDir dir;
    const QString folder = dir.filePath(s("表格数据"));
    QVERIFY(QDir().mkpath(folder + s("/sub")));
    const QString archive = folder + s("/t.gdt");
    QVERIFY(writeFile(dir.filePath(kMember), tableText(100)));
    QCOMPARE(packFile(dir.filePath(kMember), kMember, archive, s("pw")), 0);
    const QByteArray old = readFile(archive);

    QString source = dir.filePath(kMember);
    QString target = archive;
    QString member = kMember;
    switch (failure) {
    case 0:
        source = dir.filePath(s("none"));
        break;
    case 1:
        source = folder + s("/sub");
        break;
    case 2:
        target = folder + s("/none/t.gdt");
        break;
    case 3:
        target = folder + s("/sub");
        break;
    case 4:
        if (geteuid() == 0)
            QSKIP("permissions do not stop root");
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        break;
    default:
        member = s("sub/data.file");
    }
    const int result = packFile(source, member, target, s("pw"));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(result != 0);
    QCOMPARE(readFile(archive), old);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{s("sub"), s("t.gdt")}));
    QVERIFY(QDir(folder + s("/sub")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    QCOMPARE(filesIn(dir.path()), QStringList{kMember});
}

void TestArchive::packReplacesOldArchive()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(s("t.gdt"));
    QVERIFY(writeFile(dir.filePath(s("a")), "first"));
    QVERIFY(writeFile(dir.filePath(s("b")), "second"));
    QCOMPARE(packFile(dir.filePath(s("a")), kMember, archive, s("one")), 0);
    QCOMPARE(packFile(dir.filePath(s("b")), kMember, archive, s("two")), 0);
    QCOMPARE(filesIn(dir.path()), (QStringList{s("a"), s("b"), s("t.gdt")}));
    QVERIFY(unpackFile(archive, kMember, dir.path(), s("one")) != 0);
    QCOMPARE(unpackFile(archive, kMember, dir.path(), s("two")), 0);
    QCOMPARE(readFile(dir.filePath(kMember)), QByteArray("second"));
    QVERIFY(unpackFile(dir.filePath(s("none.gdt")), kMember, dir.path(), s("two")) != 0);
    QVERIFY(unpackFile(archive, kMember, dir.filePath(s("no-such-dir")), s("two")) != 0);
}

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
