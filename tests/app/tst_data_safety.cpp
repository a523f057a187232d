// Nothing lost, nothing left behind: every writer of the program against a full disk, a read-only
// folder or file, a private target and a symbolic link; saves killed at random moments; and memory
// that stays proportional to what a file holds, not to what it claims.
#include "base/archive.h"
#include "base/file_writer.h"
#include "base/ini_profile.h"
#include "base/text_codec.h"
#include "base/workspace.h"
#include "scripted_prompter.h"
#include "shell/user_store.h"
#include "table/table_file.h"
#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kSaveFailed = QStringLiteral("文件保存失败！请检查保存介质是否可写！");
const QString kTablePassword = QStringLiteral("T@pw");

enum Writer { TableSave, UnprotectedSave, UserAdd, UserPasswd, UserDelete, IniWrite };
enum Condition { FullDisk, ReadOnlyDir, ReadOnlyFile, PrivateTarget, SymbolicLink };

bool isRoot()
{
    return geteuid() == 0;
}

bool run(const QString &program, const QStringList &args)
{
    return runProcess(program, args).exitCode == 0;
}

// Every file below `root` (hidden ones too) with its bytes and mode, links as their targets.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo fi = it.fileInfo();
        const QString key = QDir(root).relativeFilePath(path);
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        QByteArray entry = QByteArray::number(uint(st.st_mode), 8) + ' ';
        if (fi.isSymLink())
            entry += "-> " + QFile::encodeName(fi.symLinkTarget());
        else if (fi.isFile()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                entry += f.readAll();
        }
        files.insert(key, entry);
    }
    return files;
}

uint modeOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// A program directory on a small file system of its own (as root), so it can be filled or made
// read-only without touching anything else.
class ProgramDir {
public:
    ProgramDir()
    {
        m_mounted = isRoot() && run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                               QStringLiteral("-o"), QStringLiteral("size=2m"),
                                                               QStringLiteral("tmpfs"), m_tmp.path()});
    }
    ~ProgramDir()
    {
        base::failWritesAfterForTesting(-1);
        for (const QString &d : std::as_const(m_lockedDirs))
            QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (m_mounted) {
            run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,rw"), m_tmp.path()});
            run(QStringLiteral("umount"), {m_tmp.path()});
        }
    }
    QString path() const { return m_tmp.path(); }

    // No room left: filled up when it is a file system of its own, otherwise every write fails.
    void fill()
    {
        if (!m_mounted) {
            base::failWritesAfterForTesting(0);
            return;
        }
        QFile filler(m_tmp.filePath(QStringLiteral("filler")));
        filler.open(QIODevice::WriteOnly);
        const QByteArray page(4096, 'x');
        while (filler.write(page) == page.size() && filler.flush()) {
        }
        filler.close();
    }
    // False when neither a read-only mount nor permissions can stop the writer.
    bool makeReadOnly(const QString &folder)
    {
        if (m_mounted)
            return run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_tmp.path()});
        if (isRoot())
            return false;
        m_lockedDirs << folder;
        return QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }

private:
    QTemporaryDir m_tmp;
    bool m_mounted = false;
    QStringList m_lockedDirs;
};

table::GradeTable classTable(int students, const QString &title)
{
    table::GradeTable t;
    t.Caption = title;
    table::Grid &g = t.成绩表;
    g.setRows(students + 1);
    g.setCols(4);
    g.setTextMatrix(0, 1, QStringLiteral("姓名"));
    g.setTextMatrix(0, 2, QStringLiteral("语文"));
    g.setTextMatrix(0, 3, QStringLiteral("数学"));
    for (int r = 1; r <= students; ++r) {
        g.setTextMatrix(r, 1, QStringLiteral("学生%1").arg(r));
        g.setTextMatrix(r, 2, QString::number((r * 37) % 101));
        g.setTextMatrix(r, 3, QString::number((r * 53) % 101));
    }
    t.rebuildHeader();
    return t;
}

struct PeakResult {
    int exitCode = -1;
    long peakKiB = 0;
};

// Runs scorvane-cli under GNU time, which reads the peak resident size of its own small child
// (a child of this test process would inherit this process's high-water mark across exec).
PeakResult runMeasured(const QStringList &args)
{
    QTemporaryDir out;
    const QString report = out.filePath(QStringLiteral("peak"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The sanitizer's quarantine would keep freed memory resident and count it.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0:quarantine_size_mb=0"));
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QStringLiteral("/usr/bin/time"),
            QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), report, cliPath()} + args);
    PeakResult r;
    if (!p.waitForStarted() || !p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    QFile f(report);
    if (f.open(QIODevice::ReadOnly))
        r.peakKiB = f.readAll().trimmed().split('\n').last().toLong();
    return r;
}

void packMember(const QString &path, const QByteArray &member)
{
    QVERIFY(base::archive::pack(member, QStringLiteral("data.file"), path, kTablePassword));
}

} // namespace

class DataSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void everyWriterKeepsTheOldFile_data();
    void everyWriterKeepsTheOldFile();
    void killedSavesLoseNothing();
    void memoryFollowsTheFileNotItsClaims_data();
    void memoryFollowsTheFileNotItsClaims();
};

void DataSafetyTest::everyWriterKeepsTheOldFile_data()
{
    QTest::addColumn<int>("writer");
    QTest::addColumn<int>("condition");
    const char *writers[] = {"table save", "unprotected save", "user add", "user passwd", "user delete", "ini write"};
    const char *conditions[] = {"full disk", "read-only folder", "read-only file", "0600 target", "symbolic link"};
    for (int w = TableSave; w <= IniWrite; ++w)
        for (int c = FullDisk; c <= SymbolicLink; ++c)
            QTest::addRow("%s, %s", writers[w], conditions[c]) << w << c;
}

void DataSafetyTest::everyWriterKeepsTheOldFile()
{
    QFETCH(int, writer);
    QFETCH(int, condition);
    ProgramDir prog;
    base::Workspace ws(prog.path());
    ws.createDataDirectories();
    ws.tablePassword = kTablePassword;
    ScriptedPrompter setupPrompts;
    shell::UserStore setupStore(ws, setupPrompts);
    QVERIFY(setupStore.addUser(QStringLiteral("teacher"), QStringLiteral("secret1"), QStringLiteral("secret1")));
    QVERIFY(setupStore.addUser(QStringLiteral("other"), QStringLiteral("other1"), QStringLiteral("other1")));
    table::TableFile setupFile(ws, setupPrompts);
    const QString tableName = ws.tableDataDir() + QStringLiteral("t");
    table::GradeTable first = classTable(40, QStringLiteral("期中"));
    QVERIFY(setupFile.SaveData(first, false, tableName));
    QVERIFY(base::ini::write(ws.schoolInfoFile(), QStringLiteral("School"), QStringLiteral("School1"),
                             QStringLiteral("实验中学")));

    QString target;
    switch (writer) {
    case TableSave:
    case UnprotectedSave:
        target = tableName + QStringLiteral(".gdt");
        break;
    case IniWrite:
        target = ws.schoolInfoFile();
        break;
    default:
        target = ws.userStoreFile();
    }
    const bool fails = condition == FullDisk || condition == ReadOnlyDir || condition == ReadOnlyFile;
    QString linked;
    switch (condition) {
    case FullDisk:
        prog.fill();
        break;
    case ReadOnlyDir:
        if (!prog.makeReadOnly(QFileInfo(target).absolutePath()))
            QSKIP("permissions do not stop root and no file system can be mounted here");
        break;
    case ReadOnlyFile:
        QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        break;
    case PrivateTarget:
        QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        break;
    case SymbolicLink:
        QVERIFY(QDir(prog.path()).mkpath(QStringLiteral("elsewhere")));
        linked = prog.path() + QStringLiteral("/elsewhere/real");
        QVERIFY(QFile::rename(target, linked));
        QVERIFY(QFile::link(linked, target));
        break;
    }
    const QMap<QString, QByteArray> before = snapshot(prog.path());
    const uint modeBefore = modeOf(target);

    ScriptedPrompter p;
    bool written = false;
    shell::UserStore store(ws, p);
    switch (writer) {
    case TableSave:
    case UnprotectedSave: {
        table::TableFile file(ws, p);
        table::GradeTable t = classTable(2000, QStringLiteral("期末"));
        t.unprotectedSave = writer == UnprotectedSave;
        p.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::Yes);
        if (fails)
            p.expectMessage(kSaveFailed, QStringLiteral("错误"));
        written = file.SaveData(t, false, tableName);
        QVERIFY(!t.unprotectedSave);
        break;
    }
    case UserAdd:
        if (fails)
            p.expectMessage(kSaveFailed, QStringLiteral("错误"));
        written = store.addUser(QStringLiteral("newcomer"), QStringLiteral("secret2"), QStringLiteral("secret2"));
        break;
    case UserPasswd:
        if (fails)
            p.expectMessage(kSaveFailed, QStringLiteral("错误"));
        written = store.changePassword(QStringLiteral("teacher"), QStringLiteral("changed1"),
                                       QStringLiteral("changed1"));
        break;
    case UserDelete:
        p.expectQuestion({}, ui::Answer::Yes);
        if (fails)
            p.expectMessage(kSaveFailed, QStringLiteral("错误"));
        written = store.deleteUser(QStringLiteral("other"), QStringLiteral("other1")) ==
                  shell::UserStore::DeleteResult::Deleted;
        break;
    case IniWrite:
        written = base::ini::write(ws.schoolInfoFile(), QStringLiteral("School"), QStringLiteral("School1"),
                                   QStringLiteral("第二中学"));
        break;
    }
    VERIFY_PROMPTS(p);
    QCOMPARE(written, !fails);
    base::failWritesAfterForTesting(-1);
    const QMap<QString, QByteArray> after = snapshot(prog.path());
    if (fails) {
        // Every file as it was, byte for byte and mode for mode, and nothing added.
        QCOMPARE(after.keys(), before.keys());
        for (const QString &k : before.keys())
            QVERIFY2(after.value(k) == before.value(k), qPrintable(k));
        return;
    }
    QCOMPARE(after.keys(), before.keys());
    QCOMPARE(modeOf(target), modeBefore);
    if (condition == SymbolicLink) {
        QVERIFY(QFileInfo(target).isSymLink());
        QVERIFY(after.value(QStringLiteral("elsewhere/real")) != before.value(QStringLiteral("elsewhere/real")));
    }
    // The written file is whole: the store lists its users, the table opens.
    if (writer == TableSave || writer == UnprotectedSave) {
        table::GradeTable back;
        QVERIFY(table::TableFile(ws, p).LoadData(back, tableName, true));
        QCOMPARE(back.Caption, QStringLiteral("期末"));
    } else if (writer != IniWrite) {
        QVERIFY(!store.users().isEmpty());
    }
}

void DataSafetyTest::killedSavesLoseNothing()
{
    if (cliPath().isEmpty())
        QSKIP("scorvane-cli not available");
    QTemporaryDir dir;
    base::Workspace ws(dir.path());
    ws.tablePassword = kTablePassword;
    ScriptedPrompter quiet;
    table::TableFile file(ws, quiet);
    table::GradeTable big = classTable(5000, QStringLiteral("全年级"));
    QVERIFY(file.SaveData(big, false, dir.filePath(QStringLiteral("src"))));
    table::GradeTable small = classTable(30, QStringLiteral("一班"));
    QVERIFY(file.SaveData(small, false, dir.filePath(QStringLiteral("t"))));
    shell::UserStore store(ws, quiet);
    QVERIFY(store.addUser(QStringLiteral("teacher"), QStringLiteral("secret1"), QStringLiteral("secret1")));

    const QStringList saveArgs{QStringLiteral("--dir"),
                               dir.path(),
                               QStringLiteral("--table-password"),
                               kTablePassword,
                               QStringLiteral("--yes"),
                               QStringLiteral("save-as"),
                               dir.filePath(QStringLiteral("src.gdt")),
                               dir.filePath(QStringLiteral("t.gdt"))};
    // How long one save takes here, so the kills land before, during and after the write.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(runProcess(cliPath(), saveArgs).exitCode, 0);
    const qint64 span = std::max<qint64>(clock.elapsed(), 20);

    auto *rng = QRandomGenerator::global();
    int kills = 0;
    QElapsedTimer budget;
    budget.start();
    // A few hundred rounds, ended early on a slow machine so the test stays within its minute.
    for (int round = 0; round < 200 && budget.elapsed() < 70000; ++round) {
        const bool userRound = round % 4 == 3;
        QStringList args = saveArgs;
        if (userRound)
            args = {QStringLiteral("--dir"), dir.path(), QStringLiteral("user"), QStringLiteral("add"),
                    QStringLiteral("u%1x").arg(round), QStringLiteral("secret%1").arg(round)};
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(cliPath(), args);
        QVERIFY(p.waitForStarted());
        std::this_thread::sleep_for(std::chrono::milliseconds(rng->bounded(int(span + 10))));
        if (p.state() != QProcess::NotRunning) {
            ::kill(pid_t(p.processId()), SIGKILL);
            ++kills;
        }
        p.waitForFinished();

        // The target always opens; no plain member or list anywhere; at most one temporary each.
        table::GradeTable back;
        QVERIFY2(table::TableFile(ws, quiet).LoadData(back, dir.filePath(QStringLiteral("t")), true),
                 qPrintable(QStringLiteral("round %1").arg(round)));
        QVERIFY(store.users().contains(QStringLiteral("teacher")));
        const QStringList files = filesIn(dir.path());
        QVERIFY2(!files.contains(QStringLiteral("data.file")) && !files.contains(QStringLiteral("user.dat")),
                 qPrintable(files.join(u' ')));
        QStringList temps = files.filter(QStringLiteral(".saving"));
        QVERIFY2(temps.size() <= 2 && temps.removeDuplicates() == 0, qPrintable(temps.join(u' ')));
        for (const QString &f : files)
            QVERIFY2(f.endsWith(QStringLiteral(".gdt")) || f.endsWith(QStringLiteral(".dat")) ||
                         f.endsWith(QStringLiteral(".saving")),
                     qPrintable(f));
    }
    QVERIFY2(kills >= 50, qPrintable(QStringLiteral("only %1 kills landed").arg(kills)));
    // The next save of the same target replaces and removes what a killed one left.
    QCOMPARE(runProcess(cliPath(), saveArgs).exitCode, 0);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral(".t.gdt.saving"))));
}

void DataSafetyTest::memoryFollowsTheFileNotItsClaims_data()
{
    QTest::addColumn<QByteArray>("member");
    QTest::addColumn<qint64>("cells");
    const QByteArray head = base::codec::encode(table::kMagicLine) + "\r\nT\r\n";
    // A small table followed by a flood of empty lines: only its nine cells are read.
    QTest::newRow("3 x 3 then 48 MiB of empty lines")
        << head + "3\r\n3\r\n\r\n\r\n###.##\r\n" + QByteArray(9 * 2, '\n') + QByteArray(48 << 20, '\n') << qint64(9);
    // Many empty cells: each costs the grid's slot and nothing more.
    QTest::newRow("2048 x 2048 empty cells")
        << head + "2048\r\n2048\r\n\r\n\r\n###.##\r\n" + QByteArray(2048 * 2048, '\n') << qint64(2048) * 2048;
    // A formula that references a 1 MiB cell a thousand times stops at the evaluator's limit.
    QByteArray formula = base::codec::encode(QStringLiteral("！公式："));
    for (int i = 0; i < 1000; ++i)
        formula += i ? "+cell(1,1)" : "cell(1,1)";
    QTest::newRow("1000 references to a 1 MiB cell")
        << head + "2\r\n3\r\n\r\n\r\n###.##\r\n  \r\na\r\nb\r\n1\r\n" + QByteArray(1 << 20, '7') + "\r\n" + formula +
               "\r\n"
        << qint64(6);
}

void DataSafetyTest::memoryFollowsTheFileNotItsClaims()
{
    QFETCH(QByteArray, member);
    QFETCH(qint64, cells);
    if (cliPath().isEmpty() || !QFile::exists(QStringLiteral("/usr/bin/time")))
        QSKIP("scorvane-cli or GNU time not available");
    QTemporaryDir dir;
    packMember(dir.filePath(QStringLiteral("tiny.gdt")),
               base::codec::encode(table::kMagicLine) + "\r\nT\r\n2\r\n2\r\n\r\n\r\n###.##\r\n  \r\na\r\n1\r\n5\r\n");
    packMember(dir.filePath(QStringLiteral("big.gdt")), member);
    auto show = [&](const QString &name) {
        return runMeasured({QStringLiteral("--dir"), dir.path(), QStringLiteral("--table-password"), kTablePassword,
                            QStringLiteral("show"), dir.filePath(name)});
    };
    const PeakResult base = show(QStringLiteral("tiny.gdt"));
    QCOMPARE(base.exitCode, 0);
    QElapsedTimer clock;
    clock.start();
    const PeakResult big = show(QStringLiteral("big.gdt"));
    const qint64 ms = clock.elapsed();
    QCOMPARE(big.exitCode, 0);
    // Three times the unpacked member plus 32 bytes a cell, above what a tiny table needs, with
    // a few MiB for the allocator's own bookkeeping.
    const qint64 allowedKiB = (3 * member.size() + 32 * cells) / 1024 + 8 * 1024;
    const qint64 usedKiB = big.peakKiB - base.peakKiB;
    qInfo("%s: %lld KiB above a tiny table (allowed %lld), %lld ms", QTest::currentDataTag(), usedKiB, allowedKiB, ms);
    QVERIFY2(usedKiB < allowedKiB, qPrintable(QStringLiteral("%1 KiB").arg(usedKiB)));
}

QTEST_GUILESS_MAIN(DataSafetyTest)
#include "tst_data_safety.moc"
