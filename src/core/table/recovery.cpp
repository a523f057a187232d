#include "core/table/recovery.h"

#include "core/base/archive.h"
#include "core/base/file_writer.h"
#include "core/base/ini_profile.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "core/table/table_lock.h"
#include "core/ui/prompter.h"
#include "core/ui/settings_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThreadPool>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <unistd.h>

namespace table {

namespace {

// Index changes of every window's copy are read-modify-write of one file.
std::mutex &indexMutex()
{
    static std::mutex m;
    return m;
}

bool oneLine(const QString &value)
{
    return !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r'));
}

QList<RecoveryEntry> readIndex(const QString &dir)
{
    QList<RecoveryEntry> entries;
    QByteArray bytes;
    if (!base::codec::readBytes(dir + QStringLiteral("recovery.ini"), &bytes))
        return entries;
    const QString text = base::codec::decode(bytes);
    const base::ini::Document doc(text);
    for (const QString &section : base::ini::sections(dir + QStringLiteral("recovery.ini"))) {
        RecoveryEntry e;
        e.id = section;
        e.tablePath = doc.value(section, QStringLiteral("table"), {});
        e.saved = QDateTime::fromString(doc.value(section, QStringLiteral("saved"), {}), Qt::ISODate);
        e.user = doc.value(section, QStringLiteral("user"), {});
        e.host = doc.value(section, QStringLiteral("host"), {});
        e.pid = doc.value(section, QStringLiteral("pid"), {}).toLongLong();
        // Only names this program gives: a section naming "../x" never leads out of the folder.
        if (!e.id.isEmpty() && !e.id.contains(QLatin1Char('/')) && !e.id.startsWith(QLatin1Char('.')))
            entries << e;
    }
    return entries;
}

bool writeIndex(const QString &dir, const QList<RecoveryEntry> &entries)
{
    const QString index = dir + QStringLiteral("recovery.ini");
    if (entries.isEmpty())
        return QFile::remove(index) || !QFileInfo::exists(index);
    QString text;
    for (const RecoveryEntry &e : entries)
        text += QLatin1Char('[') + e.id + QStringLiteral("]\r\ntable=") + e.tablePath + QStringLiteral("\r\nsaved=") +
                isoLocalTime(e.saved) + QStringLiteral("\r\nuser=") + e.user + QStringLiteral("\r\n") +
                (e.pid > 0 ? QStringLiteral("host=") + e.host + QStringLiteral("\r\npid=") + QString::number(e.pid) +
                                 QStringLiteral("\r\n")
                           : QString());
    return base::writeFileAtomically(index, base::codec::encode(text)) == base::WriteResult::Written;
}

void removeFromIndex(const QString &dir, const QString &id)
{
    std::lock_guard lock(indexMutex());
    QList<RecoveryEntry> entries = readIndex(dir);
    const qsizetype before = entries.size();
    entries.removeIf([&id](const RecoveryEntry &e) { return e.id.compare(id, Qt::CaseInsensitive) == 0; });
    if (entries.size() != before)
        writeIndex(dir, entries);
}

} // namespace

int autoRecoverSeconds(const ui::SettingsStore &settings)
{
    bool ok = false;
    const int seconds = settings.value(kRecoverySection, kAutoRecoverKey).trimmed().toInt(&ok);
    return ok && seconds >= 0 ? seconds : kDefaultAutoRecoverSeconds;
}

void askAutoRecoverMinutes(base::Workspace &ws, ui::Prompter &prompter, ui::SettingsStore &settings)
{
    const std::optional<QString> answer =
        prompter.input(QStringLiteral("自动保存恢复信息（分钟）"), QStringLiteral("选项"),
                       QString::number(ws.autoRecoverSeconds() / 60.0));
    if (!answer)
        return;
    bool ok = false;
    const double minutes = answer->trimmed().toDouble(&ok);
    // A day at most: beyond that no copy would ever be written in a working session.
    if (!ok || !(minutes >= 0 && minutes <= 1440)) {
        prompter.message(QStringLiteral("请输入 0 到 1440 之间的分钟数（0 表示不保存恢复信息）。"),
                         QStringLiteral("提示"), ui::Icon::Information);
        return;
    }
    const int seconds = int(std::lround(minutes * 60));
    settings.setValue(kRecoverySection, kAutoRecoverKey, QString::number(seconds));
    ws.setAutoRecoverSeconds(seconds);
}

QString RecoveryEntry::copyFile() const
{
    return id + QStringLiteral(".gdt");
}

QString recoveryDir(const base::Workspace &ws)
{
    return ws.programDir() + QStringLiteral("恢复数据/");
}

QString recoveryIndex(const base::Workspace &ws)
{
    return recoveryDir(ws) + QStringLiteral("recovery.ini");
}

QList<RecoveryEntry> recoveryCopies(const base::Workspace &ws, const QString &user)
{
    const QString dir = recoveryDir(ws);
    std::lock_guard lock(indexMutex());
    QList<RecoveryEntry> mine;
    const QDateTime now = QDateTime::currentDateTime();
    for (const RecoveryEntry &e : readIndex(dir)) {
        // A second program of the same teacher does not take the first one's copies for a crash's.
        const LockOwner writer{e.user, e.host, e.pid, e.saved};
        if (e.pid > 0 && !isThisProcess(writer) && isLive(writer, now))
            continue;
        if (e.user == user && QFileInfo(dir + e.copyFile()).isFile())
            mine << e;
    }
    std::sort(mine.begin(), mine.end(),
              [](const RecoveryEntry &a, const RecoveryEntry &b) { return a.saved < b.saved; });
    return mine;
}

void discardRecoveryCopy(const base::Workspace &ws, const QString &id)
{
    const QString dir = recoveryDir(ws);
    QFile::remove(dir + id + QStringLiteral(".gdt"));
    removeFromIndex(dir, id);
}

// What a window and its writes on the worker threads share.
struct RecoveryCopy::Shared {
    std::mutex mutex;
    std::condition_variable idle;
    quint64 issued = 0;    // writes asked for
    quint64 written = 0;   // the newest written: an older snapshot never overwrites it
    quint64 discarded = 0; // writes asked for before the last discard write nothing
    bool onDisk = false;   // the copy is there (written, or the one a restored window came from)
    int running = 0;
};

RecoveryCopy::RecoveryCopy(base::Workspace &ws) : m_ws(ws), m_shared(std::make_shared<Shared>()) {}

RecoveryCopy::~RecoveryCopy()
{
    discard();
}

void RecoveryCopy::adopt(const QString &id)
{
    std::lock_guard lock(m_shared->mutex);
    m_id = id;
    m_shared->onDisk = true;
}

void RecoveryCopy::write(const GradeTable &table)
{
    if (m_id.isEmpty()) {
        // One name per teacher, table and program run (a restored table goes on writing the copy
        // it came from): a second program with the table open read-only never writes over this
        // one's copy, nor removes it when it closes. A table never saved gets one of its own.
        static std::atomic<int> untitled{0};
        const QString key = table.filePath.isEmpty()
                                ? QStringLiteral("untitled-%1-%2").arg(::getpid()).arg(++untitled)
                                : QFileInfo(table.filePath + QStringLiteral(".gdt")).absoluteFilePath() +
                                      QStringLiteral("\n%1").arg(::getpid());
        m_id = QString::fromLatin1(
            QCryptographicHash::hash((m_ws.userName + QLatin1Char('\n') + key).toUtf8(), QCryptographicHash::Sha1)
                .toHex()
                .left(20));
    }
    RecoveryEntry entry{m_id,
                        table.filePath,
                        QDateTime::currentDateTime(),
                        m_ws.userName,
                        QSysInfo::machineHostName(),
                        qint64(::getpid())};
    if (!oneLine(entry.tablePath) || !oneLine(entry.user))
        return; // the index could not give it back
    // The snapshot: the grid's texts are shared, not copied, so this is quick on the window's thread.
    auto snapshot = std::make_shared<GradeTable>();
    snapshot->grid = table.grid;
    snapshot->title = table.title;
    snapshot->teacher = table.teacher;
    snapshot->classInfo = table.classInfo;
    snapshot->numberFormat = table.numberFormat;
    quint64 seq = 0;
    {
        std::lock_guard lock(m_shared->mutex);
        seq = ++m_shared->issued;
        ++m_shared->running;
    }
    const QString dir = recoveryDir(m_ws);
    const QString password = m_ws.tablePassword;
    QThreadPool::globalInstance()->start([shared = m_shared, snapshot, entry, dir, password, seq] {
        const QByteArray member = memberBytes(*snapshot);
        std::unique_lock lock(shared->mutex);
        if (seq > shared->discarded && seq > shared->written && base::archive::fitsMember(member.size())) {
            QDir().mkpath(dir);
            if (base::archive::pack(member, QStringLiteral("data.file"), dir + entry.copyFile(), password) ==
                base::archive::Failure::None) {
                shared->written = seq;
                shared->onDisk = true;
                std::lock_guard indexLock(indexMutex());
                QList<RecoveryEntry> entries = readIndex(dir);
                entries.removeIf(
                    [&entry](const RecoveryEntry &e) { return e.id.compare(entry.id, Qt::CaseInsensitive) == 0; });
                entries << entry;
                writeIndex(dir, entries);
            }
        }
        --shared->running;
        shared->idle.notify_all();
    });
}

void RecoveryCopy::discard()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->discarded = m_shared->issued;
    if (m_id.isEmpty() || !m_shared->onDisk)
        return;
    discardRecoveryCopy(m_ws, m_id);
    m_shared->onDisk = false;
}

void RecoveryCopy::wait()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->idle.wait(lock, [this] { return m_shared->running == 0; });
}

namespace {

// The table's file was written after the copy was taken (saved since, here or in another program):
// restoring the copy would take back that save.
bool savedSinceCopy(const RecoveryEntry &e)
{
    if (e.tablePath.isEmpty() || !e.saved.isValid())
        return false;
    const QFileInfo file(e.tablePath + QStringLiteral(".gdt"));
    // The copy's time has whole seconds.
    return file.exists() && file.lastModified().toSecsSinceEpoch() > e.saved.toSecsSinceEpoch();
}

} // namespace

RecoveryChoice offerRecovery(base::Workspace &ws, ui::Prompter &prompter, QList<RecoveryEntry> *restore)
{
    const QList<RecoveryEntry> copies = recoveryCopies(ws, ws.userName);
    if (copies.isEmpty())
        return RecoveryChoice::None;
    QString text = QStringLiteral("发现以下表格有未保存的修改（程序上次未正常退出）：");
    for (const RecoveryEntry &e : copies)
        text += QLatin1Char('\n') +
                (e.tablePath.isEmpty() ? QStringLiteral("未命名的表格") : e.tablePath + QStringLiteral(".gdt")) +
                QStringLiteral("（") + e.saved.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) +
                (savedSinceCopy(e) ? kSavedSinceCopy : QString()) + QStringLiteral("）");
    switch (prompter.choose(text, QStringLiteral("提示"),
                            {QStringLiteral("恢复"), QStringLiteral("放弃"), QStringLiteral("稍后")},
                            ui::Icon::Question, 0)) {
    case 0:
        *restore = copies;
        return RecoveryChoice::Restore;
    case 1:
        for (const RecoveryEntry &e : copies)
            discardRecoveryCopy(ws, e.id);
        return RecoveryChoice::Discard;
    default:
        return RecoveryChoice::Later;
    }
}

bool restoreRecoveryCopy(const base::Workspace &ws, TableFile &files, const RecoveryEntry &entry, GradeTable &table)
{
    if (!files.readTableFile(recoveryDir(ws) + entry.copyFile(), table))
        return false;
    table.filePath = entry.tablePath;
    // A save since the copy counts as another program's: saving the copy over it asks first.
    if (!entry.tablePath.isEmpty())
        table.diskStamp = savedSinceCopy(entry) ? FileStamp{.size = 0, .modifiedMs = 0, .hash = {}}
                                                : stampOf(entry.tablePath + QStringLiteral(".gdt"));
    // Undoing what is typed after the restore must not take the marker (and the copy) away.
    table.markUnsaved();
    return true;
}

} // namespace table
