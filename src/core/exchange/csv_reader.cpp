#include "core/exchange/csv_reader.h"

#include "core/base/text_codec.h"

#include <QStringDecoder>

namespace exchange {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool endsValue(QChar c)
{
    return c == u',' || c == u'\r' || c == u'\n';
}

QString trimBlanks(QStringView v)
{
    qsizetype from = 0, to = v.size();
    while (from < to && isBlank(v[from]))
        ++from;
    while (to > from && isBlank(v[to - 1]))
        --to;
    return v.sliced(from, to - from).toString();
}

} // namespace

QString decodeCsvText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return base::codec::decode(bytes);
}

bool CsvParser::next(QStringList &values, qsizetype keep)
{
    values.clear();
    m_count = 0;
    auto add = [&](QString value) {
        if (keep < 0 || m_count < keep)
            values << std::move(value);
        ++m_count;
    };
    const qsizetype n = m_text.size();
    if (m_pos >= n)
        return false;
    const QChar *s = m_text.constData();
    qsizetype i = m_pos;
    for (;;) {
        qsizetype j = i;
        while (j < n && isBlank(s[j]))
            ++j;
        QString value;
        if (j < n && s[j] == u'"') {
            ++j;
            for (;;) {
                const qsizetype q = m_text.indexOf(QLatin1Char('"'), j);
                if (q < 0) { // an unclosed quote takes the rest of the text
                    value += QStringView(m_text).sliced(j);
                    j = n;
                    break;
                }
                value += QStringView(m_text).sliced(j, q - j);
                if (q + 1 < n && s[q + 1] == u'"') {
                    value += QLatin1Char('"');
                    j = q + 2;
                    continue;
                }
                j = q + 1;
                break;
            }
            // Text between the closing quote and the separator belongs to the value.
            qsizetype k = j;
            while (k < n && !endsValue(s[k]))
                ++k;
            value += trimBlanks(QStringView(m_text).sliced(j, k - j));
            j = k;
        } else {
            qsizetype k = j;
            while (k < n && !endsValue(s[k]))
                ++k;
            value = trimBlanks(QStringView(m_text).sliced(j, k - j));
            j = k;
        }
        add(std::move(value));
        if (j >= n) {
            m_pos = n;
            return true;
        }
        if (s[j] == u',') {
            i = j + 1;
            if (i >= n) { // a comma at the very end leaves one more empty value
                add(QString());
                m_pos = n;
                return true;
            }
            continue;
        }
        if (s[j] == u'\r' && j + 1 < n && s[j + 1] == u'\n')
            ++j;
        m_pos = j + 1;
        return true;
    }
}

QStringList csvValues(const QString &text, qsizetype limit)
{
    QStringList all;
    CsvParser parser(text);
    QStringList record;
    while ((limit < 0 || all.size() < limit) && parser.next(record, limit < 0 ? -1 : limit - all.size()))
        all += record;
    return all;
}

} // namespace exchange
