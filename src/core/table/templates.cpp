#include "core/table/templates.h"

#include "core/base/file_writer.h"
#include "core/base/module1.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/table/fields.h"
#include "core/ui/prompter.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace table {

namespace {
const QString kNotice = QStringLiteral("提示");
const QString kBadTemplate = QStringLiteral("模版文件格式错误!");

// The largest template: 32767 columns plus the magic and count records.
constexpr qint64 kMaxTemplateBytes = qint64(Grid::kMaxCount + 2) * kTemplateRecord;

// The value of record n (1-based), or nullopt when it is not wholly inside the data.
std::optional<QByteArrayView> recordValue(QByteArrayView bytes, qint64 n)
{
    const qint64 start = (n - 1) * kTemplateRecord;
    if (start + 2 > bytes.size())
        return std::nullopt;
    const auto lo = static_cast<unsigned char>(bytes[start]);
    const auto hi = static_cast<unsigned char>(bytes[start + 1]);
    const qint64 length = lo | (hi << 8);
    if (length > kTemplateMaxValue || start + 2 + length > bytes.size())
        return std::nullopt;
    return bytes.sliced(start + 2, length);
}

bool isDecimal(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}
} // namespace

QStringList templateSegments(const Grid &grid)
{
    const QString format = grid.FormatString();
    const QStringList given = format.isEmpty() ? QStringList() : format.split(QLatin1Char('|'));
    QStringList segments;
    segments.reserve(grid.Cols());
    for (int i = 0; i < grid.Cols(); ++i) {
        if (i < given.size()) {
            segments << given[i];
        } else if (i == 0) {
            segments << QStringLiteral("  ");
        } else {
            const QString name = grid.TextMatrix(0, i);
            segments << (name.isEmpty() ? QStringLiteral("   ") : name);
        }
    }
    return segments;
}

std::optional<QByteArray> templateBytes(const QStringList &segments)
{
    QList<QByteArray> values;
    values.reserve(segments.size() + 2);
    values << base::codec::encode(kTemplateMagic) << QByteArray::number(segments.size());
    for (const QString &s : segments)
        values << base::codec::encode(s);
    // Every value is checked before anything is built, so a long name never leaves half a file.
    for (const QByteArray &v : values)
        if (v.size() > kTemplateMaxValue)
            return std::nullopt;
    QByteArray out(values.size() * kTemplateRecord, '\0');
    for (qsizetype n = 0; n < values.size(); ++n) {
        char *record = out.data() + n * kTemplateRecord;
        const auto length = static_cast<unsigned>(values[n].size());
        record[0] = static_cast<char>(length & 0xFF);
        record[1] = static_cast<char>(length >> 8);
        std::copy(values[n].begin(), values[n].end(), record + 2);
    }
    return out;
}

std::optional<QStringList> parseTemplate(QByteArrayView bytes)
{
    const std::optional<QByteArrayView> magic = recordValue(bytes, 1);
    if (!magic || base::codec::decode(*magic) != kTemplateMagic)
        return std::nullopt;
    const std::optional<QByteArrayView> count = recordValue(bytes, 2);
    if (!count)
        return std::nullopt;
    const QString countText = base::codec::decode(*count).trimmed();
    bool ok = false;
    const int c = countText.toInt(&ok);
    if (!isDecimal(countText) || !ok || c < 1 || c > Grid::kMaxCount)
        return std::nullopt;
    // Checked against the data before anything is allocated for the segments.
    if ((qint64(c) + 1) * kTemplateRecord + 2 > bytes.size())
        return std::nullopt;
    QStringList segments;
    segments.reserve(c);
    for (qint64 n = 3; n <= qint64(c) + 2; ++n) {
        const std::optional<QByteArrayView> value = recordValue(bytes, n);
        if (!value)
            return std::nullopt;
        const QString text = base::codec::decode(*value);
        if (text.contains(QLatin1Char('|')))
            return std::nullopt;
        segments << text;
    }
    return segments;
}

std::optional<QStringList> readTemplateFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(kMaxTemplateBytes);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return parseTemplate(bytes);
}

QStringList templateMenuEntries(const base::Workspace &ws)
{
    QDir dir(ws.templateDir());
    if (!dir.exists()) {
        QDir().mkpath(ws.templateDir());
        return {};
    }
    QStringList names =
        dir.entryList({QStringLiteral("*") + kTemplateSuffix}, QDir::Files | QDir::Readable, QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

std::optional<QString> templateNameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QString();
    const bool control = std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; });
    if (!base::IsValidName(name) || control || name.startsWith(QLatin1Char('.')))
        return QStringLiteral("文件名中包含了诸如“\\/*?”之类的非法字符，请重新输入。");
    if (name.size() > kTemplateNameMax)
        return QStringLiteral("模版名称不能超过60个字符，请重新输入。");
    return std::nullopt;
}

ui::Outcome saveTemplate(const Grid &grid, const base::Workspace &ws, const QString &name)
{
    if (const std::optional<QString> problem = templateNameProblem(name))
        return ui::Outcome::refused(problem->isEmpty() ? QStringLiteral("名称不能为空！") : *problem);
    const std::optional<QByteArray> bytes = templateBytes(templateSegments(grid));
    if (!bytes)
        return ui::Outcome::refused(QStringLiteral("字段名称过长，无法保存为模版。"));
    QDir().mkpath(ws.templateDir());
    if (!base::codec::writeBytes(ws.templateDir() + name + kTemplateSuffix, *bytes))
        return ui::Outcome::failed(base::kSaveFailed);
    return ui::Outcome::ok();
}

bool askSaveTemplate(const GradeTable &t, const base::Workspace &ws, ui::Prompter &prompter)
{
    QString preset = QStringLiteral("模版");
    for (;;) {
        const std::optional<QString> name =
            prompter.input(QStringLiteral("请输入要保存的模版名称:"), QStringLiteral("保存模版"), preset);
        if (!name)
            return false;
        // A refused name is asked again with the refused text; an empty one ends it.
        if (const std::optional<QString> problem = templateNameProblem(*name)) {
            if (problem->isEmpty())
                return false;
            prompter.message(*problem, kNotice, ui::Icon::Information);
            preset = *name;
            continue;
        }
        if (!ui::report(prompter, saveTemplate(t.grid, ws, *name)))
            return false;
        prompter.message(QStringLiteral("已保存模版“%1”，共 %2 个字段。").arg(*name).arg(t.grid.Cols() - 1), kNotice,
                         ui::Icon::Information);
        return true;
    }
}

namespace {
// Whether the segments would give the grid's data other field names or another field count
// while students' cells stand under them (the cells stay where they are).
bool relabelsStudents(const Grid &g, const QStringList &segments)
{
    bool sameFields = segments.size() == g.Cols();
    for (int c = 1; sameFields && c < g.Cols(); ++c)
        sameFields = segments.at(c).trimmed() == g.TextMatrix(0, c).trimmed();
    if (sameFields)
        return false;
    for (int r = 1; r < g.Rows(); ++r)
        for (int c = 1; c < g.Cols(); ++c)
            if (!g.cellText(r, c).trimmed().isEmpty())
                return true;
    return false;
}
} // namespace

ui::Outcome applyTemplate(GradeTable &t, const base::Workspace &ws, const TemplateRequest &request)
{
    // Only a file of the template folder itself, as the menu lists them.
    std::optional<QStringList> segments;
    if (base::IsValidName(request.entry) && !request.entry.startsWith(QLatin1Char('.')))
        segments = readTemplateFile(ws.templateDir() + request.entry);
    if (!segments)
        return ui::Outcome::refused(kBadTemplate);
    Grid &g = t.grid;
    if (!fitsInGrid(g.Rows(), std::max<qint64>(g.Cols(), segments->size())))
        return ui::Outcome::refused(kTableTooLarge);
    if (!(request.agreed & RelabelStudents) && relabelsStudents(g, *segments))
        return ui::Outcome::ask(RelabelStudents,
                                QStringLiteral("应用模版将改变字段结构，现有数据不会移动。是否继续？"));
    t.beginChange();
    g.setFormatString(segments->join(QLatin1Char('|')));
    return ui::Outcome::ok();
}

bool askApplyTemplate(GradeTable &t, const base::Workspace &ws, ui::Prompter &prompter, const QString &entry)
{
    TemplateRequest request{.entry = entry, .agreed = 0};
    return ui::settle(prompter, request, [&](const TemplateRequest &r) { return applyTemplate(t, ws, r); }).done();
}

} // namespace table
