#include "base/text_codec.h"

#include <QFile>
#include <QSaveFile>

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

} // namespace

QByteArray encode(const QString &text)
{
    if (text.isEmpty())
        return {};
    Converter cp936("CP936", kUtf16);
    if (!cp936.ok())
        return {};
    std::unique_ptr<Converter> gb18030; // opened only when a character lacks a CP936 form

    const char16_t *units = reinterpret_cast<const char16_t *>(text.utf16());
    const size_t total = size_t(text.size());
    // Two bytes per UTF-16 unit holds every CP936 character and every surrogate pair; only a BMP
    // character outside CP936 (four GB18030 bytes) needs more, and grows the buffer below.
    QByteArray result(qsizetype(total * 2 + 16), Qt::Uninitialized);
    size_t written = 0;

    char *in = reinterpret_cast<char *>(const_cast<char16_t *>(units));
    size_t inLeft = total * sizeof(char16_t);
    while (inLeft > 0) {
        char *out = result.data() + written;
        size_t outLeft = size_t(result.size()) - written;
        const size_t r = cp936.run(&in, &inLeft, &out, &outLeft);
        written = size_t(out - result.data());
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            result.resize(result.size() * 2);
            continue;
        }
        // EILSEQ, or EINVAL for a lone high surrogate at the very end: write this one character
        // in its GB18030 form and go on with CP936 after it.
        const size_t pos = total - inLeft / sizeof(char16_t);
        int count = 1;
        if (QChar::isHighSurrogate(units[pos]) && pos + 1 < total && QChar::isLowSurrogate(units[pos + 1]))
            count = 2;
        if (!gb18030)
            gb18030 = std::make_unique<Converter>("GB18030", kUtf16);
        QByteArray bytes = gb18030->ok() ? gb18030Of(*gb18030, units + pos, count) : QByteArray();
        if (bytes.isEmpty())
            bytes = QByteArray(kReplacementGb18030, sizeof kReplacementGb18030);
        if (size_t(result.size()) - written < size_t(bytes.size()) + 16)
            result.resize(result.size() * 2 + bytes.size());
        memcpy(result.data() + written, bytes.constData(), size_t(bytes.size()));
        written += size_t(bytes.size());
        in += count * sizeof(char16_t);
        inLeft -= count * sizeof(char16_t);
        cp936.reset();
    }
    result.truncate(qsizetype(written));
    return result;
}

QString decode(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    // GB18030 reads every CP936 character the same way except the euro, which CP936 writes as the
    // single byte 0x80; it also reads the four-byte forms written for characters outside CP936.
    Converter gb18030(kUtf16, "GB18030");
    if (!gb18030.ok())
        return {};

    // Every byte yields at most one UTF-16 unit (a four-byte sequence at most a surrogate pair).
    QString result(bytes.size() + 4, Qt::Uninitialized);
    qsizetype written = 0;
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *out = reinterpret_cast<char *>(result.data() + written);
        size_t outLeft = size_t(result.size() - written) * sizeof(char16_t);
        const size_t r = gb18030.run(&in, &inLeft, &out, &outLeft);
        written = (out - reinterpret_cast<char *>(result.data())) / qsizetype(sizeof(char16_t));
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            result.resize(result.size() * 2);
            continue;
        }
        // An undecodable byte: the euro when it is 0x80, else U+FFFD; either way one byte is taken.
        if (result.size() - written < 4)
            result.resize(result.size() * 2 + 4);
        result[written++] =
            static_cast<unsigned char>(*in) == 0x80 ? QChar(0x20AC) : QChar(QChar::ReplacementCharacter);
        ++in;
        --inLeft;
        gb18030.reset();
    }
    result.truncate(written);
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
