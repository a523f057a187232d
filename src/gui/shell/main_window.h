#pragma once
// MDIForm1: the main window. An MDI frame holding the table windows (Form1), with the toolbar
// Toolbar1, the status bar StatusBar1, the left panel Picture1 with the school tree TreeView1 and
// the frame menus "文件(&F)" and "帮助(&H)". While a table window is active the menu bar shows
// that window's menus instead. Toolbar and status bar mirror the Workspace.
#include "core/table/command.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QTreeWidget;

namespace ui {
class Prompter;
class SettingsStore;
} // namespace ui
namespace table {
class Form1;
}

namespace base {
class Workspace;
}

namespace shell {

class SchoolTreePanel;

class MDIForm1 : public QMainWindow, public table::TableWindows {
    Q_OBJECT
public:
    // Runs the loading steps: data directories, school tree, stored table font, caption, print
    // settings. `commands` are the table windows' commands; the frame adds its own to them.
    MDIForm1(base::Workspace &ws, ui::Prompter &prompter, ui::SettingsStore &settings, table::CommandRegistry commands,
             QWidget *parent = nullptr);
    ~MDIForm1() override;

    base::Workspace &workspace() const { return m_ws; }
    ui::Prompter &prompter() const { return m_prompter; }

    QMdiArea *mdiArea() const { return m_mdi; }
    QWidget *picture1() const { return m_picture1; }
    QTreeWidget *treeView1() const;
    SchoolTreePanel *schoolTree() const { return m_school; }
    QToolBar *toolbar1() const { return m_toolbar; }
    // Toolbar position 1..24 (separators included); nullptr outside.
    QAction *toolbarButton(int number) const;
    QLabel *statusPanel(int panel) const;
    // The frame's own menus, shown while no table window is active.
    QList<QMenu *> frameMenus() const { return m_frameMenus; }
    QAction *frameAction(const QString &objectName) const;

    // The table windows in the order they were opened, and the active one (nullptr if none).
    QList<table::Form1 *> tableWindows() const;
    table::Form1 *activeTableWindow() const;
    // Creates a table window inside the frame, shows it and makes it the active child.
    table::Form1 *createTableWindow();
    // Asks for a table file and opens it in a new table window.
    void openTableFile();
    // The table window that has this table file (path without ".gdt") open, or nullptr.
    table::Form1 *windowOf(const QString &tablePath) const;
    bool isOpen(const QString &tablePath) const override { return windowOf(tablePath) != nullptr; }
    // Activates the window that has the table open, or opens it in a new one.
    void openTable(const QString &tablePath) override;
    const table::CommandRegistry &commands() const { return m_commands; }

    // Fills the school tree from SchoolInfo.ini.
    void AddDot();

    // How "退出(&X)" ends the program once the frame has closed (each changed table asked as the
    // close box does); QCoreApplication::exit(0) unless replaced.
    std::function<void()> endProgram;

public slots:
    void menuOpen_Click();
    void menuExit_Click();
    void menuAbout_Click();
    void menuHelpZT_Click();
    void menuCD_Click();
    void menuZXPP_Click();
    void menuHXPP_Click();
    void menuPL_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void buildLeftPanel();
    void mirrorWorkspace();
    void registerFrameCommands();
    void keepInView(QMdiSubWindow *sub);
    void focusActiveTable();
    void runFrameCommand(const QString &name);
    void subWindowActivated(QMdiSubWindow *sub);
    void showMenusOf(table::Form1 *form);
    void fillWindowList(table::Form1 *owner);
    void showTableWindow(const QString &caption);
    void onToolbarButton(base::ToolButton button);
    void setBusyPointer(bool busy);
    QList<QMdiSubWindow *> arrangeableWindows() const;
    void unloadToolWindows();

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    ui::SettingsStore &m_settings;
    table::CommandRegistry m_commands;
    QMdiArea *m_mdi = nullptr;
    QWidget *m_picture1 = nullptr;
    SchoolTreePanel *m_school = nullptr;
    QToolBar *m_toolbar = nullptr;
    QList<QAction *> m_buttons; // positions 1..24
    QList<QLabel *> m_panels;   // panels 1..4
    QList<QMenu *> m_frameMenus;
    QPointer<table::Form1> m_active;
    bool m_busyPointer = false;
};

} // namespace shell
