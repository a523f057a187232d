#pragma once
// The grade table document: the grid and the document fields of one table window, under the
// names other windows reach them by, plus the one-level undo snapshot.
#include "core/table/grid.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

namespace table {

// One entry of the results menu menuZD: its caption, the row it goes to (its tag) and the first
// column of that row that matched.
struct FindResult {
    QString caption;
    int row = 0;
    int col = 1;
};
// The results menu of the last search in a table: entry 0 (disabled) shows `summary`, entries
// 1 … N are `entries` in row order.
struct FindResults {
    QString summary = QStringLiteral("(空)");
    QList<FindResult> entries;
};

class GradeTable {
public:
    GradeTable();

    Grid grid;                                       // the cells: header row, row numbers, data
    QString title = QStringLiteral("未命名的表格");  // title: window caption, file line 2, print title
    QString filePath;                                // table file path without ".gdt"; "" if never saved
    QString teacher;                                 // teacher
    QString classInfo;                               // class information (may hold line breaks)
    QString numberFormat = QStringLiteral("###.##"); // number format of formula results

    // Linear cell index row × Cols + col, in 32 bits over 16-bit arguments.
    int32_t faIndex(int16_t row, int16_t col) const
    {
        return static_cast<int32_t>(row) * static_cast<int32_t>(grid.Cols()) + col;
    }

    // The change marker: on from the first change until a save that wrote the table where it belongs.
    bool isModified() const { return m_modified; }
    void markChanged() { setChanged(true); }
    // A save that wrote the table where it belongs: nothing is left to ask about on closing.
    void markSaved() { setChanged(false); }
    // Told whenever the marker goes on or off (the window caption shows it).
    std::function<void()> changeStateChanged;

    // Undo: the snapshot grid (a copy of the whole grid, header row and row numbers included),
    // whether 撤消 is available and whether an edit in the cell editor took the snapshot (undo
    // armed). Whether undo is available lives here alone; one observer (the table window) mirrors
    // it into the menu entry and toolbar button 6.
    Grid undoGrid;
    // The title, teacher, class information and number format as they were at the snapshot, so a
    // property change is undone like a change of cells.
    QString undoTitle, undoTeacher, undoClassInfo, undoNumberFormat;
    bool undoArmed = false;
    bool undoEnabled() const { return m_undoEnabled; }
    void setUndoEnabled(bool enabled);
    std::function<void()> undoStateChanged;
    // Copies the grid into undoGrid and keeps the properties. The caller enables undo.
    void takeSnapshot();
    // takeSnapshot() and enable undo.
    void snapshotForUndo();
    // What every command that changes the table's content or title does first: the snapshot,
    // undo enabled, and the change marker set.
    void beginChange()
    {
        snapshotForUndo();
        markChanged();
    }
    // Restores Rows, Cols and every cell, field names and row numbers included (the header text is
    // rebuilt from them), and the properties; column widths the teacher set stay. Undo is then
    // unavailable.
    void undo();

    // The results menu of the last search (find_replace.h); kept until the next search.
    FindResults findResults;

    // The check mark of "去除密码保护保存(&W)": the next save packs without a password.
    bool unprotectedSave = false;

    // Rebuilds the header from the field names in row 0 and renumbers column 0.
    void rebuildHeader();

private:
    void setChanged(bool changed)
    {
        if (changed == m_modified)
            return;
        m_modified = changed;
        if (changeStateChanged)
            changeStateChanged();
    }

    bool m_undoEnabled = false;
    bool m_modified = false;
};

} // namespace table
