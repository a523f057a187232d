#pragma once
// GradeSummaryDialog "年级成绩汇总" (frmGradeSummary), from the school tree's menu on a grade node:
// the table name chosen among those of the grade's classes (cboTable), the class-by-class summary
// (grdSummary) with the notes of the classes without the table under it (lblNotes), the chart of
// the classes' averages of one field, and the outputs of the analysis dialogs. The tables are
// read once per table name; every other choice only works the summary out again.
#include "core/analysis/grade_summary.h"
#include "gui/analysis/analysis_dialog_base.h"

#include <optional>

namespace table {
class CommandRegistry;
}
namespace ui {
class SettingsStore;
}

namespace analysis {

class GradeSummaryDialog : public AnalysisDialogBase {
    Q_OBJECT
public:
    // `grade` is the grade's node in `nodes`; `tableNames` the names to choose from, the first
    // chosen.
    GradeSummaryDialog(QList<shell::TreeNode> nodes, int grade, const QStringList &tableNames, base::Workspace &ws,
                       ui::Prompter &prompter, const AnalysisOptions &options, QWidget *parent = nullptr);
    ~GradeSummaryDialog() override;

    // Reads the tables of that name and offers their fields, preselected.
    void chooseTable(const QString &name);
    const GradeSummary &summary() const { return m_summary; }
    AnalysisPage page() const override;
    QList<Sheet> sheets() const override;
    bool hasResult() const override { return m_scores.has_value() && !m_summary.fields.isEmpty(); }

private:
    void recompute(const AnalysisOptions &options) override;

    QList<shell::TreeNode> m_nodes;
    int m_grade = -1;
    std::optional<GradeScores> m_scores;
    GradeSummary m_summary;
    QComboBox *m_table = nullptr;
    QTableWidget *m_grid = nullptr;
    QLabel *m_notes = nullptr;
};

// 年级成绩汇总(&S)… of the school tree's menu on a grade node.
void registerGradeSummaryDialog(table::CommandRegistry &registry, ui::SettingsStore *settings);

} // namespace analysis
