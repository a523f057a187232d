// The layout, little-endian throughout: a header of 512 bytes (alone in the first sector when the
// sectors are 4096 bytes), then sector n at (n + 1) × the sector size. The FAT gives each sector's
// successor in its stream; the FAT's own sectors are listed by the DIFAT, 109 in the header and the
// rest in a chain of DIFAT sectors. The directory (128-byte entries, each storage's children a tree
// of siblings) is a chain of its own. Streams under 4096 bytes lie in 64-byte mini sectors of the
// mini stream (the root entry's stream), chained by the mini FAT.
#include "core/exchange/compound_file.h"

#include "core/base/archive.h"

#include <QString>
#include <QtEndian>
#include <algorithm>
#include <optional>
#include <vector>

namespace exchange::compound {

namespace {

using base::archive::kMaxMemberSize;

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kNoEntry = 0xFFFFFFFF;
constexpr quint32 kMaxSector = 0xFFFFFFFA; // the indexes above stand for the end of a chain, a FAT sector …
constexpr qsizetype kHeaderSize = 512;
constexpr qsizetype kEntrySize = 128;
constexpr qsizetype kMiniSectorSize = 64;
constexpr quint64 kMiniStreamCutoff = 4096;
constexpr int kHeaderFatSectors = 109;

enum EntryType : quint8 { StreamEntry = 2, RootEntry = 5 };

struct Bad {}; // thrown inside the reader only, caught at its entry point

[[noreturn]] void bad()
{
    throw Bad{};
}

quint16 u16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 u32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

struct Entry {
    QString name;
    quint8 type = 0;
    quint32 left = kNoEntry, right = kNoEntry, child = kNoEntry;
    quint32 start = kEndOfChain;
    quint64 size = 0;
};

class Document {
public:
    explicit Document(const QByteArray &file) : m_file(file)
    {
        if (file.size() < kHeaderSize || !file.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
            bad();
        const char *h = file.constData();
        const quint16 shift = u16(h + 0x1E);
        if (u16(h + 0x1C) != 0xFFFE || (shift != 9 && shift != 12) || u16(h + 0x20) != 6 ||
            u32(h + 0x38) != kMiniStreamCutoff)
            bad();
        m_sectorSize = qsizetype(1) << shift;
        // Version 3 writers may leave garbage in the high half of a stream's size.
        m_version3 = u16(h + 0x1A) == 3;
        // Whole sectors only: a sector the file ends inside is no sector.
        if (file.size() < m_sectorSize)
            bad();
        m_sectors = quint32(std::min<qint64>(file.size() / m_sectorSize - 1, kMaxSector));
        readFat(h);
        m_directory = bytesOf(chain(u32(h + 0x30), m_fat, m_sectors, -1), m_sectorSize, nullptr);
        m_entries = quint32(m_directory.size() / kEntrySize);
        m_root = entry(0);
        if (m_root.type != RootEntry)
            bad();
        m_miniFatStart = u32(h + 0x3C);
    }

    // The stream entry named `name` among the root storage's children; nullopt when there is none.
    std::optional<Entry> find(QStringView name) const
    {
        std::vector<bool> seen(m_entries);
        std::vector<quint32> open{m_root.child};
        while (!open.empty()) {
            const quint32 i = open.back();
            open.pop_back();
            if (i == kNoEntry)
                continue;
            // Each entry belongs to one tree once: anything else is a loop.
            if (i >= m_entries || seen[i])
                bad();
            seen[i] = true;
            Entry e = entry(i);
            if (e.type == StreamEntry && e.name.compare(name, Qt::CaseInsensitive) == 0)
                return e;
            open.push_back(e.left);
            open.push_back(e.right);
        }
        return std::nullopt;
    }

    QByteArray read(const Entry &e)
    {
        const quint64 size = e.size;
        if (size > quint64(kMaxMemberSize) || size > quint64(m_sectors) * quint64(m_sectorSize))
            bad();
        if (size >= kMiniStreamCutoff)
            return bytesOf(chain(e.start, m_fat, m_sectors, qint64((size + m_sectorSize - 1) / m_sectorSize)),
                           m_sectorSize, nullptr, qsizetype(size));
        loadMiniStream();
        const quint32 miniSectors = quint32(m_mini.size() / kMiniSectorSize);
        return bytesOf(chain(e.start, m_miniFat, miniSectors, qint64((size + kMiniSectorSize - 1) / kMiniSectorSize)),
                       kMiniSectorSize, &m_mini, qsizetype(size));
    }

private:
    const char *sector(quint32 index) const
    {
        if (index >= m_sectors)
            bad();
        return m_file.constData() + (qsizetype(index) + 1) * m_sectorSize;
    }

    void readFat(const char *header)
    {
        const quint32 fatSectors = u32(header + 0x2C);
        if (fatSectors > m_sectors)
            bad();
        std::vector<quint32> fatList;
        for (int i = 0; i < kHeaderFatSectors && fatList.size() < fatSectors; ++i)
            fatList.push_back(u32(header + 0x4C + 4 * i));
        // The DIFAT chain as far as the FAT's sectors need it; its count in the header is not relied on.
        const qsizetype perDifat = m_sectorSize / 4 - 1;
        std::vector<bool> seen(m_sectors);
        quint32 difat = u32(header + 0x44);
        while (fatList.size() < fatSectors) {
            if (difat >= m_sectors || seen[difat])
                bad();
            seen[difat] = true;
            const char *d = sector(difat);
            for (qsizetype i = 0; i < perDifat && fatList.size() < fatSectors; ++i)
                fatList.push_back(u32(d + 4 * i));
            difat = u32(d + 4 * perDifat);
        }
        m_fat.reserve(size_t(fatSectors) * size_t(m_sectorSize / 4));
        for (const quint32 s : fatList) {
            const char *p = sector(s);
            for (qsizetype i = 0; i < m_sectorSize / 4; ++i)
                m_fat.push_back(u32(p + 4 * i));
        }
        // A sector past the file's end that the FAT gives to a stream: the file was cut short.
        for (size_t i = m_sectors; i < m_fat.size(); ++i)
            if (m_fat[i] != kFree)
                bad();
    }

    // The sectors of the chain from `start` in `table` (the FAT or the mini FAT, over `sectors`
    // sectors): `wanted` of them, or all up to the chain's end when negative. A sector out of
    // range, a free one or one met twice (a loop) is Bad.
    static std::vector<quint32> chain(quint32 start, const std::vector<quint32> &table, quint32 sectors, qint64 wanted)
    {
        std::vector<quint32> out;
        std::vector<bool> seen(sectors);
        quint32 s = start;
        while (wanted < 0 ? s != kEndOfChain : qint64(out.size()) < wanted) {
            if (s >= sectors || s >= table.size() || seen[s])
                bad();
            seen[s] = true;
            out.push_back(s);
            s = table[s];
        }
        return out;
    }

    // The bytes of the sectors `chain` (of the file, or of the mini stream `mini`), the first
    // `size` of them when `size` is not negative.
    QByteArray bytesOf(const std::vector<quint32> &chain, qsizetype sectorSize, const QByteArray *mini,
                       qsizetype size = -1) const
    {
        QByteArray out;
        out.reserve(size >= 0 ? size : qsizetype(chain.size()) * sectorSize);
        for (const quint32 s : chain)
            out.append(mini ? mini->constData() + qsizetype(s) * sectorSize : sector(s), sectorSize);
        if (size >= 0)
            out.truncate(size);
        return out;
    }

    Entry entry(quint32 index) const
    {
        if (index >= m_entries)
            bad();
        const char *p = m_directory.constData() + qsizetype(index) * kEntrySize;
        const quint16 nameBytes = u16(p + 0x40);
        if (nameBytes > 64 || nameBytes % 2 != 0)
            bad();
        Entry e;
        for (int i = 0; i + 1 < nameBytes / 2; ++i)
            e.name += QChar(u16(p + 2 * i));
        e.type = quint8(p[0x42]);
        e.left = u32(p + 0x44);
        e.right = u32(p + 0x48);
        e.child = u32(p + 0x4C);
        e.start = u32(p + 0x74);
        e.size = m_version3 ? u32(p + 0x78) : qFromLittleEndian<quint64>(p + 0x78);
        return e;
    }

    void loadMiniStream()
    {
        if (m_miniLoaded)
            return;
        m_miniLoaded = true;
        const quint64 size = m_root.size;
        if (size > quint64(kMaxMemberSize) || size > quint64(m_sectors) * quint64(m_sectorSize))
            bad();
        m_mini = bytesOf(chain(m_root.start, m_fat, m_sectors, qint64((size + m_sectorSize - 1) / m_sectorSize)),
                         m_sectorSize, nullptr, qsizetype(size));
        const QByteArray table = bytesOf(chain(m_miniFatStart, m_fat, m_sectors, -1), m_sectorSize, nullptr);
        m_miniFat.reserve(size_t(table.size() / 4));
        for (qsizetype i = 0; i + 4 <= table.size(); i += 4)
            m_miniFat.push_back(u32(table.constData() + i));
    }

    const QByteArray &m_file;
    qsizetype m_sectorSize = 512;
    bool m_version3 = true;
    quint32 m_sectors = 0; // whole sectors after the header
    std::vector<quint32> m_fat;
    QByteArray m_directory;
    quint32 m_entries = 0;
    Entry m_root;
    quint32 m_miniFatStart = kEndOfChain;
    bool m_miniLoaded = false;
    QByteArray m_mini;
    std::vector<quint32> m_miniFat;
};

} // namespace

Stream readStream(const QByteArray &file, QStringView name, QByteArray *out)
{
    try {
        Document doc(file);
        const std::optional<Entry> e = doc.find(name);
        if (!e)
            return Stream::Missing;
        *out = doc.read(*e);
        return Stream::Found;
    } catch (const Bad &) {
        return Stream::Damaged;
    } catch (const std::bad_alloc &) {
        return Stream::Damaged;
    }
}

} // namespace exchange::compound
