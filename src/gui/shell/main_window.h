#pragma once
// MainWindow: the main window. An MDI frame holding the table windows (TableWindow), with the toolbar
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
class TableWindow;
}

namespace base {
class Workspace;
}

namespace shell {

class SchoolTreePanel;

class MainWindow : public QMainWindow, public table::TableWindows {
    Q_OBJECT
public:
    // Runs the loading steps: data directories, school tree, stored table font, caption, print
    // settings. `commands` are the table windows' commands; the frame adds its own to them.
    MainWindow(base::Workspace &ws, ui::Prompter &prompter, ui::SettingsStore &settings,
               table::CommandRegistry commands, QWidget *parent = nullptr);
    ~MainWindow() override;

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
    QList<table::TableWindow *> tableWindows() const;
    table::TableWindow *activeTableWindow() const;
    // Creates a table window inside the frame, shows it and makes it the active child.
    table::TableWindow *createTableWindow();
    // Asks for a table file and opens it in a new table window.
    void openTableFile();
    // The table window that has this table file (path without ".gdt") open, or nullptr.
    table::TableWindow *windowOf(const QString &tablePath) const;
    bool isOpen(const QString &tablePath) const override { return windowOf(tablePath) != nullptr; }
    // Activates the window that has the table open, or opens it in a new one.
    void openTable(const QString &tablePath) override;
    const table::CommandRegistry &commands() const { return m_commands; }

    // After the login: offers the logged-in teacher's recovery copies and opens those to restore.
    void offerRecovery();
    // From now on SIGTERM and SIGHUP (the desktop session ending, a shutdown) end the program
    // without a question but lose nothing: keepWorkAndEnd().
    void endOnTerminationSignals();
    // Writes the recovery copy of every table with unsaved changes (unless copies are turned
    // off), frees the locks, and ends the process at once: the next start offers the copies.
    [[noreturn]] void keepWorkAndEnd();

    // Fills the school tree from SchoolInfo.ini.
    void AddDot();

    // How "退出(&X)" ends the program once the frame has closed (each changed table asked as the
    // close box does); QCoreApplication::exit(0) unless replaced.
    std::function<void()> endProgram;

public slots:
    void openTable();
    void exitProgram();
    void showAbout();
    void showHelpTopics();
    void cascadeWindows();
    void tileVertically();
    void tileHorizontally();
    void arrangeMinimizedWindows();

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
    void runFrameCommand(ui::CommandId id);
    void subWindowActivated(QMdiSubWindow *sub);
    void currentTableGone();
    void showMenusOf(table::TableWindow *form);
    void fillWindowList(table::TableWindow *owner);
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
    QPointer<table::TableWindow> m_active;
    // The context of the table windows' destroyed signals: a member, so that those connections end
    // with this window's own members, before the base class deletes the children.
    QObject m_tableWatch;
    bool m_busyPointer = false;
};

} // namespace shell
