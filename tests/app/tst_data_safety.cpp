// Nothing lost, nothing left behind: every writer of the program against a full disk, a read-only
// folder or file, a private target and a symbolic link; saves killed at random moments; and memory
// that stays proportional to what a file holds, not to what it claims.
#include "core/base/archive.h"
#include "core/base/file_writer.h"
#include "core/base/ini_profile.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/shell/school_tree.h"
#include "core/shell/user_store.h"
#include "core/table/table_file.h"
#include "core/table/table_lock.h"
#include "scripted_prompter.h"
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

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// The temporaries of writes to the lock file of a table file (".gdt"); none for other files.
QStringList lockTemporaries(const QString &file)
{
    if (!file.endsWith(QLatin1String(".gdt")))
        return {};
    return base::savingFilesFor(table::lockFilePath(file.chopped(4)));
}

const QString kSaveFailed = QStringLiteral("文件保存失败！请检查保存介质是否可写！");
const QString kTablePassword = QStringLiteral("T@pw");

enum Writer { TableSave, UnprotectedSave, UserAdd, UserPasswd, UserDelete, IniWrite };
enum Condition { FullDisk, ReadOnlyDir, ReadOnlyFile, PrivateTarget, SymbolicLink };
enum KillWriter { KillSaveAs, KillConvertTrial, KillTemplateSave, KillSchoolWrite, KillUserAdd };

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
        m_mounted = isRoot() &&
                    run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                  QStringLiteral("size=2m"), QStringLiteral("tmpfs"), m_tmp.path()});
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
    t.title = title;
    table::Grid &g = t.grid;
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

// A school tree big enough that writing it takes a moment; `variant` tells two apart.
shell::School crowdedSchool(int variant)
{
    shell::School s;
    s.name = variant ? QStringLiteral("第二中学") : QStringLiteral("实验中学");
    for (int g = 0; g < 300; ++g) {
        shell::SchoolGrade grade;
        grade.name = QStringLiteral("年级%1-%2").arg(g).arg(variant);
        for (int c = 0; c < 60; ++c)
            grade.classes << QStringLiteral("%1班").arg(c + variant);
        s.grades << grade;
    }
    return s;
}

void packMember(const QString &path, const QByteArray &member)
{
    QCOMPARE(base::archive::pack(member, QStringLiteral("data.file"), path, kTablePassword),
             base::archive::Failure::None);
}

} // namespace

class DataSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void everyWriterKeepsTheOldFile_data();
    void everyWriterKeepsTheOldFile();
    void killedSavesLoseNothing_data();
    void killedSavesLoseNothing();
    void memoryFollowsTheFileNotItsClaims_data();
    void memoryFollowsTheFileNotItsClaims();
    void concurrentWritersTellTheTruth();
    void temporariesOfEndedRunsGo();
    void tooLargeToOpenAgainIsNotWritten();
    void trialBackup_data();
    void trialBackup();
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
    QVERIFY(setupFile.save(first, tableName));
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
        written = file.save(t, tableName);
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
        written =
            store.changePassword(QStringLiteral("teacher"), QStringLiteral("changed1"), QStringLiteral("changed1"));
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
        QVERIFY(table::TableFile(ws, p).load(back, tableName, true));
        QCOMPARE(back.title, QStringLiteral("期末"));
    } else if (writer != IniWrite) {
        QVERIFY(!store.users().isEmpty());
    }
}

void DataSafetyTest::killedSavesLoseNothing_data()
{
    QTest::addColumn<int>("writer");
    QTest::newRow("save-as over a table") << int(KillSaveAs);
    QTest::newRow("convert-trial of a trial table") << int(KillConvertTrial);
    QTest::newRow("template save over a template") << int(KillTemplateSave);
    QTest::newRow("school tree written over the old one") << int(KillSchoolWrite);
    QTest::newRow("user add to a store of 500 users") << int(KillUserAdd);
}

void DataSafetyTest::killedSavesLoseNothing()
{
    QFETCH(int, writer);
    if (cliPath().isEmpty() || QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("scorvane-cli or unzip not available");
    QTemporaryDir dir;
    base::Workspace ws(dir.path());
    ws.tablePassword = kTablePassword;
    ScriptedPrompter quiet;
    table::TableFile file(ws, quiet);
    // Two sources that differ, so the target's old and new contents can be told apart.
    table::GradeTable first = classTable(3000, QStringLiteral("全年级"));
    QVERIFY(file.save(first, dir.filePath(QStringLiteral("src0"))));
    table::GradeTable second = classTable(3000, QStringLiteral("全年级二"));
    second.grid.setTextMatrix(0, 3, QStringLiteral("英语"));
    second.rebuildHeader();
    QVERIFY(file.save(second, dir.filePath(QStringLiteral("src1"))));
    table::GradeTable small = classTable(30, QStringLiteral("一班"));
    QVERIFY(file.save(small, dir.filePath(QStringLiteral("t"))));
    const QByteArray trialText = table::memberBytes(classTable(3000, QStringLiteral("试用")));
    QStringList users{QStringLiteral("[user]")};
    for (int i = 1; i <= 500; ++i)
        users << QStringLiteral("u%1=teacher%1").arg(i);
    for (int i = 1; i <= 500; ++i)
        users << QStringLiteral("[teacher%1]\r\npsd=secret%1\r\ndlzip=secret%1").arg(i);
    QCOMPARE(base::archive::pack(base::codec::joinLines(users), QStringLiteral("user.dat"), ws.userStoreFile(),
                                 QString::fromUtf16(shell::kUserStorePassword)),
             base::archive::Failure::None);
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("表格模版")));
    QVERIFY(shell::writeSchool(ws.schoolInfoFile(), crowdedSchool(0)));

    const QString target = writer == KillSaveAs         ? dir.filePath(QStringLiteral("t.gdt"))
                           : writer == KillConvertTrial ? dir.filePath(QStringLiteral("trial.gdt"))
                           : writer == KillTemplateSave ? ws.templateDir() + QStringLiteral("tpl.templet")
                           : writer == KillSchoolWrite  ? ws.schoolInfoFile()
                                                        : ws.userStoreFile();
    const QString password = writer == KillUserAdd ? QString::fromUtf16(shell::kUserStorePassword) : kTablePassword;
    const QString member = writer == KillUserAdd ? QStringLiteral("user.dat") : QStringLiteral("data.file");
    auto readAll = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    auto command = [&](int round) -> QPair<QString, QStringList> {
        const QStringList common{QStringLiteral("--dir"), dir.path(), QStringLiteral("--table-password"),
                                 kTablePassword, QStringLiteral("--yes")};
        const QString source = dir.filePath(QStringLiteral("src%1.gdt").arg(round % 2));
        switch (writer) {
        case KillSaveAs:
            return {cliPath(), common + QStringList{QStringLiteral("save-as"), source, target}};
        case KillConvertTrial:
            return {cliPath(), common + QStringList{QStringLiteral("convert-trial"), target}};
        case KillTemplateSave:
            return {cliPath(), common + QStringList{QStringLiteral("template"), QStringLiteral("save"), source,
                                                    QStringLiteral("tpl")}};
        case KillSchoolWrite:
            return {QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--write-school"), target, QString::number(round % 2)}};
        default:
            return {cliPath(),
                    common + QStringList{QStringLiteral("user"), QStringLiteral("add"),
                                         QStringLiteral("added%1").arg(round), QStringLiteral("secret%1").arg(round)}};
        }
    };
    // Archives are whole as unzip tests them; the member is read back as the program reads it.
    auto archiveMember = [&](const QString &path) -> std::optional<QByteArray> {
        const ProcessResult t =
            runProcess(QStringLiteral("unzip"), {QStringLiteral("-tqq"), QStringLiteral("-P"), password, path});
        if (t.exitCode != 0)
            return std::nullopt;
        const base::archive::Bytes read = base::archive::unpack(path, member, password);
        return read.ok() ? std::optional<QByteArray>(read.bytes) : std::nullopt;
    };
    // The contents each round may leave: the old one, or the new one this round writes.
    auto contents = [&]() -> QByteArray {
        if (writer == KillSaveAs || writer == KillUserAdd)
            return archiveMember(target).value_or(QByteArray("<damaged archive>"));
        if (writer == KillConvertTrial) {
            const QByteArray bytes = readAll(target);
            return bytes == trialText ? QByteArray("<plain>") : archiveMember(target).value_or("<damaged>");
        }
        return readAll(target);
    };
    auto prepare = [&]() {
        // A converted trial table is a trial table again for the next round.
        if (writer == KillConvertTrial && readAll(target) != trialText) {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(trialText) == trialText.size());
        }
    };
    auto runWhole = [&](int round) {
        const auto [program, args] = command(round);
        return runProcess(program, args);
    };

    // The new contents of each kind of round, from rounds that run to their end, and how long one
    // takes here, so that the kills land before, during and after the write.
    QElapsedTimer clock;
    QList<QByteArray> fresh;
    qint64 span = 0;
    for (int round = 0; round < 2; ++round) {
        prepare();
        clock.start();
        const ProcessResult r = runWhole(round);
        span = std::max(span, clock.elapsed());
        QVERIFY2(r.exitCode == 0, r.err.constData());
        fresh << contents();
    }
    // A converted trial table holds the trial text; the other writers alternate two contents.
    if (writer == KillConvertTrial)
        fresh = {trialText, trialText};
    else if (writer != KillUserAdd)
        QVERIFY(fresh[0] != fresh[1]);

    auto *rng = QRandomGenerator::global();
    QByteArray old = contents();
    QStringList oldUsers = shell::UserStore(ws, quiet).users();
    int kills = 0;
    int killedWriting = 0; // kills that left a temporary: they hit the write itself
    QElapsedTimer budget;
    budget.start();
    // 40 kills for each writer; on a slow or busy machine the budget ends the rounds earlier, and
    // fewer kills must then do.
    constexpr qint64 kBudgetMs = 40000;
    for (int round = 2; kills < 40 && budget.elapsed() < kBudgetMs; ++round) {
        prepare();
        if (writer == KillConvertTrial)
            old = contents();
        const auto [program, args] = command(round);
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(program, args);
        QVERIFY(p.waitForStarted());
        if (round % 2 == 0) {
            // Anywhere: starting, reading, packing or writing.
            std::this_thread::sleep_for(std::chrono::milliseconds(span / 5 + rng->bounded(int(span))));
        } else {
            // While the new contents are being written: as soon as the temporary shows, or a moment
            // later. The write itself takes a millisecond or two, too short to hit by chance.
            QElapsedTimer wait;
            wait.start();
            const QStringList before = base::savingFilesFor(target);
            while (base::savingFilesFor(target) == before && wait.elapsed() < 3 * span)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            std::this_thread::sleep_for(std::chrono::microseconds(rng->bounded(400)));
        }
        if (p.state() != QProcess::NotRunning) {
            ::kill(pid_t(p.processId()), SIGKILL);
            ++kills;
        }
        p.waitForFinished();

        // Old or new, never a mix; no plain member or list anywhere; at most this writer's temporary.
        const QByteArray now = contents();
        const QString where = QStringLiteral("round %1").arg(round);
        if (writer == KillUserAdd) {
            const QStringList list = shell::UserStore(ws, quiet).users();
            QVERIFY2(now != "<damaged archive>", qPrintable(where));
            QVERIFY2(list == oldUsers || list == oldUsers + QStringList{QStringLiteral("added%1").arg(round)},
                     qPrintable(where));
            oldUsers = list;
        } else {
            QVERIFY2(now == old || now == fresh[round % 2], qPrintable(where));
        }
        old = now;
        QDirIterator it(dir.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        QStringList temps;
        while (it.hasNext()) {
            const QString path = it.next();
            QVERIFY2(it.fileName() != QLatin1String("data.file") && it.fileName() != QLatin1String("user.dat"),
                     qPrintable(path));
            if (it.fileName().endsWith(QLatin1String(".saving")))
                temps << path;
        }
        // A command that changes a table may also be killed while it writes the table's lock
        // file; like the table's own, that temporary goes with the next write of the lock.
        QStringList own = base::savingFilesFor(target) + lockTemporaries(target);
        temps.sort();
        own.sort();
        QVERIFY2(temps == own, qPrintable(temps.join(u' ')));
        // Owner-only from creation on, even when the kill hit just before the rename.
        for (const QString &t : temps)
            QVERIFY2(modeOf(t) == 0600, qPrintable(QStringLiteral("%1 is %2").arg(t).arg(modeOf(t), 0, 8)));
        killedWriting += temps.isEmpty() ? 0 : 1;
    }
    qInfo("%d kills, %d of them while writing, in %lld ms (one whole run: %lld ms)", kills, killedWriting,
          budget.elapsed(), span);
    QVERIFY2(kills >= (budget.elapsed() < kBudgetMs ? 40 : 15),
             qPrintable(QStringLiteral("only %1 kills landed").arg(kills)));
    QVERIFY2(killedWriting >= 5, qPrintable(QStringLiteral("only %1 kills hit the write").arg(killedWriting)));
    // The next run of the same writer replaces and removes what a killed one left.
    prepare();
    QCOMPARE(runWhole(1 << 20).exitCode, 0);
    QVERIFY2(base::savingFilesFor(target).isEmpty(), qPrintable(base::savingFilesFor(target).join(u' ')));
    QVERIFY2(lockTemporaries(target).isEmpty(), qPrintable(lockTemporaries(target).join(u' ')));
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
    QTest::newRow("1000 references to a 1 MiB cell") << head + "2\r\n3\r\n\r\n\r\n###.##\r\n  \r\na\r\nb\r\n1\r\n" +
                                                            QByteArray(1 << 20, '7') + "\r\n" + formula + "\r\n"
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

// Twenty runs write one table at once: the table holds the title of a run that said it wrote, and
// no run that said it failed is the one written; no temporary is left.
void DataSafetyTest::concurrentWritersTellTheTruth()
{
    if (cliPath().isEmpty())
        QSKIP("scorvane-cli not available");
    QTemporaryDir dir;
    base::Workspace ws(dir.path());
    ws.tablePassword = kTablePassword;
    ScriptedPrompter quiet;
    table::TableFile file(ws, quiet);
    table::GradeTable t = classTable(300, QStringLiteral("起始"));
    QVERIFY(file.save(t, dir.filePath(QStringLiteral("t"))));
    const QString target = dir.filePath(QStringLiteral("t.gdt"));
    QElapsedTimer budget;
    budget.start();
    for (int round = 0; round < 10 && budget.elapsed() < 60000; ++round) {
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 20; ++i) {
            auto p = std::make_unique<QProcess>();
            p->setStandardOutputFile(QProcess::nullDevice());
            p->setStandardErrorFile(QProcess::nullDevice());
            p->start(cliPath(), {QStringLiteral("--dir"), dir.path(), QStringLiteral("--table-password"),
                                 kTablePassword, QStringLiteral("--yes"), QStringLiteral("set-props"), target,
                                 QStringLiteral("--title"), QStringLiteral("第%1轮%2").arg(round).arg(i)});
            runs.push_back(std::move(p));
        }
        QStringList succeeded;
        for (int i = 0; i < 20; ++i) {
            QVERIFY(runs[i]->waitForFinished(60000));
            if (runs[i]->exitStatus() == QProcess::NormalExit && runs[i]->exitCode() == 0)
                succeeded << QStringLiteral("第%1轮%2").arg(round).arg(i);
        }
        table::GradeTable back;
        QVERIFY(table::TableFile(ws, quiet).load(back, dir.filePath(QStringLiteral("t")), true));
        QVERIFY2(succeeded.contains(back.title),
                 qPrintable(
                     QStringLiteral("round %1: %2 written, told %3").arg(round).arg(back.title, succeeded.join(u' '))));
        QVERIFY2(base::savingFilesFor(target).isEmpty(), qPrintable(base::savingFilesFor(target).join(u' ')));
    }
}

// A temporary left by a run that ended is removed by the next write of its target; one of a run
// still writing, another target's, and a file that only looks alike stay.
void DataSafetyTest::temporariesOfEndedRunsGo()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("t.gdt"));
    QVERIFY(base::codec::writeBytes(target, "old"));
    // The id of a process that has ended.
    QProcess ended;
    ended.start(QStringLiteral("true"), QStringList());
    QVERIFY(ended.waitForFinished());
    const QString deadId = QString::number(ended.processId());
    const QString liveId = QString::number(::getpid());
    const QStringList stale{QStringLiteral(".t.gdt.%1-aB3dE9.saving").arg(deadId), QStringLiteral(".t.gdt.saving")};
    const QStringList kept{QStringLiteral(".t.gdt.%1-xY7zQ2.saving").arg(liveId),
                           QStringLiteral(".u.gdt.%1-aB3dE9.saving").arg(deadId),
                           QStringLiteral(".t.gdt.notes.saving")};
    for (const QString &name : stale + kept) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(base::savingFilesFor(target).size(), 3);
    QVERIFY(base::codec::writeBytes(target, "new"));
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    QStringList expected = kept + QStringList{QStringLiteral("t.gdt")};
    expected.sort();
    QCOMPARE(left, expected);
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("new"));
}

// A table whose member the reader would refuse as too large is not written over the old one.
void DataSafetyTest::tooLargeToOpenAgainIsNotWritten()
{
    QTemporaryDir dir;
    base::Workspace ws(dir.path());
    ws.tablePassword = kTablePassword;
    ScriptedPrompter p;
    table::TableFile file(ws, p);
    const QString name = dir.filePath(QStringLiteral("t"));
    table::GradeTable small = classTable(3, QStringLiteral("小"));
    QVERIFY(file.save(small, name));
    const QMap<QString, QByteArray> before = snapshot(dir.path());
    table::GradeTable big = classTable(3, QStringLiteral("大"));
    // Two bytes a character in the file: just over the member limit.
    big.grid.setTextMatrix(1, 3, QString(base::archive::kMaxMemberSize / 2 + 1, u'语'));
    p.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::Yes);
    p.expectMessage(QStringLiteral("表格过大，无法保存。"), QStringLiteral("错误"));
    QVERIFY(!file.save(big, name));
    VERIFY_PROMPTS(p);
    QCOMPARE(snapshot(dir.path()), before);
}

void DataSafetyTest::trialBackup_data()
{
    QTest::addColumn<uint>("mode");        // of the trial table
    QTest::addColumn<QString>("existing"); // at NAME.gdt.bak: "", "file" or "link"
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("0600 table") << 0600u << QString() << false << 0;
    QTest::newRow("0640 table") << 0640u << QString() << false << 0;
    QTest::newRow("existing backup, no --yes") << 0600u << QStringLiteral("file") << false << 1;
    QTest::newRow("existing backup, --yes") << 0600u << QStringLiteral("file") << true << 0;
    QTest::newRow("link planted at the backup, --yes") << 0600u << QStringLiteral("link") << true << 0;
    QTest::newRow("read-only trial table") << 0400u << QString() << false << 1;
}

// convert-trial --backup: the plain copy is as private as its table, asks before it replaces an
// older one, replaces a link planted under its name instead of writing where it points, and a
// read-only table is refused before any copy is made.
void DataSafetyTest::trialBackup()
{
    QFETCH(uint, mode);
    QFETCH(QString, existing);
    QFETCH(bool, yes);
    QFETCH(int, exitCode);
    if (cliPath().isEmpty())
        QSKIP("scorvane-cli not available");
    QTemporaryDir dir;
    const QString trial = dir.filePath(QStringLiteral("trial.gdt"));
    const QString bak = trial + QStringLiteral(".bak");
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    const QByteArray member = table::memberBytes(classTable(20, QStringLiteral("试用")));
    QVERIFY(base::codec::writeBytes(trial, member));
    QVERIFY(base::codec::writeBytes(elsewhere, "not to be touched"));
    if (existing == QLatin1String("file"))
        QVERIFY(base::codec::writeBytes(bak, "older backup"));
    if (existing == QLatin1String("link"))
        QVERIFY(QFile::link(elsewhere, bak));
    QVERIFY(::chmod(QFile::encodeName(trial).constData(), mode) == 0);
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    QStringList args{QStringLiteral("--dir"), dir.path(), QStringLiteral("--table-password"), kTablePassword};
    if (yes)
        args << QStringLiteral("--yes");
    const ProcessResult r =
        runProcess(cliPath(), args + QStringList{QStringLiteral("convert-trial"), QStringLiteral("--backup"), trial});
    QVERIFY2(r.exitCode == exitCode, r.err.constData());
    QCOMPARE(snapshot(dir.path()).value(QStringLiteral("elsewhere")), before.value(QStringLiteral("elsewhere")));
    if (exitCode != 0) {
        QVERIFY2(r.err.contains(existing.isEmpty() ? "文件保存失败" : "确实覆盖原有数据么？ -> No"), r.err.constData());
        QCOMPARE(snapshot(dir.path()), before);
        return;
    }
    QVERIFY(!QFileInfo(bak).isSymLink());
    QFile copy(bak);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), member);
    QCOMPARE(modeOf(bak), mode);
    QCOMPARE(modeOf(trial), mode);
    QVERIFY(base::archive::unpack(trial, QStringLiteral("data.file"), kTablePassword).ok());
    QCOMPARE(r.err.contains("确实覆盖原有数据么？"), !existing.isEmpty());
}

// The school tree has no writer on the command line; the killing test runs the editor's write in a
// child of its own: tst_data_safety --write-school FILE VARIANT.
int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "--write-school") == 0)
        return shell::writeSchool(QString::fromLocal8Bit(argv[2]), crowdedSchool(std::atoi(argv[3]))) ? 0 : 1;
    QCoreApplication app(argc, argv);
    DataSafetyTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_data_safety.moc"
