#pragma once
// A pull scanner for the XML of workbook members, on UTF-8 bytes as they are inflated. It knows
// what those members use (elements, attributes, the five predefined entities and character
// references, CDATA, comments, processing instructions) and refuses the rest: a DTD, any other
// entity, an end tag that does not close the open element, a document cut short, elements nested
// deeper than kMaxXmlDepth or named longer than kMaxXmlName. It keeps no more than one token in memory, and no token
// may be longer than kMaxXmlToken bytes.
#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <vector>

namespace exchange {

// No tag, and no text between two tags, in a spreadsheet member comes near this.
inline constexpr qsizetype kMaxXmlToken = 4 * 1024 * 1024;
// Nor does the nesting of its elements come near this; a deeper one would make a small member ask
// for memory in proportion to its inflated size.
inline constexpr size_t kMaxXmlDepth = 256;
// Element names are kept while their elements are open; a spreadsheet's are a few letters long.
inline constexpr qsizetype kMaxXmlName = 1024;

struct XmlMalformed {}; // thrown by XmlScanner::next

class XmlScanner {
public:
    // Reads up to `size` further bytes into `into`: how many, 0 at the end, negative on an error.
    using Fill = std::function<qint64(char *into, qint64 size)>;
    explicit XmlScanner(Fill fill);

    enum class Token { Start, End, Text, EndOfDocument };
    // The next token; throws XmlMalformed. An empty element gives Start and then End. Without
    // `wantText` text is passed over (CDATA too), as between the elements of a sheet.
    Token next(bool wantText = true);

    // The current Start's or End's name without its prefix.
    QByteArrayView name() const { return m_name; }
    // The value of the current Start's attribute named `localName`, its references resolved; the
    // attribute must carry a prefix (other than xmlns) when `prefixed`, and none otherwise.
    // Empty and false when there is no such attribute. The view lasts until the next call.
    bool attribute(QByteArrayView localName, QByteArrayView *value, bool prefixed = false);
    // The current Text, its references resolved and its line ends as "\n". Lasts until next().
    QByteArrayView text();

private:
    struct Attribute {
        qsizetype name, nameSize, value, valueSize; // offsets into m_buffer from m_tokenStart
        bool prefixed;
    };

    const char *at(qsizetype offset) const { return m_buffer.data() + m_begin + offset; }
    qsizetype available() const { return m_end - m_begin; }
    bool more();
    bool have(qsizetype bytes);
    bool startsWith(QByteArrayView what);
    qsizetype find(qsizetype from, QByteArrayView what);
    qsizetype tagEnd();
    Token startOrEnd(qsizetype close);
    void readAttributes(qsizetype from, qsizetype to);
    QByteArrayView resolved(const char *from, qsizetype size, bool attributeValue, bool cdata);

    Fill m_fill;
    std::vector<char> m_buffer;
    qsizetype m_begin = 0, m_end = 0; // unread bytes
    qsizetype m_tokenStart = 0;       // the current token, as an offset of m_buffer
    QByteArrayView m_name;
    std::vector<Attribute> m_attributes;
    QByteArray m_openNames;              // the open elements' full names, one after the other
    std::vector<qsizetype> m_openStarts; // where each begins in m_openNames
    qsizetype m_textSize = 0;            // raw size of the current Text at m_tokenStart
    bool m_cdata = false;
    bool m_pendingEnd = false; // an empty element's End comes next
    bool m_begun = false;
    bool m_rootSeen = false;
    bool m_ended = false;
    bool m_atEnd = false;               // the fill said there is no more
    std::vector<QByteArray> m_resolved; // values with references resolved, until the next token
};

} // namespace exchange
