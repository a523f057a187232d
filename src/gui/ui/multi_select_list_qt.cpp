#include "gui/ui/multi_select_list_qt.h"

#include <QMouseEvent>
#include <algorithm>

namespace ui {

MultiSelectList::MultiSelectList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::MultiSelection);
}

void MultiSelectList::mousePressEvent(QMouseEvent *event)
{
    const int row = indexAt(event->position().toPoint()).row();
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) && row >= 0 && m_anchor >= 0 &&
        m_anchor < count()) {
        const int first = std::min(m_anchor, row);
        const int last = std::max(m_anchor, row);
        for (int r = first; r <= last; ++r)
            item(r)->setSelected(true);
        setCurrentRow(row, QItemSelectionModel::NoUpdate);
        event->accept();
        return;
    }
    if (row >= 0)
        m_anchor = row;
    QListWidget::mousePressEvent(event);
}

} // namespace ui
