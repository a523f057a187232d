// The school tree panel as the main window hosts it: the nodes AddDot builds, the context menu
// for each kind of node, opening a listed table, the three ways of creating a table, and the
// editor SchoolEditorDialog driven through its buttons.
#include "scripted_prompter.h"

#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "gui/shell/school_editor_dialog.h"
#include "gui/shell/school_tree_view.h"
#include "gui/table/table_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace shell;

class SchoolTreeViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    std::vector<std::unique_ptr<table::TableWindow>> m_forms;
    QStringList m_opened;
    QStringList m_dialogs;
    std::unique_ptr<SchoolTreePanel> m_panel;
    table::CommandRegistry m_commands;

    SchoolTreeHost host()
    {
        return {[this](const QString &path) { m_opened << path; },
                [this] {
                    m_forms.push_back(std::make_unique<table::TableWindow>(*m_ws, m_p, m_commands));
                    m_forms.back()->activated(); // as the main window's new child is
                    return m_forms.back().get();
                },
                [this](WizardDialog d, table::TableWindow &form) {
                    m_dialogs << QString::number(static_cast<int>(d)) + QLatin1Char(':') + form.title();
                },
                [this](ui::CommandId id) { m_dialogs << ui::commandName(id); }};
    }
    void makePanel() { m_panel = std::make_unique<SchoolTreePanel>(*m_ws, m_p, host()); }
    QTreeWidget *tree() const { return m_panel->treeView1(); }
    QTreeWidgetItem *itemByKey(const QString &key) const
    {
        for (QTreeWidgetItemIterator it(tree()); *it; ++it)
            if ((*it)->data(0, Qt::UserRole).toString() == key)
                return *it;
        return nullptr;
    }
    void select(const QString &key)
    {
        QTreeWidgetItem *item = itemByKey(key);
        QVERIFY(item);
        tree()->setCurrentItem(item);
    }
    QStringList visibleFiles() const
    {
        QStringList names;
        for (QAction *a : m_panel->menuPop1()->actions())
            if (a->objectName() == QLatin1String("menufileList") && a->isVisible())
                names << a->text();
        return names;
    }
    QAction *act(const char *name) const { return m_panel->action(QLatin1String(name)); }
    QString classDir() const { return m_ws->tableDataDir() + QStringLiteral("实验中学/一年级/(1)班"); }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_tmp->path());
        m_p.clear();
        m_opened.clear();
        m_dialogs.clear();
        QVERIFY(writeSchool(m_ws->schoolInfoFile(),
                            School{QStringLiteral("实验中学"),
                                   {{QStringLiteral("一年级"), {QStringLiteral("(1)班"), QStringLiteral("(2)班")}},
                                    {QStringLiteral("二年级"), {QStringLiteral("..")}},
                                    {QStringLiteral("三年级"), {}}}}));
        makePanel();
    }
    void cleanup()
    {
        m_panel.reset();
        for (auto &f : m_forms)
            f->document().markSaved();
        m_forms.clear();
        VERIFY_PROMPTS(m_p);
    }

    void nodes()
    {
        QCOMPARE(m_panel->hintLabel()->text(), QStringLiteral("   右键树形列表项目，可编辑树形目录/新建,打开表格。"));
        QVERIFY(tree()->isEnabled());
        QStringList seen;
        for (QTreeWidgetItemIterator it(tree()); *it; ++it)
            seen << (*it)->data(0, Qt::UserRole).toString() + QLatin1Char('=') + (*it)->text(0) + QLatin1Char('/') +
                        (*it)->data(0, Qt::UserRole + 1).toString() +
                        ((*it)->isExpanded() ? QStringLiteral("+") : QString());
        QCOMPARE(seen, (QStringList{QStringLiteral("School1=实验中学/1+"), QStringLiteral("Grade0=一年级/2+"),
                                    QStringLiteral("Grade0Class0=(1)班/3"), QStringLiteral("Grade0Class1=(2)班/3"),
                                    QStringLiteral("Grade1=二年级/2+"), QStringLiteral("Grade1Class0=../3"),
                                    QStringLiteral("Grade2=三年级/2+")}));
        QCOMPARE(m_panel->selectedKey(), QStringLiteral("School1"));
        QVERIFY(!itemByKey(QStringLiteral("School1"))->icon(0).isNull());
        // Building the tree again starts from scratch and never writes the file.
        QByteArray before;
        QVERIFY(base::codec::readBytes(m_ws->schoolInfoFile(), &before));
        const QDateTime stamp = QFileInfo(m_ws->schoolInfoFile()).lastModified();
        m_panel->AddDot();
        m_panel->prepareMenu(false);
        QCOMPARE(tree()->topLevelItemCount(), 1);
        QByteArray after;
        QVERIFY(base::codec::readBytes(m_ws->schoolInfoFile(), &after));
        QCOMPARE(after, before);
        QCOMPARE(QFileInfo(m_ws->schoolInfoFile()).lastModified(), stamp);
    }

    void menuForEachNode_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("toolbar");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("newFile");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("gradeSummary");
        QTest::newRow("root") << QStringLiteral("School1") << false << QStringLiteral("实验中学") << false
                              << QStringList() << false;
        QTest::newRow("grade") << QStringLiteral("Grade0") << false << QStringLiteral("实验中学\\一年级") << false
                               << QStringList() << true;
        QTest::newRow("class") << QStringLiteral("Grade0Class0") << false << QStringLiteral("实验中学\\一年级\\(1)班")
                               << true << QStringList{QStringLiteral("期末"), QStringLiteral("期中 && 月考")} << false;
        QTest::newRow("class from the toolbar")
            << QStringLiteral("Grade0Class0") << true << QStringLiteral("实验中学\\一年级\\(1)班") << true
            << QStringList() << false;
        QTest::newRow("class outside the data folder")
            << QStringLiteral("Grade1Class0") << false << QStringLiteral("实验中学\\二年级\\..") << false
            << QStringList() << false;
    }
    void menuForEachNode()
    {
        QFETCH(QString, key);
        QFETCH(bool, toolbar);
        QFETCH(QString, caption);
        QFETCH(bool, newFile);
        QFETCH(QStringList, files);
        QFETCH(bool, gradeSummary);
        QVERIFY(QDir().mkpath(classDir()));
        for (const QString &f : {QStringLiteral("期中 & 月考.gdt"), QStringLiteral("期末.gdt")})
            QVERIFY(QFile(classDir() + QLatin1Char('/') + f).open(QIODevice::WriteOnly));
        select(key);
        m_panel->prepareMenu(toolbar);
        QCOMPARE(act("menuCZBJ")->text(), caption);
        QVERIFY(act("menuCZBJ")->isEnabled());
        QVERIFY(!act("menuOpenHere")->isEnabled());
        QCOMPARE(act("menuEditTV")->text(), QStringLiteral("编辑学校关系树(&C)"));
        QCOMPARE(act("menuTabelD")->text(), QStringLiteral("新建一张不隶属任何班级的表格(&D)"));
        QCOMPARE(act("menuNewFile")->text(), QStringLiteral("新建表格(&N)"));
        QCOMPARE(act("menuNewFile")->isEnabled(), newFile);
        QCOMPARE(act("menuNewXD")->text(), QStringLiteral("新建表格向导>>&>"));
        QCOMPARE(act("menuNewonly")->text(), QStringLiteral("直接新建表格(&S)"));
        QCOMPARE(visibleFiles(), files);
        QCOMPARE(act("menuGradeSummary")->isVisible(), gradeSummary);
        QCOMPARE(act("menuGradeSummary")->text(), QStringLiteral("年级成绩汇总(&S)…"));
        if (gradeSummary) {
            act("menuGradeSummary")->trigger();
            QCOMPARE(m_dialogs, QStringList{QStringLiteral("menuGradeSummary")});
        }
        // The menu is rebuilt each time it opens: never more than one hidden entry 0.
        m_panel->prepareMenu(toolbar);
        QCOMPARE(visibleFiles(), files);
        QVERIFY(!QFileInfo::exists(m_ws->tableDataDir() + QStringLiteral("实验中学/二年级")));
    }

    void emptyTree()
    {
        QVERIFY(QFile::remove(m_ws->schoolInfoFile()));
        m_panel->AddDot();
        QCOMPARE(tree()->topLevelItemCount(), 0);
        QVERIFY(!tree()->isEnabled());
        m_panel->prepareMenu(false);
        QCOMPARE(act("menuCZBJ")->text(), QStringLiteral("请先建立学校关系树"));
        QVERIFY(!act("menuCZBJ")->isEnabled());
        QCOMPARE(act("menuEditTV")->text(), QStringLiteral("新建学校关系树(&C)"));
        QVERIFY(!act("menuNewFile")->isEnabled());
    }

    void openListedTable()
    {
        QVERIFY(QDir().mkpath(classDir()));
        QVERIFY(QFile(classDir() + QStringLiteral("/期中 & 月考.gdt")).open(QIODevice::WriteOnly));
        select(QStringLiteral("Grade0Class0"));
        m_panel->prepareMenu(false);
        for (QAction *a : m_panel->menuPop1()->actions())
            if (a->objectName() == QLatin1String("menufileList") && a->isVisible())
                a->trigger();
        QCOMPARE(m_opened, QStringList{classDir() + QStringLiteral("/期中 & 月考")});
    }

    void doubleClickOpensMenuOnClasses()
    {
        m_panel->resize(300, 400);
        m_panel->show();
        m_panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_panel.get()));
        for (const char *key : {"Grade0", "Grade0Class1"}) {
            QTreeWidgetItem *item = itemByKey(QLatin1String(key));
            tree()->setCurrentItem(item);
            const QPoint at = tree()->visualItemRect(item).center();
            // A widget double click is the second press of a click.
            QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(m_panel->menuPop1()->isVisible(), QByteArray(key).contains("Class"));
            m_panel->menuPop1()->hide();
        }
        QCOMPARE(act("menuCZBJ")->text(), QStringLiteral("实验中学\\一年级\\(2)班"));
    }

    void newTableDirectly()
    {
        select(QStringLiteral("Grade0Class0"));
        m_p.expectInput(QString(), QStringLiteral("期中"), QStringLiteral("表格"));
        act("menuNewonly")->trigger();
        QCOMPARE(m_p.shown.last().preset, QStringLiteral("新成绩表-1"));
        QCOMPARE(m_forms.size(), size_t(1));
        QCOMPARE(m_forms[0]->title(), QStringLiteral("期中"));
        QCOMPARE(m_forms[0]->document().filePath, classDir() + QStringLiteral("/期中"));
    }

    void newTableWizard()
    {
        select(QStringLiteral("Grade0Class1"));
        m_p.expectMessage(QStringLiteral("下面将显示一系列的窗口，以帮助您快速的设置完表格的各个信息。"));
        m_p.expectInput(QString(), QStringLiteral("期末"));
        m_p.expectMessage(QStringLiteral("下面，首先将设置班级的人数，班主任等信息。"));
        m_p.expectMessage();
        m_p.expectMessage();
        m_p.expectInput(QString(), QStringLiteral("期末考试"), QStringLiteral("更改标题"));
        m_p.expectMessage();
        m_p.expectMessage();
        act("menuNewXD")->trigger();
        QCOMPARE(m_dialogs, (QStringList{QStringLiteral("0:未命名的表格"), QStringLiteral("1:未命名的表格"),
                                         QStringLiteral("2:期末考试")}));
        // The window and the status bar show the new table's name, not the empty window's.
        QCOMPARE(m_forms[0]->windowTitle(), QStringLiteral("期末考试"));
        QCOMPARE(m_ws->panelText(2), QStringLiteral("当前表格：期末考试"));
        QCOMPARE(m_forms[0]->document().filePath, m_ws->tableDataDir() + QStringLiteral("实验中学/一年级/(2)班/期末"));
    }

    void newTableOutsideAnyClass()
    {
        select(QStringLiteral("Grade1"));
        act("menuTabelD")->trigger();
        QCOMPARE(m_forms.size(), size_t(1));
        QVERIFY(m_forms[0]->document().filePath.isEmpty());
        // 新建 is refused where it is disabled.
        act("menuNewonly")->trigger();
        QCOMPARE(m_forms.size(), size_t(1));
    }

    void editorThroughItsButtons()
    {
        SchoolEditorDialog dialog(*m_ws, m_p);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("班级编制"));
        QCOMPARE(dialog.list1()->count(), 3);
        QCOMPARE(dialog.list2()->count(), 2);
        dialog.list1()->setCurrentRow(2);
        QCOMPARE(dialog.list2()->count(), 0);
        m_p.expectInput(QStringLiteral("请输入一个班级的名称：（如：(1)班）"), QStringLiteral("(1)班"));
        dialog.button(QStringLiteral("Command6"))->click();
        QCOMPARE(dialog.list2()->count(), 1);
        QCOMPARE(dialog.list2()->currentRow(), 0);
        dialog.list1()->setCurrentRow(0);
        m_p.expectQuestion(QStringLiteral("确实删除项目：“一年级” 么？"), ui::Answer::Yes);
        dialog.button(QStringLiteral("Command4"))->click();
        QCOMPARE(dialog.list1()->count(), 2);
        QCOMPARE(dialog.list2()->count(), 0);
        dialog.list1()->setCurrentRow(1);
        QCOMPARE(dialog.list2()->item(0)->text(), QStringLiteral("(1)班"));
        // Cancelling after a change asks; No keeps the editor open.
        m_p.expectQuestion(QStringLiteral("真的不保存修改么?"), ui::Answer::No);
        dialog.button(QStringLiteral("Command2"))->click();
        QCOMPARE(readSchool(m_ws->schoolInfoFile())->grades.size(), 3);
        dialog.button(QStringLiteral("Command1"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(readSchool(m_ws->schoolInfoFile())->grades.size(), 2);
    }

    void namePlaceholder()
    {
        QVERIFY(QFile::remove(m_ws->schoolInfoFile()));
        SchoolEditorDialog dialog(*m_ws, m_p);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.text1()->text(), QStringLiteral("在此输入学校名称"));
        dialog.text1()->setFocus();
        QTRY_COMPARE(dialog.text1()->text(), QString());
        dialog.button(QStringLiteral("Command3"))->setFocus();
        QTRY_COMPARE(dialog.text1()->text(), QStringLiteral("在此输入学校名称"));
        QVERIFY(!dialog.editor().isModified());
        dialog.button(QStringLiteral("Command2"))->click(); // closes without a question
        QVERIFY(!dialog.isVisible());
    }

    // menuEditTV opens the editor modally; the tree follows what "完成" wrote.
    void editorRebuildsTheTree()
    {
        QTimer::singleShot(0, this, [this] {
            auto *dialog = qobject_cast<SchoolEditorDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->list1()->setCurrentRow(2);
            m_p.expectInput(QString(), QStringLiteral("初三"), QStringLiteral("年级重命名"));
            dialog->button(QStringLiteral("Command5"))->click();
            dialog->button(QStringLiteral("Command1"))->click();
        });
        m_panel->prepareMenu(false);
        act("menuEditTV")->trigger();
        QVERIFY(itemByKey(QStringLiteral("Grade2")));
        QCOMPARE(itemByKey(QStringLiteral("Grade2"))->text(0), QStringLiteral("初三"));
    }
};

QTEST_MAIN(SchoolTreeViewTest)
#include "tst_school_tree_view.moc"
