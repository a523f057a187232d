// Our own .xlsx reader: the ZIP container through libzip on the file's bytes, each XML member
// streamed through QXmlStreamReader as it is inflated. Nothing in the file is trusted: a member
// inflating past 256 MiB, a cell reference past the table's rows or columns, a DTD or an entity
// other than the five predefined ones, a shared string that does not exist, and anything damaged
// or truncated make the file BadFormat.
#include "core/base/archive.h"
#include "core/exchange/sheet_rules.h"
#include "core/exchange/workbook_reader.h"

#include <QDateTime>
#include <QHash>
#include <QIODevice>
#include <QXmlStreamReader>
#include <algorithm>
#include <zip.h>

namespace exchange {

namespace {

using base::archive::kMaxMemberSize;

// What is read of one text before its escapes are undone: "_xHHHH_" stands for one character, so
// the text kept can still reach kMaxCellText.
constexpr qsizetype kMaxRawCellText = 7 * kMaxCellText;

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

// One member as a device, inflated as the XML reader asks for it. Reading past kMaxMemberSize, a
// run of 4 MiB without markup, or a read error (a checksum, a truncated stream) fails the device,
// and so the document.
class MemberDevice : public QIODevice {
public:
    explicit MemberDevice(zip_file_t *zf) : m_zf(zf) { open(QIODevice::ReadOnly); }
    ~MemberDevice() override
    {
        if (m_zf)
            zip_fclose(m_zf);
    }
    bool isSequential() const override { return true; }
    bool failed() const { return m_failed; }
    // The whole stream was read and its checksum held.
    bool finish()
    {
        if (m_failed)
            return false;
        char rest[4096];
        for (;;) {
            const qint64 n = readData(rest, sizeof rest);
            if (n < 0)
                return false;
            if (n == 0)
                break;
        }
        const int closed = zip_fclose(m_zf);
        m_zf = nullptr;
        return closed == 0;
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_failed || !m_zf)
            return -1;
        const zip_int64_t n = zip_fread(m_zf, data, zip_uint64_t(maxSize));
        if (n < 0 || m_total + n > kMaxMemberSize) {
            m_failed = true;
            return -1;
        }
        m_total += n;
        // The XML reader holds a run of text whole until the next markup, so a member of nothing
        // but spaces would cost twice its size; no spreadsheet text or tag comes near this.
        for (zip_int64_t i = 0; i < n; ++i) {
            if (data[i] == '<') {
                m_run = 0;
            } else if (++m_run > kMaxRun) {
                m_failed = true;
                return -1;
            }
        }
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    static constexpr qint64 kMaxRun = 4 * 1024 * 1024;
    zip_file_t *m_zf;
    qint64 m_total = 0;
    qint64 m_run = 0; // bytes since the last "<"
    bool m_failed = false;
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

std::unique_ptr<MemberDevice> openMember(zip_t *za, zip_int64_t index)
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
    return std::make_unique<MemberDevice>(zf);
}

// The XML reader over one member, refusing what a spreadsheet member never holds.
class Xml {
public:
    Xml(zip_t *za, zip_int64_t index) : m_device(openMember(za, index)), m_reader(m_device.get())
    {
        m_reader.setNamespaceProcessing(true);
    }
    // The next start element (true), or the end of `depth`'s element or of the document (false).
    bool nextStart(int untilDepth)
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::StartElement) {
                ++m_depth;
                return true;
            }
            if (t == QXmlStreamReader::EndElement) {
                if (--m_depth < untilDepth)
                    return false;
            } else if (t == QXmlStreamReader::EndDocument) {
                return false;
            }
        }
    }
    int depth() const { return m_depth; }
    QStringView name() const { return m_reader.name(); }
    QStringView attribute(QLatin1StringView name) const { return m_reader.attributes().value(name); }
    // The relationship id of a sheet or part reference ("r:id" in any namespace).
    QStringView relationshipId() const
    {
        for (const QXmlStreamAttribute &a : m_reader.attributes())
            if (a.name() == u"id" && !a.namespaceUri().isEmpty())
                return a.value();
        return {};
    }
    // The text of the current element: all of it for a value, only that of its <t> elements for
    // a string (rich-text runs joined; phonetic runs and the layout between elements left out),
    // cut at `limit` characters; afterwards the element is closed.
    void appendText(QString &into, bool onlyRuns, qsizetype limit = kMaxRawCellText)
    {
        const int depth = m_depth;
        // Per open child: whether its characters count.
        std::vector<bool> counts{!onlyRuns};
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::StartElement) {
                ++m_depth;
                const QStringView n = m_reader.name();
                const bool phonetic = n == u"rPh" || n == u"phoneticPr";
                counts.push_back(!phonetic && (!onlyRuns || n == u"t"));
                if (phonetic)
                    skipInside(counts);
            } else if (t == QXmlStreamReader::EndElement) {
                counts.pop_back();
                if (--m_depth < depth)
                    return;
            } else if (t == QXmlStreamReader::Characters && counts.back() && into.size() < limit) {
                into += m_reader.text().left(limit - into.size());
            } else if (t == QXmlStreamReader::EndDocument) {
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
            next();
        if (!m_device->finish())
            bad();
    }

private:
    QXmlStreamReader::TokenType next()
    {
        const QXmlStreamReader::TokenType t = m_reader.readNext();
        if (m_reader.hasError() || m_device->failed() || t == QXmlStreamReader::DTD ||
            t == QXmlStreamReader::EntityReference || t == QXmlStreamReader::Invalid)
            bad();
        m_ended = t == QXmlStreamReader::EndDocument;
        return t;
    }

    std::unique_ptr<MemberDevice> m_device;
    QXmlStreamReader m_reader;
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
            bool ok = false;
            const uint code = QStringView(text).sliced(i + 2, 4).toUInt(&ok, 16);
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
        if (xml.name() != u"Relationship")
            continue;
        const QStringView type = xml.attribute(QLatin1StringView("Type"));
        if (xml.attribute(QLatin1StringView("TargetMode")) == u"External")
            continue;
        rels.insert(xml.attribute(QLatin1StringView("Id")).toString(),
                    {type.sliced(type.lastIndexOf(u'/') + 1).toString(),
                     partPath(partFolder, xml.attribute(QLatin1StringView("Target")))});
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
        if (xml.name() == u"workbookPr") {
            const QStringView v = xml.attribute(QLatin1StringView("date1904"));
            wb.from1904 = v == u"1" || v == u"true";
        } else if (xml.name() == u"sheet") {
            const auto r = rels.constFind(xml.relationshipId().toString());
            wb.sheets.push_back(
                {xml.attribute(QLatin1StringView("name")).toString(), r == rels.cend() ? QString() : r->path});
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
// more than its text.
class SharedStrings {
public:
    void read(zip_t *za, const QString &path)
    {
        const zip_int64_t index = path.isEmpty() ? -1 : memberIndex(za, path);
        if (index < 0)
            return;
        Xml xml(za, index);
        QString text;
        while (xml.nextStart(0)) {
            if (xml.name() != u"si")
                continue;
            text.clear();
            xml.appendText(text, true);
            QString kept = unescaped(text);
            cutToCellText(kept);
            const QByteArray utf8 = kept.toUtf8();
            m_starts.push_back(m_bytes.size());
            m_bytes += utf8;
        }
        xml.finish();
        m_starts.push_back(m_bytes.size());
    }
    QString at(qsizetype i) const
    {
        if (i < 0 || size_t(i) + 1 >= m_starts.size())
            bad();
        return QString::fromUtf8(QByteArrayView(m_bytes).sliced(m_starts[i], m_starts[i + 1] - m_starts[i]));
    }

private:
    QByteArray m_bytes;
    std::vector<qsizetype> m_starts;
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
        if (xml.name() == u"numFmts") {
            const int depth = xml.depth();
            while (xml.nextStart(depth))
                if (xml.name() == u"numFmt")
                    custom.insert(xml.attribute(QLatin1StringView("numFmtId")).toInt(),
                                  customFormatKind(xml.attribute(QLatin1StringView("formatCode"))));
        } else if (xml.name() == u"cellXfs") {
            const int depth = xml.depth();
            while (xml.nextStart(depth))
                if (xml.name() == u"xf" && xml.depth() == depth + 1)
                    formatIds.push_back(xml.attribute(QLatin1StringView("numFmtId")).toInt());
        }
    }
    xml.finish();
    kinds.reserve(formatIds.size());
    for (int id : formatIds)
        kinds.push_back(custom.contains(id) ? custom.value(id) : builtInFormatKind(id));
    return kinds;
}

// "B3" as 0-based row and column; Bad past the table's limits or when malformed.
void parseReference(QStringView ref, int *row, int *col)
{
    qsizetype i = 0;
    qint64 c = 0, r = 0;
    while (i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128) {
        c = c * 26 + (ref[i].toUpper().unicode() - u'A' + 1);
        if (c > kMaxSheetIndex)
            bad();
        ++i;
    }
    if (i == 0 || i == ref.size())
        bad();
    for (; i < ref.size(); ++i) {
        if (!ref[i].isDigit() || ref[i].unicode() >= 128)
            bad();
        r = r * 10 + (ref[i].unicode() - u'0');
        if (r > kMaxSheetIndex)
            bad();
    }
    if (r < 1)
        bad();
    *row = int(r - 1);
    *col = int(c - 1);
}

// A row number attribute; Bad past the limits.
int parseRowNumber(QStringView text)
{
    bool ok = false;
    const qint64 r = text.toLongLong(&ok);
    if (!ok || r < 1 || r > kMaxSheetIndex)
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

void readSheet(zip_t *za, const QString &path, const SharedStrings &strings, const std::vector<DateKind> &styles,
               bool from1904, SheetCells *out)
{
    const zip_int64_t index = path.isEmpty() ? -1 : memberIndex(za, path);
    if (index < 0)
        bad();
    Xml xml(za, index);
    std::vector<SheetCell> cells;
    std::vector<Merge> merges;
    qint64 sheetText = 0;
    int row = -1, col = -1;
    while (xml.nextStart(0)) {
        if (xml.name() == u"row") {
            const QStringView r = xml.attribute(QLatin1StringView("r"));
            row = r.isEmpty() ? row + 1 : parseRowNumber(r);
            if (row > kMaxSheetIndex - 1)
                bad();
            col = -1;
            continue;
        }
        if (xml.name() == u"mergeCell") {
            const QStringView ref = xml.attribute(QLatin1StringView("ref"));
            const qsizetype colon = ref.indexOf(u':');
            Merge m{};
            parseReference(colon < 0 ? ref : ref.left(colon), &m.top, &m.left);
            parseReference(colon < 0 ? ref : ref.sliced(colon + 1), &m.bottom, &m.right);
            if (m.bottom < m.top)
                std::swap(m.bottom, m.top);
            if (m.right < m.left)
                std::swap(m.right, m.left);
            if (merges.size() >= kMaxMerges)
                bad();
            merges.push_back(m);
            continue;
        }
        if (xml.name() != u"c")
            continue;
        const QStringView ref = xml.attribute(QLatin1StringView("r"));
        if (ref.isEmpty()) {
            if (row < 0)
                row = 0;
            if (++col > kMaxSheetIndex - 1)
                bad();
        } else {
            parseReference(ref, &row, &col);
        }
        const QString type = xml.attribute(QLatin1StringView("t")).toString();
        const QStringView styleText = xml.attribute(QLatin1StringView("s"));
        const qsizetype style = styleText.isEmpty() ? 0 : styleText.toLongLong();
        QString value, inlineText;
        bool hasInline = false;
        const int depth = xml.depth();
        while (xml.nextStart(depth)) {
            if (xml.name() == u"v") {
                value.clear();
                xml.appendText(value, false);
            } else if (xml.name() == u"is") {
                hasInline = true;
                xml.appendText(inlineText, true);
            } else {
                xml.skip();
            }
        }
        QString text;
        if (value.isEmpty() && !hasInline) {
            // no value: an empty (perhaps only formatted) cell
        } else if (type == u"s") {
            bool ok = false;
            const qsizetype i = value.trimmed().toLongLong(&ok);
            if (!ok)
                bad();
            text = strings.at(i);
        } else if (type == u"inlineStr") {
            text = unescaped(hasInline ? inlineText : value);
        } else if (type == u"str" || type == u"e") {
            text = unescaped(value);
        } else if (type == u"b") {
            text = value.trimmed() == u"0" ? QStringLiteral("否") : value.isEmpty() ? QString() : QStringLiteral("是");
        } else if (type == u"d") {
            text = isoDateText(value.trimmed());
        } else if (!value.isEmpty()) {
            bool ok = false;
            const double number = value.trimmed().toDouble(&ok);
            const DateKind kind = style >= 0 && size_t(style) < styles.size() ? styles[size_t(style)] : DateKind::None;
            text = ok ? numberCellText(number, kind, from1904) : value;
        }
        if (text.isEmpty())
            continue;
        cutToCellText(text);
        sheetText += text.size();
        if (cells.size() >= kMaxCells || sheetText > kMaxSheetText)
            bad();
        cells.push_back({row, col, std::move(text)});
    }
    xml.finish();
    finishSheet(std::move(cells), std::move(merges), out);
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
