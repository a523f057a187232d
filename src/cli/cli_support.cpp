#include "cli/cli_support.h"

#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "core/table/table_lock.h"
#include "core/ui/prompter.h"

#include <QFileInfo>
#include <QTextStream>

namespace table::cli {

Args::Args(QStringList args) : m_raw(args)
{
    const qsizetype dashes = args.indexOf(QStringLiteral("--"));
    if (dashes >= 0) {
        m_afterDashes = args.mid(dashes + 1);
        args.resize(dashes);
    }
    m_args = std::move(args);
    if (m_raw.value(0) == QLatin1String("--"))
        m_raw.removeFirst();
}

QStringList Args::raw() const
{
    return m_raw;
}

std::optional<QString> Args::value(const QString &name)
{
    const qsizetype i = m_args.indexOf(name);
    if (i < 0)
        return std::nullopt;
    if (i + 1 >= m_args.size()) {
        m_malformed = true;
        m_args.removeAt(i);
        return std::nullopt;
    }
    const QString v = m_args.at(i + 1);
    m_args.remove(i, 2);
    return v;
}

QStringList Args::values(const QString &name)
{
    QStringList all;
    while (const std::optional<QString> v = value(name))
        all << *v;
    return all;
}

std::optional<QStringList> Args::values(const QString &name, int count)
{
    const qsizetype i = m_args.indexOf(name);
    if (i < 0)
        return std::nullopt;
    if (i + count >= m_args.size()) {
        m_malformed = true;
        m_args.remove(i, m_args.size() - i);
        return std::nullopt;
    }
    const QStringList v = m_args.mid(i + 1, count);
    m_args.remove(i, count + 1);
    return v;
}

bool Args::flag(const QString &name)
{
    return m_args.removeAll(name) > 0;
}

std::optional<QStringList> Args::operands(int count)
{
    if (m_malformed)
        return std::nullopt;
    for (const QString &a : m_args)
        if (a.startsWith(QLatin1String("--")))
            return std::nullopt;
    const QStringList all = m_args + m_afterDashes;
    if (count >= 0 && all.size() != count)
        return std::nullopt;
    return all;
}

void tell(Context &ctx, const QString &text)
{
    ctx.prompter.message(text, QStringLiteral("提示"), ui::Icon::Information);
}

void printLine(Context &ctx, const QString &line)
{
    ctx.out << line << '\n';
    ctx.out.flush();
}

QString absolutePath(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

namespace {

enum class Lock { None, InPlace };

bool loadTable(Context &ctx, const QString &path, GradeTable &table, Lock lock)
{
    // load closes silently on a missing file; on the command line the user is told.
    const QString name = tableNameFromPath(absolutePath(path));
    if (!QFileInfo(name + QStringLiteral(".gdt")).isFile()) {
        tell(ctx, QStringLiteral("找不到表格文件：") + name + QStringLiteral(".gdt"));
        return false;
    }
    if (lock == Lock::InPlace && !holdTableLock(ctx, name))
        return false;
    TableFile file(ctx.ws, ctx.prompter);
    return file.load(table, name, true);
}

std::optional<QStringList> tableOperands(Context &ctx, Args &args, int count, GradeTable &table, Exit *failure,
                                         Lock lock)
{
    std::optional<QStringList> ops = args.operands(count);
    if (!ops) {
        *failure = Usage;
        return std::nullopt;
    }
    if (!loadTable(ctx, ops->at(0), table, lock)) {
        *failure = Failed;
        return std::nullopt;
    }
    return ops;
}

} // namespace

bool holdTableLock(Context &ctx, const QString &path)
{
    for (const TableLock &held : ctx.locks)
        if (held.tablePath() == path)
            return true;
    // A table open in a window (or another command) is left to it: its next save would lose ours.
    if (const std::optional<LockOwner> owner = otherLiveOwner(path)) {
        tell(ctx, openElsewhereRefusal(*owner));
        return false;
    }
    ctx.locks.emplace_back().acquire(path, ctx.ws.userName);
    return true;
}

bool loadTable(Context &ctx, const QString &path, GradeTable &table)
{
    return loadTable(ctx, path, table, Lock::None);
}

bool loadTableToChange(Context &ctx, const QString &path, GradeTable &table, const std::optional<QString> &outPath)
{
    return loadTable(ctx, path, table, outPath ? Lock::None : Lock::InPlace);
}

std::optional<QStringList> tableOperands(Context &ctx, Args &args, int count, GradeTable &table, Exit *failure)
{
    return tableOperands(ctx, args, count, table, failure, Lock::None);
}

std::optional<QStringList> tableOperandsToChange(Context &ctx, Args &args, int count, GradeTable &table, Exit *failure,
                                                 const std::optional<QString> &outPath)
{
    return tableOperands(ctx, args, count, table, failure, outPath ? Lock::None : Lock::InPlace);
}

Exit saveTable(Context &ctx, GradeTable &table, const QString &inPath, const std::optional<QString> &outPath)
{
    TableFile file(ctx.ws, ctx.prompter);
    const QString target = tableNameFromPath(absolutePath(outPath ? *outPath : inPath));
    if (!holdTableLock(ctx, target))
        return Failed;
    return file.save(table, target) ? Done : Failed;
}

std::optional<int> fieldColumn(Context &ctx, const GradeTable &table, const QString &field)
{
    const Grid &g = table.grid;
    bool digits = !field.isEmpty();
    for (QChar c : field)
        digits = digits && c >= u'0' && c <= u'9';
    if (digits) {
        bool ok = false;
        const int c = field.toInt(&ok);
        if (ok && c >= 1 && c < g.Cols())
            return c;
    } else {
        for (int c = 1; c < g.Cols(); ++c)
            if (g.TextMatrix(0, c) == field)
                return c;
    }
    tell(ctx, QStringLiteral("找不到字段：") + field);
    return std::nullopt;
}

std::optional<int> numberInRange(Context &ctx, const QString &text, int lo, int hi)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok && v >= lo && v <= hi)
        return v;
    tell(ctx, QStringLiteral("参数超出范围：") + text);
    return std::nullopt;
}

} // namespace table::cli
