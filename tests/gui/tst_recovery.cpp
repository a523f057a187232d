// Never losing work, as a teacher meets it: a program killed while editing leaves a recovery copy
// that the next start offers to its teacher (and to nobody else) and restores cell for cell; the
// start-up list's 放弃 and 稍后; a table open in another live process (read-only, open anyway,
// cancel) or left locked by a dead one; and a save over a file another program changed.
//
// The killed program is this test run again as a child ("--teacher-session"): it opens a table in
// the main window, types scores, waits for its recovery copy and is killed with SIGKILL.
#include "core/base/ini_profile.h"
#include "core/base/workspace.h"
#include "core/table/recovery.h"
#include "core/table/table_file.h"
#include "core/table/table_lock.h"
#include "core/ui/settings_store.h"
#include "gui/app/program_commands.h"
#include "gui/shell/main_window.h"
#include "gui/table/table_window.h"
#include "gui/ui/prompter_qt.h"
#include "scripted_prompter.h"
#include "test_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kPassword = u"1A3@secret1"_s;
const QString kTeacher = u"王老师"_s;
const QString kOffer = u"发现以下表格有未保存的修改（程序上次未正常退出）："_s;
// What the killed session types, cell by cell.
const QList<std::pair<QPoint, QString>> kTyped{{{2, 1}, u"97"_s}, {{2, 2}, u"李四"_s}, {{1, 2}, u"88.5"_s}};

QString tableBase(const QString &programDir)
{
    return programDir + u"表格数据/一班"_s;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The killed program: opens the table, types the scores and says "ready" once its copy is written,
// or at once when it is to be ended by SIGTERM (its copies then are an hour away).
int teacherSession(int argc, char **argv, const QString &programDir, bool terminated)
{
    QApplication app(argc, argv);
    base::Workspace ws(programDir);
    ws.userName = kTeacher;
    ws.tablePassword = kPassword;
    ui::MemorySettingsStore settings;
    settings.setValue(table::kRecoverySection, table::kAutoRecoverKey, terminated ? u"3600"_s : u"1"_s);
    ui::QtPrompter prompter;
    shell::MainWindow main(ws, prompter, settings, programCommands(settings));
    main.endOnTerminationSignals();
    main.show();
    main.openTable(tableBase(programDir));
    table::TableWindow *form = main.activeTableWindow();
    if (!form)
        return 3;
    table::GradeTable &doc = form->document();
    for (const auto &[cell, text] : kTyped) {
        doc.grid.setCurrent(cell.x(), cell.y());
        form->editCell(text);
        doc.grid.setCurrent(1, 1); // moving on commits the cell
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (terminated || !table::recoveryCopies(ws, kTeacher).isEmpty()) {
            std::puts("ready");
            std::fflush(stdout);
            poll.stop();
        }
    });
    poll.start(50);
    return app.exec();
}

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    ui::MemorySettingsStore m_settings;
    std::unique_ptr<shell::MainWindow> m_w;

    QString programDir() const { return m_tmp->path() + QLatin1Char('/'); }
    QString base() const { return tableBase(programDir()); }
    void start(const QString &user = kTeacher)
    {
        m_ws = std::make_unique<base::Workspace>(programDir());
        m_ws->userName = user;
        m_ws->tablePassword = kPassword;
        m_w = std::make_unique<shell::MainWindow>(*m_ws, m_p, m_settings, programCommands(m_settings));
        m_w->show();
    }
    void writeLock(const QString &host, qint64 pid, const QDateTime &opened)
    {
        QFile f(table::lockFilePath(base()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(table::lockText({u"李老师"_s, host, pid, opened}));
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QDir().mkpath(programDir() + u"表格数据"_s);
        QVERIFY(saveOneStudentTable(programDir(), kPassword, base(), u"一班"_s, u"85"_s));
        m_p.clear();
    }
    void cleanup()
    {
        if (m_w)
            for (table::TableWindow *form : m_w->tableWindows())
                form->document().markSaved(); // no close question in teardown
        m_w.reset();
        m_ws.reset();
        VERIFY_PROMPTS(m_p);
    }

    // Killed while editing: the next start offers the copy to its teacher only, 恢复 brings every
    // typed cell back in a window bound to the table and marked as changed, the dead process's
    // lock is replaced without a question, and the save writes the original and ends the copy.
    // Ended by SIGTERM (a shutdown), the program writes its copy right then and frees its lock.
    void killedSessionIsRecoveredCellForCell_data()
    {
        QTest::addColumn<bool>("terminated");
        QTest::newRow("SIGKILL after a timed copy") << false;
        QTest::newRow("SIGTERM, no copy due yet") << true;
    }
    void killedSessionIsRecoveredCellForCell()
    {
        QFETCH(bool, terminated);
        const QByteArray original = fileBytes(base() + u".gdt"_s);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {terminated ? u"--terminated-session"_s : u"--teacher-session"_s, programDir()});
        QVERIFY(child.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.state() != QProcess::Running, 60000);
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        const qint64 pid = child.processId();
        if (terminated)
            child.terminate();
        else
            child.kill(); // SIGKILL: no destructor, no clean exit
        QVERIFY(child.waitForFinished());
        QCOMPARE(fileBytes(base() + u".gdt"_s), original); // the copy never touched the table
        if (terminated)
            QVERIFY(!QFile::exists(table::lockFilePath(base())));
        else
            QCOMPARE(table::readLock(base())->pid, pid);

        // Another teacher's copy in the same folder is never offered.
        const QString dir = programDir() + u"恢复数据/"_s;
        QDir().mkpath(dir);
        QVERIFY(saveOneStudentTable(programDir(), kPassword, dir + u"theirs"_s, u"二班"_s, u"60"_s));
        const QString index = dir + u"recovery.ini"_s;
        QVERIFY(base::ini::write(index, u"theirs"_s, u"table"_s, programDir() + u"表格数据/二班"_s));
        QVERIFY(base::ini::write(index, u"theirs"_s, u"saved"_s, u"2026-12-08T14:05:00+08:00"_s));
        QVERIFY(base::ini::write(index, u"theirs"_s, u"user"_s, u"李老师"_s));

        start();
        m_p.expectChoice({}, u"恢复"_s);
        m_w->offerRecovery();
        QCOMPARE(m_p.shown.size(), 1);
        const QStringList offer = m_p.shown[0].text.split(QLatin1Char('\n'));
        QCOMPARE(offer.size(), 2);
        QCOMPARE(offer[0], kOffer);
        QVERIFY2(offer[1].startsWith(base() + u".gdt（"_s), qPrintable(offer[1]));
        QCOMPARE(m_p.shown[0].choices, (QStringList{u"恢复"_s, u"放弃"_s, u"稍后"_s}));

        QCOMPARE(m_w->tableWindows().size(), 1);
        table::TableWindow *form = m_w->tableWindows().first();
        const table::GradeTable &doc = form->document();
        QCOMPARE(doc.filePath, base());
        QVERIFY(doc.isModified());
        QVERIFY(form->windowTitle().endsWith(u" *"_s));
        QCOMPARE(doc.grid.TextMatrix(1, 1), u"张三"_s);
        for (const auto &[cell, text] : kTyped)
            QCOMPARE(doc.grid.TextMatrix(cell.x(), cell.y()), text);
        QCOMPARE(table::readLock(base())->pid, QCoreApplication::applicationPid());

        m_p.expectQuestion(u"确实覆盖原有数据么？"_s, ui::Answer::Yes);
        form->execute(ui::CommandId::Save);
        QVERIFY(!doc.isModified());
        QCOMPARE(oneStudentScore(programDir(), kPassword, base()), u"88.5"_s);
        QVERIFY(table::recoveryCopies(*m_ws, kTeacher).isEmpty());
        QCOMPARE(table::recoveryCopies(*m_ws, u"李老师"_s).size(), 1);
        form->requestClose();
        QTRY_VERIFY(!QFile::exists(table::lockFilePath(base())));
    }

    // The start-up list: 放弃 deletes the teacher's copies, 稍后 keeps them for the next start. A
    // table saved after its copy was taken says so, and saving the restored copy over it asks.
    void discardOrLater_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<bool>("savedSince");
        QTest::newRow("放弃") << u"放弃"_s << false;
        QTest::newRow("稍后") << u"稍后"_s << false;
        QTest::newRow("恢复 a copy older than the table") << u"恢复"_s << true;
    }
    void discardOrLater()
    {
        QFETCH(QString, choice);
        QFETCH(bool, savedSince);
        // As a crash leaves it: the copy and its section.
        const QString dir = programDir() + u"恢复数据/"_s;
        QDir().mkpath(dir);
        QVERIFY(saveOneStudentTable(programDir(), kPassword, dir + u"mine"_s, u"一班"_s, u"59"_s));
        const QString index = dir + u"recovery.ini"_s;
        QVERIFY(base::ini::write(index, u"mine"_s, u"table"_s, base()));
        QVERIFY(base::ini::write(index, u"mine"_s, u"saved"_s, u"2026-12-08T14:05:00"_s)); // local time
        QVERIFY(base::ini::write(index, u"mine"_s, u"user"_s, kTeacher));
        // The copy a second program of the same teacher is writing right now is no crash's: never
        // offered, never discarded.
        QProcess running;
        running.start(u"sleep"_s, {u"60"_s});
        QVERIFY(running.waitForStarted());
        const std::unique_ptr<QProcess, void (*)(QProcess *)> ends(&running, [](QProcess *p) {
            p->kill();
            p->waitForFinished();
        });
        QVERIFY(saveOneStudentTable(programDir(), kPassword, dir + u"running"_s, u"一班"_s, u"61"_s));
        for (const auto &[key, value] : {std::pair{u"table"_s, base()},
                                         {u"saved"_s, u"2026-12-08T14:06:00"_s},
                                         {u"user"_s, kTeacher},
                                         {u"host"_s, QSysInfo::machineHostName()},
                                         {u"pid"_s, QString::number(running.processId())}})
            QVERIFY(base::ini::write(index, u"running"_s, key, value));
        const QDateTime copied(QDate(2026, 12, 8), QTime(14, 5));
        {
            QFile table(base() + u".gdt"_s);
            QVERIFY(table.open(QIODevice::ReadWrite));
            QVERIFY(table.setFileTime(copied.addSecs(savedSince ? 60 : -60), QFileDevice::FileModificationTime));
        }
        const QByteArray saved = fileBytes(base() + u".gdt"_s);
        start();
        m_p.expectChoice(kOffer + u"\n"_s + base() + u".gdt（"_s + copied.toString(u"yyyy-MM-dd HH:mm"_s) +
                             (savedSince ? table::kSavedSinceCopy : QString()) + u"）"_s,
                         choice);
        m_w->offerRecovery();
        const bool kept = choice != u"放弃"_s;
        QCOMPARE(table::recoveryCopies(*m_ws, kTeacher).size(), kept ? 1 : 0);
        QCOMPARE(QDir(table::recoveryDir(*m_ws)).entryList({u"*.gdt"_s}, QDir::Files).size(), kept ? 2 : 1);
        QCOMPARE(m_w->tableWindows().size(), choice == u"恢复"_s ? 1 : 0);
        if (choice != u"恢复"_s)
            return;
        // A cell typed and undone leaves the restored table as changed as it came back.
        table::TableWindow *form = m_w->tableWindows().first();
        form->document().beginCellChange(1, 2);
        form->document().grid.setTextMatrix(1, 2, u"70"_s);
        form->document().settleChange();
        form->execute(ui::CommandId::Undo);
        QVERIFY(form->document().isModified());
        QCOMPARE(table::recoveryCopies(*m_ws, kTeacher).size(), 1);
        m_p.expectChoice(table::kChangedOnDisk, u"取消"_s);
        form->execute(ui::CommandId::Save);
        QCOMPARE(fileBytes(base() + u".gdt"_s), saved);
    }

    // Opening a table another live process has open: asked with the owner's name, host and time;
    // read-only says so and refuses 保存, 仍然打开 takes the lock over, 取消 opens nothing. A lock of
    // a dead process is replaced without a word.
    void tableOpenElsewhere_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("choice");
        QTest::newRow("read-only") << u"live"_s << u"以只读方式打开"_s;
        QTest::newRow("open anyway") << u"live"_s << u"仍然打开"_s;
        QTest::newRow("cancel") << u"live"_s << u"取消"_s;
        QTest::newRow("other host, an hour ago") << u"foreign"_s << u"以只读方式打开"_s;
        QTest::newRow("dead process") << u"dead"_s << QString();
    }
    void tableOpenElsewhere()
    {
        QFETCH(QString, holder);
        QFETCH(QString, choice);
        QProcess sleeper;
        const QDateTime opened = QDateTime::fromString(u"2026-12-08T14:05:00+08:00"_s, Qt::ISODate);
        QString host = QSysInfo::machineHostName();
        if (holder == u"live"_s) {
            sleeper.start(u"sleep"_s, {u"60"_s});
            QVERIFY(sleeper.waitForStarted());
            writeLock(host, sleeper.processId(), opened);
        } else if (holder == u"dead"_s) {
            sleeper.start(u"true"_s, {});
            QVERIFY(sleeper.waitForFinished());
            writeLock(host, sleeper.processId(), opened);
        } else {
            host = u"教务处-PC"_s;
            writeLock(host, 4242, QDateTime::currentDateTime().addSecs(-3600));
        }
        start();
        const QByteArray before = fileBytes(base() + u".gdt"_s);
        if (!choice.isEmpty()) {
            const QString time = holder == u"live"_s ? opened.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s) : QString();
            m_p.expectChoice(holder == u"live"_s
                                 ? u"该表格正由 李老师 在 "_s + host + u" 上打开（自 "_s + time + u"）。"_s
                                 : QString(),
                             choice);
        }
        m_w->openTable(base());
        if (choice == u"取消"_s) {
            QVERIFY(m_w->tableWindows().isEmpty());
            QCOMPARE(table::readLock(base())->pid, sleeper.processId());
            sleeper.kill();
            sleeper.waitForFinished();
            return;
        }
        table::TableWindow *form = m_w->activeTableWindow();
        QVERIFY(form);
        const bool readOnly = choice == u"以只读方式打开"_s;
        QCOMPARE(form->windowTitle(), readOnly ? u"一班（只读）"_s : u"一班"_s);
        QCOMPARE(table::readLock(base())->pid == QCoreApplication::applicationPid(), !readOnly);
        form->document().beginCellChange(1, 2);
        form->document().grid.setTextMatrix(1, 2, u"61"_s);
        if (readOnly)
            m_p.expectMessage(table::kReadOnlySave);
        else
            m_p.expectQuestion(u"确实覆盖原有数据么？"_s, ui::Answer::Yes);
        form->execute(ui::CommandId::Save);
        QCOMPARE(fileBytes(base() + u".gdt"_s) == before, readOnly);
        form->document().markSaved();
        form->requestClose();
        QTRY_VERIFY(m_w->tableWindows().isEmpty());
        // A window removes only its own lock, and one that took over a live owner's gives it back.
        if (holder == u"dead"_s) {
            QTRY_VERIFY(!QFile::exists(table::lockFilePath(base())));
        } else {
            QTRY_VERIFY(table::readLock(base()).has_value() && !table::isThisProcess(*table::readLock(base())));
            QCOMPARE(table::readLock(base())->host, host);
        }
        if (sleeper.state() == QProcess::Running) {
            sleeper.kill();
            sleeper.waitForFinished();
        }
    }

    // A new table has no file to lock until its first save; from then on it is locked as an opened
    // one, and closing the window frees it.
    void aNewTableIsLockedFromItsFirstSave()
    {
        start();
        table::TableWindow *form = m_w->createTableWindow();
        const QString name = programDir() + u"/新表"_s;
        form->document().filePath = name;
        form->document().beginCellChange(1, 1);
        form->document().grid.setTextMatrix(1, 1, u"61"_s);
        QVERIFY(!QFile::exists(table::lockFilePath(name)));
        form->execute(ui::CommandId::Save);
        QVERIFY(QFile::exists(name + u".gdt"_s));
        QCOMPARE(table::readLock(name)->pid, QCoreApplication::applicationPid());
        form->requestClose();
        QTRY_VERIFY(m_w->tableWindows().isEmpty());
        QTRY_VERIFY(!QFile::exists(table::lockFilePath(name)));
    }

    // Saving over a file another program wrote since it was opened: 覆盖 writes (without the
    // overwrite question), 另存为 asks for another file, 取消 writes nothing.
    void saveOverAFileChangedOnDisk_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("scoreThere");
        QTest::newRow("覆盖") << u"覆盖"_s << u"70"_s;
        QTest::newRow("另存为") << u"另存为"_s << u"99"_s;
        QTest::newRow("取消") << u"取消"_s << u"99"_s;
    }
    void saveOverAFileChangedOnDisk()
    {
        QFETCH(QString, choice);
        QFETCH(QString, scoreThere);
        start();
        m_w->openTable(base());
        table::TableWindow *form = m_w->activeTableWindow();
        // Another program writes the table meanwhile.
        QVERIFY(saveOneStudentTable(programDir(), kPassword, base() + u"-其他"_s, u"一班"_s, u"99"_s));
        QVERIFY(QFile::remove(base() + u".gdt"_s));
        QVERIFY(QFile::rename(base() + u"-其他.gdt"_s, base() + u".gdt"_s));
        form->document().beginCellChange(1, 2);
        form->document().grid.setTextMatrix(1, 2, u"70"_s);
        m_p.expectChoice(table::kChangedOnDisk, choice);
        const QString elsewhere = programDir() + u"表格数据/一班-副本.gdt"_s;
        if (choice == u"另存为"_s)
            m_p.expectSaveFile(elsewhere);
        form->execute(ui::CommandId::Save);
        QCOMPARE(oneStudentScore(programDir(), kPassword, base()), scoreThere);
        QCOMPARE(QFile::exists(elsewhere), choice == u"另存为"_s);
        if (choice == u"另存为"_s)
            QCOMPARE(oneStudentScore(programDir(), kPassword, programDir() + u"表格数据/一班-副本"_s), u"70"_s);
        QCOMPARE(form->document().isModified(), choice != u"覆盖"_s);
        if (choice == u"覆盖"_s) {
            // Its own write is not another program's: the next save asks only the usual question.
            m_p.expectQuestion(u"确实覆盖原有数据么？"_s, ui::Answer::Yes);
            form->document().beginCellChange(1, 2);
            form->document().grid.setTextMatrix(1, 2, u"71"_s);
            form->execute(ui::CommandId::Save);
            QCOMPARE(oneStudentScore(programDir(), kPassword, base()), u"71"_s);
        }
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && (!std::strcmp(argv[1], "--teacher-session") || !std::strcmp(argv[1], "--terminated-session")))
        return teacherSession(argc, argv, QString::fromLocal8Bit(argv[2]),
                              !std::strcmp(argv[1], "--terminated-session"));
    QApplication app(argc, argv);
    RecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
