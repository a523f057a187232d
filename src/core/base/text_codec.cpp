#include "core/base/text_codec.h"

#include "core/base/file_writer.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <optional>

namespace base::codec {

namespace {

// QString's own UTF-16 in host byte order, so iconv reads and writes QString storage directly.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char *kUtf16 = "UTF-16LE";
#else
constexpr const char *kUtf16 = "UTF-16BE";
#endif

// GB18030's four-byte form of U+FFFD: what a lone surrogate (no character at all) is written as.
constexpr char kReplacementGb18030[] = {'\x84', '\x31', '\xA4', '\x37'};

class Converter {
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    // One iconv step; the result is iconv's, errno tells why it stopped.
    size_t run(char **in, size_t *inLeft, char **out, size_t *outLeft) { return iconv(m_cd, in, inLeft, out, outLeft); }
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

// Converts one whole character (given as its UTF-16 units) to GB18030; empty when it cannot.
QByteArray gb18030Of(Converter &conv, const char16_t *units, int count)
{
    char buf[16];
    char *in = reinterpret_cast<char *>(const_cast<char16_t *>(units));
    size_t inLeft = size_t(count) * sizeof(char16_t);
    char *out = buf;
    size_t outLeft = sizeof buf;
    conv.reset();
    if (conv.run(&in, &inLeft, &out, &outLeft) == size_t(-1) || inLeft != 0)
        return {};
    return QByteArray(buf, qsizetype(sizeof buf - outLeft));
}

// The two lookup tables, generated from iconv at build time (gen/codec_tables_gen.cpp) so that
// no start of the program spends time building them: CP936 bytes of every BMP character, and the
// character of every two-byte GB18030 sequence. Everything else (four-byte forms, characters
// outside CP936) still goes through iconv, which is rare in a school's tables.
#include "codec_tables.inc"

struct Tables {
    // 0: not in CP936; else one byte (< 0x100) or lead << 8 | trail.
    const quint16 *encode;
    // [lead - 0x81][trail - 0x40]; 0 where the sequence is no character.
    const char16_t *decode;
};

const Tables &tables()
{
    static constexpr Tables t{kEncodeTable, kDecodeTable};
    return t;
}

bool isTrail(unsigned char b)
{
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

} // namespace

void appendEncoded(QByteArray &result, QStringView text)
{
    if (text.isEmpty())
        return;
    const Tables &t = tables();
    std::unique_ptr<Converter> gb18030; // opened only when a character lacks a CP936 form
    const char16_t *units = text.utf16();
    const qsizetype total = text.size();
    qsizetype written = result.size();
    // Two bytes a unit covers every CP936 character; only four-byte forms need more room.
    if (result.capacity() - written < total * 2)
        result.reserve(std::max(result.capacity() * 2, written + total * 2));
    result.resize(written + total * 2);
    char *out = result.data();
    auto room = [&](qsizetype need) {
        if (result.size() - written < need) {
            result.resize(result.size() * 2 + need);
            out = result.data();
        }
    };
    for (qsizetype i = 0; i < total; ++i) {
        const char16_t u = units[i];
        if (u < 0x80) {
            out[written++] = char(u);
            continue;
        }
        const quint16 code = QChar::isSurrogate(u) ? 0 : t.encode[u];
        if (code != 0) {
            if (code < 0x100) {
                out[written++] = char(code);
            } else {
                out[written++] = char(code >> 8);
                out[written++] = char(code & 0xFF);
            }
            continue;
        }
        // Outside CP936 (or a surrogate pair): its GB18030 four-byte form, so nothing is lost.
        int count = 1;
        if (QChar::isHighSurrogate(u) && i + 1 < total && QChar::isLowSurrogate(units[i + 1]))
            count = 2;
        if (!gb18030)
            gb18030 = std::make_unique<Converter>("GB18030", kUtf16);
        QByteArray bytes = gb18030->ok() ? gb18030Of(*gb18030, units + i, count) : QByteArray();
        if (bytes.isEmpty())
            bytes = QByteArray(kReplacementGb18030, sizeof kReplacementGb18030);
        // The units still to come need up to two bytes each.
        room(bytes.size() + (total - i) * 2);
        memcpy(out + written, bytes.constData(), size_t(bytes.size()));
        written += bytes.size();
        i += count - 1;
    }
    result.truncate(written);
}

QByteArray encode(const QString &text)
{
    QByteArray result;
    appendEncoded(result, text);
    return result;
}

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    // Most cells are digits: ASCII is its own code page 936 form.
    unsigned char high = 0;
    for (qsizetype i = 0; i < n; ++i)
        high |= in[i];
    if (high < 0x80)
        return QString::fromLatin1(bytes.data(), n);
    const Tables &t = tables();
    std::unique_ptr<Converter> gb18030; // for the rare four-byte forms
    // Every byte yields at most one UTF-16 unit (a four-byte sequence at most a surrogate pair).
    QString result(n, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    qsizetype w = 0;
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = in[i];
        if (b < 0x80) {
            out[w++] = b;
            ++i;
            continue;
        }
        if (b >= 0x81 && b <= 0xFE && i + 1 < n) {
            const unsigned char b2 = in[i + 1];
            if (isTrail(b2)) {
                const char16_t c = t.decode[size_t((b - 0x81) * 191 + (b2 - 0x40))];
                if (c != 0) {
                    out[w++] = c;
                    i += 2;
                    continue;
                }
            } else if (b2 >= 0x30 && b2 <= 0x39 && i + 3 < n) {
                if (!gb18030)
                    gb18030 = std::make_unique<Converter>(kUtf16, "GB18030");
                char16_t units[4];
                char *src = const_cast<char *>(reinterpret_cast<const char *>(in + i));
                size_t inLeft = 4;
                char *dst = reinterpret_cast<char *>(units);
                size_t outLeft = sizeof units;
                gb18030->reset();
                if (gb18030->ok() && gb18030->run(&src, &inLeft, &dst, &outLeft) != size_t(-1) && inLeft == 0) {
                    const size_t got = (sizeof units - outLeft) / sizeof(char16_t);
                    for (size_t k = 0; k < got; ++k)
                        out[w++] = units[k];
                    i += 4;
                    continue;
                }
            }
        }
        // An undecodable byte: the euro when it is 0x80 (CP936's own form), else U+FFFD; either
        // way one byte is taken.
        out[w++] = b == 0x80 ? char16_t(0x20AC) : char16_t(QChar::ReplacementCharacter);
        ++i;
    }
    result.truncate(w);
    return result;
}

QByteArray joinLines(const QStringList &lines)
{
    QString text;
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return encode(text);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype nl = text.indexOf(QLatin1Char('\n'), start);
        if (nl < 0) {
            lines.append(text.mid(start));
            break;
        }
        qsizetype end = nl;
        if (end > start && text.at(end - 1) == QLatin1Char('\r'))
            --end;
        lines.append(text.mid(start, end - start));
        start = nl + 1;
    }
    return lines;
}

bool readBytes(const QString &path, QByteArray *bytes)
{
    // Only a regular file has an end: a pipe would wait for a writer, /dev/zero never ends.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    return writeFileAtomically(path, bytes) == WriteResult::Written;
}

bool readLines(const QString &path, QStringList *lines)
{
    QString text;
    if (!readText(path, &text))
        return false;
    *lines = splitLines(text);
    return true;
}

bool writeLines(const QString &path, const QStringList &lines)
{
    return writeBytes(path, joinLines(lines));
}

bool readText(const QString &path, QString *text)
{
    QByteArray bytes;
    if (!readBytes(path, &bytes))
        return false;
    *text = decode(bytes);
    return true;
}

bool writeText(const QString &path, const QString &text)
{
    return writeBytes(path, encode(text));
}

} // namespace base::codec
