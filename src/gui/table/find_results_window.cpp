// The table window's find results: the results submenu, the jump to an entry, and the list window
// for searches with more rows than a menu can hold.
#include "gui/table/find_results_window.h"

#include "gui/table/find_dialog.h"
#include "gui/table/table_window.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QVBoxLayout>

namespace table {

namespace {

QPointer<FindResultsWindow> s_results;

} // namespace

FindResultsWindow::FindResultsWindow(const FindResults &results, Jump jump, QWidget *tableWindow, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFindResults"));
    setWindowTitle(QStringLiteral("查找结果"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *label = new QLabel(results.summary, this);
    label->setObjectName(QStringLiteral("Label1"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    for (const FindResult &r : results.entries)
        m_list->addItem(r.caption);
    connect(m_list, &QListWidget::itemActivated, this, [this, jump = std::move(jump)](QListWidgetItem *item) {
        if (jump)
            jump(m_list->row(item) + 1);
    });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    resize(360, 300);

    if (s_results)
        s_results->close();
    s_results = this;
    if (tableWindow)
        connect(tableWindow, &QObject::destroyed, this, &QWidget::close);
}

FindResultsWindow *FindResultsWindow::current()
{
    return s_results;
}

void TableWindow::rebuildFindResults()
{
    auto *menu = findChild<QMenu *>(QStringLiteral("menuFindJG"));
    QAction *first = action(QStringLiteral("menuZD"));
    for (QAction *a : menu->actions())
        if (a != first)
            delete a;
    const FindResults &results = m_doc.findResults;
    first->setText(results.summary);
    first->setEnabled(false);
    // A menu of a thousand rows would fill the screen: past the limit the rows go to a list.
    if (results.entries.size() > kFindMenuLimit) {
        QAction *a = menu->addAction(QStringLiteral("在列表中查看全部结果(&L)..."));
        a->setObjectName(QStringLiteral("FindResultsList"));
        connect(a, &QAction::triggered, this, &TableWindow::showFindResultsWindow);
        return;
    }
    for (qsizetype i = 0; i < results.entries.size(); ++i) {
        QAction *a =
            menu->addAction(QString(results.entries[i].caption).replace(QLatin1Char('&'), QLatin1String("&&")));
        a->setObjectName(QStringLiteral("menuZD"));
        const int entry = int(i) + 1;
        connect(a, &QAction::triggered, this, [this, entry] { goToFindResult(entry); });
    }
}

void TableWindow::goToFindResult(int entry)
{
    commitPendingEdit();
    table::goToFindResult(m_doc, entry);
    showCurrentCell();
    focusGrid();
}

void TableWindow::showFindResultsWindow()
{
    QPointer<TableWindow> self(this);
    auto *list = new FindResultsWindow(
        m_doc.findResults,
        [self](int entry) {
            if (!self)
                return;
            self->goToFindResult(entry);
            // The teacher goes on typing in the cell found, not in the list.
            self->window()->activateWindow();
        },
        this, window());
    list->show();
    list->raise();
}

} // namespace table
