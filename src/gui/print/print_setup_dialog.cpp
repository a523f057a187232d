#include "gui/print/print_setup_dialog.h"

#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/table/command.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"
#include "gui/print/print_preview_view.h"
#include "gui/print/printer_settings_dialog.h"
#include "gui/ui/widget_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>

namespace print {

namespace {

// The controls take the dialog's top 1545 twips; the preview the rest.
constexpr int kControlsHeight = 1545 / PreviewView::kTwipsPerPixel;

QCheckBox *checkBox(const QString &name, const QString &text, bool on, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setChecked(on);
    return box;
}

using ui::button;

} // namespace

PrintDialog::PrintDialog(const QStringList &pageChoices, const QStringList &rowChoices, const PrintOptions &initial,
                         bool hasTeacher, Actions actions, QWidget *parent)
    : QDialog(parent), m_actions(std::move(actions)), m_initial(initial)
{
    setObjectName(QStringLiteral("frmPrintSetup"));
    setWindowTitle(QStringLiteral("打印:"));
    m_controls = new QWidget(this);

    m_combo1 = new QComboBox(m_controls);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->addItems(pageChoices.isEmpty() ? QStringList{QStringLiteral("全部"), QStringLiteral("1")} : pageChoices);
    m_combo2 = new QComboBox(m_controls);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->addItems(rowChoices.isEmpty() ? QStringList{QStringLiteral("任意")} : rowChoices);
    m_combo1->setCurrentIndex(std::clamp(initial.page, 0, m_combo1->count() - 1));
    m_combo2->setCurrentIndex(std::clamp(initial.row, 0, m_combo2->count() - 1));
    // A page and a row exclude each other: choosing one sets the other back to 全部 / 任意.
    // The preview follows every choice at once.
    connect(m_combo1, &QComboBox::activated, this, [this](int index) {
        if (index > 0)
            m_combo2->setCurrentIndex(0);
        refreshPreview();
    });
    connect(m_combo2, &QComboBox::activated, this, [this](int index) {
        if (index > 0)
            m_combo1->setCurrentIndex(0);
        refreshPreview();
    });

    m_text2 = new QLineEdit(initial.title, m_controls);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text1 = new QLineEdit(initial.footer, m_controls);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_check3 = checkBox(QStringLiteral("Check3"), QStringLiteral("显示班级信息"), initial.classInfo, m_controls);
    m_check2 =
        checkBox(QStringLiteral("Check2"), QStringLiteral("显示教师"), initial.teacher && hasTeacher, m_controls);
    m_check2->setEnabled(hasTeacher);
    m_chkColWidth =
        checkBox(QStringLiteral("chkColWidth"), QStringLiteral("适应纸张大小(A4纸张)"), initial.fitToPaper, m_controls);
    m_check1 = checkBox(QStringLiteral("Check1"), QStringLiteral("表格划线"), initial.lines, m_controls);
    m_chkPageNumbers =
        checkBox(QStringLiteral("chkPageNumbers"), QStringLiteral("打印页码"), initial.pageNumbers, m_controls);
    for (QCheckBox *box : {m_check3, m_check2, m_chkColWidth, m_check1, m_chkPageNumbers})
        connect(box, &QCheckBox::toggled, this, &PrintDialog::refreshPreview);
    for (QLineEdit *edit : {m_text2, m_text1})
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
            if (edit->isModified()) {
                edit->setModified(false);
                refreshPreview();
            }
        });

    auto *refresh = button(QStringLiteral("cmdRefresh"), QStringLiteral("刷新(&R)"), m_controls);
    auto *print = button(QStringLiteral("cmdPrint"), QStringLiteral("打印(&P)"), m_controls);
    auto *settings = button(QStringLiteral("Command1"), QStringLiteral("打印设置(&E)"), m_controls);
    auto *pdf = button(QStringLiteral("cmdPdf"), QStringLiteral("导出PDF(&D)"), m_controls);
    connect(refresh, &QPushButton::clicked, this, &PrintDialog::refreshPreview);
    connect(print, &QPushButton::clicked, this, &PrintDialog::print);
    connect(settings, &QPushButton::clicked, this, &PrintDialog::openPrinterSettings);
    connect(pdf, &QPushButton::clicked, this, &PrintDialog::exportPdf);

    auto *grid = new QGridLayout(m_controls);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    auto *choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("打印第："), m_controls));
    choice->addWidget(m_combo1);
    choice->addWidget(new QLabel(QStringLiteral("页。或第"), m_controls));
    choice->addWidget(m_combo2);
    choice->addWidget(new QLabel(QStringLiteral("行。"), m_controls));
    choice->addStretch();
    grid->addLayout(choice, 0, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("表格标题:"), m_controls), 1, 0);
    grid->addWidget(m_text2, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("页脚文字:"), m_controls), 1, 2);
    grid->addWidget(m_text1, 1, 3);
    auto *checks = new QHBoxLayout;
    for (QCheckBox *box : {m_check3, m_check2, m_chkColWidth, m_check1, m_chkPageNumbers})
        checks->addWidget(box);
    checks->addStretch();
    grid->addLayout(checks, 2, 0, 1, 4);
    auto *side = new QGridLayout;
    side->addWidget(refresh, 0, 0);
    side->addWidget(print, 0, 1);
    side->addWidget(settings, 1, 0);
    side->addWidget(pdf, 1, 1);
    grid->addLayout(side, 0, 4, 3, 1);

    m_preview = new PreviewView(this);
    m_previewBar = m_preview->createNavigationBar(this);
    resize(860, 720);
    refreshPreview();
}

PrintDialog::~PrintDialog() = default;

PrintOptions PrintDialog::options() const
{
    PrintOptions o = m_initial;
    o.title = m_text2->text();
    o.footer = m_text1->text();
    o.classInfo = m_check3->isChecked();
    o.teacher = m_check2->isChecked();
    o.fitToPaper = m_chkColWidth->isChecked();
    o.lines = m_check1->isChecked();
    o.pageNumbers = m_chkPageNumbers->isChecked();
    o.page = m_combo1->currentIndex();
    o.row = m_combo2->currentIndex();
    return o;
}

void PrintDialog::refreshPreview()
{
    if (m_actions.preview)
        m_preview->setPages(m_actions.preview(options()));
}

void PrintDialog::print()
{
    if (m_actions.print)
        m_actions.print(options());
}

void PrintDialog::exportPdf()
{
    if (m_actions.exportPdf)
        m_actions.exportPdf(options());
}

void PrintDialog::openPrinterSettings()
{
    if (m_actions.printerSettings)
        m_actions.printerSettings();
}

void PrintDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_controls->setGeometry(0, 0, width(), kControlsHeight);
    const int bar = m_previewBar->sizeHint().height();
    m_previewBar->setGeometry(0, kControlsHeight, width(), bar);
    m_preview->setGeometry(0, kControlsHeight + bar, width(), std::max(0, height() - kControlsHeight - bar));
}

void registerPrintDialogs(table::CommandRegistry &registry)
{
    registry.add(table::Command{
        ui::CommandId::PrintTable,
        [](table::CommandContext &ctx) {
            // The job keeps the table's values; the table itself is not touched while the dialog is open.
            const auto job = std::make_shared<const TablePrintJob>(ctx.doc, formula::calculator(ctx.ws));
            PrintDialog::Actions actions;
            actions.preview = [job, &ctx](const PrintOptions &o) {
                return std::shared_ptr<const RecordingSurface>(job->preview(o, ctx.ws, ctx.prompter));
            };
            QWidget *dialogWindow = ctx.window;
            bindJobOutputs(actions, job, ctx.ws, ctx.prompter, dialogWindow);
            PrintDialog dialog(job->pageChoices(), job->rowChoices(), job->initialOptions(QDate::currentDate()),
                               !job->teacher().isEmpty(), actions, ctx.window);
            dialogWindow = &dialog;
            dialog.exec();
        },
        {}});
    registry.add(table::Command{ui::CommandId::PrinterSettings,
                                [](table::CommandContext &ctx) { showPrinterSettings(ctx.ws, ctx.window); },
                                {}});
}

} // namespace print
