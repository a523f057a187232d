#pragma once
// AnalysisDialog "成绩分析": the figures of the active table's fields, worked out again at every
// choice (fields, full marks, the three percentages, the band width), the band table and the bar
// chart of one field, and their outputs: 打印, 导出PDF, 复制 and 保存为CSV. The table is only read.
#include "core/analysis/analysis_page.h"
#include "core/analysis/score_figures.h"
#include "core/analysis/table_analysis.h"

#include <QDialog>

class QComboBox;
class QListWidget;
class QSpinBox;
class QTableWidget;

namespace base {
class Workspace;
}
namespace table {
class CommandRegistry;
class GradeTable;
} // namespace table
namespace ui {
class Prompter;
class SettingsStore;
} // namespace ui
namespace print {
class PreviewView;
}

namespace analysis {

class AnalysisDialog : public QDialog {
    Q_OBJECT
public:
    AnalysisDialog(const table::GradeTable &doc, base::Workspace &ws, ui::Prompter &prompter,
                   const AnalysisOptions &options, QWidget *parent = nullptr);
    ~AnalysisDialog() override;

    // The choices the controls show now, and what they give.
    AnalysisOptions options() const;
    QList<int> columns() const;
    const AnalysisResult &result() const { return m_result; }
    AnalysisPage page() const;

    void printPage();
    void exportPdf();
    void copyTables();
    void saveCsv();

private:
    void refresh();
    void fillSheet(QTableWidget *grid, const Sheet &sheet);

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    TableAnalysis m_analysis;
    AnalysisResult m_result;
    bool m_filling = false;

    QListWidget *m_fields = nullptr;
    QTableWidget *m_fullMarks = nullptr;
    QSpinBox *m_pass = nullptr;
    QSpinBox *m_excellent = nullptr;
    QSpinBox *m_low = nullptr;
    QSpinBox *m_band = nullptr;
    QTableWidget *m_figures = nullptr;
    QComboBox *m_chartField = nullptr;
    QTableWidget *m_bands = nullptr;
    print::PreviewView *m_chart = nullptr;
};

// The options the user last chose ("Analysis" section, keys of their user name), and keeping them.
AnalysisOptions rememberedOptions(const ui::SettingsStore *settings, const QString &userName);
void rememberOptions(ui::SettingsStore *settings, const QString &userName, const AnalysisOptions &options);

// 成绩分析(&A)… of the 工具 menu and the grid's right-click menu.
void registerAnalysisDialogs(table::CommandRegistry &registry, ui::SettingsStore *settings);

} // namespace analysis
