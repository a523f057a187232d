#pragma once
// ImportDialog (导入选定数据到指定位置): fills one column of the open table from one column of another
// table, in order or matched by key fields (对号入座). It works on a copy of the open table
// (MSFlexGrid1) and the loaded source (MSFlexGrid2); the caller loads the source and applies the
// fill through its callbacks, so the dialog never touches the document.
#include "core/base/progress.h"
#include "core/exchange/table_import.h"
#include "core/table/grade_table.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace table {
class GridView;
}
namespace ui {
class Prompter;
}

namespace exchange {

class ImportDialog : public QDialog, public base::Progress {
    Q_OBJECT
public:
    // Loads the table file at a path into the source (with the dialog's messages).
    using SourceLoader = std::function<SourceLoad(const QString &path, table::GradeTable &source)>;
    // Fills the open table; the progress is the dialog's bar.
    using Applier =
        std::function<void(const FillRequest &request, const table::Grid &source, base::Progress &progress)>;

    ImportDialog(const table::GradeTable &target, ui::Prompter &prompter, SourceLoader loader, Applier apply,
                 QWidget *parent = nullptr);
    ~ImportDialog() override;

    // The progress bar Picture1 with its inner label Label4.
    void start(const QString &status) override;
    void setPercent(int percent) override;
    void finish() override;

    table::Grid &targetGrid() { return m_target.grid; }
    table::Grid &sourceGrid() { return m_source.grid; }

private:
    void command1Clicked();
    void command2Clicked();
    void check1Toggled(bool on);
    void sizeRowNumbers();

    ui::Prompter &m_prompter;
    SourceLoader m_loader;
    Applier m_apply;
    table::GradeTable m_target;
    table::GradeTable m_source;
    class RowNumberWidth;
    RowNumberWidth *m_rowNumbers = nullptr;

    table::GridView *m_grid1;
    table::GridView *m_grid2;
    QComboBox *m_combo1;
    QComboBox *m_combo2;
    QCheckBox *m_check1;
    QLabel *m_label3;
    QPushButton *m_command1;
    QPushButton *m_command2;
    QPushButton *m_command3;
    QFrame *m_picture1;
    QLabel *m_label4;
};

} // namespace exchange
