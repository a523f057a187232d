#include "core/table/grid_model.h"

#include "core/table/formula_text.h"
#include "core/table/sort_rows.h"

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
        return shownText(r, c);
    case Qt::TextAlignmentRole:
        // Numbers to the right, so their digits line up; texts to the left.
        return QVariant::fromValue(Qt::Alignment(
            (sortNumber(shownText(r, c)).has_value() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
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

void GridModel::setFormulaValues(std::function<QString(int, int)> value)
{
    m_formulaValue = std::move(value);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString GridModel::shownText(int row, int col) const
{
    QString text = m_grid.TextMatrix(row, col);
    if (m_formulaValue && isFormula(text))
        return m_formulaValue(row, col);
    return text;
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
    else if (row > 0 && col > 0 && m_formulaValue) {
        // Any formula may read the cell that changed: everything in view is drawn again.
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    } else if (row > 0 && col > 0) {
        const QModelIndex i = index(row - 1, col - 1);
        emit dataChanged(i, i);
    }
}

} // namespace table
