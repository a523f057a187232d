#pragma once
// AnalysisDialog "成绩分析" (frmAnalysis): the figures of the active table's fields (grdFigures),
// worked out again at every choice, the band table (grdBands) and the bar chart of one field, and
// the outputs the two analysis dialogs share. The table is only read.
#include "gui/analysis/analysis_dialog_base.h"

class QTableWidget;

namespace table {
class CommandRegistry;
class GradeTable;
} // namespace table
namespace ui {
class SettingsStore;
}

namespace analysis {

class AnalysisDialog : public AnalysisDialogBase {
    Q_OBJECT
public:
    AnalysisDialog(const table::GradeTable &doc, base::Workspace &ws, ui::Prompter &prompter,
                   const AnalysisOptions &options, QWidget *parent = nullptr);
    ~AnalysisDialog() override;

    // The table columns (1 … Cols − 1) ticked, and what they give.
    QList<int> columns() const;
    const AnalysisResult &result() const { return m_result; }
    AnalysisPage page() const override;
    QList<Sheet> sheets() const override;
    bool hasResult() const override { return !m_result.fields.isEmpty(); }

private:
    void recompute(const AnalysisOptions &options) override;

    TableAnalysis m_analysis;
    AnalysisResult m_result;
    QTableWidget *m_figures = nullptr;
    QTableWidget *m_bands = nullptr;
};

// The options the user last chose ("Analysis" section, keys of their user name), and keeping them.
AnalysisOptions rememberedOptions(const ui::SettingsStore *settings, const QString &userName);
void rememberOptions(ui::SettingsStore *settings, const QString &userName, const AnalysisOptions &options);

// 成绩分析(&A)… of the 工具 menu and the grid's right-click menu.
void registerAnalysisDialogs(table::CommandRegistry &registry, ui::SettingsStore *settings);

} // namespace analysis
