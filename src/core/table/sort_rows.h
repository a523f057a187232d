#pragma once
// Sorting the students of a table by one field, and the logic of the sort dialog frm排序.
//
// A key is the display value of the sort field's cell (a formula cell's result; the caller
// computes every key before any row moves). Its trimmed text is a number when it is an optional
// sign followed by digits with an optional decimal point and digits, or by a decimal point and
// digits (85, -3, +5, 85.5, 85., .5); empty or only blanks is empty; anything else is text.
// Ascending: numbers, then texts in Chinese (pinyin) order, then empty cells; descending: numbers
// from high to low, then texts in reverse order, then empty cells. The sort is stable.
#include "core/table/grade_table.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace ui {
class Prompter;
}

namespace table {

// The number a key stands for, or nullopt when it is not a number.
std::optional<double> sortNumber(QStringView key);

// The new order of the data rows: element i is the row that becomes row 1 + i. `keys` holds one
// key per grid row (entry 0, the header row, is not used).
std::vector<int> sortedRowOrder(const QStringList &keys, bool ascending);

struct SortRequest {
    int column = 1; // the sort field's grid column
    bool ascending = false;
    int rankColumn = -1; // the column that gets the positions 1, 2, 3 …; −1: none
    // Equal keys share a rank and the next rank skips (1, 2, 2, 4); otherwise the positions.
    bool sharedRanks = false;
};

// Where the sort dialog keeps whether ranks are shared, for the logged-in user.
inline const QString kSortSection = QStringLiteral("Sort");
inline QString sharedRanksKey(const QString &userName)
{
    return userName.isEmpty() ? QStringLiteral("SharedRanks") : QStringLiteral("SharedRanks_") + userName;
}

// "确定(&O)": begins the table's change (undo snapshot, change marker), reorders the data rows,
// renumbers column 0 and writes the ranks into the rank column (positions, or shared ranks). False (nothing done) when
// the request names a column outside the data, the rank column is the sort column, or the keys do not cover the rows.
bool sortTable(GradeTable &t, const SortRequest &request, const QStringList &keys);

// Toolbar buttons 19 and 20: a table without fields is refused with "没有可供排序的字段！".
bool checkSortable(const GradeTable &t, ui::Prompter &prompter);

// The state of frm排序: the two field lists (entry i is grid column i + 1), the write-back box,
// the order. Every change of either list or of the box, and "确定", runs the guard against
// writing the positions into the sort field.
class SortDialogModel {
public:
    SortDialogModel(const GradeTable &t, bool ascending);

    QStringList fields() const { return m_fields; } // Combo1 and Combo2
    int sortIndex() const { return m_sort; }        // −1: none chosen
    int targetIndex() const { return m_target; }
    bool writeBack() const { return m_writeBack; }     // Check1
    bool ascending() const { return m_ascending; }     // Option1 (true) or Option2
    bool sharedRanks() const { return m_sharedRanks; } // Check2 "相同分数名次并列"

    void setSortIndex(int index, ui::Prompter &prompter);
    void setTargetIndex(int index, ui::Prompter &prompter);
    void setWriteBack(bool on, ui::Prompter &prompter);
    void setAscending(bool on) { m_ascending = on; }
    void setSharedRanks(bool on) { m_sharedRanks = on; }

    bool okEnabled() const { return m_sort >= 0; }
    bool writeBackEnabled() const { return m_fields.size() > 1; }
    bool targetEnabled() const { return m_writeBack && writeBackEnabled(); }

    // "确定(&O)": the request to carry out, or nullopt when the guard had to move the target (the
    // dialog stays open to show it) or no field is chosen.
    std::optional<SortRequest> accept(ui::Prompter &prompter);

private:
    // True when the target was moved off the sort field.
    bool guard(ui::Prompter &prompter);

    QStringList m_fields;
    int m_sort = -1;
    int m_target = -1;
    bool m_writeBack = false;
    bool m_ascending = false;
    bool m_sharedRanks = false;
};

} // namespace table
