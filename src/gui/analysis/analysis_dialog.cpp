#include "gui/analysis/analysis_dialog.h"

#include "core/base/file_writer.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/print/recording_surface.h"
#include "core/table/command.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"
#include "core/ui/settings_store.h"
#include "gui/print/print_preview_view.h"
#include "gui/ui/widget_names.h"

#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace analysis {

using ui::button;
using ui::named;

namespace {
const QString kSection = QStringLiteral("Analysis");

QString userKey(const QString &userName, const char *key)
{
    const QString name = QLatin1String(key);
    return userName.isEmpty() ? name : name + QLatin1Char('_') + userName;
}

QSpinBox *spin(const QString &name, int lo, int hi, int value, QWidget *parent)
{
    auto *box = named(new QSpinBox(parent), name);
    box->setRange(lo, hi);
    box->setValue(value);
    return box;
}

QTableWidget *sheetGrid(const QString &name, QWidget *parent)
{
    auto *grid = named(new QTableWidget(parent), name);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return grid;
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
    : QDialog(parent), m_ws(ws), m_prompter(prompter), m_analysis(doc, formula::calculator(ws))
{
    setObjectName(QStringLiteral("frmAnalysis"));
    setWindowTitle(QStringLiteral("成绩分析"));
    m_filling = true;

    m_fields = named(new QListWidget(this), QStringLiteral("lstFields"));
    const QStringList names = m_analysis.fieldNames();
    const QList<int> preselected = m_analysis.preselectedColumns(options);
    for (int i = 0; i < names.size(); ++i) {
        auto *item = new QListWidgetItem(names.at(i), m_fields);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(preselected.contains(i + 1) ? Qt::Checked : Qt::Unchecked);
    }
    m_fullMarks = named(new QTableWidget(int(names.size()), 2, this), QStringLiteral("grdFullMarks"));
    m_fullMarks->setHorizontalHeaderLabels({QStringLiteral("科目"), QStringLiteral("满分")});
    m_fullMarks->verticalHeader()->hide();
    for (int i = 0; i < names.size(); ++i) {
        auto *name = new QTableWidgetItem(names.at(i));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        m_fullMarks->setItem(i, 0, name);
        m_fullMarks->setItem(i, 1, new QTableWidgetItem(QString::number(options.fullMarksOf(names.at(i)))));
    }
    m_pass = spin(QStringLiteral("txtPass"), 0, 100, qRound(options.passPercent), this);
    m_excellent = spin(QStringLiteral("txtExcellent"), 0, 100, qRound(options.excellentPercent), this);
    m_low = spin(QStringLiteral("txtLow"), 0, 100, qRound(options.lowPercent), this);
    m_band = spin(QStringLiteral("txtBand"), 1, kMaxFullMarks, options.bandWidth, this);
    m_figures = sheetGrid(QStringLiteral("grdFigures"), this);
    m_chartField = named(new QComboBox(this), QStringLiteral("cboField"));
    m_bands = sheetGrid(QStringLiteral("grdBands"), this);
    m_chart = named(new print::PreviewView(this), QStringLiteral("picChart"));
    m_chart->setMinimumSize(420, 300);
    m_chart->setFit(print::PreviewView::Fit::Page);

    auto *choices = new QGridLayout;
    choices->addWidget(new QLabel(QStringLiteral("分析的科目："), this), 0, 0, 1, 2);
    choices->addWidget(m_fields, 1, 0, 1, 2);
    choices->addWidget(new QLabel(QStringLiteral("满分："), this), 2, 0, 1, 2);
    choices->addWidget(m_fullMarks, 3, 0, 1, 2);
    const std::pair<const char16_t *, QSpinBox *> boxes[] = {{u"及格线（%）：", m_pass},
                                                             {u"优秀线（%）：", m_excellent},
                                                             {u"低分线（%）：", m_low},
                                                             {u"分数段（分）：", m_band}};
    int row = 4;
    for (const auto &[label, box] : boxes) {
        choices->addWidget(new QLabel(QString::fromUtf16(label), this), row, 0);
        choices->addWidget(box, row++, 1);
    }

    auto *bandRow = new QHBoxLayout;
    bandRow->addWidget(new QLabel(QStringLiteral("分数段："), this));
    bandRow->addWidget(m_chartField, 1);
    auto *lower = new QHBoxLayout;
    lower->addWidget(m_bands, 1);
    lower->addWidget(m_chart, 2);
    auto *results = new QVBoxLayout;
    results->addWidget(m_figures, 1);
    results->addLayout(bandRow);
    results->addLayout(lower, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton *print = button(QStringLiteral("cmdPrint"), QStringLiteral("打印(&P)"), this);
    QPushButton *pdf = button(QStringLiteral("cmdPdf"), QStringLiteral("导出PDF(&D)"), this);
    QPushButton *copy = button(QStringLiteral("cmdCopy"), QStringLiteral("复制(&C)"), this);
    QPushButton *csv = button(QStringLiteral("cmdCsv"), QStringLiteral("保存为CSV(&S)"), this);
    QPushButton *close = button(QStringLiteral("cmdClose"), QStringLiteral("关闭"), this);
    for (QPushButton *b : {print, pdf, copy, csv, close})
        buttons->addWidget(b);

    auto *top = new QHBoxLayout;
    top->addLayout(choices);
    top->addLayout(results, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    resize(1000, 640);

    connect(print, &QPushButton::clicked, this, &AnalysisDialog::printPage);
    connect(pdf, &QPushButton::clicked, this, &AnalysisDialog::exportPdf);
    connect(copy, &QPushButton::clicked, this, &AnalysisDialog::copyTables);
    connect(csv, &QPushButton::clicked, this, &AnalysisDialog::saveCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_fields, &QListWidget::itemChanged, this, &AnalysisDialog::refresh);
    connect(m_fullMarks, &QTableWidget::itemChanged, this, &AnalysisDialog::refresh);
    for (QSpinBox *box : {m_pass, m_excellent, m_low, m_band})
        connect(box, &QSpinBox::valueChanged, this, &AnalysisDialog::refresh);
    connect(m_chartField, &QComboBox::currentIndexChanged, this, &AnalysisDialog::refresh);
    m_filling = false;
    refresh();
}

AnalysisDialog::~AnalysisDialog() = default;

AnalysisOptions AnalysisDialog::options() const
{
    AnalysisOptions o;
    o.passPercent = m_pass->value();
    o.excellentPercent = m_excellent->value();
    o.lowPercent = m_low->value();
    o.bandWidth = m_band->value();
    for (int i = 0; i < m_fullMarks->rowCount(); ++i) {
        bool ok = false;
        const int marks = m_fullMarks->item(i, 1)->text().trimmed().toInt(&ok);
        // A box holding no whole number from 1 on keeps the default; refresh writes it back.
        if (ok && marks >= 1 && marks <= kMaxFullMarks)
            o.fullMarks.insert(m_fullMarks->item(i, 0)->text(), marks);
    }
    return o;
}

QList<int> AnalysisDialog::columns() const
{
    QList<int> chosen;
    for (int i = 0; i < m_fields->count(); ++i)
        if (m_fields->item(i)->checkState() == Qt::Checked)
            chosen << i + 1;
    return chosen;
}

AnalysisPage AnalysisDialog::page() const
{
    return analysisPage(m_result, std::max(m_chartField->currentIndex(), 0), QDate::currentDate());
}

void AnalysisDialog::fillSheet(QTableWidget *grid, const Sheet &sheet)
{
    grid->clear();
    grid->setRowCount(sheet.isEmpty() ? 0 : int(sheet.size()) - 1);
    grid->setColumnCount(sheet.isEmpty() ? 0 : int(sheet.first().size()));
    if (sheet.isEmpty())
        return;
    grid->setHorizontalHeaderLabels(sheet.first());
    for (int r = 1; r < sheet.size(); ++r)
        for (int c = 0; c < sheet.at(r).size(); ++c) {
            auto *item = new QTableWidgetItem(sheet.at(r).at(c));
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r - 1, c, item);
        }
}

void AnalysisDialog::refresh()
{
    if (m_filling)
        return;
    m_filling = true;
    const AnalysisOptions o = options();
    // Refused full marks show the value counted with.
    for (int i = 0; i < m_fullMarks->rowCount(); ++i) {
        const QString shown = QString::number(o.fullMarksOf(m_fullMarks->item(i, 0)->text()));
        if (m_fullMarks->item(i, 1)->text().trimmed() != shown)
            m_fullMarks->item(i, 1)->setText(shown);
    }
    m_result = m_analysis.analyse(columns(), o);
    fillSheet(m_figures, m_result.figureSheet());

    const QString chosen = m_chartField->currentText();
    m_chartField->clear();
    for (const FieldFigures &f : m_result.fields)
        m_chartField->addItem(f.name);
    m_chartField->setCurrentIndex(std::max(int(m_chartField->findText(chosen)), 0));
    const int field = m_chartField->currentIndex();
    fillSheet(m_bands, field >= 0 ? m_result.bandSheet(field) : Sheet());

    auto pages = std::make_shared<print::RecordingSurface>(print::RecordingSurface::Measure::Fonts);
    if (field >= 0) {
        QString error;
        layoutAnalysisPage(*pages, page(), &error);
    }
    m_chart->setPages(pages);
    m_filling = false;
}

void AnalysisDialog::printPage()
{
    if (m_result.fields.isEmpty())
        return;
    printAnalysisPage(page(), m_ws, m_prompter);
}

void AnalysisDialog::exportPdf()
{
    if (m_result.fields.isEmpty())
        return;
    const QString path = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.pdf"));
    if (!path.isEmpty())
        exportAnalysisPdf(page(), path, m_ws.printLineWidth, m_ws, m_prompter);
}

void AnalysisDialog::copyTables()
{
    QGuiApplication::clipboard()->setText(tabText({m_result.figureSheet(), m_result.bandSheet()}));
}

void AnalysisDialog::saveCsv()
{
    const QString path = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.csv"));
    if (path.isEmpty())
        return;
    if (base::writeFileAtomically(path, csvBytes({m_result.figureSheet(), m_result.bandSheet()})) !=
        base::WriteResult::Written)
        m_prompter.message(base::kSaveFailed, QStringLiteral("错误"), ui::Icon::Critical);
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
