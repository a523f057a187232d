#include "core/exchange/xml_scanner.h"

#include <cstring>

namespace exchange {

namespace {

constexpr qsizetype kChunk = 256 * 1024;

[[noreturn]] void malformed()
{
    throw XmlMalformed{};
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

QByteArrayView localPart(QByteArrayView name)
{
    for (qsizetype i = 0; i < name.size(); ++i)
        if (name[i] == ':')
            return name.sliced(i + 1);
    return name;
}

void appendUtf8(QByteArray &out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// "&…;" at the start of `s` (without the "&"), appended to `out`; how many bytes it took after
// the "&". Only the five predefined entities and character references of characters XML allows.
qsizetype appendReference(QByteArrayView s, QByteArray &out)
{
    const qsizetype semicolon = s.first(std::min<qsizetype>(s.size(), 40)).indexOf(';');
    if (semicolon < 1)
        malformed();
    const QByteArrayView name = s.first(semicolon);
    static constexpr struct {
        const char *name;
        char c;
    } predefined[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto &p : predefined)
        if (name == QByteArrayView(p.name)) {
            out += p.c;
            return semicolon + 1;
        }
    if (name.size() < 2 || name[0] != '#')
        malformed();
    const bool hex = name[1] == 'x';
    const QByteArrayView digits = name.sliced(hex ? 2 : 1);
    if (digits.isEmpty())
        malformed();
    char32_t code = 0;
    for (char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            malformed();
        code = code * (hex ? 16 : 10) + char32_t(d);
        if (code > 0x10FFFF)
            malformed();
    }
    if ((code < 0x20 && code != 0x9 && code != 0xA && code != 0xD) || (code >= 0xD800 && code <= 0xDFFF) ||
        code == 0xFFFE || code == 0xFFFF)
        malformed();
    appendUtf8(out, code);
    return semicolon + 1;
}

} // namespace

XmlScanner::XmlScanner(Fill fill) : m_fill(std::move(fill)), m_buffer(size_t(kChunk)) {}

bool XmlScanner::more()
{
    if (m_atEnd)
        return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, size_t(m_end - m_begin));
        m_end -= m_begin;
        m_tokenStart -= m_begin;
        m_begin = 0;
    }
    if (qsizetype(m_buffer.size()) - m_end < kChunk)
        m_buffer.resize(size_t(m_end + kChunk));
    const qint64 n = m_fill(m_buffer.data() + m_end, qint64(m_buffer.size()) - m_end);
    if (n < 0)
        malformed();
    if (n == 0) {
        m_atEnd = true;
        return false;
    }
    m_end += qsizetype(n);
    return true;
}

bool XmlScanner::have(qsizetype bytes)
{
    while (available() < bytes)
        if (!more())
            return false;
    return true;
}

bool XmlScanner::startsWith(QByteArrayView what)
{
    have(what.size());
    return QByteArrayView(at(0), std::min(available(), what.size())) == what;
}

qsizetype XmlScanner::find(qsizetype from, QByteArrayView what)
{
    for (;;) {
        if (from < available()) {
            const qsizetype i = QByteArrayView(at(0), available()).indexOf(what, from);
            if (i >= 0)
                return i;
            from = std::max(from, available() - what.size() + 1);
        }
        if (available() > kMaxXmlToken)
            malformed();
        if (!more())
            return -1;
    }
}

// The offset of the ">" that ends the tag at the start of the unread bytes; quoted values may hold
// a ">" of their own.
qsizetype XmlScanner::tagEnd()
{
    qsizetype i = 1;
    char quote = 0;
    for (;;) {
        const char *p = at(0);
        for (const qsizetype n = available(); i < n; ++i) {
            const char c = p[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
                else if (c == '<')
                    malformed();
            } else if (c == '>') {
                return i;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '<') {
                malformed();
            }
        }
        if (available() > kMaxXmlToken || !more())
            malformed();
    }
}

XmlScanner::Token XmlScanner::next(bool wantText)
{
    m_resolved.clear();
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_openNames.truncate(m_openStarts.back());
        m_openStarts.pop_back();
        return Token::End;
    }
    if (m_ended)
        return Token::EndOfDocument;
    m_attributes.clear();
    if (!m_begun && startsWith("\xEF\xBB\xBF"))
        m_begin += 3; // a byte-order mark
    m_begun = true;
    for (;;) {
        if (available() == 0 && !more()) {
            if (!m_openStarts.empty() || !m_rootSeen)
                malformed();
            m_ended = true;
            return Token::EndOfDocument;
        }
        if (*at(0) != '<') {
            const qsizetype lt = find(0, "<");
            const qsizetype size = lt < 0 ? available() : lt;
            if (m_openStarts.empty()) {
                // Outside the root element only spaces may stand.
                for (qsizetype i = 0; i < size; ++i)
                    if (!isSpace(*at(i)))
                        malformed();
                m_begin += size;
                continue;
            }
            if (!wantText) {
                m_begin += size;
                continue;
            }
            m_tokenStart = m_begin;
            m_textSize = size;
            m_cdata = false;
            m_begin += size;
            return Token::Text;
        }
        // Most markup is a tag: the byte after "<" tells.
        have(2);
        const char second = available() > 1 ? *at(1) : 0;
        if (second == '?') {
            const qsizetype e = find(2, "?>");
            if (e < 0)
                malformed();
            m_begin += e + 2;
            continue;
        }
        if (second == '!') {
            if (startsWith("<!--")) {
                const qsizetype e = find(4, "-->");
                if (e < 0)
                    malformed();
                m_begin += e + 3;
                continue;
            }
            if (!startsWith("<![CDATA["))
                malformed(); // a DTD, or a declaration inside one
            const qsizetype e = find(9, "]]>");
            if (e < 0 || m_openStarts.empty())
                malformed();
            if (!wantText) {
                m_begin += e + 3;
                continue;
            }
            m_tokenStart = m_begin + 9;
            m_textSize = e - 9;
            m_cdata = true;
            m_begin += e + 3;
            return Token::Text;
        }
        return startOrEnd(tagEnd());
    }
}

XmlScanner::Token XmlScanner::startOrEnd(qsizetype close)
{
    m_tokenStart = m_begin;
    const char *t = at(0);
    m_begin += close + 1;
    if (close >= 2 && t[1] == '/') {
        qsizetype end = close;
        while (end > 2 && isSpace(t[end - 1]))
            --end;
        const QByteArrayView full(t + 2, end - 2);
        if (m_openStarts.empty() || full.isEmpty() || QByteArrayView(m_openNames).sliced(m_openStarts.back()) != full)
            malformed();
        m_openNames.truncate(m_openStarts.back());
        m_openStarts.pop_back();
        m_name = localPart(full);
        return Token::End;
    }
    const bool empty = close >= 2 && t[close - 1] == '/';
    const qsizetype last = empty ? close - 1 : close;
    qsizetype nameEnd = 1;
    for (; nameEnd < last && !isSpace(t[nameEnd]); ++nameEnd) {
        const char c = t[nameEnd];
        if (c == '/' || c == '"' || c == '\'' || c == '=')
            malformed();
    }
    const QByteArrayView full(t + 1, nameEnd - 1);
    if (full.isEmpty() || full.size() > kMaxXmlName || (m_rootSeen && m_openStarts.empty()) ||
        m_openStarts.size() >= kMaxXmlDepth)
        malformed();
    readAttributes(nameEnd, last);
    m_rootSeen = true;
    m_openStarts.push_back(m_openNames.size());
    m_openNames += full;
    m_name = localPart(full);
    m_pendingEnd = empty;
    return Token::Start;
}

void XmlScanner::readAttributes(qsizetype from, qsizetype to)
{
    const char *t = m_buffer.data() + m_tokenStart;
    qsizetype i = from;
    for (;;) {
        const qsizetype before = i;
        while (i < to && isSpace(t[i]))
            ++i;
        if (i >= to)
            return;
        if (i == before)
            malformed(); // attributes are apart from the name and each other
        const qsizetype name = i;
        while (i < to && !isSpace(t[i]) && t[i] != '=')
            ++i;
        const qsizetype nameSize = i - name;
        while (i < to && isSpace(t[i]))
            ++i;
        if (nameSize == 0 || i >= to || t[i] != '=')
            malformed();
        ++i;
        while (i < to && isSpace(t[i]))
            ++i;
        if (i >= to || (t[i] != '"' && t[i] != '\''))
            malformed();
        const char quote = t[i++];
        const qsizetype value = i;
        while (i < to && t[i] != quote)
            ++i;
        if (i >= to)
            malformed();
        const QByteArrayView n(t + name, nameSize);
        const qsizetype colon = n.indexOf(':');
        const bool prefixed = colon > 0 && n.first(colon) != QByteArrayView("xmlns");
        m_attributes.push_back({name, nameSize, value, i - value, prefixed});
        ++i;
    }
}

bool XmlScanner::attribute(QByteArrayView localName, QByteArrayView *value, bool prefixed)
{
    const char *t = m_buffer.data() + m_tokenStart;
    for (const Attribute &a : m_attributes) {
        if (a.prefixed != prefixed)
            continue;
        const QByteArrayView n(t + a.name, a.nameSize);
        if ((prefixed ? localPart(n) : n) != localName)
            continue;
        *value = resolved(t + a.value, a.valueSize, true, false);
        return true;
    }
    *value = {};
    return false;
}

QByteArrayView XmlScanner::text()
{
    return resolved(m_buffer.data() + m_tokenStart, m_textSize, false, m_cdata);
}

QByteArrayView XmlScanner::resolved(const char *from, qsizetype size, bool attributeValue, bool cdata)
{
    const QByteArrayView raw(from, size);
    bool plain = true;
    for (qsizetype i = 0; i < size && plain; ++i) {
        const char c = from[i];
        plain = c != '\r' && (cdata || c != '&') && (!attributeValue || (c != '\n' && c != '\t'));
    }
    if (plain)
        return raw;
    QByteArray out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        const char c = from[i];
        if (c == '&' && !cdata) {
            i += appendReference(raw.sliced(i + 1), out);
        } else if (c == '\r') {
            out += attributeValue ? ' ' : '\n';
            if (i + 1 < size && from[i + 1] == '\n')
                ++i;
        } else if (attributeValue && (c == '\n' || c == '\t')) {
            out += ' ';
        } else {
            out += c;
        }
    }
    m_resolved.push_back(std::move(out));
    return m_resolved.back();
}

} // namespace exchange
