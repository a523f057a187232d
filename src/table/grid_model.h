#pragma once
// The grid as an item model: data cells are the model's cells, the fixed row and column its
// headers (model cell (r, c) is grid cell (r + 1, c + 1)). It follows the grid's changes.
#include "table/grid.h"

#include <QAbstractTableModel>

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

    void gridReset() override;
    void cellChanged(int row, int col) override;

private:
    Grid &m_grid;
};

} // namespace table
