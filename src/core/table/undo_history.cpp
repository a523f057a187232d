#include "core/table/undo_history.h"

#include <utility>

namespace table {

namespace {

bool sameText(const QString &a, const QString &b)
{
    // Cells a command did not touch still share their text with the copy: no comparison needed.
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

// What a text costs beyond the table: nothing while someone else shares it.
qint64 ownBytes(const QString &text)
{
    return text.isDetached() ? qint64(text.capacity()) * qint64(sizeof(QChar)) : 0;
}

qint64 propertyBytes(const TableProperties &p)
{
    return (p.title.size() + p.teacher.size() + p.classInfo.size() + p.numberFormat.size()) * qint64(sizeof(QChar));
}

// Rows, Cols, every cell (field names and row numbers included) and the header text of `stored`;
// the columns that stay keep the widths the teacher gave them, the ones brought back their own.
void restoreGrid(Grid &g, const Grid &stored)
{
    GridBulk bulk(g);
    std::vector<int> widths;
    for (int c = 0; c < g.Cols(); ++c)
        widths.push_back(g.ColWidth(c));
    g.setRows(stored.Rows());
    g.setCols(stored.Cols());
    const int count = g.Rows() * g.Cols();
    for (int i = 0; i < count; ++i)
        g.setTextArray(i, stored.TextArray(i));
    g.setFormatString(stored.FormatString(), Grid::KeepWidths);
    for (int c = 0; c < g.Cols(); ++c)
        g.setColWidth(c, c < int(widths.size()) ? widths[size_t(c)] : stored.ColWidth(c));
}

} // namespace

void UndoHistory::clear()
{
    m_steps.clear();
    m_done = 0;
    m_pending.reset();
    m_bytes = 0;
    m_baseSerial = m_nextSerial++;
}

void UndoHistory::begin(const Grid &grid, const TableProperties &props, const QString &label)
{
    if (m_pending)
        settle(grid, props);
    // A copy shares every text with the table, so it costs the cell slots until settled.
    m_pending = Pending{label, grid, props};
}

void UndoHistory::beginCell(const Grid &grid, int row, int col, const TableProperties &props, const QString &label)
{
    if (m_pending)
        settle(grid, props);
    Step step{.label = label, .serial = 0, .props = props, .cells = {}, .grid = std::nullopt, .bytes = 0};
    step.cells.push_back({row * grid.Cols() + col, grid.TextMatrix(row, col)});
    push(std::move(step));
}

void UndoHistory::settle(const Grid &grid, const TableProperties &props)
{
    if (!m_pending)
        return;
    Pending before = std::move(*m_pending);
    m_pending.reset();
    Step step{.label = before.label, .serial = 0, .props = before.props, .cells = {}, .grid = std::nullopt, .bytes = 0};
    const Grid &old = before.grid;
    bool whole = old.Rows() != grid.Rows() || old.Cols() != grid.Cols() || old.FormatString() != grid.FormatString();
    if (!whole) {
        // The changed cells alone, as long as they cost less than the grid's cell slots.
        const size_t limit = size_t(old.Rows()) * size_t(old.Cols()) * sizeof(QString) / sizeof(Cell);
        for (int r = 0; r < old.Rows() && !whole; ++r)
            for (int c = 0; c < old.Cols(); ++c) {
                const QString &was = old.cellText(r, c);
                if (sameText(was, grid.cellText(r, c)))
                    continue;
                if (step.cells.size() >= limit) {
                    whole = true;
                    break;
                }
                step.cells.push_back({r * old.Cols() + c, was});
            }
    }
    if (whole) {
        // Not clear(): the cells gathered before giving up would keep their room in the step.
        step.cells = {};
        step.grid = std::move(before.grid);
    } else if (step.cells.empty() && props == before.props) {
        return; // the command changed nothing
    }
    step.cells.shrink_to_fit();
    push(std::move(step));
}

void UndoHistory::push(Step step)
{
    // A new change after undoing: the steps that were undone cannot be redone any more.
    while (int(m_steps.size()) > m_done) {
        m_bytes -= m_steps.back().bytes;
        m_steps.pop_back();
    }
    step.serial = m_nextSerial++;
    step.bytes = measure(step);
    m_bytes += step.bytes;
    m_steps.push_back(std::move(step));
    ++m_done;
    // The newest step stays even when it alone is over the bound.
    while (m_steps.size() > 1 && (int(m_steps.size()) > kMaxSteps || m_bytes > kMaxBytes)) {
        m_baseSerial = m_steps.front().serial;
        m_bytes -= m_steps.front().bytes;
        m_steps.pop_front();
        --m_done;
    }
}

qint64 UndoHistory::measure(const Step &step)
{
    qint64 bytes = qint64(sizeof(Step)) + step.label.size() * qint64(sizeof(QChar)) + propertyBytes(step.props);
    bytes += qint64(step.cells.capacity()) * qint64(sizeof(Cell));
    for (const Cell &cell : step.cells)
        bytes += ownBytes(cell.text);
    if (step.grid) {
        const Grid &g = *step.grid;
        bytes += qint64(g.Rows()) * g.Cols() * qint64(sizeof(QString)) + (g.Rows() + g.Cols()) * qint64(sizeof(int));
        for (int r = 0; r < g.Rows(); ++r)
            for (int c = 0; c < g.Cols(); ++c)
                bytes += ownBytes(g.cellText(r, c));
    }
    return bytes;
}

void UndoHistory::swapSides(Step &step, Grid &grid, TableProperties &props)
{
    std::swap(step.props, props);
    if (step.grid) {
        Grid now = grid;
        restoreGrid(grid, *step.grid);
        step.grid = std::move(now);
    } else if (!step.cells.empty()) {
        std::optional<GridBulk> bulk;
        if (step.cells.size() > 16)
            bulk.emplace(grid);
        for (Cell &cell : step.cells) {
            QString now = grid.TextArray(cell.index);
            grid.setTextArray(cell.index, cell.text);
            cell.text = std::move(now);
        }
        // The teacher sees where the step was.
        const int first = step.cells.front().index;
        if (grid.Cols() > 0 && first / grid.Cols() >= 1 && first % grid.Cols() >= 1)
            grid.setCurrent(first / grid.Cols(), first % grid.Cols());
    }
    m_bytes -= step.bytes;
    step.bytes = measure(step);
    m_bytes += step.bytes;
}

bool UndoHistory::undo(Grid &grid, TableProperties &props)
{
    settle(grid, props);
    if (m_done == 0)
        return false;
    swapSides(m_steps[size_t(--m_done)], grid, props);
    return true;
}

bool UndoHistory::redo(Grid &grid, TableProperties &props)
{
    settle(grid, props);
    if (m_done >= int(m_steps.size()))
        return false;
    swapSides(m_steps[size_t(m_done++)], grid, props);
    return true;
}

QString UndoHistory::undoLabel() const
{
    if (m_pending)
        return m_pending->label;
    return m_done > 0 ? m_steps[size_t(m_done - 1)].label : QString();
}

QString UndoHistory::redoLabel() const
{
    return canRedo() ? m_steps[size_t(m_done)].label : QString();
}

} // namespace table
