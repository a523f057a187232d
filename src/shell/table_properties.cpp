#include "shell/table_properties.h"

#include "base/text_codec.h"
#include "table/grade_table.h"

#include <QFileInfo>
#include <QStringList>
#include <optional>

namespace shell {

void applyClassInfo(table::GradeTable &t, int classSize, const QString &teacher, const QString &information)
{
    table::Grid &g = t.成绩表;
    table::GridBulk bulk(g);
    g.setRows(classSize + 1);
    for (int r = 1; r <= classSize && r < g.Rows(); ++r)
        g.setTextMatrix(r, 0, QString::number(r));
    t.Text3 = teacher;
    t.Text4 = information;
    t.markChanged();
}

QString dataFormatFor(int decimals, bool pad)
{
    return QStringLiteral("###.") + QString(std::max(decimals, 0), pad ? QLatin1Char('0') : QLatin1Char('#'));
}

namespace {
constexpr qsizetype kRecord = 128;

// Record n (from 1): a 2-byte little-endian length and that many bytes of GBK text.
std::optional<QString> record(const QByteArray &file, qsizetype n)
{
    const qsizetype at = (n - 1) * kRecord;
    if (at + 2 > file.size())
        return std::nullopt;
    const auto lo = static_cast<unsigned char>(file[at]);
    const auto hi = static_cast<unsigned char>(file[at + 1]);
    const qsizetype length = lo | (hi << 8);
    if (length > kRecord - 2 || at + 2 + length > file.size())
        return std::nullopt;
    return base::codec::decode(QByteArrayView(file).sliced(at + 2, length));
}
} // namespace

TemplateResult applyTemplate(table::GradeTable &t, const QString &path)
{
    QByteArray file;
    if (!QFileInfo(path).isFile() || !base::codec::readBytes(path, &file))
        return TemplateResult::Missing;
    if (record(file, 1) != QStringLiteral("ZUN'S 表格模版文件"))
        return TemplateResult::BadFormat;
    bool ok = false;
    const std::optional<QString> count = record(file, 2);
    const int columns = count ? count->trimmed().toInt(&ok) : 0;
    if (!ok || columns < 1 || columns > table::Grid::kMaxCount)
        return TemplateResult::BadFormat;
    QStringList segments;
    for (int n = 3; n <= columns + 2; ++n) {
        const std::optional<QString> segment = record(file, n);
        if (!segment)
            return TemplateResult::BadFormat;
        segments << *segment;
    }
    t.成绩表.setFormatString(segments.join(QLatin1Char('|')));
    return TemplateResult::Applied;
}

} // namespace shell
