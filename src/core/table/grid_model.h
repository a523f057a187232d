#pragma once
// The grid as an item model: data cells are the model's cells, the fixed row and column its
// headers (model cell (r, c) is grid cell (r + 1, c + 1)). It follows the grid's changes.
#include "core/table/grid.h"

#include <QAbstractTableModel>
#include <functional>

namespace table {

class GridModel : public QAbstractTableModel, public GridObserver {
    Q_OBJECT
public:
    explicit GridModel(Grid &grid, QObject *parent = nullptr);
    ~GridModel() override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Formula cells show what `value` gives for them (their results); without it, their text.
    // Only the cells in view are asked, each time they are drawn.
    void setFormulaValues(std::function<QString(int row, int col)> value);
    // The text cell (row, col) shows: a formula's value when results are shown, otherwise its text.
    QString shownText(int row, int col) const;

    void gridReset() override;
    void cellChanged(int row, int col) override;

private:
    Grid &m_grid;
    std::function<QString(int, int)> m_formulaValue;
};

} // namespace table
