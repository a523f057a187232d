#include "table/grid_view.h"

#include "base/twips.h"
#include "table/grid_model.h"

#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace table {

using base::kTwipsPerPixel;

GridView::GridView(Grid &grid, QWidget *parent) : QTableView(parent), m_grid(grid)
{
    m_model = new GridModel(grid, this);
    setModel(m_model);
    m_grid.addObserver(this);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setAttribute(Qt::WA_InputMethodEnabled);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    horizontalHeader()->setMouseTracking(true);
    verticalHeader()->setMouseTracking(true);
    horizontalHeader()->installEventFilter(this);
    verticalHeader()->installEventFilter(this);
    horizontalHeader()->setSectionsClickable(false);
    verticalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setCornerButtonEnabled(false);
    // Tab leaves the grid for the next control rather than moving between cells.
    setTabKeyNavigation(false);
    fitColumnsIfHeaderChanged();
    applySizes();
}

GridView::~GridView()
{
    m_grid.removeObserver(this);
}

void GridView::fitColumnsIfHeaderChanged()
{
    if (m_grid.headerFormats() == m_fittedFormats)
        return;
    m_fittedFormats = m_grid.headerFormats();
    // The grid estimated the widths; measured with the font shown, each column fits its header.
    // The sizes are applied once afterwards, not once per column.
    m_fitting = true;
    for (int c = 1; c < m_grid.Cols(); ++c)
        m_grid.setColWidth(c, (fontMetrics().horizontalAdvance(m_grid.TextMatrix(0, c)) + 12) * kTwipsPerPixel);
    m_fitting = false;
}

QRect GridView::cellRect(int row, int col) const
{
    if (row < 1 || col < 1)
        return {};
    return visualRect(m_model->index(row - 1, col - 1));
}

void GridView::applySizes()
{
    const int cols = m_grid.Cols(), rows = m_grid.Rows();
    for (int c = 1; c < cols; ++c)
        setColumnWidth(c - 1, m_grid.ColWidth(c) / kTwipsPerPixel);
    verticalHeader()->setFixedWidth(std::max(m_grid.ColWidth(0) / kTwipsPerPixel, 8));
    const int height = m_grid.RowHeight(1 < rows ? 1 : 0) / kTwipsPerPixel;
    verticalHeader()->setDefaultSectionSize(std::max(height, fontMetrics().height() + 4));
}

void GridView::gridReset()
{
    // The model resets itself first (it observes the grid before the view).
    fitColumnsIfHeaderChanged();
    applySizes();
    showCurrent();
}

void GridView::showCurrent()
{
    const int r = m_grid.Row(), c = m_grid.Col();
    m_syncing = true;
    if (r >= 1 && c >= 1) {
        const QModelIndex cur = m_model->index(r - 1, c - 1);
        const QModelIndex far = m_model->index(std::max(m_grid.RowSel(), 1) - 1, std::max(m_grid.ColSel(), 1) - 1);
        selectionModel()->setCurrentIndex(cur, QItemSelectionModel::NoUpdate);
        selectionModel()->select(QItemSelection(cur, far), QItemSelectionModel::ClearAndSelect);
        scrollTo(cur);
    } else {
        selectionModel()->clearSelection();
    }
    m_syncing = false;
}

void GridView::currentChanged()
{
    if (!m_syncing)
        showCurrent();
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid())
        return;
    m_syncing = true;
    m_grid.setCurrent(current.row() + 1, current.column() + 1);
    m_syncing = false;
}

void GridView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (!m_syncing)
        syncSelectionToGrid();
}

void GridView::syncSelectionToGrid()
{
    // RowSel/ColSel are the far corner of the selection as seen from the current cell.
    const QModelIndex cur = currentIndex();
    const QItemSelection sel = selectionModel()->selection();
    if (!cur.isValid() || sel.isEmpty())
        return;
    for (const QItemSelectionRange &range : sel) {
        if (!range.contains(cur))
            continue;
        const int farRow = cur.row() == range.top() ? range.bottom() : range.top();
        const int farCol = cur.column() == range.left() ? range.right() : range.left();
        m_syncing = true;
        m_grid.setRowSel(farRow + 1);
        m_grid.setColSel(farCol + 1);
        m_syncing = false;
        return;
    }
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool isChar = !text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                        event->key() != Qt::Key_Escape && event->key() != Qt::Key_Delete &&
                        event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab;
    if (isChar) {
        // Enter, Backspace and space open the editor on the existing text like any typed key.
        emit keyTyped(event->key() == Qt::Key_Enter || event->key() == Qt::Key_Return ? QStringLiteral("\r") : text);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridView::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty())
        emit keyTyped(event->commitString());
    event->accept();
}

QVariant GridView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return true;
    return QTableView::inputMethodQuery(query);
}

void GridView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) {
        emit cellDoubleClicked();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void GridView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        const QModelIndex i = indexAt(event->position().toPoint());
        if (i.isValid())
            m_grid.setCurrent(i.row() + 1, i.column() + 1);
        emit cellRightClicked();
        return;
    }
    QTableView::mousePressEvent(event);
}

void GridView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit cellClicked();
}

void GridView::mouseMoveEvent(QMouseEvent *event)
{
    m_overHeader = false;
    QTableView::mouseMoveEvent(event);
}

bool GridView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)
        m_overHeader = true;
    return QTableView::eventFilter(watched, event);
}

void GridView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    emit focusChangedTo(true);
}

void GridView::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    emit focusChangedTo(false);
}

} // namespace table
