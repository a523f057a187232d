#include "core/table/grade_table.h"

namespace table {

GradeTable::GradeTable() = default;

namespace {
// A command run outside a window (a test, a dialog's own change) still names its step.
QString labelOr(const QString &label)
{
    return label.isEmpty() ? QStringLiteral("更改") : label;
}
} // namespace

void GradeTable::setUndoSuspended(bool suspended)
{
    if (m_undoSuspended == suspended)
        return;
    m_undoSuspended = suspended;
    historyChanged();
}

void GradeTable::historyChanged()
{
    if (undoStateChanged)
        undoStateChanged();
}

void GradeTable::setProperties(const TableProperties &p)
{
    title = p.title;
    teacher = p.teacher;
    classInfo = p.classInfo;
    numberFormat = p.numberFormat;
}

void GradeTable::snapshotForUndo(const QString &label)
{
    m_history.begin(grid, properties(), labelOr(label.isEmpty() ? changeLabel : label));
    historyChanged();
}

void GradeTable::beginCellChange(int row, int col)
{
    m_history.beginCell(grid, row, col, properties(), QStringLiteral("输入"));
    markChanged();
    historyChanged();
}

void GradeTable::settleChange()
{
    m_history.settle(grid, properties());
    historyChanged();
}

void GradeTable::markSaved()
{
    m_history.settle(grid, properties());
    m_savedPosition = m_history.position();
    setChanged(false);
}

void GradeTable::resetHistory()
{
    m_history.clear();
    m_savedPosition = m_history.position();
    setChanged(false);
    historyChanged();
}

void GradeTable::undo()
{
    TableProperties p = properties();
    if (m_history.undo(grid, p)) {
        setProperties(p);
        setChanged(m_history.position() != m_savedPosition);
    }
    historyChanged();
}

void GradeTable::redo()
{
    TableProperties p = properties();
    if (m_history.redo(grid, p)) {
        setProperties(p);
        setChanged(m_history.position() != m_savedPosition);
    }
    historyChanged();
}

void GradeTable::rebuildHeader()
{
    GridBulk bulk(grid);
    QString header = QStringLiteral("  ");
    for (int c = 1; c < grid.Cols(); ++c)
        header += QLatin1Char('|') + grid.TextMatrix(0, c);
    for (int r = 1; r < grid.Rows(); ++r)
        grid.setTextMatrix(r, 0, QString::number(r));
    grid.setFormatString(header);
}

} // namespace table
