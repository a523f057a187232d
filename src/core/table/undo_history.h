#pragma once
// The steps 撤消 and 重做 walk: each change of a table is kept as what it changed, so a typed cell
// costs that cell and a sort one copy of the grid, never more. At most kMaxSteps steps and
// kMaxBytes of them are kept; the oldest go first.
#include "core/table/grid.h"

#include <QString>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace table {

// The document's fields a step restores with the cells.
struct TableProperties {
    QString title, teacher, classInfo, numberFormat;
    bool operator==(const TableProperties &) const = default;
};

class UndoHistory {
public:
    static constexpr int kMaxSteps = 100;
    static constexpr qint64 kMaxBytes = qint64(64) << 20;

    // A change is about to be made to `grid`: its state now is kept until the change is settled.
    // An unsettled change before it is settled first.
    void begin(const Grid &grid, const TableProperties &props, const QString &label);
    // One cell is about to change: the step keeps that cell alone.
    void beginCell(const Grid &grid, int row, int col, const TableProperties &props, const QString &label);
    // Turns the change begun into a step of what really changed; a change that changed nothing
    // leaves no step. Nothing happens when no change is open.
    void settle(const Grid &grid, const TableProperties &props);

    bool canUndo() const { return m_pending.has_value() || m_done > 0; }
    bool canRedo() const { return !m_pending && m_done < int(m_steps.size()); }
    // What the next undo and redo bring back ("排序"); empty when there is none.
    QString undoLabel() const;
    QString redoLabel() const;
    // Both settle an open change first; false when there was nothing to walk.
    bool undo(Grid &grid, TableProperties &props);
    bool redo(Grid &grid, TableProperties &props);

    // Names the state reached by the steps so far; 0 before the first, never reused, so a state
    // the history can no longer reach is never taken for the one saved.
    quint64 position() const { return m_done > 0 ? m_steps[size_t(m_done - 1)].serial : m_baseSerial; }

    int stepCount() const { return int(m_steps.size()); }
    // What the kept steps hold beyond the table itself (texts that only a step still holds,
    // the cell slots of grid copies).
    qint64 bytes() const { return m_bytes; }
    void clear();

private:
    struct Cell {
        int index;
        QString text;
    };
    struct Step {
        QString label;
        quint64 serial = 0;
        TableProperties props;    // the other side's properties
        std::vector<Cell> cells;  // the other side's texts of the cells that differ, or
        std::optional<Grid> grid; // the other side's whole grid
        qint64 bytes = 0;
    };
    struct Pending {
        QString label;
        Grid grid;
        TableProperties props;
    };

    void push(Step step);
    void swapSides(Step &step, Grid &grid, TableProperties &props);
    static qint64 measure(const Step &step);

    std::deque<Step> m_steps;
    int m_done = 0; // steps 0 … m_done − 1 are applied
    std::optional<Pending> m_pending;
    quint64 m_nextSerial = 1;
    quint64 m_baseSerial = 0; // the state before the oldest kept step
    qint64 m_bytes = 0;
};

} // namespace table
