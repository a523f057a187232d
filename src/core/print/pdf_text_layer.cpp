#include "core/print/pdf_text_layer.h"

#include "core/print/fonts.h"
#include "core/print/recording_surface.h"

#include <QFontDatabase>
#include <QHash>
#include <QRawFont>
#include <optional>

namespace print {

namespace {

// The character, drawn, that a code point of a ToUnicode map stands for.
class Replacements {
public:
    Replacements(const QSet<char32_t> &drawn, const QList<QFont> &fonts) : m_drawn(drawn)
    {
        for (const QFont &font : fonts) {
            // The font that draws Han characters for this one, fallbacks included.
            const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
            if (raw.isValid())
                m_fonts.append(raw);
        }
    }

    std::optional<char32_t> of(char32_t code)
    {
        if (m_drawn.contains(code))
            return std::nullopt;
        const auto known = m_known.constFind(code);
        if (known != m_known.constEnd())
            return *known;
        std::optional<char32_t> found = equivalent(code);
        m_known.insert(code, found);
        return found;
    }

private:
    std::optional<char32_t> equivalent(char32_t code)
    {
        // Kangxi radicals and compatibility ideographs name their ideograph.
        const QList<uint> decomposed = QChar::decomposition(code).toUcs4();
        if (decomposed.size() == 1 && m_drawn.contains(decomposed[0]))
            return decomposed[0];
        for (int i = 0; i < m_fonts.size(); ++i) {
            const quint32 glyph = glyphOf(m_fonts[i], code);
            if (glyph == 0)
                continue;
            const auto match = glyphsOfDrawn(i).constFind(glyph);
            if (match != glyphsOfDrawn(i).constEnd())
                return *match;
        }
        return std::nullopt;
    }

    static quint32 glyphOf(const QRawFont &font, char32_t code)
    {
        const QList<quint32> glyphs = font.glyphIndexesForString(QString::fromUcs4(&code, 1));
        return glyphs.size() == 1 ? glyphs[0] : 0;
    }

    // Glyph → drawn character, for one font; made when first needed.
    const QHash<quint32, char32_t> &glyphsOfDrawn(int font)
    {
        if (m_glyphs.size() <= font)
            m_glyphs.resize(m_fonts.size());
        QHash<quint32, char32_t> &map = m_glyphs[font];
        if (map.isEmpty())
            for (char32_t c : m_drawn)
                if (const quint32 glyph = glyphOf(m_fonts[font], c))
                    map.insert(glyph, c);
        return map;
    }

    const QSet<char32_t> &m_drawn;
    QList<QRawFont> m_fonts;
    QList<QHash<quint32, char32_t>> m_glyphs;
    QHash<char32_t, std::optional<char32_t>> m_known;
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The code of a four-digit token <XXXX> at `at` (the '<'); none for any other token.
std::optional<char32_t> tokenCode(const QByteArray &pdf, qsizetype at)
{
    if (at + 5 >= pdf.size() || pdf[at + 5] != '>')
        return std::nullopt;
    char32_t code = 0;
    for (int i = 1; i <= 4; ++i) {
        const int v = hexValue(pdf[at + i]);
        if (v < 0)
            return std::nullopt;
        code = code * 16 + char32_t(v);
    }
    return code;
}

void writeToken(QByteArray &pdf, qsizetype at, char32_t code)
{
    const QByteArray digits = QByteArray::number(uint(code), 16).toUpper().rightJustified(4, '0');
    for (int i = 0; i < 4; ++i)
        pdf[at + 1 + i] = digits[i];
}

// Overwrites the destination at `at` that starts a run of `length` consecutive characters. A run
// is corrected only when every character of it is replaced by the one `k` after the first
// replacement, so that the run stays a run; a single destination whenever it needs it.
void correctDestination(QByteArray &pdf, qsizetype at, qsizetype length, Replacements &replacements)
{
    const std::optional<char32_t> code = tokenCode(pdf, at);
    if (!code || length < 1 || *code + char32_t(length) > 0x10000)
        return;
    const std::optional<char32_t> first = replacements.of(*code);
    if (!first || *first + char32_t(length) > 0x10000)
        return;
    for (qsizetype k = 1; k < length; ++k) {
        const std::optional<char32_t> next = replacements.of(*code + char32_t(k));
        if (!next || *next != *first + char32_t(k))
            return;
    }
    writeToken(pdf, at, *first);
}

// The destinations of one section: "<src> <dst>" pairs of a bfchar section; in a bfrange section
// "<first> <last> <dst>" (a run from dst) or "<first> <last> [<dst> …]" (one each).
void correctSection(QByteArray &pdf, qsizetype from, qsizetype to, bool ranges, Replacements &replacements)
{
    int sources = 0;
    qsizetype firstSource = -1, lastSource = -1;
    bool inArray = false;
    for (qsizetype i = from; i < to; ++i) {
        const char c = pdf[i];
        if (c == '[') {
            inArray = true;
        } else if (c == ']') {
            inArray = false;
            sources = 0;
        } else if (c == '<') {
            if (inArray) {
                correctDestination(pdf, i, 1, replacements);
            } else if (sources == (ranges ? 2 : 1)) {
                qsizetype length = 1;
                if (ranges) {
                    const std::optional<char32_t> a = tokenCode(pdf, firstSource), b = tokenCode(pdf, lastSource);
                    length = a && b && *b >= *a ? qsizetype(*b - *a) + 1 : 0;
                }
                correctDestination(pdf, i, length, replacements);
                sources = 0;
            } else {
                (sources == 0 ? firstSource : lastSource) = i;
                ++sources;
            }
            while (i < to && pdf[i] != '>')
                ++i;
        }
    }
}

void correctSections(QByteArray &pdf, qsizetype from, qsizetype to, const QByteArray &begin, const QByteArray &end,
                     bool ranges, Replacements &replacements)
{
    for (qsizetype at = pdf.indexOf(begin, from); at >= 0 && at < to; at = pdf.indexOf(begin, at)) {
        at += begin.size();
        const qsizetype stop = pdf.indexOf(end, at);
        if (stop < 0 || stop > to)
            return;
        correctSection(pdf, at, stop, ranges, replacements);
        at = stop;
    }
}

} // namespace

void correctTextLayer(QByteArray &pdf, const QSet<char32_t> &drawn, const QList<QFont> &fonts)
{
    static const QByteArray kStart("stream\n/CIDInit /ProcSet findresource begin");
    static const QByteArray kEnd("endcmap");
    Replacements replacements(drawn, fonts);
    for (qsizetype at = pdf.indexOf(kStart); at >= 0; at = pdf.indexOf(kStart, at)) {
        const qsizetype end = pdf.indexOf(kEnd, at);
        if (end < 0)
            return;
        // Only a map inside one stream: a text elsewhere that merely looks like its start is left.
        const qsizetype streamEnd = pdf.indexOf("endstream", at);
        if (streamEnd >= 0 && streamEnd < end) {
            at = streamEnd;
            continue;
        }
        correctSections(pdf, at, end, "beginbfrange", "endbfrange", true, replacements);
        correctSections(pdf, at, end, "beginbfchar", "endbfchar", false, replacements);
        at = end;
    }
}

void correctTextLayer(QByteArray &pdf, const RecordingSurface &layout)
{
    QSet<char32_t> drawn;
    QList<PrintFont> fonts;
    for (const Call &c : layout.calls()) {
        if ((c.kind != Call::Text && c.kind != Call::TextInRect) || c.text.isEmpty())
            continue;
        for (char32_t ch : c.text.toUcs4())
            drawn.insert(ch);
        const PrintFont font = c.font ? *c.font : PrintFont();
        if (!fonts.contains(font))
            fonts << font;
    }
    QList<QFont> qfonts;
    for (const PrintFont &f : fonts)
        qfonts << toQFont(f, 100);
    correctTextLayer(pdf, drawn, qfonts);
}

} // namespace print
