#include "core/table/sort_rows.h"

#include "core/ui/prompter.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace table {

namespace {
const QString kTip = QStringLiteral("提示");

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

enum Class { Number = 0, Text = 1, Empty = 2 };
} // namespace

std::optional<double> sortNumber(QStringView key)
{
    // Most keys have no blanks around them; trimming is then left out.
    const bool blanks = !key.isEmpty() && (key.front().isSpace() || key.back().isSpace());
    const QStringView s = blanks ? key.trimmed() : key;
    qsizetype i = 0;
    const bool negative = i < s.size() && s[i] == u'-';
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    // The digits are gathered while they are checked: scores have few of them, and up to 15 make
    // an integer below 2^53 and a power of ten that are both exact, so their quotient is the
    // correctly rounded value strtod gives, without copying the text.
    qsizetype intDigits = 0, fracDigits = 0;
    qint64 digits = 0;
    double scale = 1;
    while (i < s.size() && isDigit(s[i])) {
        if (++intDigits <= 15)
            digits = digits * 10 + (s[i].unicode() - u'0');
        ++i;
    }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            if (intDigits + ++fracDigits <= 15) {
                digits = digits * 10 + (s[i].unicode() - u'0');
                scale *= 10;
            }
            ++i;
        }
    }
    if (i != s.size() || (intDigits == 0 && fracDigits == 0))
        return std::nullopt;
    if (intDigits + fracDigits <= 15) {
        const double v = double(digits) / scale;
        return negative ? -v : v;
    }
    // Only ASCII is left; a value beyond the range of double becomes an infinity, which still
    // orders correctly.
    const QByteArray latin = s.toLatin1();
    return std::strtod(latin.constData(), nullptr);
}

std::vector<int> sortedRowOrder(const QStringList &keys, bool ascending)
{
    struct Item {
        int row;
        Class cls;
        double value; // the number, or the text's rank in collation order
    };
    std::vector<Item> items;
    std::vector<size_t> texts;
    for (int r = 1; r < keys.size(); ++r) {
        const QString &k = keys[r];
        if (k.trimmed().isEmpty()) {
            items.push_back({r, Empty, 0});
        } else if (const std::optional<double> n = sortNumber(k)) {
            items.push_back({r, Number, *n});
        } else {
            texts.push_back(items.size());
            items.push_back({r, Text, 0});
        }
    }
    if (!texts.empty()) {
        // One collation pass gives each text its rank; equal texts share one.
        QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
        std::vector<QCollatorSortKey> sortKeys;
        sortKeys.reserve(texts.size());
        for (size_t i : texts)
            sortKeys.push_back(collator.sortKey(keys[items[i].row]));
        std::vector<size_t> order(texts.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return sortKeys[a].compare(sortKeys[b]) < 0; });
        int rank = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            if (i > 0 && sortKeys[order[i - 1]].compare(sortKeys[order[i]]) != 0)
                ++rank;
            items[texts[order[i]]].value = rank;
        }
    }
    std::stable_sort(items.begin(), items.end(), [ascending](const Item &a, const Item &b) {
        if (a.cls != b.cls)
            return a.cls < b.cls; // empty cells last either way
        return ascending ? a.value < b.value : a.value > b.value;
    });
    std::vector<int> rows;
    rows.reserve(items.size());
    for (const Item &i : items)
        rows.push_back(i.row);
    return rows;
}

namespace {
// Whether two keys rank the same: both empty, the same number, or the same text.
bool sameRank(const QString &a, const QString &b)
{
    const QStringView ta = QStringView(a).trimmed(), tb = QStringView(b).trimmed();
    if (ta.isEmpty() || tb.isEmpty())
        return ta.isEmpty() && tb.isEmpty();
    const std::optional<double> na = sortNumber(ta), nb = sortNumber(tb);
    if (na || nb)
        return na && nb && *na == *nb;
    return ta == tb;
}
} // namespace

bool sortTable(GradeTable &t, const SortRequest &request, const QStringList &keys)
{
    Grid &g = t.grid;
    const int cols = g.Cols(), rows = g.Rows();
    if (request.column < 1 || request.column >= cols || keys.size() != rows)
        return false;
    if (request.rankColumn == request.column || request.rankColumn >= cols ||
        (request.rankColumn < 1 && request.rankColumn != -1))
        return false;
    t.beginChange(QStringLiteral("排序"));
    GridBulk bulk(g);
    g.setColSel(request.column);
    g.setCol(request.column);
    const std::vector<int> order = sortedRowOrder(keys, request.ascending);
    g.reorderRows(order);
    int rank = 0;
    for (int r = 1; r < rows; ++r) {
        g.setTextMatrix(r, 0, QString::number(r));
        const bool tied =
            request.sharedRanks && r > 1 && sameRank(keys[order[std::size_t(r - 1)]], keys[order[std::size_t(r - 2)]]);
        if (!tied)
            rank = r;
        if (request.rankColumn > 0)
            g.setTextMatrix(r, request.rankColumn, QString::number(rank));
    }
    return true;
}

bool checkSortable(const GradeTable &t, ui::Prompter &prompter)
{
    if (!t.grid.FormatString().trimmed().isEmpty() && t.grid.Cols() > 1)
        return true;
    prompter.message(QStringLiteral("没有可供排序的字段！"), kTip, ui::Icon::Information);
    return false;
}

SortDialogModel::SortDialogModel(const GradeTable &t, bool ascending) : m_ascending(ascending)
{
    const Grid &g = t.grid;
    // The names in the header cells, which the header text may no longer match after the field
    // manager gave it its own.
    for (int i = 1; i < g.Cols(); ++i)
        m_fields << g.TextMatrix(0, i);
    m_sort = g.Col() >= 1 && g.Col() < g.Cols() ? g.Col() - 1 : -1;
    m_target = static_cast<int>(m_fields.size()) - 1;
}

bool SortDialogModel::guard(ui::Prompter &prompter)
{
    if (!m_writeBack || m_sort < 0 || m_sort != m_target)
        return false;
    prompter.message(QStringLiteral("排序结果不可写回原字段！"), kTip, ui::Icon::Information);
    const int last = static_cast<int>(m_fields.size()) - 1;
    m_target = m_target < last ? m_target + 1 : m_target - 1;
    return true;
}

void SortDialogModel::setSortIndex(int index, ui::Prompter &prompter)
{
    m_sort = index >= 0 && index < m_fields.size() ? index : -1;
    guard(prompter);
}

void SortDialogModel::setTargetIndex(int index, ui::Prompter &prompter)
{
    if (index >= 0 && index < m_fields.size())
        m_target = index;
    guard(prompter);
}

void SortDialogModel::setWriteBack(bool on, ui::Prompter &prompter)
{
    m_writeBack = on && writeBackEnabled();
    guard(prompter);
}

std::optional<SortRequest> SortDialogModel::accept(ui::Prompter &prompter)
{
    if (!okEnabled() || guard(prompter))
        return std::nullopt;
    SortRequest r;
    r.column = m_sort + 1;
    r.ascending = m_ascending;
    r.rankColumn = m_writeBack && m_target >= 0 ? m_target + 1 : -1;
    r.sharedRanks = m_sharedRanks && r.rankColumn > 0;
    return r;
}

} // namespace table
