#include "gui/table/cell_editor_window.h"

#include "core/base/workspace.h"
#include "gui/table/grid_view.h"

#include <QApplication>

namespace table {

void TableWindow::GridHidingProgress::start(const QString &status)
{
    m_w.m_ws.start(status);
    if (m_depth++ == 0)
        m_w.m_grid->hide();
}

void TableWindow::GridHidingProgress::setPercent(int percent)
{
    m_w.m_ws.setPercent(percent);
}

void TableWindow::GridHidingProgress::finish()
{
    m_w.m_ws.finish();
    // Hiding the grid passed its focus on to the formula bar; it comes back with the grid.
    if (m_depth > 0 && --m_depth == 0) {
        m_w.m_grid->show();
        if (m_w.isAncestorOf(QApplication::focusWidget()))
            m_w.focusGrid();
    }
}

} // namespace table
