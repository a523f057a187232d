#include "core/print/report_binding.h"

#include "core/base/text_codec.h"

namespace print {

namespace {

const QString kEquals = QStringLiteral(" = ");

std::optional<int> decimal(QStringView text)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return text.toInt();
}

} // namespace

std::optional<BindingKey> parseKeyLine(const QString &line)
{
    const qsizetype at = line.indexOf(kEquals);
    if (at < 0)
        return std::nullopt;
    const std::optional<int> label = decimal(QStringView(line).left(at));
    const std::optional<int> field = decimal(QStringView(line).mid(at + kEquals.size()));
    if (!label || !field)
        return std::nullopt;
    return BindingKey{*label, *field};
}

QString keyLine(const BindingKey &key)
{
    return QString::number(key.label) + kEquals + QString::number(key.field);
}

QString displayCaption(const QString &caption)
{
    QString text = caption;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("[/]"));
    text.replace(QLatin1Char('\n'), QStringLiteral("[/]"));
    text.replace(QLatin1Char('\r'), QStringLiteral("[/]"));
    return text;
}

QString displayLine(const QString &caption, const QString &fieldName)
{
    return displayCaption(caption) + kEquals + fieldName;
}

QByteArray bindingFileBytes(const Bindings &b)
{
    QStringList lines{kBindingMagic};
    for (qsizetype i = 0; i < b.display.size() && i < b.keys.size(); ++i)
        lines << displayCaption(b.display[i]) << b.keys[i];
    return base::codec::joinLines(lines);
}

std::optional<Bindings> parseBindingFile(const QByteArray &bytes)
{
    if (bytes.size() > kMaxBindingFileBytes)
        return std::nullopt;
    QStringList lines = base::codec::splitLines(base::codec::decode(bytes));
    if (lines.isEmpty() || lines.first() != kBindingMagic)
        return std::nullopt;
    while (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    Bindings b;
    for (qsizetype i = 1; i < lines.size(); i += 2) {
        if (i + 1 >= lines.size() || !parseKeyLine(lines[i + 1]))
            return std::nullopt;
        // A lone CR stays in a line when it is split; the writer turns it into "[/]", and so
        // does reading, so a binding reads the same after it was saved.
        b.display << displayCaption(lines[i]);
        b.keys << lines[i + 1];
    }
    return b;
}

} // namespace print
