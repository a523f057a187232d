#pragma once
// TableWindow: the table window, one per open table. It owns the document (GradeTable) and shows it:
// the grid view with header row and row numbers, the formula bar Text1 with Check1 and the result
// label, the position box Text2, the formula-editor button Command2, the in-cell editor txtedit,
// and its own menu bar (shown in the main window's menu bar while the window is active).
// Every menu entry runs the registered command of its name through execute(); entries without a
// command are disabled. Every control and action carries the system's name as its objectName.
#include "core/base/progress.h"
#include "core/table/command.h"
#include "core/table/grade_table.h"
#include "core/table/recovery.h"
#include "core/table/table_file.h"
#include "core/table/table_lock.h"

#include <QWidget>

class QMenu;
class QLineEdit;
class QCheckBox;
class QLabel;
class QPushButton;
class QAction;
class QTimer;

namespace ui {
class Prompter;
class SettingsStore;
} // namespace ui

namespace table {

class GridView;

class TableWindow : public QWidget {
    Q_OBJECT
public:
    TableWindow(base::Workspace &ws, ui::Prompter &prompter, const CommandRegistry &commands,
                QWidget *parent = nullptr);
    ~TableWindow() override;

    GradeTable &document() { return m_doc; }
    const GradeTable &document() const { return m_doc; }
    // The window title is the table title.
    QString title() const { return m_doc.title; }
    void setTitle(const QString &title);

    // Loads a table (see TableFile::load); on failure the window closes itself and false is
    // returned.
    bool load(const QString &name, bool fullPath);
    bool save(const QString &name);
    // Takes the lock of the table's own file for as long as the window has it.
    bool holdLock() { return m_lock.acquire(m_doc.filePath, m_ws.userName); }
    // Opened while another process has the table: its file is not written, and the caption says so.
    void setReadOnly();
    // Shows a recovery copy bound to its table, marked as changed, and goes on writing that copy.
    bool restore(const RecoveryEntry &entry);
    // The recovery copy of this window's unsaved changes.
    RecoveryCopy &recoveryCopy() { return m_recovery; }
    // The program is about to end without closing its windows: the unsaved changes are written to
    // the recovery copy now (unless copies are turned off), and the lock goes.
    void keepForRecovery();

    // The menus of the table window, in menu-bar order.
    QList<QMenu *> menus() const { return m_menus; }
    QAction *action(const QString &objectName) const;

    // A usable size for a new window, and the least any arrangement may shrink it to.
    QSize sizeHint() const override { return {640, 420}; }
    QSize minimumSizeHint() const override { return {240, 120}; }

    // Runs the command registered under `name`: a pending cell edit is committed first (unless the
    // keyboard is in a text box, which the Edit commands then act on); afterwards the window shows
    // the table's state again. Nothing happens when the command is missing or disabled.
    void execute(const QString &name);
    void execute(ui::CommandId id);
    // The command bound to a toolbar button, run on this window; false when there is none.
    bool executeButton(base::ToolButton button);
    // Whether a toolbar button has an enabled command on this window.
    bool buttonAvailable(base::ToolButton button);

    // Called by the main window when this window becomes, or stops being, the active child.
    void activated();
    void deactivated();
    // The main window's services for the commands (open another table, is one open).
    void setTableWindows(TableWindows *windows) { m_windows = windows; }

    // The cell display value (plain text, or a formula's formatted result).
    QString displayValue(int row, int col);
    int32_t faIndex(int16_t row, int16_t col) const { return m_doc.faIndex(row, col); }

    GridView *gridView() const { return m_grid; }

    // Goes to entry `entry` (1 …) of the last search's results, the cursor on the cell found.
    void goToFindResult(int entry);
    // The results of the last search in the results window (for more than fit the menu).
    void showFindResultsWindow();

    // Asks the window to close (its own close box does the same); the save prompt may keep it.
    void requestClose();

    // Starts editing the current cell with a typed key character (or input-method text); " " for
    // a double-click or 编辑选中单元格.
    void editCell(const QString &typed);

signals:
    // The title changed (window list, status panel).
    void titleChanged(const QString &title);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    class Editing;
    class FocusedTextBox;
    // Long operations show in the status bar and hide the grid meanwhile.
    class GridHidingProgress : public base::Progress {
    public:
        explicit GridHidingProgress(TableWindow &w) : m_w(w) {}
        void start(const QString &status) override;
        void setPercent(int percent) override;
        void finish() override;

    private:
        TableWindow &m_w;
        int m_depth = 0;
    };

    void buildMenus();
    void buildControls();
    void showCaption();
    void bindActions();
    void rebuildTemplateMenu();
    void rebuildFindResults();
    void run(const Command &command);
    CommandContext context(QLineEdit **focusedBox);
    void refreshActions();
    void commitPendingEdit();
    void releaseTableButtons();
    void currentCellChanged();
    void showCurrentCell();
    void commitEditor();
    void commitFormulaBar();
    void formulaBarChanged(const QString &text);
    void showPopupMenu();
    void undoStateChanged();
    void focusGrid();
    // A table just read (opened or restored): its title, and the keyboard on its first score.
    void showLoadedTable();
    void showResults();
    void moveByTab(bool forward);
    // The marker went on or off: the caption, the recovery copy and a new table's lock follow.
    void changeStateChanged();
    void scheduleRecovery(int seconds);
    void writeRecoveryCopy();

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    const CommandRegistry &m_commands;
    TableWindows *m_windows = nullptr;
    GradeTable m_doc;
    GridHidingProgress m_progress{*this};
    TableFile m_file;
    TableLock m_lock;
    bool m_opened = false; // read from a file or a recovery copy, not created new
    RecoveryCopy m_recovery{m_ws};
    QTimer *m_recoverTimer = nullptr;
    quint64 m_copiedVersion = 0; // the grid's content when the last copy was taken
    TableProperties m_copiedProperties;
    QList<QMenu *> m_menus;
    GridView *m_grid = nullptr;
    QLineEdit *m_text1 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QLabel *m_result = nullptr;
    QLineEdit *m_text2 = nullptr;
    QPushButton *m_command2 = nullptr;
    QLineEdit *m_txtedit = nullptr;
    QMenu *m_popup = nullptr;
    bool m_active = false;
    bool m_showingResults = false;
    Editing *m_editing = nullptr;
};

// The commands that act on the table window itself (关闭, 编辑选中单元格, 显示公式结果, which is
// remembered in the settings store).
void registerTableWindowCommands(CommandRegistry &registry, ui::SettingsStore &settings);

} // namespace table
