#include "core/table/table_file.h"

#include "core/base/archive.h"
#include "core/base/file_writer.h"
#include "core/base/progress.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/ui/prompter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cstring>
#include <vector>

namespace table {

namespace {
constexpr int kHeaderLines = 7;

// A count of rows or columns as the file holds it: decimal, 1 … 32767.
bool parseCount(const QString &line, int *out)
{
    bool ok = false;
    const int v = line.trimmed().toInt(&ok);
    if (!ok || v < 1 || v > Grid::kMaxCount)
        return false;
    *out = v;
    return true;
}

// The member's lines one at a time, without copying the member: a line ends at LF, a CR before
// it is dropped, and a final line end does not start another line.
class LineCursor {
public:
    explicit LineCursor(QByteArrayView bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    QByteArrayView next()
    {
        const qsizetype start = m_pos;
        const qsizetype nl = m_bytes.indexOf('\n', start);
        qsizetype end = nl < 0 ? m_bytes.size() : nl;
        m_pos = nl < 0 ? m_bytes.size() : nl + 1;
        if (end > start && m_bytes.at(end - 1) == '\r')
            --end;
        return m_bytes.sliced(start, end - start);
    }
    // How many lines are left, counted without decoding them.
    qint64 remaining() const
    {
        if (atEnd())
            return 0;
        const QByteArrayView rest = m_bytes.sliced(m_pos);
        // std::count: QByteArrayView::count(char) goes through the general substring search.
        return qint64(std::count(rest.begin(), rest.end(), '\n')) + (rest.endsWith('\n') ? 0 : 1);
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

QString decodedLine(QByteArrayView line)
{
    // "[/]" is ASCII, so the text holds it only where the bytes do. Looked for with memchr: the
    // general substring search costs more than decoding a short line.
    bool marked = false;
    for (qsizetype from = 0; !marked && from + 2 < line.size();) {
        const void *hit = std::memchr(line.data() + from, '[', size_t(line.size() - 2 - from));
        if (!hit)
            break;
        const qsizetype at = static_cast<const char *>(hit) - line.data();
        marked = line[at + 1] == '/' && line[at + 2] == ']';
        from = at + 1;
    }
    if (!marked)
        return base::codec::decode(line);
    return fromFileLine(base::codec::decode(line));
}

// The cells of a class table are mostly a few short values (the scores 40 … 100 and their
// halves): one shared string for each such value instead of one per cell. A longer text that
// repeats the one above it in its column (a column of copies of one formula) shares that one's
// string too. The lines are views into the member, which outlives this.
class ShortTexts {
public:
    QString text(QByteArrayView line, qsizetype col)
    {
        const qsizetype n = line.size();
        if (n == 0 || n > 7)
            return repeatedOrDecoded(line, col);
        quint64 key = quint64(n) << 56;
        for (qsizetype i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(line[i]);
            if (b >= 0x80 || b == '[')
                return repeatedOrDecoded(line, col);
            key |= quint64(b) << (8 * i);
        }
        const auto it = m_texts.constFind(key);
        if (it != m_texts.constEnd())
            return it.value();
        QString t = QString::fromLatin1(line.data(), n);
        if (m_texts.size() < kMaxTexts)
            m_texts.insert(key, t);
        return t;
    }

private:
    QString repeatedOrDecoded(QByteArrayView line, qsizetype col)
    {
        if (col < 0 || col >= Grid::kMaxCount)
            return decodedLine(line);
        if (std::size_t(col) >= m_above.size())
            m_above.resize(std::size_t(col) + 1);
        Above &above = m_above[std::size_t(col)];
        if (!above.set || above.bytes != line) {
            above.text = decodedLine(line);
            above.bytes = line;
            above.set = true;
        }
        return above.text;
    }

    struct Above {
        QByteArrayView bytes;
        QString text;
        bool set = false;
    };
    static constexpr qsizetype kMaxTexts = 4096;
    QHash<quint64, QString> m_texts;
    std::vector<Above> m_above;
};
} // namespace

QString toFileLine(const QString &value)
{
    if (!value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    v.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    v.replace(QLatin1Char('\n'), QLatin1String("[/]"));
    return v;
}

QString fromFileLine(const QString &line)
{
    if (!line.contains(QLatin1String("[/]")))
        return line;
    QString v = line;
    v.replace(QLatin1String("[/]"), QLatin1String("\n"));
    return v;
}

QStringList writeMember(const GradeTable &t)
{
    const Grid &g = t.grid;
    const int rows = g.Rows(), cols = g.Cols();
    QStringList lines;
    lines.reserve(kHeaderLines + rows * cols);
    lines << kMagicLine << toFileLine(t.title) << QString::number(rows) << QString::number(cols)
          << toFileLine(t.teacher) << toFileLine(t.classInfo) << toFileLine(t.numberFormat);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            lines << toFileLine(g.TextArray(t.faIndex(static_cast<int16_t>(r), static_cast<int16_t>(c))));
    return lines;
}

QByteArray memberBytes(const GradeTable &t)
{
    // The bytes of joinLines(writeMember(t)), encoded line by line into one buffer.
    const Grid &g = t.grid;
    const int rows = g.Rows(), cols = g.Cols();
    const QString header[kHeaderLines] = {kMagicLine,
                                          toFileLine(t.title),
                                          QString::number(rows),
                                          QString::number(cols),
                                          toFileLine(t.teacher),
                                          toFileLine(t.classInfo),
                                          toFileLine(t.numberFormat)};
    qsizetype units = 0;
    for (const QString &h : header)
        units += h.size() + 1;
    const int cells = rows * cols;
    for (int i = 0; i < cells; ++i)
        units += g.TextArray(i).size() + 1;
    QByteArray out;
    out.reserve(units * 2);
    auto line = [&out](const QString &text) {
        base::codec::appendEncoded(out, text);
        out.append("\r\n", 2);
    };
    for (const QString &h : header)
        line(h);
    for (int i = 0; i < cells; ++i)
        line(toFileLine(g.TextArray(i)));
    return out;
}

MemberResult readMember(QByteArrayView member, GradeTable &t)
{
    LineCursor lines(member);
    if (lines.atEnd())
        return MemberResult::BadMagic;
    // A first line far longer than the magic line is not decoded just to be refused.
    static const qsizetype magicBytes = base::codec::encode(kMagicLine).size();
    const QByteArrayView first = lines.next();
    if (first.size() > 4 * magicBytes || decodedLine(first) != kMagicLine)
        return MemberResult::BadMagic;
    QString header[kHeaderLines - 1];
    for (QString &h : header) {
        if (lines.atEnd())
            return MemberResult::BadFormat;
        h = decodedLine(lines.next());
    }
    int rows = 0, cols = 0;
    if (!parseCount(header[1], &rows) || !parseCount(header[2], &cols))
        return MemberResult::BadFormat;
    const qint64 cells = qint64(rows) * cols;
    // An editor may have dropped trailing empty lines, so up to one row may be missing; anything
    // beyond that is not a table this program wrote, and nothing is allocated for it.
    if (cells > lines.remaining() + cols)
        return MemberResult::BadFormat;

    Grid &g = t.grid;
    GridBulk bulk(g);
    t.title = header[0];
    g.setRows(rows);
    g.setCols(cols);
    t.teacher = header[3];
    t.classInfo = header[4];
    t.numberFormat = header[5];
    ShortTexts shortTexts;
    for (qint64 i = 0; i < cells && !lines.atEnd(); ++i)
        g.setTextArray(static_cast<int>(i), shortTexts.text(lines.next(), qsizetype(i % cols)));
    t.rebuildHeader();
    return MemberResult::Ok;
}

FileStamp stampOf(const QString &path)
{
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return {info.size(), info.lastModified().toMSecsSinceEpoch(), hash.result()};
}

QString tableNameFromPath(const QString &path)
{
    // The dialog adds ".gdt"; a path typed without it is taken whole rather than cut short.
    if (path.endsWith(QLatin1String(".gdt"), Qt::CaseInsensitive))
        return path.left(path.size() - 4);
    return path;
}

bool namesFit(const QString &path)
{
    const QStringList parts = QFileInfo(path).absoluteFilePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::all_of(parts.cbegin(), parts.cend(),
                       [](const QString &part) { return QFile::encodeName(part).size() <= kMaxNameBytes; });
}

TableFile::TableFile(base::Workspace &ws, ui::Prompter &prompter, base::Progress *progress)
    : m_ws(ws), m_prompter(prompter), m_progress(progress ? *progress : static_cast<base::Progress &>(ws))
{
}

bool TableFile::fitsTableFile(const QByteArray &member)
{
    if (base::archive::fitsMember(member.size()))
        return true;
    m_prompter.message(QStringLiteral("表格过大，无法保存。"), QStringLiteral("错误"), ui::Icon::Critical);
    return false;
}

bool TableFile::packMember(const QByteArray &member, const QString &archive, const QString &password)
{
    // Refused before anything is written, since the archive would not open again; then the file
    // system's limit, not the medium, is what a save of a long name runs into.
    if (!fitsTableFile(member))
        return false;
    const base::archive::Failure failure =
        namesFit(archive) ? base::archive::pack(member, QStringLiteral("data.file"), archive, password)
                          : base::archive::Failure::BadName;
    switch (failure) {
    case base::archive::Failure::None:
        return true;
    case base::archive::Failure::BadName:
        m_prompter.message(QStringLiteral("文件名过长。"), QStringLiteral("错误"), ui::Icon::Critical);
        return false;
    default:
        m_prompter.message(base::kSaveFailed, QStringLiteral("错误"), ui::Icon::Critical);
        return false;
    }
}

std::optional<QByteArray> TableFile::unpackMember(const QString &archive, const QString &password, OpenMessage which)
{
    base::archive::Bytes read = base::archive::unpack(archive, QStringLiteral("data.file"), password);
    if (read.ok())
        return std::move(read.bytes);
    // Every cause gets the one message the user knows: a table file that others may have packed
    // with another password is "有权访问" as much as damaged.
    m_prompter.message(which == OpenMessage::Table
                           ? QStringLiteral("文件打开失败！请确认文件格式正确，或确认您有权访问该文档。")
                           : QStringLiteral("文件打开失败！请确认文件格式正确。"),
                       QStringLiteral("错误"), ui::Icon::Critical);
    return std::nullopt;
}

namespace {

void takeLoaded(GradeTable &&loaded, GradeTable &table)
{
    table.title = loaded.title;
    table.teacher = loaded.teacher;
    table.classInfo = loaded.classInfo;
    table.numberFormat = loaded.numberFormat;
    table.grid = std::move(loaded.grid);
}

} // namespace

bool readTableFileQuietly(const QString &path, const QString &password, GradeTable &table)
{
    const base::archive::Bytes read = base::archive::unpack(path, QStringLiteral("data.file"), password);
    GradeTable loaded;
    if (!read.ok() || readMember(read.bytes, loaded) != MemberResult::Ok)
        return false;
    takeLoaded(std::move(loaded), table);
    return true;
}

bool TableFile::readTableFile(const QString &path, GradeTable &table, OpenMessage which)
{
    const std::optional<QByteArray> member = unpackMember(path, m_ws.tablePassword, which);
    if (!member)
        return false;
    GradeTable loaded;
    if (readMember(*member, loaded) != MemberResult::Ok) {
        m_prompter.message(table::kBadFileFormat, QStringLiteral("提示"), ui::Icon::Information);
        return false;
    }
    takeLoaded(std::move(loaded), table);
    return true;
}

bool TableFile::writeTableFile(const GradeTable &table, const QString &path, const QString &password)
{
    return packMember(memberBytes(table), path, password);
}

bool TableFile::load(GradeTable &table, const QString &name, bool fullPath)
{
    bool ok = false;
    {
        base::BusyScope busy(m_progress, QStringLiteral("文件读取中..."));
        if (!name.trimmed().isEmpty()) {
            const QString path = (fullPath ? name : m_ws.tableDataDir() + name) + QStringLiteral(".gdt");
            ok = QFileInfo(path).isFile() && readTableFile(path, table);
        }
    }
    table.grid.setCol(0);
    if (ok) {
        table.diskStamp = stampOf((fullPath ? name : m_ws.tableDataDir() + name) + QStringLiteral(".gdt"));
        m_ws.showCurrentTable(table.title);
    }
    return ok;
}

bool TableFile::save(GradeTable &table, const QString &name)
{
    struct ClearMark {
        GradeTable &t;
        ~ClearMark() { t.unprotectedSave = false; }
    } clearMark{table};

    QDir().mkpath(m_ws.tableDataDir());
    const QString path = name + QStringLiteral(".gdt");
    const bool ownFile = !table.filePath.isEmpty() && name == table.filePath;
    if (ownFile && table.readOnly) {
        m_prompter.message(kReadOnlySave, QStringLiteral("提示"), ui::Icon::Information);
        return false;
    }
    bool overwriteAgreed = false;
    if (ownFile && table.diskStamp.known() && QFileInfo::exists(path) && stampOf(path) != table.diskStamp) {
        switch (m_prompter.choose(kChangedOnDisk, QStringLiteral("提示"),
                                  {QStringLiteral("覆盖"), QStringLiteral("另存为"), QStringLiteral("取消")},
                                  ui::Icon::Warning, 2)) {
        case 0:
            overwriteAgreed = true;
            break;
        case 1:
            return saveToChosenPath(table);
        default:
            return false;
        }
    }
    // Asked before the grid is hidden, so the teacher sees the table while deciding.
    if (!overwriteAgreed && QFileInfo::exists(path) &&
        m_prompter.question(QStringLiteral("确实覆盖原有数据么？"), QStringLiteral("提示："), ui::Buttons::YesNo,
                            ui::Icon::Question, ui::Answer::Yes) != ui::Answer::Yes)
        return false;
    base::BusyScope busy(m_progress, QStringLiteral("正在保存文件..."));
    if (!writeTableFile(table, path, table.unprotectedSave ? QString() : m_ws.tablePassword))
        return false;
    // A copy written elsewhere leaves the table's own file as old as it was.
    if (table.filePath.isEmpty() || ownFile)
        table.markSaved();
    if (ownFile)
        table.diskStamp = stampOf(path);
    return true;
}

bool TableFile::saveToChosenPath(GradeTable &table)
{
    const QString chosen = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.gdt"));
    if (chosen.isEmpty())
        return false;
    return save(table, tableNameFromPath(chosen));
}

bool TableFile::saveToOwnFile(GradeTable &table)
{
    if (!table.filePath.isEmpty())
        return save(table, table.filePath);
    return saveToChosenPath(table);
}

bool TableFile::saveAs(GradeTable &table)
{
    return saveToChosenPath(table);
}

bool TableFile::saveWithoutPassword(GradeTable &table)
{
    const QString chosen = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.gdt"));
    if (chosen.isEmpty())
        return false;
    table.unprotectedSave = true;
    return save(table, tableNameFromPath(chosen));
}

} // namespace table
