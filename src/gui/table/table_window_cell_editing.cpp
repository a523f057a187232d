// The table window's cell editing: the current cell shown in the formula bar, typing into a cell
// through the cell editor, and committing the editor or the formula bar.
#include "gui/table/table_window.h"

#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/editing.h"
#include "core/table/formula_text.h"
#include "core/table/grid_model.h"
#include "core/ui/prompter.h"
#include "gui/table/cell_editor_window.h"
#include "gui/table/grid_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace table {

void TableWindow::currentCellChanged()
{
    Grid &g = m_doc.grid;
    g.setColWidth(0, static_cast<int>(QString::number(g.Rows()).size()) * 170);
    showCurrentCell();
}

void TableWindow::showCurrentCell()
{
    const Grid &g = m_doc.grid;
    if (!m_txtedit->isVisible())
        m_text1->setText(g.TextMatrix(g.Row(), g.Col()));
    // Neighbouring cells often hold the same column formula: the text does not change, the
    // value does.
    formulaBarChanged(m_text1->text());
    m_text2->setText(editing::positionText(g));
}

void TableWindow::editCell(const QString &typed)
{
    Grid &g = m_doc.grid;
    // Only data cells are edited; the fixed row and column are rebuilt on every load.
    if (g.Row() < 1 || g.Col() < 1)
        g.setCurrent(std::max(g.Row(), 1), std::max(g.Col(), 1));
    if (g.Row() < 1 || g.Col() < 1)
        return;
    m_txtedit->setText(editing::startText(g.TextMatrix(g.Row(), g.Col()), typed));
    m_txtedit->end(false);
    m_grid->scrollTo(m_grid->model()->index(g.Row() - 1, g.Col() - 1));
    m_txtedit->setGeometry(m_grid->cellRect(g.Row(), g.Col()));
    m_txtedit->show();
    m_txtedit->setFocus();
    if (!editing::editsExisting(typed))
        m_doc.markChanged();
}

void TableWindow::commitEditor()
{
    Grid &g = m_doc.grid;
    // A typed cell is one step of the undo history, and only when its text changed.
    if (m_txtedit->text() != g.TextMatrix(g.Row(), g.Col())) {
        m_doc.beginCellChange(g.Row(), g.Col());
        g.setTextMatrix(g.Row(), g.Col(), m_txtedit->text());
    }
    m_doc.markChanged();
    // Hiding the focused editor would pass the focus on by itself; hand it to the grid first.
    if (m_txtedit->hasFocus())
        m_grid->setFocus();
    m_txtedit->hide();
}

void TableWindow::commitFormulaBar()
{
    Grid &g = m_doc.grid;
    if (m_text1->text() != g.TextMatrix(g.Row(), g.Col())) {
        m_doc.beginCellChange(g.Row(), g.Col());
        g.setTextMatrix(g.Row(), g.Col(), m_text1->text());
    }
    if (m_txtedit->isVisible())
        m_txtedit->setText(m_text1->text());
    formulaBarChanged(m_text1->text());
}

void TableWindow::formulaBarChanged(const QString &text)
{
    const bool formula = isFormula(text);
    m_check1->setChecked(formula);
    m_result->setEnabled(formula);
    if (!formula) {
        m_result->setText(QStringLiteral("非公式单元格"));
        return;
    }
    const Grid &g = m_doc.grid;
    m_result->setText(QLatin1Char('=') + displayValue(g.Row(), g.Col()));
}

QString TableWindow::displayValue(int row, int col)
{
    return formula::displayValue(m_doc.grid, row, col, m_doc.numberFormat, formula::calculator(m_ws));
}

} // namespace table
