#pragma once
// The grid on screen: a table view over a Grid. The fixed row (field names) and the fixed
// column (row numbers) are the view's headers; view cell (r, c) is grid cell (r + 1, c + 1).
// The view only draws and reports: clicks, typed keys (and input-method text), double-clicks,
// right-clicks and whether the pointer is over the headers. Sizes are kept in twips by the grid.
#include "core/table/grid.h"

#include <QTableView>

namespace table {

class GridModel;

class GridView : public QTableView, public GridObserver {
    Q_OBJECT
public:
    explicit GridView(Grid &grid, QWidget *parent = nullptr);
    ~GridView() override;

    Grid &grid() { return m_grid; }
    GridModel *gridModel() const { return m_model; }
    // The rectangle of grid cell (row, col) in viewport coordinates; empty for the fixed cells.
    QRect cellRect(int row, int col) const;
    bool overHeader() const { return m_overHeader; }
    // Applies the grid's column widths and row heights (twips) to the view.
    void applySizes();
    // Scrolls so the grid's current cell is visible and shows it as current.
    void showCurrent();

    void gridReset() override;
    void currentChanged() override;
    void sizesChanged() override
    {
        if (!m_fitting)
            applySizes();
    }

signals:
    // A character typed on the grid (or text committed by an input method).
    void keyTyped(const QString &text);
    void cellDoubleClicked();
    void cellRightClicked();
    void cellClicked();
    void focusChangedTo(bool focused);
    // Tab (forward) or Shift+Tab on the grid.
    void tabPressed(bool forward);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    void syncSelectionToGrid();
    void selectWholeLine(Qt::Orientation orientation, int section);
    void fitColumnsIfHeaderChanged();
    Grid &m_grid;
    GridModel *m_model;
    bool m_overHeader = false;
    bool m_syncing = false;
    int m_fittedFormats = -1;
    bool m_fitting = false;
    bool m_applying = false;
};

} // namespace table
