#pragma once
// What the two analysis dialogs (成绩分析 of one table, 年级成绩汇总 of a grade) share: the choices on
// the left — the fields to analyse (lstFields), their full marks (grdFullMarks), the pass,
// excellent and low percentages and the band width (txtPass, txtExcellent, txtLow, txtBand) — the
// field whose chart the page shows (cboField), the preview of the printed page (picChart), and
// the outputs 打印, 导出PDF, 复制 and 保存为CSV (cmdPrint, cmdPdf, cmdCopy, cmdCsv, cmdClose). Every
// change of a choice works the result out again (recompute) and redraws the page.
#include "core/analysis/analysis_page.h"
#include "core/analysis/score_figures.h"
#include "core/analysis/table_analysis.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLayout;
class QListWidget;
class QSpinBox;
class QTableWidget;

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
}
namespace print {
class PreviewView;
}

namespace analysis {

class AnalysisDialogBase : public QDialog {
    Q_OBJECT
public:
    ~AnalysisDialogBase() override;

    // The choices the controls show now.
    AnalysisOptions options() const;
    // The page 打印 prints, and the tables 复制 and 保存为CSV give; nothing while there is no result.
    virtual AnalysisPage page() const = 0;
    virtual QList<Sheet> sheets() const = 0;
    virtual bool hasResult() const = 0;

    void printPage();
    void exportPdf();
    void copyTables();
    void saveCsv();

protected:
    // `withBands`: the low line and the band width are choices (the grade summary shows neither).
    AnalysisDialogBase(base::Workspace &ws, ui::Prompter &prompter, const AnalysisOptions &options, bool withBands,
                       QWidget *parent);

    // Lists the fields to choose from, those at `checked` (indices into `names`) ticked, each with
    // its full marks from `options`.
    void setFieldChoices(const QStringList &names, const QList<int> &checked, const AnalysisOptions &options);
    // The indices of the ticked fields.
    QList<int> checkedFields() const;
    QStringList checkedFieldNames() const;
    // The fields the chart can show; the one chosen stays chosen while it is among them.
    void setChartFields(const QStringList &names);
    int chartField() const;
    // Lays the dialog out: the choices on the left, `results` on the right, the buttons under both;
    // then works the first result out.
    void arrange(QLayout *results);
    // Works the result out for the current choices and shows it.
    virtual void recompute(const AnalysisOptions &options) = 0;
    // Draws page() into the preview, or an empty preview without a result.
    void showPage();
    // Runs recompute once for every change of a choice; changes made while it runs or while the
    // choices are filled do not start another.
    void refresh();

    static QTableWidget *sheetGrid(const QString &name, QWidget *parent);
    static void fillSheet(QTableWidget *grid, const Sheet &sheet);

    QComboBox *chartFieldBox() const { return m_chartField; }
    print::PreviewView *chartView() const { return m_chart; }

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    bool m_filling = false;

private:
    QListWidget *m_fields = nullptr;
    QTableWidget *m_fullMarks = nullptr;
    QSpinBox *m_pass = nullptr;
    QSpinBox *m_excellent = nullptr;
    QSpinBox *m_low = nullptr;
    QSpinBox *m_band = nullptr;
    QComboBox *m_chartField = nullptr;
    print::PreviewView *m_chart = nullptr;
    bool m_withBands = true;
    AnalysisOptions m_initial; // what the hidden choices keep
};

} // namespace analysis
