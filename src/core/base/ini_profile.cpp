#include "core/base/ini_profile.h"

#include "core/base/text_codec.h"

#include <QFileInfo>
#include <QList>

namespace base::ini {

namespace {

// Values longer than this are cut: the profile functions fill a buffer of 255 with its NUL.
constexpr qsizetype kMaxValueLength = 254;

// Only ASCII white space counts, as for the byte-oriented profile functions of a GBK system; a
// full-width space in a class name is part of the name.
bool isAsciiSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\v' || u == u'\f';
}

QStringView trimmed(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isAsciiSpace(s[b]))
        ++b;
    while (e > b && isAsciiSpace(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool sameName(QStringView a, QStringView b)
{
    return trimmed(a).compare(trimmed(b), Qt::CaseInsensitive) == 0;
}

struct Line {
    enum Kind { Blank, Comment, Section, Key } kind = Blank;
    QString name;  // section or key name, trimmed
    QString value; // key value, trimmed, quotes still on
};

Line parse(QStringView content)
{
    Line line;
    const QStringView t = trimmed(content);
    if (t.isEmpty())
        return line;
    if (t.front() == u';') {
        line.kind = Line::Comment;
        return line;
    }
    if (t.front() == u'[') {
        line.kind = Line::Section;
        // The last "]" closes the name, so a user named "a]b" still finds "[a]b]".
        const qsizetype close = t.lastIndexOf(u']');
        line.name = trimmed(close > 0 ? t.mid(1, close - 1) : t.mid(1)).toString();
        return line;
    }
    line.kind = Line::Key;
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0) {
        line.name = t.toString();
    } else {
        line.name = trimmed(t.left(eq)).toString();
        line.value = trimmed(t.mid(eq + 1)).toString();
    }
    return line;
}

// Where a line sits in its buffer: content [start, end), terminator up to next.
struct Span {
    qsizetype start;
    qsizetype end;
    qsizetype next;
};

qsizetype newlineAt(const QByteArray &b, qsizetype from)
{
    return b.indexOf('\n', from);
}
qsizetype newlineAt(const QString &s, qsizetype from)
{
    return s.indexOf(QLatin1Char('\n'), from);
}
bool isCr(const QByteArray &b, qsizetype i)
{
    return b.at(i) == '\r';
}
bool isCr(const QString &s, qsizetype i)
{
    return s.at(i) == QLatin1Char('\r');
}
void appendText(QByteArray *b, const QString &text)
{
    b->append(codec::encode(text));
}

template <typename Buffer> QList<Span> spansOf(const Buffer &buf)
{
    QList<Span> spans;
    qsizetype start = 0;
    while (start < buf.size()) {
        const qsizetype nl = newlineAt(buf, start);
        if (nl < 0) {
            spans.append({start, buf.size(), buf.size()});
            break;
        }
        const qsizetype end = nl > start && isCr(buf, nl - 1) ? nl - 1 : nl;
        spans.append({start, end, nl + 1});
        start = nl + 1;
    }
    return spans;
}

QList<Line> parseAll(const QString &text)
{
    QList<Line> lines;
    for (const Span &sp : spansOf(text))
        lines.append(parse(QStringView(text).mid(sp.start, sp.end - sp.start)));
    return lines;
}

// Only the first section of a name is searched, and in it only the first key of a name.
struct Found {
    qsizetype section = -1;   // header line of the first matching section
    qsizetype key = -1;       // line of the first matching key in it
    qsizetype lastEntry = -1; // last key line of that section, or its header
};

Found find(const QList<Line> &lines, QStringView section, QStringView key)
{
    Found f;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line &l = lines[i];
        if (f.section < 0) {
            if (l.kind == Line::Section && sameName(l.name, section))
                f.section = f.lastEntry = i;
            continue;
        }
        if (l.kind == Line::Section)
            break;
        if (l.kind == Line::Key) {
            f.lastEntry = i;
            if (f.key < 0 && sameName(l.name, key))
                f.key = i;
        }
    }
    return f;
}

QString finish(const QString &raw)
{
    QString v = raw;
    if (v.size() >= 2 && v.front() == QLatin1Char('"') && v.back() == QLatin1Char('"'))
        v = v.mid(1, v.size() - 2);
    if (v.size() > kMaxValueLength) {
        qsizetype n = kMaxValueLength;
        // Never hand back half of a character outside the BMP.
        if (v.at(n - 1).isHighSurrogate())
            --n;
        v.truncate(n);
    }
    return v;
}

QString readFrom(const QString &text, const QString &section, const QString &key, const QString &defaultValue)
{
    if (trimmed(key).isEmpty())
        return defaultValue;
    const QList<Line> lines = parseAll(text);
    const Found f = find(lines, section, key);
    if (f.key < 0)
        return defaultValue;
    return finish(lines[f.key].value);
}

// A name or value that would break the line structure of the file cannot be written.
bool writable(const QString &section, const QString &key, const QString &value)
{
    const auto breaksLine = [](const QString &s) {
        return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
    };
    const QStringView k = trimmed(key);
    if (trimmed(section).isEmpty() || k.isEmpty())
        return false;
    if (breaksLine(section) || breaksLine(key) || breaksLine(value))
        return false;
    return !k.contains(u'=') && k.front() != u'[' && k.front() != u';';
}

// `lines` are the parsed lines of `buf`, one for each of its spans.
template <typename Buffer>
Buffer writeInto(const Buffer &buf, const QList<Span> &spans, const QList<Line> &lines, const QString &section,
                 const QString &key, const QString &value)
{
    const Found f = find(lines, section, key);
    Buffer out;
    out.reserve(buf.size() + key.size() + value.size() + section.size() + 8);
    const QString crlf = QStringLiteral("\r\n");
    if (f.key >= 0) {
        // Replace only this line's content; its own line end and every other byte stay.
        const Span &sp = spans[f.key];
        out.append(buf.left(sp.start));
        appendText(&out, lines[f.key].name + QLatin1Char('=') + value);
        out.append(buf.mid(sp.end));
    } else if (f.section >= 0) {
        const Span &sp = spans[f.lastEntry];
        out.append(buf.left(sp.next));
        if (sp.next == sp.end) // the last line of the file had no line end
            appendText(&out, crlf);
        appendText(&out, trimmed(key).toString() + QLatin1Char('=') + value + crlf);
        out.append(buf.mid(sp.next));
    } else {
        out = buf;
        if (!spans.isEmpty() && spans.last().next == spans.last().end)
            appendText(&out, crlf);
        appendText(&out, QLatin1Char('[') + trimmed(section).toString() + QLatin1Char(']') + crlf +
                             trimmed(key).toString() + QLatin1Char('=') + value + crlf);
    }
    return out;
}

} // namespace

QString read(const QString &file, const QString &section, const QString &key, const QString &defaultValue)
{
    QByteArray bytes;
    if (!codec::readBytes(file, &bytes))
        return defaultValue;
    // Decoding keeps every line end where it was: no GBK or GB18030 byte sequence contains LF.
    return readFrom(codec::decode(bytes), section, key, defaultValue);
}

// Reading trims a value, so a value with white space at either end (a password, say) is written
// inside quotes, which reading removes again. Every other value is written as it is.
static QString storedForm(const QString &value)
{
    const bool edgeSpace = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    return edgeSpace ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

bool write(const QString &file, const QString &section, const QString &key, const QString &valueIn)
{
    const QString value = storedForm(valueIn);
    if (!writable(section, key, value))
        return false;
    QByteArray bytes;
    // A file that exists but cannot be read is not replaced by one holding only this key.
    if (QFileInfo::exists(file) && !codec::readBytes(file, &bytes))
        return false;
    // The edit is made on the bytes, so lines this write does not touch keep their exact bytes
    // even where they are no valid GBK.
    const QList<Span> spans = spansOf(bytes);
    const QList<Line> lines = parseAll(codec::decode(bytes));
    if (lines.size() != spans.size())
        return false;
    return codec::writeBytes(file, writeInto(bytes, spans, lines, section, key, value));
}

QString readText(const QString &text, const QString &section, const QString &key, const QString &defaultValue)
{
    return readFrom(text, section, key, defaultValue);
}

QString writeText(const QString &text, const QString &section, const QString &key, const QString &valueIn)
{
    Document doc(text);
    return doc.set(section, key, valueIn) ? doc.text() : text;
}

namespace {
// Names match without regard to case and surrounding white space.
QString nameKey(QStringView name)
{
    return trimmed(name).toString().toCaseFolded();
}
} // namespace

Document::Document(const QString &text)
{
    for (const Span &sp : spansOf(text))
        m_lines.append({text.mid(sp.start, sp.end - sp.start), text.mid(sp.end, sp.next - sp.end)});
    reindex();
}

void Document::reindex()
{
    m_sections.clear();
    SectionIndex *current = nullptr;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line l = parse(m_lines[i].raw);
        if (l.kind == Line::Section) {
            const QString k = nameKey(l.name);
            // Only the first section of a name counts; keys of a later one are never found.
            current = m_sections.contains(k) ? nullptr : &m_sections[k];
            if (current)
                current->header = current->lastEntry = i;
        } else if (l.kind == Line::Key && current) {
            current->lastEntry = i;
            const QString k = nameKey(l.name);
            if (!current->keys.contains(k))
                current->keys.insert(k, i);
        }
    }
}

const Document::SectionIndex *Document::sectionOf(const QString &section) const
{
    const auto it = m_sections.constFind(nameKey(section));
    return it == m_sections.constEnd() ? nullptr : &it.value();
}

bool Document::contains(const QString &section, const QString &key) const
{
    const SectionIndex *sec = sectionOf(section);
    return sec && !trimmed(key).isEmpty() && sec->keys.contains(nameKey(key));
}

QString Document::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    if (!contains(section, key))
        return defaultValue;
    return finish(parse(m_lines[sectionOf(section)->keys.value(nameKey(key))].raw).value);
}

bool Document::set(const QString &section, const QString &key, const QString &valueIn)
{
    const QString value = storedForm(valueIn);
    if (!writable(section, key, value))
        return false;
    const QString crlf = QStringLiteral("\r\n");
    const SectionIndex *sec = sectionOf(section);
    if (sec && sec->keys.contains(nameKey(key))) {
        // Replace only this line's content; its own line end and every other line stay.
        Entry &e = m_lines[sec->keys.value(nameKey(key))];
        e.raw = parse(e.raw).name + QLatin1Char('=') + value;
        return true;
    }
    const QString keyLine = trimmed(key).toString() + QLatin1Char('=') + value;
    if (sec) {
        Entry &last = m_lines[sec->lastEntry];
        if (last.terminator.isEmpty())
            last.terminator = crlf;
        m_lines.insert(sec->lastEntry + 1, {keyLine, crlf});
    } else {
        if (!m_lines.isEmpty() && m_lines.last().terminator.isEmpty())
            m_lines.last().terminator = crlf;
        m_lines.append({QLatin1Char('[') + trimmed(section).toString() + QLatin1Char(']'), crlf});
        m_lines.append({keyLine, crlf});
    }
    reindex();
    return true;
}

QString Document::text() const
{
    qsizetype size = 0;
    for (const Entry &e : m_lines)
        size += e.raw.size() + e.terminator.size();
    QString out;
    out.reserve(size);
    for (const Entry &e : m_lines) {
        out += e.raw;
        out += e.terminator;
    }
    return out;
}

QStringList sections(const QString &file)
{
    QByteArray bytes;
    if (!codec::readBytes(file, &bytes))
        return {};
    QStringList names;
    for (const Line &l : parseAll(codec::decode(bytes))) {
        if (l.kind == Line::Section && !names.contains(l.name, Qt::CaseInsensitive))
            names.append(l.name);
    }
    return names;
}

} // namespace base::ini
