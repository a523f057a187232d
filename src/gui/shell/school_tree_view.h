#pragma once
// The content of the main window's left panel Picture1: the hint text and the school tree
// TreeView1 (nodes keyed "School1", "Grade" + i, "Grade" + i + "Class" + j with the images 1, 2,
// 3), its context menu menuPop1 (menuCZBJ, the class's tables menufileList, menuEditTV,
// menuTabelD, menuNewFile with menuNewXD and menuNewonly, and on a grade node the commands of the
// tree's place in the command table, menuGradeSummary) and the school editor. The main window
// hosts it and gives it what it needs through SchoolTreeHost.
#include "core/shell/new_table.h"
#include "core/shell/school_tree.h"
#include "core/ui/command_table.h"

#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
}
namespace table {
class TableWindow;
}

namespace shell {

inline const QString kSchoolTreeHint = QStringLiteral("   右键树形列表项目，可编辑树形目录/新建,打开表格。");

struct SchoolTreeHost {
    // Opens a table file (path without ".gdt") in a window, or activates the window that has it.
    std::function<void(const QString &tablePath)> openTable;
    // Creates and shows an empty table window as the active child; its window.
    std::function<table::TableWindow *()> newTableWindow;
    // Shows one of the wizard's dialogs modally over the main window for the new (active) table.
    std::function<void(WizardDialog, table::TableWindow &)> wizardDialog;
    // Runs one of the main window's commands on the selected node (the entries of the tree's own
    // place in the command table).
    std::function<void(ui::CommandId)> runCommand;
};

class SchoolTreePanel : public QWidget {
    Q_OBJECT
public:
    SchoolTreePanel(base::Workspace &ws, ui::Prompter &prompter, SchoolTreeHost host, QWidget *parent = nullptr);

    // Clears the tree and fills it from SchoolInfo.ini; without the file the tree stays empty and
    // disabled. The file is only read.
    void AddDot();

    QTreeWidget *treeView1() const { return m_tree; }
    QLabel *hintLabel() const { return m_hint; }
    QMenu *menuPop1() const { return m_menu; }
    QAction *action(const QString &objectName) const;

    // Fills menuPop1 for the selected node as it opens; from toolbar button 2 the table list stays
    // empty. Separate from showing so the entries can be checked.
    void prepareMenu(bool fromToolbar);
    // Opens menuPop1 at `globalPos` (the right press, the double click, toolbar button 2).
    void showMenu(const QPoint &globalPos, bool fromToolbar);

    // menuClass and menuEditTV: the editor SchoolEditorDialog, modal over the main window; the tree is
    // rebuilt after it closes, whichever way.
    void editSchoolTree();
    // The menu's commands on the selected node.
    void openListedTable(const QString &name);
    void newTableDirect();
    void newTableWizard();
    void newTableOutside();

    // The selected node's key, and its path ("school\grade\class"); empty when none.
    QString selectedKey() const;
    QString selectedPath() const;
    // The class folder of the selected node; empty unless it is a class whose names can be folders.
    QString selectedClassDir() const;

private:
    void buildMenu();
    void openMenuAt(QTreeWidgetItem *item, const QPoint &globalPos);

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    SchoolTreeHost m_host;
    QLabel *m_hint = nullptr;
    QTreeWidget *m_tree = nullptr;
    QMenu *m_menu = nullptr;
    QMenu *m_newFile = nullptr;
    QAction *m_fileListEnd = nullptr; // the separator menuline5 after the table entries
    QList<QAction *> m_fileEntries;
    QList<QAction *> m_gradeEntries; // shown on a grade node only
};

} // namespace shell
