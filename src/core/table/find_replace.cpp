#include "core/table/find_replace.h"

#include "core/base/module1.h"

#include <algorithm>

namespace table {

namespace {

const QString kFormulaMarker = QStringLiteral("！公式：");

// The character at `pos` and the position after it (a surrogate pair is one character).
char32_t charAt(QStringView s, qsizetype pos, qsizetype *next)
{
    const QChar c = s[pos];
    if (c.isHighSurrogate() && pos + 1 < s.size() && s[pos + 1].isLowSurrogate()) {
        *next = pos + 2;
        return QChar::surrogateToUcs4(c, s[pos + 1]);
    }
    *next = pos + 1;
    return c.unicode();
}

} // namespace

bool LikePattern::Token::accepts(char32_t c) const
{
    switch (kind) {
    case Any:
        return true;
    case Digit:
        return c >= U'0' && c <= U'9';
    case Literal:
        return c == ch;
    case Set: {
        bool in = false;
        for (const auto &[lo, hi] : ranges)
            in = in || (c >= lo && c <= hi);
        return in != negate;
    }
    case Star:
        break;
    }
    return false;
}

LikePattern::LikePattern(const QString &pattern)
{
    std::vector<char32_t> p;
    const QStringView view(pattern);
    for (qsizetype i = 0, next = 0; i < view.size(); i = next)
        p.push_back(charAt(view, i, &next));

    const size_t n = p.size();
    for (size_t i = 0; i < n; ++i) {
        const char32_t c = p[i];
        if (c == U'*') {
            if (m_tokens.empty() || m_tokens.back().kind != Token::Star)
                m_tokens.emplace_back(Token::Star);
        } else if (c == U'?') {
            m_tokens.emplace_back(Token::Any);
        } else if (c == U'#') {
            m_tokens.emplace_back(Token::Digit);
        } else if (c == U'[') {
            size_t j = i + 1;
            const bool negate = j < n && p[j] == U'!';
            if (negate)
                ++j;
            size_t close = j;
            while (close < n && p[close] != U']')
                ++close;
            if (close >= n) { // unclosed: the "[" is an ordinary character
                m_tokens.emplace_back(Token::Literal, c);
                continue;
            }
            Token set(Token::Set);
            set.negate = negate;
            for (size_t k = j; k < close; ++k) {
                if (k + 2 < close && p[k + 1] == U'-') {
                    // A descending range holds no character.
                    if (p[k] <= p[k + 2])
                        set.ranges.emplace_back(p[k], p[k + 2]);
                    k += 2;
                } else {
                    set.ranges.emplace_back(p[k], p[k]);
                }
            }
            i = close;
            if (set.ranges.empty() && !negate)
                continue; // "[]" matches the empty text
            m_tokens.push_back(std::move(set));
        } else {
            m_tokens.emplace_back(Token::Literal, c);
        }
    }

    // "*" + plain text + "*" is a substring search.
    if (m_tokens.size() >= 2 && m_tokens.front().kind == Token::Star && m_tokens.back().kind == Token::Star) {
        m_substring = true;
        for (size_t i = 1; i + 1 < m_tokens.size(); ++i) {
            if (m_tokens[i].kind != Token::Literal) {
                m_substring = false;
                break;
            }
            m_literal += QString::fromUcs4(&m_tokens[i].ch, 1);
        }
    }
}

bool LikePattern::matches(QStringView text) const
{
    if (m_substring)
        return text.contains(m_literal);
    // Every token but "*" takes exactly one character, so remembering the last "*" is enough:
    // on a mismatch the "*" takes one character more and the rest is tried again from there.
    const size_t m = m_tokens.size();
    size_t pi = 0;
    qsizetype ti = 0;
    size_t starPi = SIZE_MAX;
    qsizetype starTi = 0;
    while (ti < text.size()) {
        qsizetype next = 0;
        const char32_t c = charAt(text, ti, &next);
        if (pi < m && m_tokens[pi].kind == Token::Star) {
            starPi = pi++;
            starTi = ti;
        } else if (pi < m && m_tokens[pi].accepts(c)) {
            ++pi;
            ti = next;
        } else if (starPi != SIZE_MAX) {
            pi = starPi + 1;
            charAt(text, starTi, &starTi);
            ti = starTi;
        } else {
            return false;
        }
    }
    while (pi < m && m_tokens[pi].kind == Token::Star)
        ++pi;
    return pi == m;
}

bool likeMatch(QStringView text, const QString &pattern)
{
    return LikePattern(pattern).matches(text);
}

QString findResultCaption(const Grid &g, int entry, int row)
{
    auto cell = [&](int col) { return col < g.Cols() ? base::ShortenName(g.TextMatrix(row, col)) : QString(); };
    return QString::number(entry) + QStringLiteral(": 第 ") + QString::number(row) + QStringLiteral(" 行。“") +
           cell(1) + QStringLiteral("；") + cell(2) + QStringLiteral("”");
}

int findCells(GradeTable &t, const QString &text, const FindOptions &o)
{
    Grid &g = t.grid;
    FindResults results;
    const LikePattern containing(QLatin1Char('*') + text + QLatin1Char('*'));
    {
        // One batch: the view is redrawn once at the end, whichever way this ends.
        GridBulk bulk(g);
        const int rows = g.Rows(), cols = g.Cols();
        for (int r = 1; r < rows; ++r) {
            bool found = false;
            int foundCol = 0;
            for (int c = 1; c < cols; ++c) {
                const QString cell = g.TextArray(t.faIndex(static_cast<int16_t>(r), static_cast<int16_t>(c)));
                if (cell == text) {
                    if (o.red) {
                        g.setCellForeColor(r, c, kEqualMark);
                        if (o.bold)
                            g.setCellFontBold(r, c, true);
                    }
                    found = true;
                    foundCol = foundCol ? foundCol : c;
                } else if (!o.whole && containing.matches(cell)) {
                    if (o.blue) {
                        g.setCellForeColor(r, c, kContainingMark);
                        if (o.bold)
                            g.setCellFontBold(r, c, true);
                    }
                    found = true;
                    foundCol = foundCol ? foundCol : c;
                } else if (g.cellForeColor(r, c) != 0 || g.cellFontBold(r, c)) {
                    g.setCellForeColor(r, c, 0);
                    g.setCellFontBold(r, c, false);
                }
            }
            if (found) {
                const int k = static_cast<int>(results.entries.size()) + 1;
                results.entries.append({findResultCaption(g, k, r), r, foundCol});
            }
        }
    }
    if (!results.entries.isEmpty())
        results.summary =
            QStringLiteral("共 ") + QString::number(results.entries.size()) + QStringLiteral(" 行包含查找内容。");
    t.findResults = std::move(results);
    return static_cast<int>(t.findResults.entries.size());
}

void clearFindMarks(GradeTable &t)
{
    Grid &g = t.grid;
    GridBulk bulk(g);
    for (int r = 1; r < g.Rows(); ++r)
        for (int c = 1; c < g.Cols(); ++c)
            if (g.cellForeColor(r, c) != 0 || g.cellFontBold(r, c)) {
                g.setCellForeColor(r, c, 0);
                g.setCellFontBold(r, c, false);
            }
}

bool goToFindResult(GradeTable &t, int entry)
{
    if (entry < 1 || entry > t.findResults.entries.size())
        return false;
    Grid &g = t.grid;
    const int row = t.findResults.entries[entry - 1].row;
    if (row < 1 || row >= g.Rows())
        return false;
    // The cursor lands on the cell that matched, where the teacher can go on typing.
    g.setCurrent(row, std::clamp(t.findResults.entries[entry - 1].col, 1, std::max(g.Cols() - 1, 1)));
    g.setTopRow(row);
    return true;
}

QString replacedText(const QString &cell, const QString &from, const QString &to, bool whole)
{
    // The marker of a formula cell is never part of what is searched.
    const qsizetype bodyAt = cell.startsWith(kFormulaMarker) ? kFormulaMarker.size() : 0;
    const QString body = cell.mid(bodyAt);
    if (whole)
        return body == from ? cell.left(bodyAt) + to : cell;
    if (from.isEmpty() || !body.contains(from))
        return cell;
    return cell.left(bodyAt) + QString(body).replace(from, to);
}

int replaceAll(GradeTable &t, const QString &from, const QString &to, bool whole)
{
    Grid &g = t.grid;
    std::vector<std::pair<int, QString>> changes;
    for (int r = 1; r < g.Rows(); ++r)
        for (int c = 1; c < g.Cols(); ++c) {
            const int i = t.faIndex(static_cast<int16_t>(r), static_cast<int16_t>(c));
            const QString cell = g.TextArray(i);
            QString after = replacedText(cell, from, to, whole);
            if (after != cell)
                changes.emplace_back(i, std::move(after));
        }
    if (changes.empty())
        return 0;
    t.beginChange(QStringLiteral("替换"));
    GridBulk bulk(g);
    for (const auto &[i, text] : changes)
        g.setTextArray(i, text);
    return static_cast<int>(changes.size());
}

} // namespace table
