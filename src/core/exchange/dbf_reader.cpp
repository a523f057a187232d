#include "core/exchange/dbf_reader.h"

#include "core/base/archive.h"
#include "core/base/text_codec.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QTime>
#include <cstring>
#include <optional>

namespace exchange {

namespace {

constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr qsizetype kMemoHeaderSize = 512;

quint32 le32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 le16(const uchar *p)
{
    return quint16(p[0] | p[1] << 8);
}
quint32 be32(const uchar *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}
quint16 be16(const uchar *p)
{
    return quint16(p[0] << 8 | p[1]);
}

bool knownVersion(uchar v)
{
    switch (v) {
    case 0x02: // FoxBase
    case 0x03: // dBase III, FoxPro without memo
    case 0x04: // dBase IV
    case 0x05: // dBase V
    case 0x30: // Visual FoxPro
    case 0x31: // Visual FoxPro with autoincrement
    case 0x32: // Visual FoxPro with varchar
    case 0x43: // dBase IV SQL table
    case 0x63: // dBase IV SQL system
    case 0x83: // dBase III with memo
    case 0x8B: // dBase IV with memo
    case 0x8E: // dBase IV with SQL table
    case 0xCB: // dBase IV SQL with memo
    case 0xF5: // FoxPro 2.x with memo
    case 0xFB: // FoxBase with memo
        return true;
    default:
        return false;
    }
}

bool knownType(char t)
{
    return std::strchr("CNFDLMIBYTGP0", t) != nullptr && t != '\0';
}

// Text in the table's code page: the Chinese pages (and "none") as GBK, a few others by name.
class PageDecoder {
public:
    explicit PageDecoder(int codePage)
    {
        const char *name = nullptr;
        switch (codePage) {
        case 0x01:
            name = "IBM437";
            break;
        case 0x02:
            name = "IBM850";
            break;
        case 0x03:
            name = "windows-1252";
            break;
        case 0x64:
            name = "IBM852";
            break;
        case 0x65:
            name = "IBM866";
            break;
        case 0x78:
            name = "Big5";
            break;
        case 0x79:
            name = "windows-949";
            break;
        case 0x7B:
            name = "Shift_JIS";
            break;
        case 0xC8:
            name = "windows-1250";
            break;
        case 0xC9:
            name = "windows-1251";
            break;
        case 0xCB:
            name = "windows-1253";
            break;
        case 0xCA:
            name = "windows-1254";
            break;
        default:
            break; // 0x7A, 0x4D, 0x57, 0 and anything unknown: GBK
        }
        if (name) {
            m_decoder.emplace(name);
            if (!m_decoder->isValid())
                m_decoder.reset();
        }
    }
    QString operator()(QByteArrayView bytes)
    {
        if (!m_decoder)
            return base::codec::decode(bytes);
        return m_decoder->decode(bytes);
    }

private:
    std::optional<QStringDecoder> m_decoder;
};

QByteArrayView trimmedRight(QByteArrayView v)
{
    qsizetype n = v.size();
    while (n > 0 && (v[n - 1] == ' ' || v[n - 1] == '\0'))
        --n;
    return v.first(n);
}

QByteArrayView trimmedBoth(QByteArrayView v)
{
    v = trimmedRight(v);
    qsizetype i = 0;
    while (i < v.size() && (v[i] == ' ' || v[i] == '\0'))
        ++i;
    return v.sliced(i);
}

QString withoutTrailingZeros(QString s)
{
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s.isEmpty() || s == QLatin1String("-"))
        s += QLatin1Char('0');
    return s;
}

// The memo file beside the table: ".fpt" for FoxPro, ".dbt" for dBase; the name's case may differ.
QString findMemoFile(const QString &dbfPath, uchar version)
{
    const QFileInfo info(dbfPath);
    const bool fox = version == 0xF5 || version == 0xFB || version == 0x30 || version == 0x31 || version == 0x32;
    const QStringList order = fox ? QStringList{QStringLiteral("fpt"), QStringLiteral("dbt")}
                                  : QStringList{QStringLiteral("dbt"), QStringLiteral("fpt")};
    const QDir dir = info.absoluteDir();
    const QStringList names = dir.entryList(QDir::Files);
    for (const QString &ext : order) {
        const QString wanted = info.completeBaseName() + QLatin1Char('.') + ext;
        for (const QString &n : names)
            if (n.compare(wanted, Qt::CaseInsensitive) == 0)
                return dir.filePath(n);
    }
    return {};
}

class MemoFile {
public:
    DbfError open(const QString &path)
    {
        if (path.isEmpty())
            return DbfError::MemoMissing;
        // Read whole, and only from a regular file (a pipe or a device has no end to read to).
        if (!base::codec::readBytes(path, &m_data))
            return DbfError::MemoMissing;
        if (m_data.size() < kMemoHeaderSize)
            return DbfError::BadMemoFile;
        const auto *p = reinterpret_cast<const uchar *>(m_data.constData());
        m_fox = path.endsWith(QLatin1String("fpt"), Qt::CaseInsensitive);
        if (m_fox) {
            m_blockSize = be16(p + 6);
        } else {
            // dBase IV keeps its block size in the header; dBase III always uses 512.
            const quint16 dbase4 = le16(p + 20);
            m_blockSize = dbase4 >= 512 && dbase4 % 512 == 0 ? dbase4 : 512;
        }
        if (m_blockSize == 0)
            return DbfError::BadMemoFile;
        return DbfError::None;
    }

    // The raw text of block `block`; nullopt when it lies outside the file.
    std::optional<QByteArrayView> block(quint64 block) const
    {
        const quint64 size = quint64(m_data.size());
        const quint64 start = block * m_blockSize;
        if (block == 0 || start < quint64(kMemoHeaderSize) || start >= size)
            return std::nullopt;
        const auto *p = reinterpret_cast<const uchar *>(m_data.constData()) + start;
        const quint64 left = size - start;
        if (m_fox) {
            if (left < 8)
                return std::nullopt;
            const quint32 type = be32(p), length = be32(p + 4);
            if (length > left - 8)
                return std::nullopt;
            if (type != 1) // pictures and objects are no text
                return QByteArrayView();
            return QByteArrayView(p + 8, qsizetype(length));
        }
        if (left >= 8 && p[0] == 0xFF && p[1] == 0xFF && p[2] == 0x08 && p[3] == 0x00) {
            const quint32 length = le32(p + 4); // dBase IV: the length counts the 8 header bytes
            if (length < 8 || length - 8 > left - 8)
                return std::nullopt;
            return QByteArrayView(p + 8, qsizetype(length - 8));
        }
        const QByteArrayView rest(p, qsizetype(left));
        const qsizetype end = rest.indexOf('\x1A'); // dBase III: the text ends at 1A 1A
        if (end < 0)
            return std::nullopt;
        return rest.first(end);
    }

private:
    QByteArray m_data;
    quint32 m_blockSize = 512;
    bool m_fox = true;
};

} // namespace

QString dbfErrorText(DbfError error)
{
    switch (error) {
    case DbfError::None:
        break;
    case DbfError::CannotOpen:
        return QStringLiteral("无法读取数据库文件");
    case DbfError::NotATable:
        return QStringLiteral("不是 DBF 数据库文件");
    case DbfError::BadHeader:
        return QStringLiteral("文件头已损坏");
    case DbfError::BadFields:
        return QStringLiteral("字段说明已损坏");
    case DbfError::Truncated:
        return QStringLiteral("文件不完整，记录少于文件头所记");
    case DbfError::BadRecord:
        return QStringLiteral("记录已损坏");
    case DbfError::MemoMissing:
        return QStringLiteral("找不到备注文件（.fpt 或 .dbt）");
    case DbfError::BadMemoFile:
        return QStringLiteral("备注文件已损坏");
    case DbfError::BadMemoBlock:
        return QStringLiteral("备注指向备注文件以外");
    case DbfError::MemoTooLarge:
        return QStringLiteral("备注内容过大");
    }
    return {};
}

QString dbfNumberText(QStringView raw)
{
    QString s = raw.trimmed().toString();
    if (s.isEmpty())
        return s;
    for (QChar c : s)
        if (!(c.isDigit() || c == u'.' || c == u'-' || c == u'+'))
            return s; // "*****" (overflow) and the like stay as stored
    if (s.startsWith(QLatin1Char('+')))
        s.remove(0, 1);
    if (s.startsWith(QLatin1Char('.')))
        s.prepend(QLatin1Char('0'));
    else if (s.startsWith(QLatin1String("-.")))
        s.insert(1, QLatin1Char('0'));
    return withoutTrailingZeros(s);
}

QString dbfDateText(QStringView raw)
{
    const QStringView s = raw.trimmed();
    if (s.isEmpty() || s == QLatin1String("00000000"))
        return {};
    bool digits = s.size() == 8;
    for (QChar c : s)
        digits = digits && c.isDigit();
    if (!digits)
        return s.toString();
    return s.first(4).toString() + QLatin1Char('-') + s.sliced(4, 2).toString() + QLatin1Char('-') +
           s.sliced(6, 2).toString();
}

QString dbfLogicalText(char raw)
{
    switch (raw) {
    case 'T':
    case 't':
    case 'Y':
    case 'y':
        return QStringLiteral("是");
    case 'F':
    case 'f':
    case 'N':
    case 'n':
        return QStringLiteral("否");
    default:
        return {};
    }
}

DbfError readDbf(const QString &path, DbfTable &table, int maxRecords, bool *more)
{
    table = DbfTable();
    if (more)
        *more = false;
    QByteArray data;
    if (!base::codec::readBytes(path, &data))
        return DbfError::CannotOpen;
    const qsizetype size = data.size();
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    if (size < kHeaderSize + 1 || !knownVersion(p[0]))
        return DbfError::NotATable;

    const quint32 recordCount = le32(p + 4);
    const int headerLength = le16(p + 8);
    const int recordLength = le16(p + 10);
    table.codePage = p[29];
    if (headerLength < kHeaderSize + kDescriptorSize + 1 || headerLength > size || recordLength < 2)
        return DbfError::BadHeader;

    PageDecoder decode(table.codePage);
    int pos = kHeaderSize;
    int offset = 1;
    bool terminated = false;
    QList<DbfField> fields;
    QList<bool> shown; // VFP's hidden null-flag field is not a column
    while (pos < headerLength) {
        if (p[pos] == 0x0D) {
            terminated = true;
            break;
        }
        if (pos + kDescriptorSize > headerLength)
            return DbfError::BadFields;
        const uchar *d = p + pos;
        const QByteArrayView rawName(d, qsizetype(qstrnlen(reinterpret_cast<const char *>(d), 11)));
        DbfField f;
        f.type = char(d[11]);
        f.length = d[16];
        f.decimals = d[17];
        if (f.type == 'C') { // FoxPro and Clipper keep long character fields' high byte here
            f.length = d[16] | d[17] << 8;
            f.decimals = 0;
        }
        if (rawName.isEmpty() || !knownType(f.type) || f.length == 0)
            return DbfError::BadFields;
        f.name = decode(rawName);
        f.offset = offset;
        offset += f.length;
        if (offset > recordLength)
            return DbfError::BadFields;
        fields << f;
        shown << (f.type != '0');
        pos += kDescriptorSize;
    }
    if (!terminated || fields.isEmpty() || offset != recordLength)
        return DbfError::BadFields;

    const qint64 room = (qint64(size) - headerLength) / recordLength;
    if (qint64(recordCount) > room)
        return DbfError::Truncated;

    MemoFile memo;
    for (const DbfField &f : fields)
        if (f.type == 'M' || f.type == 'G' || f.type == 'P') {
            if (const DbfError e = memo.open(findMemoFile(path, p[0])); e != DbfError::None)
                return e;
            break;
        }

    for (int i = 0; i < fields.size(); ++i)
        if (shown.at(i))
            table.fields << fields.at(i);

    // Records may all point at one block: each is decoded once and shared, and the texts of all
    // records together stay within what a table member may hold.
    QHash<quint64, QString> decodedMemos;
    qint64 memoBytes = 0;

    for (quint32 r = 0; r < recordCount; ++r) {
        const uchar *rec = p + headerLength + qint64(r) * recordLength;
        if (rec[0] == '*')
            continue;
        if (rec[0] != ' ')
            return DbfError::BadRecord;
        if (table.records.size() >= maxRecords) {
            if (more)
                *more = true;
            break;
        }
        QStringList values;
        values.reserve(table.fields.size());
        for (int i = 0; i < fields.size(); ++i) {
            if (!shown.at(i))
                continue;
            const DbfField &f = fields.at(i);
            const QByteArrayView raw(rec + f.offset, f.length);
            const uchar *b = rec + f.offset;
            QString text;
            switch (f.type) {
            case 'C':
                text = decode(trimmedRight(raw));
                break;
            case 'N':
            case 'F':
                text = dbfNumberText(QString::fromLatin1(trimmedBoth(raw)));
                break;
            case 'D':
                text = dbfDateText(QString::fromLatin1(raw));
                break;
            case 'L':
                text = dbfLogicalText(char(b[0]));
                break;
            case 'I':
                if (f.length == 4)
                    text = QString::number(qint32(le32(b)));
                break;
            case 'B':
                if (f.length == 8) {
                    double v;
                    std::memcpy(&v, b, 8); // little-endian hosts only, as the file
                    text = QString::number(v, 'g', 15);
                }
                break;
            case 'Y':
                if (f.length == 8) {
                    const qint64 v = qint64(quint64(le32(b)) | quint64(le32(b + 4)) << 32);
                    text = withoutTrailingZeros(QString::number(double(v) / 10000.0, 'f', 4));
                }
                break;
            case 'T':
                if (f.length == 8 && (le32(b) != 0 || le32(b + 4) != 0)) {
                    const QDate day = QDate::fromJulianDay(le32(b));
                    const QTime time = QTime::fromMSecsSinceStartOfDay(int(le32(b + 4) % 86400000u));
                    text = day.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
                           time.toString(QStringLiteral("HH:mm:ss"));
                }
                break;
            case 'M':
            case 'G':
            case 'P': {
                quint64 block = 0;
                if (f.length == 4) {
                    block = le32(b);
                } else {
                    const QByteArrayView digits = trimmedBoth(raw);
                    for (char c : digits) {
                        if (c < '0' || c > '9')
                            return DbfError::BadMemoBlock;
                        block = block * 10 + quint64(c - '0');
                    }
                }
                if (block == 0)
                    break;
                const std::optional<QByteArrayView> memoText = memo.block(block);
                if (!memoText)
                    return DbfError::BadMemoBlock;
                if (f.type == 'M') {
                    memoBytes += memoText->size();
                    if (memoBytes > base::archive::kMaxMemberSize)
                        return DbfError::MemoTooLarge;
                    const auto known = decodedMemos.constFind(block);
                    if (known != decodedMemos.cend()) {
                        text = *known;
                    } else {
                        text = decode(*memoText);
                        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
                        decodedMemos.insert(block, text);
                    }
                }
                break;
            }
            default:
                break;
            }
            values << text;
        }
        table.records << values;
    }
    return DbfError::None;
}

} // namespace exchange
