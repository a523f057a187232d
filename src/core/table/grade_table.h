#pragma once
// The grade table document: the grid and the document fields of one table window, under the
// names other windows reach them by, plus its undo history.
#include "core/table/grid.h"
#include "core/table/undo_history.h"

#include <QByteArray>
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

// What a table's own file was when the window last read or wrote it, to notice another program's
// save in between.
struct FileStamp {
    qint64 size = -1; // -1: not known (a table never read or written)
    qint64 modifiedMs = 0;
    QByteArray hash;
    bool known() const { return size >= 0; }
    bool operator==(const FileStamp &) const = default;
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
    void markSaved();
    // The table matches no saved state (a restored recovery copy): changed, and no undo or redo
    // comes back to the state last saved.
    void markUnsaved()
    {
        m_savedPosition = kNeverSaved;
        setChanged(true);
    }
    // Told whenever the marker goes on or off (the window caption shows it).
    std::function<void()> changeStateChanged;

    // Undo and redo: the steps of the history (undo_history.h), each a command that changed the
    // table. Whether they are available lives here alone; one observer (the table window) mirrors
    // it into 撤消, 重做 and toolbar button 6. While the cell editor has the keyboard both are
    // suspended (its own typing is not a step yet).
    bool undoEnabled() const { return !m_undoSuspended && m_history.canUndo(); }
    bool redoEnabled() const { return !m_undoSuspended && m_history.canRedo(); }
    // What 撤消 and 重做 would bring back ("排序"), for their captions.
    QString undoLabel() const { return m_history.undoLabel(); }
    QString redoLabel() const { return m_history.redoLabel(); }
    void setUndoSuspended(bool suspended);
    std::function<void()> undoStateChanged;
    // The name the next step gets: the command running (set by the window that runs it).
    QString changeLabel;
    // Starts a step: the table as it is now is kept until the change is settled. `label` names
    // it when the command's own name would not say what it did.
    void snapshotForUndo(const QString &label = {});
    // What every command that changes the table's content or title does first: a step begun and
    // the change marker set.
    void beginChange(const QString &label = {})
    {
        snapshotForUndo(label);
        markChanged();
    }
    // One typed cell is about to get a new text: a step of that cell alone, and the change marker.
    void beginCellChange(int row, int col);
    // Makes the change begun a step of what it really changed (none when it changed nothing).
    // Undo, redo, a save and the next change do it by themselves.
    void settleChange();
    // Walk the steps back and forth: Rows, Cols and every cell, field names and row numbers
    // included (the header text is rebuilt from them), and the properties; column widths the
    // teacher set stay. The change marker is off exactly when the table is back where it was
    // last saved.
    void undo();
    void redo();
    const UndoHistory &history() const { return m_history; }
    // A table read anew: no step leads anywhere any more, and it is as saved.
    void resetHistory();

    // The results menu of the last search (find_replace.h); kept until the next search.
    FindResults findResults;

    // The check mark of "去除密码保护保存(&W)": the next save packs without a password.
    bool unprotectedSave = false;
    // Opened while another process had it: its own file is not written (另存为 still is).
    bool readOnly = false;
    FileStamp diskStamp;

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

    TableProperties properties() const { return {title, teacher, classInfo, numberFormat}; }
    void setProperties(const TableProperties &p);
    void historyChanged();

    UndoHistory m_history;
    static constexpr quint64 kNeverSaved = ~quint64(0); // a position the history never takes
    quint64 m_savedPosition = 0;                        // the history's position at the last save
    bool m_undoSuspended = false;
    bool m_modified = false;
};

} // namespace table
