// Hostile and damaged input through scorvane-cli, one row per case: damaged and hostile archives,
// damaged table members, deep and huge formulas, damaged and crowded user stores, read-only folders
// and a full disk. Each row checks the message, the exit status, that no plain member, user list or
// scratch file is left anywhere, that every file that was there before is unchanged byte for byte
// (and mode for mode) unless the command is meant to write it, and that the peak memory follows
// what the input holds rather than what it claims.
#include "core/base/archive.h"
#include "core/base/text_codec.h"
#include "core/shell/school_tree.h"
#include "core/shell/user_store.h"
#include "core/table/table_file.h"
#include "test_config.h"
#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

const QString kTablePassword = QStringLiteral("T@pw");
const QString kOpenFailed = QStringLiteral("文件打开失败！请确认文件格式正确，或确认您有权访问该文档。");
const QString kBadFormat = QStringLiteral("文件格式不正确!");
const QString kSaveFailed = QStringLiteral("文件保存失败！请检查保存介质是否可写！");
const QString kOverwrite = QStringLiteral("确实覆盖原有数据么？ -> Yes");
const QString kConverted = QStringLiteral("转换完成。");

// Where a case runs: a plain folder, folders the command-line user may not write (as a user other
// than root), a file system with no room left (a small tmpfs, mounted as root), or a plain folder
// where 表格数据/in.gdt is a named pipe no one writes to.
enum Setting { Plain, ReadOnly, FullDisk, Pipe };

QByteArray gbk(const QString &s)
{
    return base::codec::encode(s);
}

QByteArray lines(const QList<QByteArray> &l, const QByteArray &end = "\r\n")
{
    QByteArray out;
    for (const QByteArray &line : l)
        out += line + end;
    return out;
}

// The lines of a small valid table member: two students, fields 姓名 and 语文.
QList<QByteArray> tableLines(const QByteArray &title = gbk(QStringLiteral("期中")))
{
    return {gbk(table::kMagicLine),
            title,
            "3",
            "3",
            gbk(QStringLiteral("王")),
            gbk(QStringLiteral("初一(2)班")),
            "###.##",
            "  ",
            gbk(QStringLiteral("姓名")),
            gbk(QStringLiteral("语文")),
            "1",
            gbk(QStringLiteral("张三")),
            "90",
            "2",
            gbk(QStringLiteral("李四")),
            "85"};
}

QByteArray tableMember()
{
    return lines(tableLines());
}

// A member whose header holds the given counts and the given cell lines.
QByteArray countsMember(const QByteArray &rows, const QByteArray &cols, int cellLines = 9)
{
    QList<QByteArray> l = tableLines().mid(0, 7);
    l[2] = rows;
    l[3] = cols;
    for (int i = 0; i < cellLines; ++i)
        l << QByteArray::number(i);
    return lines(l);
}

QByteArray packed(const QByteArray &member, const QString &password = kTablePassword)
{
    return base::archive::packToBytes(member, QStringLiteral("data.file"), password).bytes;
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, '\0');
    for (char &c : b)
        c = char(rng.bounded(256));
    return b;
}

// A user list of `count` users (u1 … uN, one section each) packed as the store packs it.
QByteArray storeOf(int count)
{
    QStringList l{QStringLiteral("[user]")};
    for (int i = 1; i <= count; ++i)
        l << QStringLiteral("u%1=teacher%2").arg(i).arg(i);
    for (int i = 1; i <= count; ++i)
        l << QStringLiteral("[teacher%1]").arg(i) << QStringLiteral("psd=secret%1").arg(i)
          << QStringLiteral("dlzip=secret%1").arg(i);
    return base::archive::packToBytes(base::codec::joinLines(l), QStringLiteral("user.dat"),
                                      QString::fromUtf16(shell::kUserStorePassword))
        .bytes;
}

// Every entry below `root` with its mode and bytes (a folder by its mode alone).
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        QByteArray entry = QByteArray::number(uint(st.st_mode), 8) + ' ';
        if (S_ISREG(st.st_mode)) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                entry += f.readAll();
        }
        files.insert(QDir(root).relativeFilePath(path), entry);
    }
    return files;
}

// Plain members, user lists and scratch files anywhere below `root`.
QStringList leftovers(const QString &root)
{
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName();
        if (name == QLatin1String("data.file") || name == QLatin1String("user.dat") ||
            name.endsWith(QLatin1String(".saving")) || name.startsWith(QLatin1String("~$")))
            found << QDir(root).relativeFilePath(path);
    }
    return found;
}

bool isRoot()
{
    return ::geteuid() == 0;
}

bool run(const QString &program, const QStringList &args)
{
    return runProcess(program, args).exitCode == 0;
}

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 peakKiB = 0;
};

} // namespace

class BadInputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void hostileInput_data();
    void hostileInput();
    void dbfRecordsSharingOneMemoBlock();

private:
    Outcome runCli(const QString &programDir, const QStringList &args, bool asOtherUser);
    QByteArray hostileZip(const QString &name) const;

    QTemporaryDir m_scratch;
    QString m_escapedMember; // the absolute member name of one hostile archive
    qint64 m_basePeakKiB = 0;
};

Outcome BadInputTest::runCli(const QString &programDir, const QStringList &args, bool asOtherUser)
{
    QTemporaryDir tmp;
    const QString report = tmp.filePath(QStringLiteral("peak"));
    QStringList command{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), report};
    if (asOtherUser)
        command << QStringLiteral("setpriv") << QStringLiteral("--reuid=65534") << QStringLiteral("--regid=65534")
                << QStringLiteral("--clear-groups") << QStringLiteral("--");
    command << cliPath() << QStringLiteral("--dir") << programDir << QStringLiteral("--table-password")
            << kTablePassword << QStringLiteral("--yes") << args;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The sanitizer's quarantine would keep freed memory resident and count it.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=1:quarantine_size_mb=0"));
    p.setProcessEnvironment(env);
    // A member named "../data.file" would land in the program directory from here.
    p.setWorkingDirectory(programDir + QStringLiteral("/表格数据"));
    p.start(QStringLiteral("/usr/bin/time"), command);
    Outcome o;
    if (!p.waitForStarted() || !p.waitForFinished(100000)) {
        p.kill();
        p.waitForFinished();
        return o;
    }
    o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = p.readAllStandardOutput();
    o.err = p.readAllStandardError();
    QFile f(report);
    if (f.open(QIODevice::ReadOnly))
        o.peakKiB = f.readAll().trimmed().split('\n').last().toLong();
    // GNU time reports a child killed by a signal on stderr; the exit status carries it.
    if (o.err.contains("Command terminated by signal") || o.err.contains("Command exited with non-zero status")) {
        QList<QByteArray> kept;
        for (const QByteArray &line : o.err.split('\n'))
            if (!line.startsWith("Command "))
                kept << line;
        o.err = kept.join('\n');
    }
    return o;
}

QByteArray BadInputTest::hostileZip(const QString &name) const
{
    QFile f(m_scratch.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void BadInputTest::initTestCase()
{
    if (cliPath().isEmpty())
        QSKIP("scorvane-cli not available");
    QVERIFY2(QFile::exists(QStringLiteral("/usr/bin/time")), "GNU time is missing (scripts/deps.sh installs it)");
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    QVERIFY2(!python.isEmpty(), "python3 is missing");
    QFile member(m_scratch.filePath(QStringLiteral("member")));
    QVERIFY(member.open(QIODevice::WriteOnly));
    member.write(tableMember());
    member.close();
    m_escapedMember = m_scratch.filePath(QStringLiteral("escaped/data.file"));
    const ProcessResult made = runProcess(python, {QStringLiteral(SCORVANE_TEST_DATA "/broken/make_hostile_zips.py"),
                                                   m_scratch.path(), member.fileName(), m_escapedMember});
    QVERIFY2(made.exitCode == 0, made.err.constData());
    const ProcessResult books =
        runProcess(python, {QStringLiteral(SCORVANE_TEST_DATA "/broken/make_hostile_workbooks.py"), m_scratch.path()});
    QVERIFY2(books.exitCode == 0, books.err.constData());

    // What a tiny table costs, the measure for every case.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("表格数据")));
    QFile tiny(dir.filePath(QStringLiteral("表格数据/tiny.gdt")));
    QVERIFY(tiny.open(QIODevice::WriteOnly));
    tiny.write(packed(tableMember()));
    tiny.close();
    const Outcome base = runCli(dir.path(), {QStringLiteral("show"), tiny.fileName()}, false);
    QCOMPARE(base.exitCode, 0);
    m_basePeakKiB = base.peakKiB;
    qInfo("a tiny table: %lld KiB", m_basePeakKiB);
}

void BadInputTest::hostileInput_data()
{
    QTest::addColumn<QByteArray>("input");    // 表格数据/in.gdt as it lies on disk
    QTest::addColumn<QByteArray>("store");    // std.dat; null: one user, teacher / secret1
    QTest::addColumn<QStringList>("args");    // @in, @out, @new and @big name the tables
    QTest::addColumn<int>("setting");         // Setting
    QTest::addColumn<QStringList>("message"); // stderr, line by line
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("changed"); // the files the command is meant to write
    QTest::addColumn<QString>("outLine");     // a line stdout must hold, if any

    const QStringList saveAs{QStringLiteral("save-as"), QStringLiteral("@in"), QStringLiteral("@out")};
    const QStringList show{QStringLiteral("show"), QStringLiteral("@in")};
    const QStringList out{QStringLiteral("表格数据/out.gdt")};
    auto refused = [&](const char *tag, const QByteArray &input, const QString &message) {
        QTest::newRow(tag) << input << QByteArray() << saveAs << int(Plain) << QStringList{message} << 1
                           << QStringList() << QString();
    };
    auto saved = [&](const char *tag, const QByteArray &input) {
        QTest::newRow(tag) << input << QByteArray() << saveAs << int(Plain) << QStringList{kOverwrite} << 0 << out
                           << QString();
    };

    // The archive cut short or overwritten with garbage from an offset on: the header, the
    // encryption header, the compressed data, the central directory and the end record.
    const QByteArray good = packed(lines(tableLines()) + randomBytes(6000, 7).toHex() + "\r\n");
    QVERIFY(good.size() > 4000);
    const qsizetype central = good.lastIndexOf("PK\x01\x02");
    const qsizetype end = good.lastIndexOf("PK\x05\x06");
    for (const qsizetype at :
         {qsizetype(0), qsizetype(1), qsizetype(4), qsizetype(29), qsizetype(39), qsizetype(51), good.size() / 3,
          good.size() / 2, central - 1, central + 20, end, end + 11, good.size() - 1}) {
        refused(qPrintable(QStringLiteral("archive cut at %1").arg(at)), good.left(at), kOpenFailed);
        if (at > 0)
            refused(qPrintable(QStringLiteral("garbage from %1").arg(at)),
                    good.left(at) + randomBytes(good.size() - at, quint32(at)), kOpenFailed);
    }
    refused("4 KiB of garbage", randomBytes(4096, 1), kOpenFailed);

    // Workbooks: damaged, cut and hostile ones refused by convert-xlsx and import-column alike.
    const QStringList convertXlsx{QStringLiteral("convert-xlsx"), QStringLiteral("@in"), QStringLiteral("@out")};
    const QStringList importColumn{QStringLiteral("import-column"), QStringLiteral("@out"), QStringLiteral("1"),
                                   QStringLiteral("@in")};
    auto badWorkbook = [&](const QString &tag, const QByteArray &input) {
        for (const QStringList &args : {convertXlsx, importColumn})
            QTest::newRow(qPrintable(tag + QStringLiteral(": ") + args.first()))
                << input << QByteArray() << args << int(Plain) << QStringList{kBadFormat} << 1 << QStringList()
                << QString();
    };
    auto fixture = [](const char *name) {
        QFile f(QStringLiteral(SCORVANE_TEST_DATA "/exchange/") + QLatin1String(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray xlsx = fixture("sheets.xlsx"), xls = fixture("gnumeric.xls");
    QVERIFY(xlsx.size() > 4000 && xls.size() > 4000);
    QTest::newRow("a sound workbook: convert-xlsx")
        << xlsx << QByteArray() << convertXlsx << int(Plain) << QStringList{kOverwrite} << 0 << out << QString();
    for (const qsizetype at : {qsizetype(10), qsizetype(30), xlsx.size() / 3, xlsx.size() / 2, xlsx.size() - 30}) {
        badWorkbook(QStringLiteral(".xlsx cut at %1").arg(at), xlsx.left(at));
        badWorkbook(QStringLiteral(".xlsx garbage from %1").arg(at),
                    xlsx.left(at) + randomBytes(xlsx.size() - at, quint32(at)));
    }
    for (const qsizetype at : {qsizetype(600), xls.size() / 2, xls.size() - 100})
        badWorkbook(QStringLiteral(".xls cut at %1").arg(at), xls.left(at));
    for (const char *name : {"dtd.xlsx", "entity.xlsx", "row-too-far.xlsx", "column-too-far.xlsx", "merge-too-far.xlsx",
                             "string-missing.xlsx", "sheet-missing.xlsx", "bomb-lying.xlsx", "bomb-of-comments.xlsx",
                             "strings-by-the-million.xlsx", "garbage.xls", "sector-loop.xls", "sector-past-file.xls",
                             "stream-past-file.xls", "string-past-record.xls", "encrypted.xls", "cell-too-far.xls",
                             "merge-too-far.xls", "string-missing.xls"})
        badWorkbook(QLatin1String(name), hostileZip(QLatin1String(name)));
    // The hand-made .xls the hostile ones are made from reads: its stream in sectors of its own, in
    // the mini stream, in sectors of 4096 bytes, its FAT listed partly in a DIFAT sector.
    // Besides, 200,000 merged areas over a number in each of 30,000 rows: read in a moment.
    for (const char *name :
         {"sound.xls", "sound-mini.xls", "sound-4096.xls", "sound-difat.xls", "merges-everywhere.xls"})
        QTest::newRow(qPrintable(QStringLiteral("%1: convert-xlsx").arg(QLatin1String(name))))
            << hostileZip(QLatin1String(name)) << QByteArray() << convertXlsx << int(Plain) << QStringList{kOverwrite}
            << 0 << out << QString();
    // A sheet name whose length made FreeXL read far past its buffer, and an older BIFF that FreeXL
    // (in its child, where an older BIFF still goes) crashes on (both found by fuzzing).
    for (const char *name : {"name-read-past-buffer.xls", "older-biff-crashes-freexl.xls"}) {
        QFile f(QStringLiteral(SCORVANE_TEST_DATA "/fuzz-found/xls/") + QLatin1String(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        badWorkbook(QLatin1String(name), f.readAll());
    }
    refused("a text file", tableMember(), kOpenFailed);

    // Hostile archives: the member only by its exact bare name, bombs refused without inflating.
    refused("member named ../data.file", hostileZip(QStringLiteral("parent-path.gdt")), kOpenFailed);
    refused("member named by an absolute path", hostileZip(QStringLiteral("absolute-path.gdt")), kOpenFailed);
    refused("member named sub/data.file", hostileZip(QStringLiteral("sub-folder.gdt")), kOpenFailed);
    refused("member named Data.File", hostileZip(QStringLiteral("other-case.gdt")), kOpenFailed);
    refused("member inflating to 3 GiB", hostileZip(QStringLiteral("bomb-declared.gdt")), kOpenFailed);
    refused("member inflating to 3 GiB declared as 259 bytes", hostileZip(QStringLiteral("bomb-lying.gdt")),
            kOpenFailed);
    refused("data.file twice", hostileZip(QStringLiteral("same-name-twice.gdt")), kOpenFailed);
    saved("data.file beside another member", hostileZip(QStringLiteral("two-members.gdt")));

    // Damaged members in a sound archive.
    refused("rows 99999", packed(countsMember("99999", "3")), kBadFormat);
    refused("rows 4294967299", packed(countsMember("4294967299", "3")), kBadFormat);
    refused("columns -3", packed(countsMember("3", "-3")), kBadFormat);
    refused("rows abc", packed(countsMember("abc", "3")), kBadFormat);
    refused("columns empty", packed(countsMember("3", "")), kBadFormat);
    refused("rows 3.5", packed(countsMember("3.5", "3")), kBadFormat);
    refused("32767 x 32767 over nine lines", packed(countsMember("32767", "32767")), kBadFormat);
    refused("30000 x 2 over 40 lines", packed(countsMember("30000", "2", 40)), kBadFormat);
    saved("3 x 3 missing its last row", packed(countsMember("3", "3", 6)));
    refused("3 x 3 missing two rows", packed(countsMember("3", "3", 3)), kBadFormat);
    for (int cut = 0; cut < 7; ++cut)
        refused(qPrintable(QStringLiteral("member cut after line %1").arg(cut)),
                packed(lines(tableLines().mid(0, cut))), kBadFormat);
    refused("member of garbage", packed(randomBytes(5000, 3)), kBadFormat);
    QList<QByteArray> badMagic = tableLines();
    badMagic[0].insert(3, '\xff');
    refused("invalid GBK in the magic line", packed(lines(badMagic)), kBadFormat);
    QList<QByteArray> badCells = tableLines("\x81\x20\xff\xfe title");
    badCells[11] = "\xa1";
    badCells[14] = "\x81\x39\xff\x30";
    QTest::newRow("invalid GBK in the title and cells")
        << packed(lines(badCells)) << QByteArray() << show << int(Plain) << QStringList() << 0 << QStringList()
        << QStringLiteral("1\t\uFFFD\t90");
    refused("one 10 MiB line", packed(QByteArray(10 << 20, 'x')), kBadFormat);
    refused("a 10 MiB first line", packed(QByteArray(10 << 20, 'x') + "\r\n" + tableMember()), kBadFormat);
    saved("a 10 MiB title", packed(lines(tableLines(QByteArray(10 << 20, 't')))));
    refused("CR-only line ends", packed(lines(tableLines(), "\r")), kBadFormat);
    refused("UTF-8 with a byte-order mark",
            packed("\xef\xbb\xbf" + lines(tableLines()).replace(gbk(table::kMagicLine), table::kMagicLine.toUtf8())),
            kBadFormat);
    saved("LF-only line ends", packed(lines(tableLines(), "\n")));

    // Trial tables (the member as a plain file) converted in place: refused before anything is written.
    const QStringList convertIn{QStringLiteral("convert-trial"), QStringLiteral("@in")};
    const QString notTrial = QStringLiteral("数据文件：@in.gdt 不是有效的试用版数据格式，可能已经是新版本的数据文件。");
    const QList<QPair<const char *, QPair<QByteArray, QString>>> trials{
        {"trial table claiming 32767 x 32767", {countsMember("32767", "32767"), kBadFormat}},
        {"trial table with rows abc", {countsMember("abc", "3"), kBadFormat}},
        {"trial table of one 10 MiB line", {QByteArray(10 << 20, 'x'), notTrial}},
        {"trial table with CR-only line ends", {lines(tableLines(), "\r"), notTrial}},
        {"trial table in UTF-8 with a byte-order mark",
         {"\xef\xbb\xbf" + lines(tableLines()).replace(gbk(table::kMagicLine), table::kMagicLine.toUtf8()), notTrial}}};
    for (const auto &[tag, trial] : trials) {
        const QString message =
            trial.second == kBadFormat ? QStringLiteral("数据文件：@in.gdt ") + kBadFormat : trial.second;
        QTest::newRow(tag) << trial.first << QByteArray() << convertIn << int(Plain) << QStringList{message, kConverted}
                           << 1 << QStringList() << QString();
    }
    // A trial table the reader takes (lines after the cells are ignored) but whose archive would be
    // refused when opened: nothing is replaced and no backup is made.
    const QByteArray hugeTrial = lines(tableLines()) + QByteArray((257 << 20) - 1, '\n');
    for (const bool backup : {false, true})
        QTest::newRow(backup ? "trial table of 257 MiB, --backup" : "trial table of 257 MiB")
            << hugeTrial << QByteArray()
            << (backup ? QStringList{QStringLiteral("convert-trial"), QStringLiteral("--backup"), QStringLiteral("@in")}
                       : convertIn)
            << int(Plain) << QStringList{QStringLiteral("表格过大，无法保存。"), kConverted} << 1 << QStringList()
            << QString();

    // Comma-separated text converted to a new table: a record wider than any grid is counted, not
    // held, and refused.
    const QStringList convertCsv{QStringLiteral("convert-csv"), QStringLiteral("@in"), QStringLiteral("@new")};
    QTest::newRow("CSV record of 2 Mi commas")
        << ("a" + QByteArray(2 << 20, ',') + "\r\n") << QByteArray() << convertCsv << int(Plain)
        << QStringList{kBadFormat} << 1 << QStringList() << QString();
    QTest::newRow("CSV of 32767 values and a name")
        << ("姓名," + QByteArray("1,").repeated(32766) + "9\r\n") << QByteArray() << convertCsv << int(Plain)
        << QStringList{kBadFormat} << 1 << QStringList() << QString();
    QTest::newRow("CSV with CR-only line ends")
        << QByteArray("name,score\r1,2\r3,4\r") << QByteArray() << convertCsv << int(Plain) << QStringList() << 0
        << QStringList{QStringLiteral("表格数据/new.gdt")} << QString();

    // Files that are no regular files: a pipe would wait for a writer, /dev/zero never ends.
    const QString dbfFailed = QStringLiteral("数据库读取发生错误。错误代码：");
    const QList<std::tuple<const char *, QStringList, QStringList>> special{
        {"convert-trial of a pipe", convertIn, {QString(notTrial), kConverted}},
        {"convert-csv of a pipe", convertCsv, {QStringLiteral("无法读取文件：@in.gdt")}},
        {"convert-dbf of a pipe",
         {QStringLiteral("convert-dbf"), QStringLiteral("@in"), QStringLiteral("@new")},
         {dbfFailed, QStringLiteral("1（无法读取数据库文件）")}},
        {"convert-csv of /dev/zero",
         {QStringLiteral("convert-csv"), QStringLiteral("/dev/zero"), QStringLiteral("@new")},
         {QStringLiteral("无法读取文件：/dev/zero")}},
        {"convert-dbf of /dev/zero",
         {QStringLiteral("convert-dbf"), QStringLiteral("/dev/zero"), QStringLiteral("@new")},
         {dbfFailed, QStringLiteral("1（无法读取数据库文件）")}},
        {"convert-trial of /dev/zero",
         {QStringLiteral("convert-trial"), QStringLiteral("/dev/zero")},
         {QStringLiteral("数据文件：/dev/zero 不是有效的试用版数据格式，可能已经是新版本的数据文件。"), kConverted}}};
    for (const auto &[tag, args, message] : special)
        QTest::newRow(tag) << QByteArray() << QByteArray() << args
                           << int(QByteArray(tag).endsWith("pipe") ? Pipe : Plain) << message << 1 << QStringList()
                           << QString();

    // Formulas the evaluator must refuse within its limits.
    QList<QByteArray> deep = tableLines();
    deep[12] = gbk(QStringLiteral("！公式：")) + QByteArray(10000, '(') + "1" + QByteArray(10000, ')');
    QTest::newRow("10,000 nested parentheses")
        << packed(lines(deep)) << QByteArray() << show << int(Plain) << QStringList() << 0 << QStringList()
        << QStringLiteral("1\t张三\t公式错误");
    // The evaluator takes expressions up to its length limit and refuses longer ones as a whole.
    for (const int terms : {15999, 1 << 19}) {
        QList<QByteArray> longFormula = tableLines();
        longFormula[12] = gbk(QStringLiteral("！公式：")) + "1" + QByteArray("+1").repeated(terms);
        QTest::newRow(qPrintable(QStringLiteral("a formula of %1 bytes").arg(2 * terms + 1)))
            << packed(lines(longFormula)) << QByteArray() << show << int(Plain) << QStringList() << 0 << QStringList()
            << (terms < 16000 ? QStringLiteral("1\t张三\t%1").arg(terms + 1) : QStringLiteral("1\t张三\t公式错误"));
    }

    // The user store: damaged ones read as empty and are never replaced; 10,000 users stay quick.
    const QStringList userAdd{QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("newbie"),
                              QStringLiteral("secret9")};
    const QStringList userList{QStringLiteral("user"), QStringLiteral("list")};
    const QString storeBroken = QStringLiteral("用户数据文件 std.dat 已损坏或无法读取，不能添加用户。");
    const QByteArray store = storeOf(3);
    const QByteArray tableIn = packed(tableMember());
    const QList<QPair<const char *, QByteArray>> damagedStores{
        {"std.dat cut in half", store.left(store.size() / 2)},
        {"std.dat of garbage", randomBytes(600, 5)},
        {"std.dat with a flipped byte", QByteArray(store).replace(60, 1, "\x5a")},
        {"std.dat empty", QByteArray("")}};
    for (const auto &[tag, bytes] : damagedStores) {
        const QByteArray &onDisk = bytes; // never null: "std.dat empty" is a file of no bytes
        QTest::newRow(qPrintable(QStringLiteral("%1: user add").arg(QLatin1String(tag))))
            << tableIn << onDisk << userAdd << int(Plain) << QStringList{storeBroken} << 1 << QStringList()
            << QString();
        QTest::newRow(qPrintable(QStringLiteral("%1: user list").arg(QLatin1String(tag))))
            << tableIn << onDisk << userList << int(Plain) << QStringList() << 0 << QStringList() << QString();
        QTest::newRow(qPrintable(QStringLiteral("%1: login").arg(QLatin1String(tag))))
            << tableIn << onDisk
            << QStringList{QStringLiteral("--user"),  QStringLiteral("teacher1"), QStringLiteral("--password"),
                           QStringLiteral("secret1"), QStringLiteral("show"),     QStringLiteral("@in")}
            << int(Plain) << QStringList{QStringLiteral("密码错误，请重新输入。")} << 1 << QStringList() << QString();
    }
    const QByteArray crowd = storeOf(10000);
    QTest::newRow("10,000 users: user list") << tableIn << crowd << userList << int(Plain) << QStringList() << 0
                                             << QStringList() << QStringLiteral("teacher10000");
    QTest::newRow("10,000 users: user add") << tableIn << crowd << userAdd << int(Plain) << QStringList() << 0
                                            << QStringList{QStringLiteral("std.dat")} << QString();
    QTest::newRow("10,000 users: the last one logs in")
        << tableIn << crowd
        << QStringList{QStringLiteral("--user"),      QStringLiteral("teacher10000"), QStringLiteral("--password"),
                       QStringLiteral("secret10000"), QStringLiteral("user"),         QStringLiteral("list")}
        << int(Plain) << QStringList() << 0 << QStringList() << QStringLiteral("teacher1");

    // Folders that may not be written, and a disk without room: the message, nothing changed.
    const QStringList templateSave{QStringLiteral("template"), QStringLiteral("save"), QStringLiteral("@in"),
                                   QStringLiteral("old")};
    const QStringList trial{QStringLiteral("convert-trial"), QStringLiteral("@trial")};
    const QStringList newTable{QStringLiteral("new-table"), QStringLiteral("实验中学/初一/1班"),
                               QStringLiteral("新表")};
    for (const Setting s : {ReadOnly, FullDisk}) {
        const QString where = s == ReadOnly ? QStringLiteral("read-only folders") : QStringLiteral("full disk");
        auto failing = [&](const QString &what, const QStringList &args, const QStringList &message) {
            QTest::newRow(qPrintable(where + QStringLiteral(": ") + what))
                << tableIn << QByteArray() << args << int(s) << message << 1 << QStringList() << QString();
        };
        failing(QStringLiteral("save-as over a table"), saveAs, {kOverwrite, kSaveFailed});
        failing(QStringLiteral("save-as of 5000 students to a new table"),
                {QStringLiteral("save-as"), QStringLiteral("@big"), QStringLiteral("@new")}, {kSaveFailed});
        failing(QStringLiteral("export-xlsx of 5000 students"),
                {QStringLiteral("export-xlsx"), QStringLiteral("@big"), QStringLiteral("@new")}, {kSaveFailed});
        failing(QStringLiteral("user add"), userAdd, {kSaveFailed});
        failing(QStringLiteral("template save over a template"), templateSave, {kSaveFailed});
        failing(QStringLiteral("convert-trial"), trial, {kSaveFailed, kConverted});
        failing(QStringLiteral("new-table"), newTable, {kSaveFailed});
    }
}

void BadInputTest::hostileInput()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, store);
    QFETCH(QStringList, args);
    QFETCH(int, setting);
    QFETCH(QStringList, message);
    QFETCH(int, exitCode);
    QFETCH(QStringList, changed);
    QFETCH(QString, outLine);

    QTemporaryDir outer;
    const QString prog = outer.filePath(QStringLiteral("prog"));
    QVERIFY(QDir().mkpath(prog));
    struct Mount {
        QString path;
        ~Mount()
        {
            if (!path.isEmpty())
                run(QStringLiteral("umount"), {path});
        }
    } mount;
    if (setting == FullDisk) {
        if (!isRoot() ||
            !run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                           QStringLiteral("size=1m"), QStringLiteral("tmpfs"), prog}))
            QSKIP("a small file system can be mounted only as root, and mounting is not permitted here");
        mount.path = prog;
    }
    const QString tables = prog + QStringLiteral("/表格数据/");
    QVERIFY(QDir(prog).mkpath(QStringLiteral("表格数据/实验中学/初一/1班")));
    QVERIFY(QDir(prog).mkpath(QStringLiteral("表格模版")));
    auto put = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    QVERIFY(put(tables + QStringLiteral("in.gdt"), input));
    QList<QByteArray> oldTable = tableLines(gbk(QStringLiteral("旧表")));
    QVERIFY(put(tables + QStringLiteral("out.gdt"), packed(lines(oldTable))));
    QVERIFY(put(prog + QStringLiteral("/std.dat"), store.isNull() ? storeOf(1) : store));
    QVERIFY(
        put(prog + QStringLiteral("/SchoolInfo.ini"),
            shell::schoolFileBytes({QStringLiteral("实验中学"), {{QStringLiteral("初一"), {QStringLiteral("1班")}}}})));
    QVERIFY(put(prog + QStringLiteral("/表格模版/old.templet"), gbk(QStringLiteral("  |姓名|语文\r\n"))));
    const bool otherUser = setting == ReadOnly && isRoot();
    if (setting != Plain) {
        QList<QByteArray> big = tableLines();
        for (int r = 3; r <= 5000; ++r)
            big << QByteArray::number(r) << QByteArray::number(r * 7919) << QByteArray::number(r * 104729 % 101);
        big[2] = "5001";
        QVERIFY(put(tables + QStringLiteral("big.gdt"), packed(lines(big))));
        QVERIFY(put(tables + QStringLiteral("trial.gdt"), tableMember()));
        // A trial table made read-only by its owner is refused like every read-only target.
        QVERIFY(QFile::setPermissions(tables + QStringLiteral("trial.gdt"),
                                      QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    }
    if (otherUser)
        QVERIFY(run(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("65534:65534"), outer.path()}));
    if (setting == ReadOnly) {
        const QStringList folders{prog, tables, prog + QStringLiteral("/表格模版"),
                                  tables + QStringLiteral("实验中学/初一/1班")};
        for (const QString &d : folders)
            QVERIFY(::chmod(QFile::encodeName(d).constData(), 0555) == 0);
    }
    if (setting == Pipe) {
        QVERIFY(QFile::remove(tables + QStringLiteral("in.gdt")));
        QVERIFY(::mkfifo(QFile::encodeName(tables + QStringLiteral("in.gdt")).constData(), 0644) == 0);
    }
    if (setting == FullDisk) {
        QFile filler(prog + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray page(4096, 'x');
        while (filler.write(page) == page.size() && filler.flush()) {
        }
    }

    const QMap<QString, QByteArray> before = snapshot(prog);
    // What the input really holds once unpacked (nothing for a member that is refused).
    const qint64 holds = setting == Pipe ? 0
                                         : base::archive::unpack(tables + QStringLiteral("in.gdt"),
                                                                 QStringLiteral("data.file"), kTablePassword)
                                               .bytes.size();
    // The users the store really holds: each costs its entries in the index the store looks
    // names up in, about 4 KiB under the sanitizer.
    const qint64 users = base::archive::unpack(prog + QStringLiteral("/std.dat"), QStringLiteral("user.dat"),
                                               QString::fromUtf16(shell::kUserStorePassword))
                             .bytes.count("\r\nu");
    const qint64 slackKiB = 4 * users;
    QStringList resolved;
    for (const QString &a : std::as_const(args)) {
        if (a.startsWith(QLatin1Char('@')))
            resolved << tables + a.mid(1) + QStringLiteral(".gdt");
        else
            resolved << a;
    }
    QElapsedTimer clock;
    clock.start();
    const Outcome o = runCli(prog, resolved, otherUser);
    const qint64 ms = clock.elapsed();
    const QMap<QString, QByteArray> after = snapshot(prog);
    if (setting == ReadOnly)
        for (const QString &d :
             {prog, tables, prog + QStringLiteral("/表格模版"), tables + QStringLiteral("实验中学/初一/1班")})
            ::chmod(QFile::encodeName(d).constData(), 0755);

    QCOMPARE(o.exitCode, exitCode);
    QString err = QString::fromUtf8(o.err).replace(tables, QStringLiteral("@"));
    QStringList errLines = err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(errLines, message);
    if (!outLine.isEmpty()) {
        const QStringList outLines = QString::fromUtf8(o.out).split(QLatin1Char('\n'));
        const QString prefix = outLine.section(QLatin1Char('\t'), 0, 0) + QLatin1Char('\t');
        QVERIFY2(outLines.contains(outLine), qPrintable(outLines.filter(prefix).join(u'|').left(300)));
    }

    // Nothing left behind, here or where a hostile member name points.
    QCOMPARE(leftovers(prog), QStringList());
    QCOMPARE(QDir(outer.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("prog")});
    QVERIFY(!QFileInfo::exists(m_escapedMember));
    QVERIFY(!QFileInfo::exists(QFileInfo(m_escapedMember).absolutePath()));

    // Every file as it was, but for those the command is meant to write.
    QStringList differing;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (before.value(it.key()) != it.value())
            differing << it.key();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!after.contains(it.key()))
            differing << it.key() + QStringLiteral(" (removed)");
    QVERIFY2(differing == changed, qPrintable(differing.join(u' ')));

    // Memory: what a tiny table needs, plus a few times what the input really holds (each copy of
    // the text on its way from the archive to the grid and back), and some room for the
    // allocator; a claimed count or size never shows here.
    const qint64 largest = std::max({qint64(input.size()), qint64(store.size()), holds});
    const qint64 allowedKiB = m_basePeakKiB + 8 * largest / 1024 + 24 * 1024 + slackKiB;
    qInfo("%s: %lld KiB (allowed %lld), %lld ms", QTest::currentDataTag(), o.peakKiB, allowedKiB, ms);
    QVERIFY2(o.peakKiB < allowedKiB, qPrintable(QStringLiteral("%1 KiB").arg(o.peakKiB)));
}

// A 1.4 KB table whose 120 records all point at the one block of a 16 MiB memo file claims about
// 2 GB of text: refused with the DBF message once the texts pass what a table may hold, within
// the memory the two files need, and nothing written.
void BadInputTest::dbfRecordsSharingOneMemoBlock()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("表格数据")));
    const int records = 120, recordLength = 11, headerLength = 32 + 32 + 1;
    QByteArray dbf(32, '\0');
    dbf[0] = 0x03;
    dbf[4] = char(records);
    dbf[8] = char(headerLength);
    dbf[10] = char(recordLength);
    QByteArray field(32, '\0');
    field[0] = 'M';
    field[11] = 'M';
    field[16] = 10;
    dbf += field + '\x0D';
    for (int r = 0; r < records; ++r)
        dbf += QByteArray(" ") + QByteArray(9, ' ') + '1';
    dbf += '\x1A';
    QVERIFY(dbf.size() < 1500);
    QByteArray memo(512, '\0');
    memo += QByteArray((16 << 20) - 512 - 2, 'x') + "\x1A\x1A";
    const QString tables = dir.filePath(QStringLiteral("表格数据/"));
    for (const auto &[name, bytes] : {std::pair{QStringLiteral("memo.dbf"), dbf}, {QStringLiteral("memo.dbt"), memo}}) {
        QFile f(tables + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    const Outcome o =
        runCli(dir.path(),
               {QStringLiteral("convert-dbf"), tables + QStringLiteral("memo.dbf"), tables + QStringLiteral("new.gdt")},
               false);
    QCOMPARE(o.exitCode, 1);
    QCOMPARE(QString::fromUtf8(o.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             (QStringList{QStringLiteral("数据库读取发生错误。错误代码："), QStringLiteral("10（备注内容过大）")}));
    QVERIFY(!QFile::exists(tables + QStringLiteral("new.gdt")));
    // The same measure as above, the memo file being the largest input.
    const qint64 allowedKiB = m_basePeakKiB + 8 * memo.size() / 1024 + 24 * 1024;
    qInfo("shared memo block: %lld KiB (allowed %lld)", o.peakKiB, allowedKiB);
    QVERIFY2(o.peakKiB < allowedKiB, qPrintable(QStringLiteral("%1 KiB").arg(o.peakKiB)));
}

QTEST_GUILESS_MAIN(BadInputTest)
#include "tst_bad_input.moc"
