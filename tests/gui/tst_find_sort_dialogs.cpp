// The find, replace and sort dialogs run as table commands in the main window: their controls as
// they open, the search with its marks, when the find dialog goes away, replace with undo, and
// the sort dialog's guard and order.
#include "scripted_prompter.h"

#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "core/ui/settings_store.h"
#include "gui/app/program_commands.h"
#include "gui/shell/main_window.h"
#include "gui/table/find_dialog.h"
#include "gui/table/find_results_window.h"
#include "gui/table/sort_dialog.h"
#include "gui/table/table_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace table;

class FindSortDialogsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<base::Workspace> m_ws;
    ui::MemorySettingsStore m_settings;
    ScriptedPrompter m_p;
    std::unique_ptr<shell::MainWindow> m_main;
    std::unique_ptr<TableFile> m_file;

    TableWindow *openTable(const QStringList &rows)
    {
        TableWindow *form = m_main->createTableWindow();
        Grid &g = form->document().grid;
        g.setCols(4);
        g.setRows(static_cast<int>(rows.size()) + 1);
        g.setTextMatrix(0, 1, QStringLiteral("姓名"));
        g.setTextMatrix(0, 2, QStringLiteral("总分"));
        g.setTextMatrix(0, 3, QStringLiteral("名次"));
        for (int r = 0; r < rows.size(); ++r) {
            const QStringList cells = rows[r].split(QLatin1Char('|'));
            for (int c = 0; c < cells.size(); ++c)
                g.setTextMatrix(r + 1, c + 1, cells[c]);
        }
        form->document().rebuildHeader();
        return form;
    }
    void run(const char *name, TableWindow *form)
    {
        CommandContext ctx{form->document(), *m_ws, m_p, *m_file, form, m_main.get()};
        const Command *c = m_main->commands().find(QLatin1String(name));
        QVERIFY(c);
        c->run(ctx);
    }
    void activate(TableWindow *form)
    {
        m_main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(form->parentWidget()));
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_tmp->path());
        m_p.clear();
        m_file = std::make_unique<TableFile>(*m_ws, m_p);
        m_main = std::make_unique<shell::MainWindow>(*m_ws, m_p, m_settings, programCommands(m_settings));
        m_main->resize(900, 600);
        m_main->show();
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    }
    void cleanup()
    {
        for (TableWindow *f : m_main->tableWindows())
            f->document().markSaved();
        m_main.reset();
        VERIFY_PROMPTS(m_p);
    }

    void registered()
    {
        QCOMPARE(m_main->commands().forButton(base::ToolButton::Find)->name(), QStringLiteral("menuFind"));
        QCOMPARE(m_main->commands().forButton(base::ToolButton::SortAscending)->name(), QStringLiteral("menuSortAsc"));
        QCOMPARE(m_main->commands().forButton(base::ToolButton::SortDescending)->name(),
                 QStringLiteral("menuSortDesc"));
        QVERIFY(m_main->commands().find(QStringLiteral("menuMark")));
        QVERIFY(m_main->commands().find(QStringLiteral("menuChange")));
    }

    void findDialogAsItOpens()
    {
        TableWindow *form = openTable({QStringLiteral("张三|85"), QStringLiteral("李四|张")});
        run("menuFind", form);
        FindDialog *find = FindDialog::current();
        QVERIFY(find);
        QCOMPARE(find->objectName(), QStringLiteral("frmFind"));
        QCOMPARE(find->windowTitle(), QStringLiteral("查找..."));
        QVERIFY(find->isVisible());
        QVERIFY(!find->isModal());
        QCOMPARE(find->parentWidget(), m_main.get());
        const bool checked[] = {true, false, true, true, true};
        const bool enabled[] = {true, true, false, true, false};
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(find->check(n)->isChecked(), checked[n - 1]);
            QCOMPARE(find->check(n)->isEnabled(), enabled[n - 1]);
        }
        QVERIFY(find->check(2)->font().bold());
        QVERIFY(!find->command1()->isEnabled());
        find->text1()->setText(QStringLiteral("张"));
        QVERIFY(find->command1()->isEnabled());
        find->check(4)->setChecked(false);
        QVERIFY(find->check(5)->isEnabled());
        QVERIFY(find->check(5)->isChecked());

        const Grid &g = form->document().grid;
        const int row = g.Row(), col = g.Col();
        find->command1()->click();
        QTRY_VERIFY(!FindDialog::current());
        QCOMPARE(g.cellForeColor(1, 1), kContainingMark);
        QCOMPARE(g.cellForeColor(2, 2), kEqualMark);
        QCOMPARE(form->document().findResults.summary, QStringLiteral("共 2 行包含查找内容。"));
        QCOMPARE(g.Row(), row);
        QCOMPARE(g.Col(), col);

        run("menuMark", form);
        QCOMPARE(g.cellForeColor(2, 2), QRgb(0));
    }

    // Up to 50 rows go to the menu; more go to a list window, where a double-click jumps. Either
    // way the cursor lands on the cell found, not on the row numbers.
    void manyHitsGoToAListWindow_data()
    {
        QTest::addColumn<int>("hits");
        QTest::newRow("none: told") << 0;
        QTest::newRow("50: the menu") << 50;
        QTest::newRow("51: the list window") << 51;
    }
    void manyHitsGoToAListWindow()
    {
        QFETCH(int, hits);
        QStringList rows;
        for (int r = 1; r <= std::max(hits, 1); ++r)
            rows << QStringLiteral("学生%1|%2").arg(r).arg(hits ? QStringLiteral("缺考") : QStringLiteral("85"));
        TableWindow *form = openTable(rows);
        const Grid &g = form->document().grid;
        run("menuFind", form);
        FindDialog *find = FindDialog::current();
        QVERIFY(find);
        find->text1()->setText(QStringLiteral("缺考"));
        if (hits == 0)
            m_p.expectMessage(QStringLiteral("没有找到“缺考”。"), QStringLiteral("查找"));
        find->command1()->click();
        QTRY_VERIFY(!FindDialog::current());
        if (hits == 0)
            return;

        auto *menu = form->findChild<QMenu *>(QStringLiteral("menuFindJG"));
        emit form->findChild<QMenu *>(QStringLiteral("menuEdit"))->aboutToShow();
        const QList<QAction *> entries = menu->actions();
        if (hits <= 50) {
            QVERIFY(!FindResultsWindow::current());
            QCOMPARE(entries.size(), hits + 1);
            entries.at(hits - 1)->trigger();
        } else {
            QCOMPARE(entries.size(), 2); // the summary and the way to the list
            QPointer<FindResultsWindow> list = FindResultsWindow::current();
            QVERIFY(list);
            QVERIFY(list->isVisible());
            QVERIFY(!list->isModal());
            QCOMPARE(list->list1()->count(), hits);
            QListWidget *l = list->list1();
            l->scrollToItem(l->item(hits - 2));
            const QPoint at = l->visualItemRect(l->item(hits - 2)).center();
            QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
            QVERIFY(list); // stays for the next jump
            list->close();
            QTRY_VERIFY(!list);
            entries.at(1)->trigger();
            QTRY_VERIFY(FindResultsWindow::current());
            FindResultsWindow::current()->close();
        }
        QCOMPARE(g.Row(), hits - 1);
        QCOMPARE(g.Col(), 2);
        QCOMPARE(form->findChild<QLineEdit *>(QStringLiteral("Text1"))->text(), QStringLiteral("缺考"));
    }

    void findDialogFollowsItsTable()
    {
        TableWindow *first = openTable({QStringLiteral("张三|85")});
        TableWindow *second = openTable({QStringLiteral("李四|90")});
        activate(first);
        run("menuFind", first);
        QPointer<FindDialog> find = FindDialog::current();
        QVERIFY(find);
        // The find dialog taking the focus, or another window, is no reason to close.
        find->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(find));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(find);
        QVERIFY(find->isVisible());
        // Another table becoming active closes it.
        m_main->activateWindow();
        activate(second);
        QTRY_VERIFY(!find);

        activate(second);
        run("menuFind", second);
        find = FindDialog::current();
        QVERIFY(find);
        // Opening it again replaces the open one.
        run("menuFind", second);
        QTRY_VERIFY(!find);
        find = FindDialog::current();
        QVERIFY(find);
        // Its table closing closes it.
        qobject_cast<QMdiSubWindow *>(second->parentWidget())->close();
        QTRY_VERIFY(!find);
    }

    void replace()
    {
        TableWindow *form = openTable({QStringLiteral("张三|85"), QStringLiteral("李四|！公式：cell(?,2)")});
        Grid &g = form->document().grid;
        g.setCurrent(1, 1);
        g.setColSel(2);
        QTimer::singleShot(0, this, [this] {
            auto *d = qobject_cast<ReplaceDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QStringLiteral("替换"));
            QCOMPARE(d->text1()->text(), QStringLiteral("85")); // the cell at the end of the selection
            QVERIFY(!d->check1()->isChecked());
            d->text1()->clear();
            QVERIFY(!d->command1()->isEnabled());
            d->text2()->setText(QStringLiteral("x"));
            QVERIFY(d->command1()->isEnabled());
            d->text1()->setText(QStringLiteral("2"));
            d->command1()->click();
        });
        m_p.expectMessage(QStringLiteral("已替换 1 个单元格。"), QStringLiteral("提示"));
        run("menuChange", form);
        VERIFY_PROMPTS(m_p);
        QCOMPARE(g.TextMatrix(2, 2), QStringLiteral("！公式：cell(?,x)"));
        QCOMPARE(g.TextMatrix(1, 2), QStringLiteral("85"));
        QVERIFY(form->document().undoEnabled());
        form->document().undo();
        QCOMPARE(g.TextMatrix(2, 2), QStringLiteral("！公式：cell(?,2)"));
    }

    void sortRefusedWithoutFields()
    {
        TableWindow *form = m_main->createTableWindow();
        m_p.expectMessage(QStringLiteral("没有可供排序的字段！"), QStringLiteral("提示"));
        run("menuSortDesc", form);
    }

    void sortWithRanks()
    {
        TableWindow *form =
            openTable({QStringLiteral("张三|85"), QStringLiteral("李四|缺考"), QStringLiteral("王五|92")});
        Grid &g = form->document().grid;
        g.setCurrent(1, 2);
        QTimer::singleShot(0, this, [this] {
            auto *d = qobject_cast<SortDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->objectName(), QStringLiteral("frm排序"));
            QCOMPARE(d->windowTitle(), QStringLiteral("排序："));
            QVERIFY(d->option(1)->isChecked());
            QCOMPARE(d->combo1()->currentIndex(), 1);
            QCOMPARE(d->combo2()->currentIndex(), 2);
            QVERIFY(!d->combo2()->isEnabled());
            d->combo2()->setCurrentIndex(1);
            // Ticking with the same field in both lists: refused, the target moves on.
            m_p.expectMessage(QStringLiteral("排序结果不可写回原字段！"), QStringLiteral("提示"));
            d->check1()->setChecked(true);
            QCOMPARE(d->combo2()->currentIndex(), 2);
            QVERIFY(d->combo2()->isEnabled());
            // Choosing the target's field as the sort field moves the target again.
            m_p.expectMessage(QStringLiteral("排序结果不可写回原字段！"));
            d->combo1()->setCurrentIndex(2);
            QCOMPARE(d->combo2()->currentIndex(), 1);
            d->combo1()->setCurrentIndex(0);
            d->combo2()->setCurrentIndex(2);
            d->combo1()->setCurrentIndex(1);
            d->option(2)->setChecked(true);
            d->command1()->click();
        });
        run("menuSortAsc", form);
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("王五"));
        QCOMPARE(g.TextMatrix(2, 1), QStringLiteral("张三"));
        QCOMPARE(g.TextMatrix(3, 1), QStringLiteral("李四"));
        QCOMPARE(g.TextMatrix(3, 3), QStringLiteral("3"));
        QVERIFY(form->document().isModified());
    }

    // "相同分数名次并列": off at first, only with the ranks written, and remembered per user.
    void sortSharedRanksIsRemembered()
    {
        m_ws->userName = QStringLiteral("teacher");
        TableWindow *form =
            openTable({QStringLiteral("张三|85"), QStringLiteral("李四|92"), QStringLiteral("王五|85")});
        Grid &g = form->document().grid;
        g.setCurrent(1, 2);
        QTimer::singleShot(0, this, [] {
            auto *d = qobject_cast<SortDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->check2()->text(), QStringLiteral("相同分数名次并列"));
            QVERIFY(!d->check2()->isChecked());
            QVERIFY(!d->check2()->isEnabled());
            d->check1()->setChecked(true);
            QVERIFY(d->check2()->isEnabled());
            d->check2()->setChecked(true);
            d->option(2)->setChecked(true);
            d->command1()->click();
        });
        run("menuSortAsc", form);
        QCOMPARE(g.TextMatrix(1, 3), QStringLiteral("1"));
        QCOMPARE(g.TextMatrix(2, 3), QStringLiteral("2"));
        QCOMPARE(g.TextMatrix(3, 3), QStringLiteral("2"));
        QTimer::singleShot(0, this, [] {
            auto *d = qobject_cast<SortDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QVERIFY(d->check2()->isChecked());
            d->reject();
        });
        run("menuSortAsc", form);
        // Another user starts with the box off.
        m_ws->userName = QStringLiteral("other");
        QTimer::singleShot(0, this, [] {
            auto *d = qobject_cast<SortDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QVERIFY(!d->check2()->isChecked());
            d->reject();
        });
        run("menuSortAsc", form);
    }

    void sortCancelledAndNoField()
    {
        TableWindow *form = openTable({QStringLiteral("张三|85"), QStringLiteral("李四|92")});
        form->document().grid.setCurrent(1, 0);
        QTimer::singleShot(0, this, [] {
            auto *d = qobject_cast<SortDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QVERIFY(!d->option(1)->isChecked());
            QCOMPARE(d->combo1()->currentIndex(), -1);
            QVERIFY(!d->command1()->isEnabled());
            d->reject();
        });
        run("menuSortDesc", form);
        QCOMPARE(form->document().grid.TextMatrix(1, 1), QStringLiteral("张三"));
        QVERIFY(!form->document().undoEnabled());
    }
};

QTEST_MAIN(FindSortDialogsTest)
#include "tst_find_sort_dialogs.moc"
