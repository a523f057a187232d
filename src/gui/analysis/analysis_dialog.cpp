#include "gui/analysis/analysis_dialog.h"

#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/table/command.h"
#include "core/table/grade_table.h"
#include "core/ui/settings_store.h"
#include "gui/print/print_preview_view.h"

#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace analysis {

namespace {
const QString kSection = QStringLiteral("Analysis");

QString userKey(const QString &userName, const char *key)
{
    const QString name = QLatin1String(key);
    return userName.isEmpty() ? name : name + QLatin1Char('_') + userName;
}
} // namespace

AnalysisOptions rememberedOptions(const ui::SettingsStore *settings, const QString &userName)
{
    AnalysisOptions o;
    if (!settings)
        return o;
    auto read = [&](const char *key, double fallback, double lo, double hi) {
        bool ok = false;
        const double v = settings->value(kSection, userKey(userName, key)).toDouble(&ok);
        return ok && v >= lo && v <= hi ? v : fallback;
    };
    o.passPercent = read("PassPercent", o.passPercent, 0, 100);
    o.excellentPercent = read("ExcellentPercent", o.excellentPercent, 0, 100);
    o.lowPercent = read("LowPercent", o.lowPercent, 0, 100);
    o.bandWidth = int(read("BandWidth", o.bandWidth, 1, kMaxFullMarks));
    return o;
}

void rememberOptions(ui::SettingsStore *settings, const QString &userName, const AnalysisOptions &o)
{
    if (!settings)
        return;
    settings->setValue(kSection, userKey(userName, "PassPercent"), QString::number(o.passPercent));
    settings->setValue(kSection, userKey(userName, "ExcellentPercent"), QString::number(o.excellentPercent));
    settings->setValue(kSection, userKey(userName, "LowPercent"), QString::number(o.lowPercent));
    settings->setValue(kSection, userKey(userName, "BandWidth"), QString::number(o.bandWidth));
}

AnalysisDialog::AnalysisDialog(const table::GradeTable &doc, base::Workspace &ws, ui::Prompter &prompter,
                               const AnalysisOptions &options, QWidget *parent)
    : AnalysisDialogBase(ws, prompter, options, true, parent), m_analysis(doc, formula::calculator(ws))
{
    setObjectName(QStringLiteral("frmAnalysis"));
    setWindowTitle(QStringLiteral("成绩分析"));
    QList<int> preselected;
    for (int column : m_analysis.preselectedColumns(options))
        preselected << column - 1;
    setFieldChoices(m_analysis.fieldNames(), preselected, options);

    m_figures = sheetGrid(QStringLiteral("grdFigures"), this);
    m_bands = sheetGrid(QStringLiteral("grdBands"), this);
    auto *bandRow = new QHBoxLayout;
    bandRow->addWidget(new QLabel(QStringLiteral("分数段："), this));
    bandRow->addWidget(chartFieldBox(), 1);
    auto *lower = new QHBoxLayout;
    lower->addWidget(m_bands, 1);
    lower->addWidget(chartView(), 2);
    auto *results = new QVBoxLayout;
    results->addWidget(m_figures, 1);
    results->addLayout(bandRow);
    results->addLayout(lower, 2);
    arrange(results);
}

AnalysisDialog::~AnalysisDialog() = default;

QList<int> AnalysisDialog::columns() const
{
    QList<int> chosen;
    for (int i : checkedFields())
        chosen << i + 1;
    return chosen;
}

AnalysisPage AnalysisDialog::page() const
{
    return analysisPage(m_result, std::max(chartField(), 0), QDate::currentDate());
}

QList<Sheet> AnalysisDialog::sheets() const
{
    return {m_result.figureSheet(), m_result.bandSheet()};
}

void AnalysisDialog::recompute(const AnalysisOptions &o)
{
    m_result = m_analysis.analyse(columns(), o);
    fillSheet(m_figures, m_result.figureSheet());
    QStringList names;
    for (const FieldFigures &f : m_result.fields)
        names << f.name;
    setChartFields(names);
    const int field = chartField();
    fillSheet(m_bands, field >= 0 ? m_result.bandSheet(field) : Sheet());
}

void registerAnalysisDialogs(table::CommandRegistry &registry, ui::SettingsStore *settings)
{
    registry.add({ui::CommandId::Analysis,
                  [settings](table::CommandContext &ctx) {
                      AnalysisDialog dialog(ctx.doc, ctx.ws, ctx.prompter, rememberedOptions(settings, ctx.ws.userName),
                                            ctx.window);
                      dialog.exec();
                      rememberOptions(settings, ctx.ws.userName, dialog.options());
                  },
                  {}});
}

} // namespace analysis
