// Our own .xlsx reader: the ZIP container through libzip on the file's bytes, each XML member
// read by our XmlScanner as it is inflated. Nothing in the file is trusted: a member
// inflating past 256 MiB, a cell reference past the table's rows or columns, a DTD or an entity
// other than the five predefined ones, a shared string that does not exist, and anything damaged
// or truncated make the file BadFormat.
#include "core/base/archive.h"
#include "core/exchange/sheet_rules.h"
#include "core/exchange/workbook_reader.h"
#include "core/exchange/xml_scanner.h"

#include <QDateTime>
#include <QHash>
#include <algorithm>
#include <zip.h>

namespace exchange {

namespace {

using base::archive::kMaxMemberSize;

// What is read of one text before its escapes are undone: "_xHHHH_" stands for one character, so
// the text kept can still reach kMaxCellText (a character is at most 3 bytes of UTF-8 per UTF-16
// unit).
constexpr qsizetype kMaxRawCellBytes = 3 * 7 * kMaxCellText;
// Cell styles, number formats and relationships of a workbook; a spreadsheet program allows some
// 64,000 styles. More are refused, so a small file cannot ask for memory by the million.
constexpr qsizetype kMaxStyles = 65'536;
// A sheet's name as listed; a spreadsheet program allows 31 characters.
constexpr qsizetype kMaxSheetName = 255;

struct Bad {}; // thrown inside the reader only, caught at its entry points

[[noreturn]] void bad()
{
    throw Bad{};
}

struct ZipArchive {
    zip_t *za = nullptr;
    ~ZipArchive()
    {
        if (za)
            zip_discard(za);
    }
};

// One member, inflated as the scanner asks for it. Reading past kMaxMemberSize or a read error
// (a checksum, a truncated stream) fails the document.
class Member {
public:
    explicit Member(zip_file_t *zf) : m_zf(zf) {}
    ~Member()
    {
        if (m_zf)
            zip_fclose(m_zf);
    }
    Member(const Member &) = delete;
    Member &operator=(const Member &) = delete;
    qint64 read(char *data, qint64 maxSize)
    {
        if (!m_zf)
            return -1;
        const zip_int64_t n = zip_fread(m_zf, data, zip_uint64_t(maxSize));
        if (n < 0 || m_total + n > kMaxMemberSize)
            return -1;
        m_total += n;
        return n;
    }
    // The whole stream was read and its checksum held.
    bool finish()
    {
        char rest[4096];
        for (;;) {
            const qint64 n = read(rest, sizeof rest);
            if (n < 0)
                return false;
            if (n == 0)
                break;
        }
        const int closed = zip_fclose(m_zf);
        m_zf = nullptr;
        return closed == 0;
    }

private:
    zip_file_t *m_zf;
    qint64 m_total = 0;
};

// The index of the member named exactly `name`; -1 when there is none, Bad when two share it.
zip_int64_t memberIndex(zip_t *za, const QString &name)
{
    const QByteArray wanted = name.toUtf8();
    const zip_int64_t index = zip_name_locate(za, wanted.constData(), 0);
    if (index < 0)
        return -1;
    const zip_int64_t entries = zip_get_num_entries(za, 0);
    for (zip_int64_t i = index + 1; i < entries; ++i) {
        const char *other = zip_get_name(za, zip_uint64_t(i), 0);
        if (other && wanted == other)
            bad();
    }
    return index;
}

std::unique_ptr<Member> openMember(zip_t *za, zip_int64_t index)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, zip_uint64_t(index), 0, &st) != 0)
        bad();
    if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(kMaxMemberSize))
        bad();
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        bad();
    zip_file_t *zf = zip_fopen_index(za, zip_uint64_t(index), 0);
    if (!zf)
        bad();
    return std::make_unique<Member>(zf);
}

// One member's XML, by elements.
class Xml {
public:
    Xml(zip_t *za, zip_int64_t index)
        : m_member(openMember(za, index)),
          m_scanner([member = m_member.get()](char *into, qint64 size) { return member->read(into, size); })
    {
    }
    // The next start element (true), or the end of `depth`'s element or of the document (false).
    bool nextStart(int untilDepth)
    {
        for (;;) {
            const XmlScanner::Token t = next(false);
            if (t == XmlScanner::Token::Start) {
                ++m_depth;
                return true;
            }
            if (t == XmlScanner::Token::End) {
                if (--m_depth < untilDepth)
                    return false;
            } else if (t == XmlScanner::Token::EndOfDocument) {
                return false;
            }
        }
    }
    int depth() const { return m_depth; }
    // Whether the element just opened has this name (without its prefix).
    bool named(QByteArrayView name) const { return m_scanner.name() == name; }
    // An attribute of the element just opened, until the next element.
    QByteArrayView attribute(QByteArrayView name)
    {
        QByteArrayView value;
        m_scanner.attribute(name, &value);
        return value;
    }
    QString attributeText(QByteArrayView name) { return QString::fromUtf8(attribute(name)); }
    // The relationship id of a sheet or part reference ("r:id" in any namespace).
    QString relationshipId()
    {
        QByteArrayView value;
        m_scanner.attribute("id", &value, true);
        return QString::fromUtf8(value);
    }
    // The text of the current element as UTF-8: all of it for a value, only that of its <t>
    // elements for a string (rich-text runs joined; phonetic runs and the layout between elements
    // left out), cut at `limit` bytes; afterwards the element is closed.
    void appendText(QByteArray &into, bool onlyRuns, qsizetype limit = kMaxRawCellBytes)
    {
        const int depth = m_depth;
        // Per open child: whether its characters count (kept between calls for its memory).
        std::vector<bool> &counts = m_counts;
        counts.assign(1, !onlyRuns);
        for (;;) {
            const XmlScanner::Token t = next(counts.back() && into.size() < limit);
            if (t == XmlScanner::Token::Start) {
                ++m_depth;
                const bool phonetic = named("rPh") || named("phoneticPr");
                counts.push_back(!phonetic && (!onlyRuns || named("t")));
                if (phonetic)
                    skipInside(counts);
            } else if (t == XmlScanner::Token::End) {
                counts.pop_back();
                if (--m_depth < depth)
                    return;
            } else if (t == XmlScanner::Token::Text && counts.back() && into.size() < limit) {
                const QByteArrayView text = m_scanner.text();
                into += text.first(std::min(text.size(), limit - into.size()));
            } else if (t == XmlScanner::Token::EndOfDocument) {
                bad();
            }
        }
    }
    // Closes the element just opened, whatever it holds.
    void skipInside(std::vector<bool> &counts)
    {
        skip();
        counts.pop_back();
    }
    void skip()
    {
        const int depth = m_depth;
        while (nextStart(depth)) {
        }
    }
    // Every byte was read, nothing was wrong.
    void finish()
    {
        while (!m_ended)
            next(false);
        if (!m_member->finish())
            bad();
    }

private:
    XmlScanner::Token next(bool wantText = true)
    {
        const XmlScanner::Token t = m_scanner.next(wantText);
        m_ended = t == XmlScanner::Token::EndOfDocument;
        return t;
    }

    std::unique_ptr<Member> m_member;
    XmlScanner m_scanner;
    std::vector<bool> m_counts;
    int m_depth = 0;
    bool m_ended = false;
};

// "_xHHHH_" stands for the character HHHH (how spreadsheets keep control characters in XML).
QString unescaped(QString text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'_' && i + 6 < text.size() && text.at(i + 1) == u'x' && text.at(i + 6) == u'_') {
            // Exactly four hex digits: "_x+041_" or "_x 41 _" are a text of their own.
            uint code = 0;
            bool ok = true;
            for (qsizetype k = i + 2; k < i + 6 && ok; ++k) {
                const int d = QChar(text.at(k)).isDigit() && text.at(k).unicode() < 128 ? text.at(k).unicode() - u'0'
                              : text.at(k) >= u'a' && text.at(k) <= u'f' ? text.at(k).unicode() - u'a' + 10
                              : text.at(k) >= u'A' && text.at(k) <= u'F' ? text.at(k).unicode() - u'A' + 10
                                                                         : -1;
                ok = d >= 0;
                code = code * 16 + uint(d);
            }
            if (ok) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

// A part's path in the archive from a relationship's target, relative to the folder of the part
// that names it.
QString partPath(const QString &folder, QStringView target)
{
    QStringList parts;
    QString t = target.toString();
    if (!t.startsWith(u'/'))
        t = folder + t;
    for (const QString &p : t.split(u'/', Qt::SkipEmptyParts)) {
        if (p == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (p != u".") {
            parts << p;
        }
    }
    return parts.join(u'/');
}

struct Relationship {
    QString type; // the last part of the type's URI ("worksheet", "sharedStrings" …)
    QString path;
};

// The relationships of a part (its "_rels/NAME.rels"), by id; none when the file has none.
QHash<QString, Relationship> relationships(zip_t *za, const QString &partFolder, const QString &relsPath)
{
    QHash<QString, Relationship> rels;
    const zip_int64_t index = memberIndex(za, relsPath);
    if (index < 0)
        return rels;
    Xml xml(za, index);
    while (xml.nextStart(0)) {
        if (!xml.named("Relationship"))
            continue;
        const QString type = xml.attributeText("Type");
        if (xml.attribute("TargetMode") == QByteArrayView("External"))
            continue;
        if (rels.size() >= kMaxStyles)
            bad();
        rels.insert(xml.attributeText("Id"),
                    {type.sliced(type.lastIndexOf(u'/') + 1), partPath(partFolder, xml.attributeText("Target"))});
    }
    xml.finish();
    return rels;
}

QString folderOf(const QString &path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString relsPathOf(const QString &part)
{
    return folderOf(part) + QStringLiteral("_rels/") + part.mid(part.lastIndexOf(u'/') + 1) + QStringLiteral(".rels");
}

struct Sheet {
    QString name;
    QString path;
};

struct Workbook {
    QString path = QStringLiteral("xl/workbook.xml");
    bool from1904 = false;
    std::vector<Sheet> sheets;
    QString sharedStrings;
    QString styles;
};

Workbook readWorkbook(zip_t *za)
{
    Workbook wb;
    for (const Relationship &r : relationships(za, QString(), QStringLiteral("_rels/.rels")))
        if (r.type == u"officeDocument")
            wb.path = r.path;
    const zip_int64_t index = memberIndex(za, wb.path);
    if (index < 0)
        bad();
    const QHash<QString, Relationship> rels = relationships(za, folderOf(wb.path), relsPathOf(wb.path));
    Xml xml(za, index);
    while (xml.nextStart(0)) {
        if (xml.named("workbookPr")) {
            const QByteArrayView v = xml.attribute("date1904");
            wb.from1904 = v == QByteArrayView("1") || v == QByteArrayView("true");
        } else if (xml.named("sheet")) {
            const auto r = rels.constFind(xml.relationshipId());
            QString name = xml.attributeText("name");
            if (name.size() > kMaxSheetName)
                name.truncate(name.at(kMaxSheetName - 1).isHighSurrogate() ? kMaxSheetName - 1 : kMaxSheetName);
            wb.sheets.push_back({name, r == rels.cend() ? QString() : r->path});
            if (wb.sheets.size() > size_t(kMaxSheetIndex))
                bad();
        }
    }
    xml.finish();
    for (const Relationship &r : rels) {
        if (r.type == u"sharedStrings")
            wb.sharedStrings = r.path;
        else if (r.type == u"styles")
            wb.styles = r.path;
    }
    return wb;
}

// The shared strings as UTF-8 in one buffer, so a table of millions of tiny strings costs little
// more than its text; no more of them, and no more text, than a sheet may hold. A string is made
// into a QString once, the first time a cell names it, and every cell naming it shares that one.
class SharedStrings {
public:
    void read(zip_t *za, const QString &path)
    {
        const zip_int64_t index = path.isEmpty() ? -1 : memberIndex(za, path);
        if (index < 0)
            return;
        Xml xml(za, index);
        QByteArray text;
        while (xml.nextStart(0)) {
            if (!xml.named("si"))
                continue;
            text.truncate(0);
            xml.appendText(text, true);
            QString kept = unescaped(QString::fromUtf8(text));
            cutToCellText(kept);
            const QByteArray utf8 = kept.toUtf8();
            if (m_starts.size() >= kMaxCells || m_bytes.size() + utf8.size() > kMaxSheetText)
                bad();
            m_starts.push_back(qint32(m_bytes.size()));
            m_bytes += utf8;
        }
        xml.finish();
        m_starts.push_back(qint32(m_bytes.size()));
    }
    QString at(qsizetype i) const
    {
        if (i < 0 || size_t(i) + 1 >= m_starts.size())
            bad();
        auto made = m_made.constFind(i);
        if (made == m_made.cend())
            made = m_made.insert(i, QString::fromUtf8(QByteArrayView(m_bytes).sliced(
                                        m_starts[size_t(i)], m_starts[size_t(i) + 1] - m_starts[size_t(i)])));
        return *made;
    }

private:
    QByteArray m_bytes;
    std::vector<qint32> m_starts; // m_bytes holds at most kMaxSheetText
    mutable QHash<qsizetype, QString> m_made;
};

// The date kind of every cell style (the "s" of a cell), from the styles part.
std::vector<DateKind> cellStyleKinds(zip_t *za, const QString &path)
{
    std::vector<DateKind> kinds;
    const zip_int64_t index = path.isEmpty() ? -1 : memberIndex(za, path);
    if (index < 0)
        return kinds;
    QHash<int, DateKind> custom;
    std::vector<int> formatIds;
    Xml xml(za, index);
    while (xml.nextStart(0)) {
        // Only the workbook's own formats: a conditional format's (in dxfs) may reuse an id.
        if (xml.named("numFmts")) {
            const int depth = xml.depth();
            while (xml.nextStart(depth))
                if (xml.named("numFmt")) {
                    if (custom.size() >= kMaxStyles)
                        bad();
                    custom.insert(xml.attribute("numFmtId").toInt(), customFormatKind(xml.attributeText("formatCode")));
                }
        } else if (xml.named("cellXfs")) {
            const int depth = xml.depth();
            while (xml.nextStart(depth))
                if (xml.named("xf") && xml.depth() == depth + 1) {
                    if (qsizetype(formatIds.size()) >= kMaxStyles)
                        bad();
                    formatIds.push_back(xml.attribute("numFmtId").toInt());
                }
        }
    }
    xml.finish();
    kinds.reserve(formatIds.size());
    for (int id : formatIds)
        kinds.push_back(custom.contains(id) ? custom.value(id) : builtInFormatKind(id));
    return kinds;
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "B3" as 0-based row and column; Bad past the table's limits or when malformed.
void parseReference(QByteArrayView ref, int *row, int *col)
{
    qsizetype i = 0;
    qint64 c = 0, r = 0;
    for (; i < ref.size(); ++i) {
        const char l = ref[i];
        const int letter = l >= 'A' && l <= 'Z' ? l - 'A' : l >= 'a' && l <= 'z' ? l - 'a' : -1;
        if (letter < 0)
            break;
        c = c * 26 + letter + 1;
        if (c > kMaxSheetIndex)
            bad();
    }
    if (i == 0 || i == ref.size())
        bad();
    for (; i < ref.size(); ++i) {
        if (!isAsciiDigit(ref[i]))
            bad();
        r = r * 10 + (ref[i] - '0');
        if (r > kMaxSheetIndex)
            bad();
    }
    if (r < 1)
        bad();
    *row = int(r - 1);
    *col = int(c - 1);
}

// The rows a spreadsheet has; a row number past them is malformed.
constexpr int kMaxSheetRow = 1'048'576;

// A row number attribute, 0-based; Bad when malformed.
int parseRowNumber(QByteArrayView text)
{
    bool ok = false;
    const qint64 r = text.toLongLong(&ok);
    if (!ok || r < 1 || r > kMaxSheetRow)
        bad();
    return int(r - 1);
}

QString isoDateText(const QString &v)
{
    const QDateTime dt = QDateTime::fromString(v, Qt::ISODateWithMs);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(v, Qt::ISODate);
        return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : v;
    }
    return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("yyyy-MM-dd"))
                                    : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// A number cell's text from its value's bytes: the bytes themselves when they are already the
// number's shortest form, as most scores are.
QString numberValueText(const QByteArray &value, DateKind kind, bool from1904)
{
    if (kind == DateKind::None && isShortestNumberText(QByteArrayView(value)))
        return QString::fromLatin1(value);
    bool ok = false;
    const double number = QByteArrayView(value).trimmed().toDouble(&ok);
    return ok ? numberCellText(number, kind, from1904) : QString::fromUtf8(value);
}

void readSheet(zip_t *za, const QString &path, const SharedStrings &strings, const std::vector<DateKind> &styles,
               bool from1904, SheetCells *out)
{
    const zip_int64_t index = path.isEmpty() ? -1 : memberIndex(za, path);
    if (index < 0)
        bad();
    Xml xml(za, index);
    SheetBuilder sheet;
    int row = -1, col = -1;
    enum class Type { Number, Shared, Inline, String, Boolean, Date };
    QByteArray value, inlineText;
    while (xml.nextStart(0)) {
        if (xml.named("row")) {
            const QByteArrayView r = xml.attribute("r");
            // An empty row past the table's rows (a height or style kept for it) is passed over;
            // a cell in it refuses the file.
            row = r.isEmpty() ? std::min(row + 1, kMaxSheetRow) : parseRowNumber(r);
            col = -1;
            continue;
        }
        if (xml.named("mergeCell")) {
            const QByteArrayView ref = xml.attribute("ref");
            const qsizetype colon = ref.indexOf(':');
            Merge m{};
            parseReference(colon < 0 ? ref : ref.first(colon), &m.top, &m.left);
            parseReference(colon < 0 ? ref : ref.sliced(colon + 1), &m.bottom, &m.right);
            if (!sheet.merge(m))
                bad();
            continue;
        }
        if (!xml.named("c"))
            continue;
        const QByteArrayView ref = xml.attribute("r");
        if (ref.isEmpty()) {
            if (row < 0)
                row = 0;
            if (++col > kMaxSheetIndex - 1 || row > kMaxSheetIndex - 1)
                bad();
        } else {
            parseReference(ref, &row, &col);
        }
        // The attributes last only until the cell's first child is read.
        const QByteArrayView t = xml.attribute("t");
        const Type type = t == QByteArrayView("s")                                 ? Type::Shared
                          : t == QByteArrayView("inlineStr")                       ? Type::Inline
                          : t == QByteArrayView("str") || t == QByteArrayView("e") ? Type::String
                          : t == QByteArrayView("b")                               ? Type::Boolean
                          : t == QByteArrayView("d")                               ? Type::Date
                                                                                   : Type::Number;
        const QByteArrayView styleText = xml.attribute("s");
        const qsizetype style = styleText.isEmpty() ? 0 : styleText.toLongLong();
        // Emptied, not freed: most cells fit in what the last one needed.
        value.truncate(0);
        inlineText.truncate(0);
        bool hasInline = false;
        const int depth = xml.depth();
        while (xml.nextStart(depth)) {
            if (xml.named("v")) {
                value.truncate(0);
                xml.appendText(value, false);
            } else if (xml.named("is")) {
                hasInline = true;
                xml.appendText(inlineText, true);
            } else {
                xml.skip();
            }
        }
        QString text;
        const QByteArrayView trimmed = QByteArrayView(value).trimmed();
        if (value.isEmpty() && !hasInline) {
            // no value: an empty (perhaps only formatted) cell
        } else if (type == Type::Shared) {
            bool ok = false;
            const qsizetype i = trimmed.toLongLong(&ok);
            if (!ok)
                bad();
            text = strings.at(i);
        } else if (type == Type::Inline) {
            text = unescaped(QString::fromUtf8(hasInline ? inlineText : value));
        } else if (type == Type::String) {
            text = unescaped(QString::fromUtf8(value));
        } else if (type == Type::Boolean) {
            text = trimmed == QByteArrayView("0") ? QStringLiteral("否")
                   : value.isEmpty()              ? QString()
                                                  : QStringLiteral("是");
        } else if (type == Type::Date) {
            text = isoDateText(QString::fromUtf8(trimmed));
        } else if (!value.isEmpty()) {
            const DateKind kind = style >= 0 && size_t(style) < styles.size() ? styles[size_t(style)] : DateKind::None;
            text = numberValueText(value, kind, from1904);
        }
        if (!sheet.add(row, col, std::move(text)))
            bad();
    }
    xml.finish();
    sheet.finish(out);
}

template <typename F> WorkbookError withArchive(const QByteArray &file, F &&run)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(file.constData(), zip_uint64_t(file.size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return WorkbookError::BadFormat;
    }
    ZipArchive archive;
    archive.za = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    zip_error_fini(&error);
    if (!archive.za) {
        zip_source_free(source);
        return WorkbookError::BadFormat;
    }
    try {
        return run(archive.za);
    } catch (const Bad &) {
        return WorkbookError::BadFormat;
    } catch (const XmlMalformed &) {
        return WorkbookError::BadFormat;
    } catch (const std::bad_alloc &) {
        return WorkbookError::BadFormat;
    }
}

} // namespace

WorkbookError xlsxSheetNames(const QByteArray &file, QStringList *names)
{
    return withArchive(file, [&](zip_t *za) {
        const Workbook wb = readWorkbook(za);
        names->clear();
        for (const Sheet &s : wb.sheets)
            *names << s.name;
        return WorkbookError::None;
    });
}

WorkbookError readXlsxSheet(const QByteArray &file, int index, SheetCells *out)
{
    return withArchive(file, [&](zip_t *za) {
        const Workbook wb = readWorkbook(za);
        if (index < 0 || size_t(index) >= wb.sheets.size())
            return WorkbookError::NoSheet;
        SharedStrings strings;
        strings.read(za, wb.sharedStrings);
        const std::vector<DateKind> styles = cellStyleKinds(za, wb.styles);
        SheetCells cells;
        readSheet(za, wb.sheets[size_t(index)].path, strings, styles, wb.from1904, &cells);
        *out = std::move(cells);
        return WorkbookError::None;
    });
}

} // namespace exchange
