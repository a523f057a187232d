#pragma once
// Form1: the table window, one per open table. It owns the document (GradeTable) and shows it:
// the grid view with header row and row numbers, the formula bar Text1 with Check1 and the result
// label, the position box Text2, the formula-editor button Command2, the in-cell editor txtedit,
// and its own menu bar (shown in the main window's menu bar while the window is active).
// Every menu entry, control and action carries the system's name as its objectName.
#include "base/progress.h"
#include "table/grade_table.h"
#include "table/table_file.h"

#include <QWidget>

class QMenu;
class QMenuBar;
class QLineEdit;
class QCheckBox;
class QLabel;
class QPushButton;
class QAction;

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
class GridView;
} // namespace ui

namespace table {

class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent = nullptr);
    ~Form1() override;

    GradeTable &document() { return m_doc; }
    const GradeTable &document() const { return m_doc; }
    // The window title is the table title.
    QString title() const { return m_doc.Caption; }
    void setTitle(const QString &title);

    // Loads a table (see TableFile::LoadData); on failure the window closes itself and false is
    // returned.
    bool LoadData(const QString &name, bool fullPath);
    bool SaveData(bool temporary, const QString &name);

    // The menus of the table window, in menu-bar order.
    QList<QMenu *> menus() const { return m_menus; }
    QAction *action(const QString &objectName) const;

    // Called by the main window when this window becomes, or stops being, the active child.
    void activated();
    void deactivated();

    // The cell display value (plain text, or a formula's formatted result).
    QString 公式2值(int16_t row, int16_t col);
    int32_t faIndex(int16_t row, int16_t col) const { return m_doc.faIndex(row, col); }

    ui::GridView *gridView() const { return m_grid; }

public slots:
    void menuSave_Click();
    void menuCopyTable_Click();
    void menuUnPasSave_Click();
    void menuUndo_Click();
    void menuCut_Click();
    void menuCopy_Click();
    void menuPaste_Click();
    void menuDel_Click();
    void menuSelAll_Click();
    void menuPrintView_Click();
    void menuClose_Click();
    void menuCheckGS_Click();
    void menuRun_Click();
    void menuSetGStoLine_Click();
    void menuEditit_Click();
    // Starts editing the current cell with a typed key character (or input-method text); " " for
    // a double-click or 编辑选中单元格.
    void MSFlexGridEdit(const QString &typed);

signals:
    // The title changed (window list, status panel).
    void titleChanged(const QString &title);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum class Target { None, Grid, TextBox };
    void buildMenus();
    void buildControls();
    void refreshFromDocument();
    void closeSelf();
    void syncUnprotectedMark();
    void commitPendingEdit();
    void releaseTableButtons();
    void currentCellChanged();
    void showCurrentCell();
    void commitEditor();
    void commitFormulaBar();
    void formulaBarChanged(const QString &text);
    void showPopupMenu();
    void setUndoEnabled(bool enabled);
    void mirrorUndoButton();
    void afterTableCommand();
    Target editTarget(QLineEdit **box) const;

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    GradeTable m_doc;
    // Long operations show in the status bar and hide the grid meanwhile.
    class GridHidingProgress : public base::Progress {
    public:
        explicit GridHidingProgress(Form1 &w) : m_w(w) {}
        void start(const QString &status) override;
        void setPercent(int percent) override;
        void finish() override;

    private:
        Form1 &m_w;
        int m_depth = 0;
    } m_progress{*this};
    TableFile m_file;
    QList<QMenu *> m_menus;
    ui::GridView *m_grid = nullptr;
    QLineEdit *m_text1 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QLabel *m_result = nullptr;
    QLineEdit *m_text2 = nullptr;
    QPushButton *m_command2 = nullptr;
    QLineEdit *m_txtedit = nullptr;
    QMenu *m_popup = nullptr;
    bool m_active = false;
    class Editing;
    Editing *m_editing = nullptr;
};

} // namespace table
