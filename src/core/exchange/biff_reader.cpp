// BIFF8 from the "Workbook" stream of the compound document: a run of records (type, length,
// data), the workbook globals first (sheets, shared strings, number formats, styles, the date
// system), then one substream per sheet from its BOF to its EOF. A record longer than 8,224 bytes
// goes on in CONTINUE records; where a text's characters go on there, the continuation starts with
// the flags byte again, so one text may change between one and two bytes a character. Every
// length is checked against the record it is read from; an encrypted workbook, a text or cell
// past its record, a shared string that does not exist, a cell or merged area past the table's
// rows or columns and a sheet past the text or cell limits make the file BadFormat.
#include "core/exchange/biff_reader.h"

#include "core/exchange/compound_file.h"
#include "core/exchange/sheet_rules.h"

#include <QHash>
#include <QtEndian>
#include <bit>
#include <cstring>
#include <vector>

namespace exchange {

namespace {

enum RecordType : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kContinue = 0x003C,
    kFilePass = 0x002F,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kDateMode = 0x0022,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kLabelSst = 0x00FD,
    kLabel = 0x0204,
    kRString = 0x00D6,
    kNumber = 0x0203,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kBoolErr = 0x0205,
    kFormula = 0x0006,
    kString = 0x0207,
    kMergedCells = 0x00E5,
};

constexpr quint16 kBiff8 = 0x0600;
constexpr quint16 kGlobalsKind = 0x0005;
constexpr quint16 kWorksheetKind = 0x0010;

struct Bad {};   // thrown inside the reader only, caught at its entry points
struct Older {}; // the workbook is no BIFF8

[[noreturn]] void bad()
{
    throw Bad{};
}

// One record with its CONTINUE records, read front to back.
class Record {
public:
    quint16 type = 0;

    quint8 u8()
    {
        char b;
        take(&b, 1);
        return quint8(b);
    }
    quint16 u16()
    {
        char b[2];
        take(b, 2);
        return qFromLittleEndian<quint16>(b);
    }
    quint32 u32()
    {
        char b[4];
        take(b, 4);
        return qFromLittleEndian<quint32>(b);
    }
    double f64()
    {
        char b[8];
        take(b, 8);
        return std::bit_cast<double>(qFromLittleEndian<quint64>(b));
    }
    void skip(qint64 n)
    {
        while (n > 0) {
            const qsizetype step = qsizetype(std::min<qint64>(n, available()));
            if (step == 0)
                bad();
            m_at += step;
            n -= step;
        }
    }
    // The bytes of all its parts not read yet.
    qint64 left() const
    {
        qint64 n = 0;
        for (size_t p = m_part; p < m_parts.size(); ++p)
            n += m_parts[p].size() - (p == m_part ? m_at : 0);
        return n;
    }
    // A text as BIFF8 writes it: its length (`lengthBytes` 1 or 2), flags, the counts of its
    // formatting runs and of its Far East phonetic data when the flags say so, the characters,
    // then the runs and the phonetic data (both skipped); cut as a cell's text.
    QString text(int lengthBytes)
    {
        const quint16 chars = lengthBytes == 1 ? u8() : u16();
        const quint8 flags = u8();
        const quint16 runs = flags & 0x08 ? u16() : 0;
        const quint32 phonetic = flags & 0x04 ? u32() : 0;
        QString s = characters(chars, flags & 0x01);
        cutToCellText(s);
        skip(4 * qint64(runs));
        skip(phonetic);
        return s;
    }

private:
    friend class Records;

    // Bytes left in the current part, moving on to the next part when this one is done.
    qsizetype available()
    {
        while (m_part < m_parts.size() && m_at == m_parts[m_part].size()) {
            ++m_part;
            m_at = 0;
        }
        return m_part < m_parts.size() ? m_parts[m_part].size() - m_at : 0;
    }
    void take(char *into, qsizetype n)
    {
        while (n > 0) {
            const qsizetype step = std::min(n, available());
            if (step == 0)
                bad();
            std::memcpy(into, m_parts[m_part].data() + m_at, size_t(step));
            m_at += step;
            into += step;
            n -= step;
        }
    }
    // `count` characters, of which one more than a cell holds are kept, so the cut can tell
    // whether it would split a pair.
    QString characters(qsizetype count, bool wide)
    {
        constexpr qsizetype kKept = kMaxCellText + 1;
        QString s;
        s.reserve(std::min(count, kKept));
        while (count > 0) {
            if (m_part >= m_parts.size())
                bad();
            if (m_at == m_parts[m_part].size()) {
                // The characters go on in a continuation, which tells their width anew.
                if (++m_part >= m_parts.size())
                    bad();
                m_at = 0;
                wide = u8() & 0x01;
                continue;
            }
            const QByteArrayView part = m_parts[m_part];
            const qsizetype width = wide ? 2 : 1;
            const qsizetype n = std::min(count, (part.size() - m_at) / width);
            if (n == 0)
                bad(); // a character split between two records
            const qsizetype keep = std::min(n, kKept - s.size());
            const char *p = part.data() + m_at;
            const qsizetype old = s.size();
            s.resize(old + keep);
            QChar *into = s.data() + old;
            for (qsizetype i = 0; i < keep; ++i)
                into[i] = QChar(char16_t(wide ? qFromLittleEndian<quint16>(p + 2 * i) : quint8(p[i])));
            m_at += n * width;
            count -= n;
        }
        return s;
    }

    std::vector<QByteArrayView> m_parts; // the record's data, then each CONTINUE's
    size_t m_part = 0;
    qsizetype m_at = 0;
};

// The records of the stream from an offset on.
class Records {
public:
    Records(const QByteArray &stream, qsizetype from) : m_stream(stream), m_pos(from)
    {
        if (from < 0 || from > stream.size())
            bad();
    }
    // The next record into `r`; false at the end of the stream.
    bool next(Record &r)
    {
        if (m_pos == m_stream.size())
            return false;
        r.m_parts.clear();
        r.m_part = 0;
        r.m_at = 0;
        r.type = header(nullptr);
        do {
            qsizetype length = 0;
            header(&length);
            r.m_parts.push_back(QByteArrayView(m_stream).sliced(m_pos + 4, length));
            m_pos += 4 + length;
        } while (m_pos + 4 <= m_stream.size() && qFromLittleEndian<quint16>(m_stream.constData() + m_pos) == kContinue);
        return true;
    }

private:
    // The type of the record at the current position, its length into `length`.
    quint16 header(qsizetype *length) const
    {
        if (m_pos + 4 > m_stream.size())
            bad();
        const char *p = m_stream.constData() + m_pos;
        const qsizetype n = qFromLittleEndian<quint16>(p + 2);
        if (m_pos + 4 + n > m_stream.size())
            bad();
        if (length)
            *length = n;
        return qFromLittleEndian<quint16>(p);
    }

    const QByteArray &m_stream;
    qsizetype m_pos;
};

// The shared strings in one buffer, so a table of millions of tiny strings costs little more than
// its text.
class SharedStrings {
public:
    void read(Record &r)
    {
        r.skip(4); // the count of cells naming them
        const quint32 count = r.u32();
        // No more strings than a sheet may have cells, no more text than it may hold.
        if (count > kMaxCells)
            bad();
        // No more characters than the record has bytes: reserved by what is there, not claimed.
        m_text.reserve(qsizetype(r.left()));
        for (quint32 i = 0; i < count; ++i) {
            m_text += r.text(2);
            if (m_text.size() > kMaxSheetText)
                bad();
            m_ends.push_back(quint32(m_text.size()));
        }
    }
    // Made once, the first time a cell names it; every cell naming it shares that one.
    QString at(quint32 i) const
    {
        if (i >= m_ends.size())
            bad();
        auto made = m_made.constFind(i);
        if (made == m_made.cend()) {
            const quint32 start = i == 0 ? 0 : m_ends[i - 1];
            made = m_made.insert(i, QString(m_text.constData() + start, qsizetype(m_ends[i] - start)));
        }
        return *made;
    }

private:
    QString m_text;
    std::vector<quint32> m_ends;
    mutable QHash<quint32, QString> m_made;
};

struct Sheet {
    QString name;
    quint32 offset = 0; // of its BOF in the stream
};

struct Globals {
    bool from1904 = false;
    std::vector<Sheet> sheets;
    SharedStrings strings;
    std::vector<DateKind> styles; // the date kind of every XF, by its index
};

// The BOF of a substream: BIFF8, or for the workbook's first one an older BIFF (Older), and
// Bad anywhere else.
void checkBof(Record &r, bool first)
{
    if (r.type != kBof || r.u16() != kBiff8) {
        if (first)
            throw Older{};
        bad();
    }
}

// The workbook globals; the strings and styles only `withCells`.
void readGlobals(const QByteArray &stream, bool withCells, Globals *g)
{
    Records records(stream, 0);
    Record r;
    if (!records.next(r))
        throw Older{};
    checkBof(r, true);
    if (r.u16() != kGlobalsKind)
        bad();
    QHash<int, DateKind> custom;
    std::vector<int> formatIds;
    for (;;) {
        if (!records.next(r))
            bad();
        if (r.type == kEof)
            break;
        switch (r.type) {
        case kFilePass:
            bad(); // encrypted: nothing after it can be read without the password
        case kBoundSheet: {
            Sheet s;
            s.offset = r.u32();
            // Visibility and kind: hidden sheets and charts are listed too, so each sheet keeps the
            // number it had when FreeXL read these files.
            r.skip(2);
            s.name = r.text(1);
            g->sheets.push_back(std::move(s));
            if (g->sheets.size() > size_t(kMaxSheetIndex))
                bad();
            break;
        }
        case kDateMode:
            g->from1904 = r.u16() == 1;
            break;
        case kSst:
            if (withCells)
                g->strings.read(r);
            break;
        case kFormat:
            if (withCells) {
                const int id = r.u16();
                custom.insert(id, customFormatKind(r.text(2)));
            }
            break;
        case kXf:
            if (withCells) {
                r.skip(2);
                formatIds.push_back(r.u16());
            }
            break;
        default:
            break;
        }
    }
    g->styles.reserve(formatIds.size());
    for (const int id : formatIds)
        g->styles.push_back(custom.contains(id) ? custom.value(id) : builtInFormatKind(id));
}

QString errorText(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    case 0x2B:
        return QStringLiteral("#GETTING_DATA");
    default:
        return QString();
    }
}

QString boolText(quint8 value)
{
    return value ? QStringLiteral("是") : QStringLiteral("否");
}

// An RK number: the high 30 bits of a double or a 30-bit integer, perhaps a hundredth of it.
double rkValue(quint32 rk)
{
    const double v = rk & 0x02 ? double(qint32(rk) >> 2) : std::bit_cast<double>(quint64(rk & 0xFFFFFFFCu) << 32);
    return rk & 0x01 ? v / 100 : v;
}

class SheetReader {
public:
    explicit SheetReader(const Globals &g) : m_g(g) {}

    void read(const QByteArray &stream, quint32 offset, SheetCells *out)
    {
        Records records(stream, qsizetype(offset));
        Record r;
        if (!records.next(r))
            bad();
        checkBof(r, false);
        // A chart, macro or module sheet holds no cells the table could take.
        const bool worksheet = r.u16() == kWorksheetKind;
        int depth = 0; // inside the substreams of embedded charts
        for (;;) {
            if (!records.next(r))
                bad();
            if (r.type == kBof) {
                ++depth;
                continue;
            }
            if (r.type == kEof) {
                if (depth-- == 0)
                    break;
                continue;
            }
            if (depth == 0 && worksheet)
                record(r);
        }
        m_sheet.finish(out);
    }

private:
    void record(Record &r)
    {
        if (r.type == kString) {
            // The text result of the formula just before.
            if (m_pendingFormula) {
                m_pendingFormula = false;
                put(m_pendingRow, m_pendingCol, r.text(2));
            }
            return;
        }
        if (r.type == kMergedCells) {
            const quint16 count = r.u16();
            for (quint16 i = 0; i < count; ++i) {
                Merge m{};
                m.top = r.u16();
                m.bottom = r.u16();
                m.left = r.u16();
                m.right = r.u16();
                if (!m_sheet.merge(m))
                    bad();
            }
            return;
        }
        switch (r.type) {
        case kLabelSst:
        case kLabel:
        case kRString:
        case kNumber:
        case kRk:
        case kMulRk:
        case kBoolErr:
        case kFormula:
            break;
        default:
            return;
        }
        m_pendingFormula = false;
        const int row = r.u16(), col = r.u16();
        if (r.type == kMulRk) {
            // Style and RK number for each column from `col` on, then the last column.
            const qint64 count = (r.left() - 2) / 6;
            if (count < 1 || (r.left() - 2) % 6 != 0)
                bad();
            for (qint64 i = 0; i < count; ++i) {
                const quint16 style = r.u16();
                const double value = rkValue(r.u32());
                put(row, col + int(i), numberCellText(value, kindOf(style), m_g.from1904));
            }
            return;
        }
        const quint16 style = r.u16();
        switch (r.type) {
        case kLabelSst:
            put(row, col, m_g.strings.at(r.u32()));
            break;
        case kLabel:
        case kRString:
            put(row, col, r.text(2));
            break;
        case kNumber:
            put(row, col, numberCellText(r.f64(), kindOf(style), m_g.from1904));
            break;
        case kRk:
            put(row, col, numberCellText(rkValue(r.u32()), kindOf(style), m_g.from1904));
            break;
        case kBoolErr: {
            const quint8 value = r.u8();
            put(row, col, r.u8() ? errorText(value) : boolText(value));
            break;
        }
        case kFormula: {
            // The cached result: a number, or a kind in its first byte and 0xFFFF in its last two.
            char result[8];
            for (char &b : result)
                b = char(r.u8());
            if (qFromLittleEndian<quint16>(result + 6) != 0xFFFF) {
                put(row, col,
                    numberCellText(std::bit_cast<double>(qFromLittleEndian<quint64>(result)), kindOf(style),
                                   m_g.from1904));
            } else if (result[0] == 0) {
                m_pendingFormula = true; // a text, in the STRING record that follows
                m_pendingRow = row;
                m_pendingCol = col;
                put(row, col, QString()); // its place, checked now
            } else if (result[0] == 1) {
                put(row, col, boolText(quint8(result[2])));
            } else if (result[0] == 2) {
                put(row, col, errorText(quint8(result[2])));
            } else {
                put(row, col, QString()); // an empty text
            }
            break;
        }
        default:
            break;
        }
    }

    DateKind kindOf(quint16 style) const { return style < m_g.styles.size() ? m_g.styles[style] : DateKind::None; }

    // A cell past the table's rows or columns refuses the file, as in an .xlsx, even an empty one.
    void put(int row, int col, QString text)
    {
        if (!m_sheet.add(row, col, std::move(text)))
            bad();
    }

    const Globals &m_g;
    SheetBuilder m_sheet;
    bool m_pendingFormula = false;
    int m_pendingRow = 0, m_pendingCol = 0;
};

template <typename F> std::optional<WorkbookError> withWorkbook(const QByteArray &file, F &&run)
{
    QByteArray stream;
    switch (compound::readStream(file, u"Workbook", &stream)) {
    case compound::Stream::Damaged:
        return WorkbookError::BadFormat;
    case compound::Stream::Missing:
        return std::nullopt; // an older BIFF keeps its workbook in a stream "Book"
    case compound::Stream::Found:
        break;
    }
    try {
        return run(stream);
    } catch (const Older &) {
        return std::nullopt;
    } catch (const Bad &) {
        return WorkbookError::BadFormat;
    } catch (const std::bad_alloc &) {
        return WorkbookError::BadFormat;
    }
}

} // namespace

std::optional<WorkbookError> biff8SheetNames(const QByteArray &file, QStringList *names)
{
    return withWorkbook(file, [&](const QByteArray &stream) {
        Globals g;
        readGlobals(stream, false, &g);
        names->clear();
        for (const Sheet &s : g.sheets)
            *names << s.name;
        return WorkbookError::None;
    });
}

std::optional<WorkbookError> readBiff8Sheet(const QByteArray &file, int index, SheetCells *out)
{
    return withWorkbook(file, [&](const QByteArray &stream) {
        Globals g;
        readGlobals(stream, true, &g);
        if (index < 0 || size_t(index) >= g.sheets.size())
            return WorkbookError::NoSheet;
        SheetCells cells;
        SheetReader(g).read(stream, g.sheets[size_t(index)].offset, &cells);
        *out = std::move(cells);
        return WorkbookError::None;
    });
}

WorkbookError xlsSheetNames(const QByteArray &file, QStringList *names)
{
    return biff8SheetNames(file, names).value_or(WorkbookError::BadFormat);
}

WorkbookError readXlsSheet(const QByteArray &file, int index, SheetCells *out)
{
    return readBiff8Sheet(file, index, out).value_or(WorkbookError::BadFormat);
}

} // namespace exchange
