#pragma once
// The table window's helpers for its editors: the grid's observer and the event filter of the
// in-cell editor and the formula bar (TableWindow::Editing), and the focused text box as the Edit
// commands see it (TableWindow::FocusedTextBox). Part of the table window.
#include "gui/table/table_window.h"

#include "core/table/editing.h"
#include "gui/table/grid_view.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace table {

// The grid's observer and the editors' event filter: commits a pending edit before the current
// cell moves, and routes the in-cell editor's and the formula bar's keys.
class TableWindow::Editing : public QObject, public GridObserver {
public:
    explicit Editing(TableWindow &w) : QObject(&w), m_w(w) {}

    void currentAboutToChange() override
    {
        if (m_w.m_txtedit->isVisible())
            m_w.commitEditor();
    }
    void currentChanged() override { m_w.currentCellChanged(); }
    void gridReset() override { m_w.currentCellChanged(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_w.m_txtedit)
            return editorEvent(event);
        if (watched == m_w.m_text1 && event->type() == QEvent::KeyPress)
            return formulaBarKey(static_cast<QKeyEvent *>(event));
        if (watched == m_w.m_text1 && event->type() == QEvent::InputMethod)
            markIfCommitted(event);
        return false;
    }

private:
    // Text an input method commits counts as typed characters.
    void markIfCommitted(QEvent *event)
    {
        if (!static_cast<QInputMethodEvent *>(event)->commitString().isEmpty())
            m_w.m_doc.markChanged();
    }

    bool editorEvent(QEvent *event)
    {
        switch (event->type()) {
        case QEvent::FocusIn:
            // Ctrl+Z belongs to the editor's own text while it has the keyboard.
            m_w.m_doc.setUndoSuspended(true);
            return false;
        case QEvent::FocusOut:
            m_w.m_doc.setUndoSuspended(false);
            return false;
        case QEvent::KeyPress:
            return editorKey(static_cast<QKeyEvent *>(event));
        case QEvent::InputMethod:
            markIfCommitted(event);
            return false;
        default:
            return false;
        }
    }

    bool editorKey(QKeyEvent *e)
    {
        Grid &g = m_w.m_doc.grid;
        switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The key itself: focus back to the grid, the text not yet written; the character then
            // moves by the input direction, which commits.
            m_w.m_doc.markChanged();
            m_w.m_grid->setFocus();
            // A run of Enters keeps the column it started in; any other way to a cell starts anew.
            if (g.Row() != m_enteredRow || g.Col() != m_enteredCol)
                m_firstCol = g.Col();
            editing::moveAfterEnter(g, m_w.m_ws.verticalInput(), m_w.m_ws.horizontalInput(), m_firstCol);
            m_enteredRow = g.Row();
            m_enteredCol = g.Col();
            return true;
        case Qt::Key_Escape:
            m_w.m_grid->setFocus();
            m_w.m_txtedit->hide();
            m_w.showCurrentCell(); // the formula bar shows the cell again, not the discarded text
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            // As on the grid: the edit is written and the next (or previous) cell is current.
            m_w.m_grid->setFocus();
            m_w.moveByTab(e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier));
            return true;
        case Qt::Key_Up:
            m_w.m_grid->setFocus();
            QCoreApplication::processEvents();
            if (g.Row() > g.FixedRows())
                g.setRow(g.Row() - 1);
            return true;
        case Qt::Key_Down:
            m_w.m_grid->setFocus();
            QCoreApplication::processEvents();
            if (g.Row() < g.Rows() - 1)
                g.setRow(g.Row() + 1);
            return true;
        default:
            if (!e->text().isEmpty())
                m_w.m_doc.markChanged();
            return false;
        }
    }

    bool formulaBarKey(QKeyEvent *e)
    {
        if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) {
            if (!e->text().isEmpty())
                m_w.m_doc.markChanged();
            return false;
        }
        m_w.m_doc.markChanged();
        m_w.commitFormulaBar();
        // The value is in: the keyboard goes back to the grid, where arrows move again.
        m_w.commitPendingEdit();
        m_w.focusGrid();
        return true;
    }

    TableWindow &m_w;
    // Where the last Enter in the editor led, and the column its run of Enters began in.
    int m_enteredRow = -1, m_enteredCol = -1, m_firstCol = 1;
};

// The focused text box as the Edit commands see it.
class TableWindow::FocusedTextBox : public TextBox {
public:
    explicit FocusedTextBox(QLineEdit *box) : m_box(box) {}
    QString selectedText() const override { return m_box->selectedText(); }
    bool hasSelectedText() const override { return m_box->hasSelectedText(); }
    void removeSelectedText() override { m_box->del(); }
    void insert(const QString &text) override { m_box->insert(text); }

private:
    QLineEdit *m_box;
};

} // namespace table
