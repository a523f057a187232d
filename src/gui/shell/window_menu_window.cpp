// MainWindow's 窗口 menu: the window list, the arrangements (层叠, 纵向平铺, 横向平铺, 排列图标) and
// keeping table windows in view.
#include "gui/shell/main_window.h"

#include "core/shell/main_frame.h"
#include "gui/table/grid_view.h"
#include "gui/table/table_window.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>

#include <algorithm>

namespace shell {

void MainWindow::fillWindowList(table::TableWindow *owner)
{
    auto *list = owner->findChild<QMenu *>(QStringLiteral("menuSelWindow"));
    if (!list)
        return;
    const QList<table::TableWindow *> forms = tableWindows();
    QStringList captions;
    for (table::TableWindow *f : forms)
        captions << f->title();
    list->clear();
    const QList<WindowListEntry> entries = windowList(captions, static_cast<int>(forms.indexOf(owner)));
    for (const WindowListEntry &e : entries) {
        QAction *a = list->addAction(e.caption);
        a->setObjectName(QStringLiteral("menuListFrm1"));
        a->setCheckable(true);
        a->setChecked(e.checked);
        const QString caption = e.caption;
        connect(a, &QAction::triggered, this, [this, caption] { showTableWindow(caption); });
    }
}

void MainWindow::showTableWindow(const QString &caption)
{
    const QList<table::TableWindow *> forms = tableWindows();
    QStringList captions;
    for (table::TableWindow *f : forms)
        captions << f->title();
    const int i = windowForCaption(captions, caption);
    if (i < 0)
        return;
    auto *sub = qobject_cast<QMdiSubWindow *>(forms[i]->parentWidget());
    if (!sub)
        return;
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    forms[i]->setFocus();
}

QList<QMdiSubWindow *> MainWindow::arrangeableWindows() const
{
    // Topmost first, as the system tiles; minimised windows keep their icons.
    QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::StackingOrder);
    std::reverse(subs.begin(), subs.end());
    subs.erase(
        std::remove_if(subs.begin(), subs.end(), [](QMdiSubWindow *s) { return s->isHidden() || s->isMinimized(); }),
        subs.end());
    for (QMdiSubWindow *s : subs)
        if (s->isMaximized())
            s->showNormal();
    return subs;
}

void MainWindow::keepInView(QMdiSubWindow *sub)
{
    const QSize area = m_mdi->viewport()->size();
    QRect g = sub->geometry();
    g.setSize(g.size().boundedTo(area).expandedTo(sub->minimumSize()));
    g.moveLeft(std::max(0, std::min(g.left(), area.width() - g.width())));
    g.moveTop(std::max(0, std::min(g.top(), area.height() - g.height())));
    sub->setGeometry(g);
}

void MainWindow::focusActiveTable()
{
    if (table::TableWindow *form = activeTableWindow())
        form->gridView()->setFocus();
}

void MainWindow::cascadeWindows()
{
    // Each window one title bar lower and to the right of the one before, all of one usable size.
    const QList<QMdiSubWindow *> subs = arrangeableWindows();
    const QSize area = m_mdi->viewport()->size();
    const int step = std::max(style()->pixelMetric(QStyle::PM_TitleBarHeight), 20);
    const int n = static_cast<int>(subs.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *s = subs[n - 1 - i]; // the topmost window last, in front
        const QSize size = QSize(area.width() - step * (n - 1), area.height() - step * (n - 1))
                               .boundedTo(QSize(area.width() * 3 / 4, area.height() * 3 / 4))
                               .expandedTo(s->minimumSize());
        s->setGeometry(QRect(QPoint(step * i, step * i), size));
        s->raise();
    }
    focusActiveTable();
}

void MainWindow::tileVertically()
{
    const QList<QMdiSubWindow *> subs = arrangeableWindows();
    const QList<QRect> rects = tile(m_mdi->viewport()->size(), static_cast<int>(subs.size()), Qt::Vertical);
    for (int i = 0; i < subs.size(); ++i)
        subs[i]->setGeometry(rects[i]);
    focusActiveTable();
}

void MainWindow::tileHorizontally()
{
    const QList<QMdiSubWindow *> subs = arrangeableWindows();
    const QList<QRect> rects = tile(m_mdi->viewport()->size(), static_cast<int>(subs.size()), Qt::Horizontal);
    for (int i = 0; i < subs.size(); ++i)
        subs[i]->setGeometry(rects[i]);
    focusActiveTable();
}

void MainWindow::arrangeMinimizedWindows()
{
    QList<QMdiSubWindow *> icons;
    QList<QSize> sizes;
    for (QMdiSubWindow *s : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (s->isMinimized() && !s->isHidden()) {
            icons.append(s);
            sizes.append(s->size());
        }
    const QList<QPoint> points = arrangeIcons(m_mdi->viewport()->size(), sizes);
    for (int i = 0; i < icons.size(); ++i)
        icons[i]->move(points[i]);
}

} // namespace shell
