#include "gui/analysis/analysis_dialog_base.h"

#include "core/base/file_writer.h"
#include "core/base/workspace.h"
#include "core/print/recording_surface.h"
#include "core/ui/prompter.h"
#include "gui/print/print_preview_view.h"
#include "gui/ui/widget_names.h"

#include <QClipboard>
#include <QComboBox>
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

QSpinBox *spin(const QString &name, int lo, int hi, int value, QWidget *parent)
{
    auto *box = named(new QSpinBox(parent), name);
    box->setRange(lo, hi);
    box->setValue(value);
    return box;
}

} // namespace

AnalysisDialogBase::AnalysisDialogBase(base::Workspace &ws, ui::Prompter &prompter, const AnalysisOptions &options,
                                       bool withBands, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_prompter(prompter), m_withBands(withBands), m_initial(options)
{
    m_fields = named(new QListWidget(this), QStringLiteral("lstFields"));
    m_fullMarks = named(new QTableWidget(0, 2, this), QStringLiteral("grdFullMarks"));
    m_fullMarks->setHorizontalHeaderLabels({QStringLiteral("科目"), QStringLiteral("满分")});
    m_fullMarks->verticalHeader()->hide();
    m_pass = spin(QStringLiteral("txtPass"), 0, 100, qRound(options.passPercent), this);
    m_excellent = spin(QStringLiteral("txtExcellent"), 0, 100, qRound(options.excellentPercent), this);
    m_low = spin(QStringLiteral("txtLow"), 0, 100, qRound(options.lowPercent), this);
    m_band = spin(QStringLiteral("txtBand"), 1, kMaxFullMarks, options.bandWidth, this);
    m_chartField = named(new QComboBox(this), QStringLiteral("cboField"));
    m_chart = named(new print::PreviewView(this), QStringLiteral("picChart"));
    m_chart->setMinimumSize(420, 300);
    m_chart->setFit(print::PreviewView::Fit::Page);
}

AnalysisDialogBase::~AnalysisDialogBase() = default;

QTableWidget *AnalysisDialogBase::sheetGrid(const QString &name, QWidget *parent)
{
    auto *grid = named(new QTableWidget(parent), name);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return grid;
}

void AnalysisDialogBase::fillSheet(QTableWidget *grid, const Sheet &sheet)
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

void AnalysisDialogBase::setFieldChoices(const QStringList &names, const QList<int> &checked,
                                         const AnalysisOptions &options)
{
    const bool filling = m_filling;
    m_filling = true;
    m_fields->clear();
    for (int i = 0; i < names.size(); ++i) {
        auto *item = new QListWidgetItem(names.at(i), m_fields);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.contains(i) ? Qt::Checked : Qt::Unchecked);
    }
    m_fullMarks->setRowCount(int(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        auto *name = new QTableWidgetItem(names.at(i));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        m_fullMarks->setItem(i, 0, name);
        m_fullMarks->setItem(i, 1, new QTableWidgetItem(QString::number(options.fullMarksOf(names.at(i)))));
    }
    m_filling = filling;
}

QList<int> AnalysisDialogBase::checkedFields() const
{
    QList<int> chosen;
    for (int i = 0; i < m_fields->count(); ++i)
        if (m_fields->item(i)->checkState() == Qt::Checked)
            chosen << i;
    return chosen;
}

QStringList AnalysisDialogBase::checkedFieldNames() const
{
    QStringList names;
    for (int i : checkedFields())
        names << m_fields->item(i)->text();
    return names;
}

void AnalysisDialogBase::setChartFields(const QStringList &names)
{
    const QString chosen = m_chartField->currentText();
    m_chartField->clear();
    m_chartField->addItems(names);
    m_chartField->setCurrentIndex(std::max(int(m_chartField->findText(chosen)), 0));
}

int AnalysisDialogBase::chartField() const
{
    return m_chartField->currentIndex();
}

AnalysisOptions AnalysisDialogBase::options() const
{
    AnalysisOptions o = m_initial;
    o.fullMarks.clear();
    o.passPercent = m_pass->value();
    o.excellentPercent = m_excellent->value();
    if (m_withBands) {
        o.lowPercent = m_low->value();
        o.bandWidth = m_band->value();
    }
    for (int i = 0; i < m_fullMarks->rowCount(); ++i) {
        bool ok = false;
        const int marks = m_fullMarks->item(i, 1)->text().trimmed().toInt(&ok);
        // A box holding no whole number from 1 on keeps the default; refresh writes it back.
        if (ok && marks >= 1 && marks <= kMaxFullMarks)
            o.fullMarks.insert(m_fullMarks->item(i, 0)->text(), marks);
    }
    return o;
}

void AnalysisDialogBase::arrange(QLayout *results)
{
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
        if (!m_withBands && (box == m_low || box == m_band)) {
            box->hide();
            continue;
        }
        choices->addWidget(new QLabel(QString::fromUtf16(label), this), row, 0);
        choices->addWidget(box, row++, 1);
    }

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

    connect(print, &QPushButton::clicked, this, &AnalysisDialogBase::printPage);
    connect(pdf, &QPushButton::clicked, this, &AnalysisDialogBase::exportPdf);
    connect(copy, &QPushButton::clicked, this, &AnalysisDialogBase::copyTables);
    connect(csv, &QPushButton::clicked, this, &AnalysisDialogBase::saveCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_fields, &QListWidget::itemChanged, this, &AnalysisDialogBase::refresh);
    connect(m_fullMarks, &QTableWidget::itemChanged, this, &AnalysisDialogBase::refresh);
    for (QSpinBox *box : {m_pass, m_excellent, m_low, m_band})
        connect(box, &QSpinBox::valueChanged, this, &AnalysisDialogBase::refresh);
    connect(m_chartField, &QComboBox::currentIndexChanged, this, &AnalysisDialogBase::refresh);
    refresh();
}

void AnalysisDialogBase::refresh()
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
    recompute(o);
    showPage();
    m_filling = false;
}

void AnalysisDialogBase::showPage()
{
    auto pages = std::make_shared<print::RecordingSurface>(print::RecordingSurface::Measure::Fonts);
    if (hasResult()) {
        QString error;
        layoutAnalysisPage(*pages, page(), &error);
    }
    m_chart->setPages(pages);
}

void AnalysisDialogBase::printPage()
{
    if (hasResult())
        printAnalysisPage(page(), m_ws, m_prompter);
}

void AnalysisDialogBase::exportPdf()
{
    if (!hasResult())
        return;
    const QString path = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.pdf"));
    if (!path.isEmpty())
        exportAnalysisPdf(page(), path, m_ws.printLineWidth, m_ws, m_prompter);
}

void AnalysisDialogBase::copyTables()
{
    QGuiApplication::clipboard()->setText(tabText(sheets()));
}

void AnalysisDialogBase::saveCsv()
{
    const QString path = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.csv"));
    if (path.isEmpty())
        return;
    if (base::writeFileAtomically(path, csvBytes(sheets())) != base::WriteResult::Written)
        m_prompter.message(base::kSaveFailed, QStringLiteral("错误"), ui::Icon::Critical);
}

} // namespace analysis
