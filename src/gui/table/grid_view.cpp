#include "gui/table/grid_view.h"

#include "core/base/twips.h"
#include "core/table/grid_model.h"

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
    horizontalHeader()->setSectionsClickable(true);
    verticalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionPressed, this,
            [this](int section) { selectWholeLine(Qt::Horizontal, section); });
    connect(verticalHeader(), &QHeaderView::sectionPressed, this,
            [this](int section) { selectWholeLine(Qt::Vertical, section); });
    // A width the teacher drags (or fits by double-clicking the border) is the column's width.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (!m_applying)
            m_grid.setColWidth(section + 1, size * kTwipsPerPixel);
    });
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setCornerButtonEnabled(false);
    // Tab reaches keyPressEvent, which moves between cells, instead of the next control.
    setTabKeyNavigation(true);
    // A grid shown for the first time keeps the widths it has.
    m_fittedFormats = m_grid.headerFormats();
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
    // The grid estimated the widths; measured with the font shown, each column fits its header and
    // what its first rows show, so numbers and names can be read (a column of long texts stops
    // at a width that still leaves room for the others). The sizes are applied once afterwards.
    constexpr int kRowsMeasured = 200, kWidest = 3000;
    const QFontMetrics header(horizontalHeader()->font()), cells(font());
    const int lastRow = std::min(m_grid.Rows() - 1, kRowsMeasured);
    m_fitting = true;
    auto twips = [](int px) { return (px + 12) * kTwipsPerPixel; };
    for (int c = 1; c < m_grid.Cols(); ++c) {
        int widest = 0;
        for (int r = 1; r <= lastRow; ++r)
            widest = std::max(widest, cells.horizontalAdvance(m_model->shownText(r, c)));
        const int headerWidth = twips(header.horizontalAdvance(m_grid.TextMatrix(0, c)));
        m_grid.setColWidth(c, std::max(headerWidth, std::min(twips(widest), kWidest)));
    }
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
    m_applying = true;
    for (int c = 1; c < cols; ++c)
        setColumnWidth(c - 1, m_grid.ColWidth(c) / kTwipsPerPixel);
    m_applying = false;
    verticalHeader()->setFixedWidth(std::max(m_grid.ColWidth(0) / kTwipsPerPixel, 8));
    // Rows of the grid's default height fit the font; a height set for a row (行高) is kept.
    const int fitted = std::max(table::Grid::kDefaultRowHeight / kTwipsPerPixel, fontMetrics().height() + 4);
    QHeaderView *rowsHeader = verticalHeader();
    rowsHeader->setDefaultSectionSize(fitted);
    for (int r = 1; r < rows; ++r) {
        const int twips = m_grid.RowHeight(r);
        const int wanted = twips == table::Grid::kDefaultRowHeight ? fitted : std::max(twips / kTwipsPerPixel, 1);
        if (rowsHeader->sectionSize(r - 1) != wanted)
            rowsHeader->resizeSection(r - 1, wanted);
    }
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
    // The grid's current cell (Row, Col) is where the selection started; the view's current index
    // is the far corner (RowSel, ColSel), which Shift with the arrows or a drag moves on from.
    const int r = m_grid.Row(), c = m_grid.Col();
    m_syncing = true;
    if (r >= 1 && c >= 1) {
        const QModelIndex anchor = m_model->index(r - 1, c - 1);
        const QModelIndex far = m_model->index(std::max(m_grid.RowSel(), 1) - 1, std::max(m_grid.ColSel(), 1) - 1);
        selectionModel()->setCurrentIndex(far, QItemSelectionModel::NoUpdate);
        selectionModel()->select(QItemSelection(anchor, far), QItemSelectionModel::ClearAndSelect);
        scrollTo(anchor);
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
    if (!m_syncing)
        syncSelectionToGrid();
}

void GridView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (!m_syncing)
        syncSelectionToGrid();
}

void GridView::syncSelectionToGrid()
{
    // The view's current index is the far corner; the corner of its selected block opposite to it
    // is where the selection started, the grid's current cell.
    const QModelIndex far = currentIndex();
    if (!far.isValid())
        return;
    int anchorRow = far.row(), anchorCol = far.column();
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        if (!range.contains(far))
            continue;
        anchorRow = far.row() == range.top() ? range.bottom() : range.top();
        anchorCol = far.column() == range.left() ? range.right() : range.left();
        break;
    }
    m_syncing = true;
    if (anchorRow + 1 != m_grid.Row() || anchorCol + 1 != m_grid.Col())
        m_grid.setCurrent(anchorRow + 1, anchorCol + 1);
    m_grid.setRowSel(far.row() + 1);
    m_grid.setColSel(far.column() + 1);
    m_syncing = false;
}

void GridView::selectWholeLine(Qt::Orientation orientation, int section)
{
    // A field name selects its column, a row number its row, from the first data cell.
    if (orientation == Qt::Horizontal) {
        m_grid.setCurrent(1, section + 1);
        m_grid.setRowSel(m_grid.Rows() - 1);
    } else {
        m_grid.setCurrent(section + 1, 1);
        m_grid.setColSel(m_grid.Cols() - 1);
    }
    showCurrent();
    setFocus();
    emit cellClicked();
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        // Tab goes from cell to cell, never to the controls above the grid.
        emit tabPressed(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F2 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // F2 edits the current cell's text, as in spreadsheets.
        emit keyTyped(QStringLiteral(" "));
        event->accept();
        return;
    }
    const bool isChar = !text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                        event->key() != Qt::Key_Escape && event->key() != Qt::Key_Delete;
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
