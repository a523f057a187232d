#include "gui/analysis/grade_summary_dialog.h"

#include "core/base/progress.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/table/command.h"
#include "core/ui/prompter.h"
#include "gui/analysis/analysis_dialog.h"
#include "gui/print/print_preview_view.h"
#include "gui/ui/widget_names.h"

#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace analysis {

using ui::named;

GradeSummaryDialog::GradeSummaryDialog(QList<shell::TreeNode> nodes, int grade, const QStringList &tableNames,
                                       base::Workspace &ws, ui::Prompter &prompter, const AnalysisOptions &options,
                                       QWidget *parent)
    : AnalysisDialogBase(ws, prompter, options, false, parent), m_nodes(std::move(nodes)), m_grade(grade)
{
    setObjectName(QStringLiteral("frmGradeSummary"));
    setWindowTitle(QStringLiteral("年级成绩汇总"));
    m_table = named(new QComboBox(this), QStringLiteral("cboTable"));
    m_table->addItems(tableNames);
    m_grid = sheetGrid(QStringLiteral("grdSummary"), this);
    m_notes = named(new QLabel(this), QStringLiteral("lblNotes"));
    m_notes->setWordWrap(true);

    auto *tableRow = new QHBoxLayout;
    tableRow->addWidget(new QLabel(QStringLiteral("表格："), this));
    tableRow->addWidget(m_table, 1);
    auto *chartRow = new QHBoxLayout;
    chartRow->addWidget(new QLabel(QStringLiteral("平均分图表："), this));
    chartRow->addWidget(chartFieldBox(), 1);
    auto *results = new QVBoxLayout;
    results->addLayout(tableRow);
    results->addWidget(m_grid, 1);
    results->addWidget(m_notes);
    results->addLayout(chartRow);
    results->addWidget(chartView(), 2);

    m_filling = true;
    arrange(results);
    m_filling = false;
    chooseTable(m_table->currentText());
    connect(m_table, &QComboBox::currentTextChanged, this, &GradeSummaryDialog::chooseTable);
}

GradeSummaryDialog::~GradeSummaryDialog() = default;

void GradeSummaryDialog::chooseTable(const QString &name)
{
    // Choosing another entry comes back here through the box's signal.
    if (const int entry = m_table->findText(name); entry >= 0 && entry != m_table->currentIndex()) {
        m_table->setCurrentIndex(entry);
        return;
    }
    const AnalysisOptions o = options();
    {
        base::BusyScope busy(m_ws, QStringLiteral("正在读取各班的表格……"));
        m_scores = readGradeScores(m_ws, m_prompter, formula::calculator(m_ws), m_nodes, m_grade, name);
    }
    QList<int> checked;
    if (m_scores)
        for (const QString &field : m_scores->preselectedFields(o))
            checked << int(m_scores->fieldNamesFound.indexOf(field));
    setFieldChoices(m_scores ? m_scores->fieldNamesFound : QStringList(), checked, o);
    refresh();
}

AnalysisPage GradeSummaryDialog::page() const
{
    return gradePage(m_summary, std::max(chartField(), 0), QDate::currentDate());
}

QList<Sheet> GradeSummaryDialog::sheets() const
{
    return {m_summary.sheet};
}

void GradeSummaryDialog::recompute(const AnalysisOptions &o)
{
    m_summary = m_scores ? summarizeScores(*m_scores, o, checkedFieldNames()) : GradeSummary();
    fillSheet(m_grid, m_summary.sheet);
    m_notes->setText(m_summary.notes.join(QLatin1Char('\n')));
    m_notes->setVisible(!m_summary.notes.isEmpty());
    setChartFields(m_summary.fields);
}

void registerGradeSummaryDialog(table::CommandRegistry &registry, ui::SettingsStore *settings)
{
    registry.addFrame(ui::CommandId::GradeSummary, [settings](table::FrameContext &ctx) {
        const std::optional<shell::School> school = shell::readSchool(ctx.ws.schoolInfoFile());
        if (!school)
            return;
        const QList<shell::TreeNode> nodes = shell::treeNodes(*school);
        int grade = -1;
        for (int i = 0; i < nodes.size(); ++i)
            if (nodes[i].key == ctx.treeNode && nodes[i].image == 2)
                grade = i;
        if (grade < 0)
            return;
        const QStringList names = gradeTableNames(ctx.ws, nodes, grade);
        if (names.isEmpty()) {
            ctx.prompter.message(QStringLiteral("该年级的班级中还没有表格。"), QStringLiteral("年级成绩汇总"),
                                 ui::Icon::Information);
            return;
        }
        GradeSummaryDialog dialog(nodes, grade, names, ctx.ws, ctx.prompter,
                                  rememberedOptions(settings, ctx.ws.userName), ctx.window);
        dialog.exec();
        rememberOptions(settings, ctx.ws.userName, dialog.options());
    });
}

} // namespace analysis
