#include "table/grid_model.h"

#include <QColor>
#include <QFont>

namespace table {

GridModel::GridModel(Grid &grid, QObject *parent) : QAbstractTableModel(parent), m_grid(grid)
{
    m_grid.addObserver(this);
}

GridModel::~GridModel()
{
    m_grid.removeObserver(this);
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_grid.Rows() - 1;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_grid.Cols() - 1;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    const int r = index.row() + 1, c = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return m_grid.TextMatrix(r, c);
    case Qt::ForegroundRole:
        if (QRgb color = m_grid.cellForeColor(r, c))
            return QColor::fromRgb(color);
        return {};
    case Qt::FontRole:
        if (m_grid.cellFontBold(r, c)) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    return orientation == Qt::Horizontal ? m_grid.TextMatrix(0, section + 1) : m_grid.TextMatrix(section + 1, 0);
}

void GridModel::gridReset()
{
    beginResetModel();
    endResetModel();
}

void GridModel::cellChanged(int row, int col)
{
    if (row == 0 && col > 0)
        emit headerDataChanged(Qt::Horizontal, col - 1, col - 1);
    else if (col == 0 && row > 0)
        emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
    else if (row > 0 && col > 0) {
        const QModelIndex i = index(row - 1, col - 1);
        emit dataChanged(i, i);
    }
}

} // namespace table
