#include "core/table/table_properties.h"

#include "core/base/workspace.h"
#include "core/table/fields.h"
#include "core/ui/prompter.h"
#include "core/ui/settings_store.h"

#include <algorithm>

namespace table {

namespace {
bool allDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A digits-only text as a number, or -1 when it is not one (or too long to be a sane count).
int digitsValue(const QString &text)
{
    if (!allDigits(text) || text.size() > 9)
        return -1;
    return text.toInt();
}
} // namespace

bool menuChangTitile(GradeTable &t, ui::Prompter &prompter)
{
    const std::optional<QString> title = prompter.input(
        QStringLiteral("请输入新的表格标题，它可以用于将表格文件更名保存，同时，被更改的标题也将在打印中体现出来。"),
        QStringLiteral("更改标题"), t.title);
    if (!title || title->isEmpty())
        return false;
    setTitle(t, *title);
    return true;
}

void setTitle(GradeTable &t, const QString &title)
{
    t.beginChange();
    t.title = title;
}

// --- class information --------------------------------------------------------------------------

ClassInfo classInfoOf(const GradeTable &t)
{
    return {t.grid.Rows() - 1, t.teacher, t.classInfo};
}

std::optional<int> classSizeFromText(const QString &typed)
{
    const int v = digitsValue(typed.trimmed());
    if (v < 0 || v > kMaxClassSize)
        return std::nullopt;
    return v;
}

QString classSizeMessage()
{
    return QStringLiteral("班级人数应为 0 … %1 之间的整数，请重新填写。").arg(kMaxClassSize);
}

bool applyClassInfo(GradeTable &t, const ClassInfo &info)
{
    Grid &g = t.grid;
    if (info.classSize < 0 || info.classSize > kMaxClassSize || !fitsInGrid(qint64(info.classSize) + 1, g.Cols()))
        return false;
    t.beginChange();
    GridBulk bulk(g);
    g.setRows(info.classSize + 1);
    t.teacher = info.teacher;
    t.classInfo = info.info;
    for (int r = 1; r <= info.classSize; ++r)
        g.setTextMatrix(r, 0, QString::number(r));
    return true;
}

// --- number format ------------------------------------------------------------------------------

int decimalsOf(const QString &dataFormat)
{
    const qsizetype dot = dataFormat.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return 0;
    return static_cast<int>(std::min<qsizetype>(dataFormat.size() - dot - 1, kMaxDecimals));
}

bool padsOf(const QString &dataFormat)
{
    return dataFormat.endsWith(QLatin1Char('0'));
}

QString dataFormatFor(int decimals, bool pad)
{
    const int n = std::clamp(decimals, 0, kMaxDecimals);
    return QStringLiteral("###.") + QString(n, pad ? QLatin1Char('0') : QLatin1Char('#'));
}

QString decimalsBoxText(const QString &typed)
{
    if (typed.isEmpty())
        return QStringLiteral("0");
    if (!allDigits(typed))
        return QString();
    const int v = digitsValue(typed);
    if (v < 0 || v > kMaxDecimals)
        return QString::number(kMaxDecimals);
    return typed;
}

bool applyDataFormat(GradeTable &t, const QString &dataFormat)
{
    if (t.numberFormat == dataFormat)
        return false;
    t.beginChange();
    t.numberFormat = dataFormat;
    return true;
}

// --- font ---------------------------------------------------------------------------------------

const std::array<FontSizeEntry, 31> kFontSizes{{
    {u"8", 8},     {u"9", 9},     {u"10", 10},   {u"12", 12},   {u"14", 14},   {u"16", 16},   {u"18", 18},
    {u"20", 20},   {u"22", 22},   {u"24", 24},   {u"26", 26},   {u"28", 28},   {u"36", 36},   {u"48", 48},
    {u"72", 72},   {u"初号", 42}, {u"小初", 36}, {u"一号", 26}, {u"小一", 24}, {u"二号", 22}, {u"小二", 18},
    {u"三号", 16}, {u"小三", 15}, {u"四号", 14}, {u"小四", 12}, {u"五号", 10}, {u"小五", 9},  {u"六号", 7},
    {u"小六", 6},  {u"七号", 5},  {u"八号", 5},
}};

int fontSizeIndex(double points)
{
    for (size_t i = 0; i < kFontSizes.size(); ++i)
        if (kFontSizes[i].points == points)
            return static_cast<int>(i);
    return 1; // "9"
}

void setTableFont(base::Workspace &ws, ui::SettingsStore &settings, const QString &name, int points)
{
    ws.tableFontName = name;
    ws.tableFontSize = points;
    settings.setValue(QStringLiteral("Font"), QStringLiteral("Name"), name);
    settings.setValue(QStringLiteral("Font"), QStringLiteral("Size"), QString::number(points));
}

// --- row height and column width ----------------------------------------------------------------

QString sizeBoxText(const QString &typed, int current)
{
    const int v = digitsValue(typed);
    if (v < 0 || v > kMaxCellTwips)
        return QString::number(current);
    return typed;
}

void applyHeightWidth(Grid &g, int heightTwips, int widthTwips)
{
    const int row = g.Row(), rowSel = g.RowSel(), col = g.Col(), colSel = g.ColSel();
    GridBulk bulk(g);
    if (heightTwips >= 0 && heightTwips <= kMaxCellTwips)
        for (int r = std::min(row, rowSel); r <= std::max(row, rowSel); ++r)
            g.setRowHeight(r, heightTwips);
    if (widthTwips >= 0 && widthTwips <= kMaxCellTwips)
        for (int c = std::min(col, colSel); c <= std::max(col, colSel); ++c)
            g.setColWidth(c, widthTwips);
}

} // namespace table
