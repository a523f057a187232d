#pragma once
// Find and replace over the data cells of a table (rows 1 … Rows − 1, columns 1 … Cols − 1; the
// header row and the row numbers are never searched, marked or replaced).
//
// Find marks equal cells red and containing cells blue (optionally bold), turns every other data
// cell black and not bold, and lists the matched rows in the table's results menu menuZD
// (GradeTable::findResults). Containing is the pattern "*" + text + "*" with the pattern rules
// of LikePattern. Marks are set cell by cell as one batch: the current cell does not move and
// the view is redrawn once.
#include "core/table/grade_table.h"

#include <QRgb>
#include <QString>
#include <QStringView>
#include <vector>

namespace table {

// The marks as colours of the grid. The system's colour values are 0x00BBGGRR: 0x0000FF is red,
// 0xFF0000 blue, 0 black (the grid's default colour).
inline constexpr QRgb kEqualMark = qRgb(0xFF, 0x00, 0x00);
inline constexpr QRgb kContainingMark = qRgb(0x00, 0x00, 0xFF);

// A pattern with the rules: "*" any run of characters, "?" any one character, "#" any one digit
// 0-9, "[list]" any one character of the list (ranges such as a-z allowed), "[!list]" any one
// character not in it; everything else matches itself, case-sensitively. An "[" without a
// closing "]" is taken literally; "[]" matches the empty text. Matching takes at most
// text × pattern steps, whatever the pattern.
class LikePattern {
public:
    explicit LikePattern(const QString &pattern);
    bool matches(QStringView text) const;

private:
    struct Token {
        enum Kind { Star, Any, Digit, Literal, Set };
        explicit Token(Kind k, char32_t c = 0) : kind(k), ch(c) {}
        Kind kind;
        char32_t ch = 0;
        bool negate = false;
        std::vector<std::pair<char32_t, char32_t>> ranges;
        bool accepts(char32_t c) const;
    };
    std::vector<Token> m_tokens;
    // Set when the pattern is "*" + plain text + "*": a substring search does.
    bool m_substring = false;
    QString m_literal;
};

bool likeMatch(QStringView text, const QString &pattern);

// The options of the find dialog, as it opens.
struct FindOptions {
    bool red = true;   // Check1 "用红色标记(&R)"
    bool bold = false; // Check2 "加粗(&B)"
    bool whole = true; // Check4 "全字符匹配(&A)"
    bool blue = true;  // Check5 "蓝色标记非全字符匹配"
};

// The caption of result entry k for row r: k + ": 第 " + r + " 行。“" + the shortened texts of
// cells (r, 1) and (r, 2) ("" for a cell that does not exist) + "”".
QString findResultCaption(const Grid &g, int entry, int row);

// "查找(&F)": resets and fills t.findResults and sets the marks. The number of result rows.
int findCells(GradeTable &t, const QString &text, const FindOptions &options);
// "清除查找标记(&M)": every data cell black and not bold; the results stay.
void clearFindMarks(GradeTable &t);
// Choosing entry `entry` of menuZD: the first cell of the row that matched becomes current, its
// row scrolled to the top. Entry 0, and a row no longer in the table, do nothing (false).
bool goToFindResult(GradeTable &t, int entry);

// "全部替换(&C)": in every data cell equal to `from` (whole) or containing it, the whole text or
// every occurrence from left to right is replaced by `to`. In a formula cell only the body after
// "！公式：" is searched. When anything changes, the table's change is begun first (undo snapshot,
// undo enabled, change marker). The number of cells changed.
int replaceAll(GradeTable &t, const QString &from, const QString &to, bool whole);
// The text of one cell after the replacement.
QString replacedText(const QString &cell, const QString &from, const QString &to, bool whole);

} // namespace table
