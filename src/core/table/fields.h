#pragma once
// The column structure of a table: inserting, removing and renaming a field, and the field
// manager's list. Field names live in the header row; every change ends with the field header
// rebuild, in which an unnamed field stands as three spaces.
#include "core/table/grade_table.h"
#include "core/ui/outcome.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace table {

// The refusal of a grid that would grow past kMaxCells.
inline const QString kTableTooLarge = QStringLiteral("表格过大，无法完成该操作。");

// "  " then "|" + the name of each field 1 … Cols − 1 ("   " for an unnamed one), given to the grid.
void rebuildFieldHeader(Grid &grid);

// A field name must not split the header: no "|" and no line break.
bool isUsableFieldName(const QString &name);
inline const QString kUnusableFieldName = QStringLiteral("字段名称中不能包含“|”或换行。");
// Asks through an input box until the answer is a usable field name (each refusal is told and
// the box shown again with the refused text). nullopt when the answer is empty or cancelled.
std::optional<QString> askFieldName(ui::Prompter &prompter, const QString &prompt, const QString &title,
                                    const QString &preset);

// Largest number of cells a command may make the grid hold (Rows × Cols).
constexpr qint64 kMaxCells = qint64(1) << 24;
bool fitsInGrid(qint64 rows, qint64 cols);

// The grid operations alone, without undo or questions. `col` is a data column 1 … Cols − 1
// (insertColumn also takes Cols, appending); false when nothing was done. Every formula's
// references by column number follow their columns; one to a removed column becomes a formula
// error.
bool insertColumn(Grid &grid, int col);
bool removeColumn(Grid &grid, int col);
// Gives the grid one data column per entry of `sourceOf`: new column j + 1 takes old column
// sourceOf[j] with its cells (0, or anything outside 1 … Cols − 1: a new empty column); old
// columns no entry names are removed. Formulas follow as above. False when too large.
bool rearrangeColumns(Grid &grid, const std::vector<int> &sourceOf);

// How many formula cells outside column `col` refer to it by number.
int formulasReferringTo(const Grid &grid, int col);
// Whether a student row holds anything in column `col`.
bool columnHoldsData(const Grid &grid, int col);

// A field change with its answers: the window asks the teacher, the command line reads its
// operands, and both run the same operation.
struct FieldRequest {
    // The field; for an insert, where the new field goes (0 puts it before field 1).
    int column = 0;
    // Insert and rename: the new name (empty, or with "|" or a line break, is refused).
    QString name;
    // Remove: the questions answered yes (FieldQuestion).
    unsigned agreed = 0;
};
enum FieldQuestion : unsigned {
    RemoveFieldData = 1,        // the column holds students' data
    BreakReferringFormulas = 2, // formulas refer to it and will show "公式错误"
};
// Each refuses the row-number column ("请先选定要操作的列！"), except insert, which puts the new
// field before field 1 there. Remove asks (Ask) before it deletes a column holding data and
// when formulas refer to it. Done when the table changed, through beginChange().
ui::Outcome insertField(GradeTable &t, const FieldRequest &request);
ui::Outcome removeField(GradeTable &t, const FieldRequest &request);
ui::Outcome renameField(GradeTable &t, const FieldRequest &request);

// The field menu's commands on the current column: they ask the name in an input box (insert
// asks only when the field fits; cancelled: no change) and the removal's questions, and run the
// operations above. True when the table changed.
bool askInsertField(GradeTable &t, ui::Prompter &prompter);
bool askRemoveField(GradeTable &t, ui::Prompter &prompter);
bool askRenameField(GradeTable &t, ui::Prompter &prompter);

// The field manager's list and its buttons, apart from the dialog.
class FieldManager {
public:
    // The header format text's segments 1 … Cols − 1, trimmed; stops where the text runs out.
    // The last entry is selected.
    explicit FieldManager(const Grid &grid);

    QStringList items;
    int selected = -1; // -1: no entry selected
    // The grid column each entry stands for (0: a new one), parallel to `items`; entries past its
    // end are new.
    std::vector<int> origins;
    // formulaReferenceCounts of the grid the list was taken from.
    std::vector<int> references;

    // "< 插入(&A)", "> 删除(&D)", "清空(&C)", "重命名(&R)": each asks through the prompter.
    // Insert puts the new entry before the selected one (at the end when none is).
    void insert(ui::Prompter &prompter);
    void remove(ui::Prompter &prompter);
    void clear(ui::Prompter &prompter);
    void rename(ui::Prompter &prompter);

    // "确定(&O)": "   " then "|" + each entry.
    QString headerText() const;
    // Gives the list to the table: each entry's column with its cells in the list's order, new
    // entries as empty columns, removed entries' columns gone, then the names as the header.
    // False when the list would make the grid too large; the table is then untouched.
    ui::Outcome apply(GradeTable &t) const;

private:
    int originOf(qsizetype item) const;
};

} // namespace table
