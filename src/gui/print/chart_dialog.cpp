#include "gui/print/chart_dialog.h"

#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/table/command.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"
#include "gui/print/printer_settings_dialog.h"
#include "gui/ui/multi_select_list_qt.h"
#include "gui/ui/widget_names.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

namespace print {

namespace {

// Digits only (the key filter of the number boxes), and no more than `top`; an empty box or zeros
// may be typed, the check of 刷新预览 and 打印 takes them as 1.
class DigitsValidator : public QValidator {
public:
    DigitsValidator(int top, QObject *parent) : QValidator(parent), m_top(top) {}
    State validate(QString &input, int &) const override
    {
        for (QChar c : input)
            if (c < u'0' || c > u'9')
                return Invalid;
        if (input.size() > 9 || (!input.isEmpty() && input.toInt() > m_top))
            return Invalid;
        return Acceptable;
    }

private:
    int m_top;
};

QLineEdit *numberBox(const QString &name, const QString &text, int top, QWidget *parent)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setValidator(new DigitsValidator(top, box));
    box->setMaximumWidth(70);
    return box;
}

using ui::button;

QRadioButton *option(const QString &name, const QString &text, bool on, QWidget *parent)
{
    auto *o = new QRadioButton(text, parent);
    o->setObjectName(name);
    o->setChecked(on);
    return o;
}

QImage blankPicture()
{
    const RecordingSurface blank(RecordingSurface::Measure::Fixed, 15, kChartPictureWidth, kChartPictureHeight);
    return chartImage(blank);
}

} // namespace

ChartDialog::ChartDialog(const QStringList &fieldNames, const ChartOptions &initial, Actions actions, QWidget *parent)
    : QDialog(parent), m_actions(std::move(actions)), m_initial(initial)
{
    setObjectName(QStringLiteral("frm图表"));
    setWindowTitle(QStringLiteral("图表（A4纵向，约半张）"));

    auto *barText = new QLabel(QStringLiteral("柱形图：反映数名学生某一科分数的横向比较。"), this);
    barText->setObjectName(QStringLiteral("Label1"));
    auto *lineText = new QLabel(QStringLiteral("折线图：反映一个学生的名次/分数（各科或各次）变化"), this);
    lineText->setObjectName(QStringLiteral("Label2"));
    auto *list1Label =
        new QLabel(QStringLiteral("生成图表的数据(字段)：（在需要的字段上打勾）,所选字段必须是数字类型。"), this);
    list1Label->setWordWrap(true);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    for (int i = 0; i < fieldNames.size(); ++i) {
        auto *item = new QListWidgetItem(fieldNames[i], m_list1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(initial.fields.contains(i + 1) ? Qt::Checked : Qt::Unchecked);
    }
    if (initial.currentField >= 1 && initial.currentField <= fieldNames.size())
        m_list1->setCurrentRow(initial.currentField - 1);

    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->addItems(fieldNames);
    m_combo1->setCurrentIndex(std::clamp(initial.labelField - 1, 0, std::max(0, int(fieldNames.size()) - 1)));

    m_list2 = new ui::MultiSelectList(this);
    m_list2->setObjectName(QStringLiteral("List2"));
    fillRows();
    for (int r : initial.rows)
        if (QListWidgetItem *item = m_list2->item(r - 1))
            item->setSelected(true);
    // The rows are listed by the text of the display field; a new display field lists them anew,
    // keeping the selection by position.
    connect(m_combo1, &QComboBox::currentIndexChanged, this, [this] { fillRows(); });

    auto *typeGroup = new QGroupBox(QStringLiteral("图表类型："), this);
    m_option1 = option(QStringLiteral("Option1"), QStringLiteral("折线图"), !initial.bar, typeGroup);
    m_option2 = option(QStringLiteral("Option2"), QStringLiteral("柱形图"), initial.bar, typeGroup);
    auto *typeLayout = new QHBoxLayout(typeGroup);
    typeLayout->addWidget(m_option1);
    typeLayout->addWidget(m_option2);
    auto *directionGroup = new QGroupBox(this);
    m_option4 = option(QStringLiteral("Option4"), QStringLiteral("降序↑"), initial.upward, directionGroup);
    m_option3 = option(QStringLiteral("Option3"), QStringLiteral("升序↓"), !initial.upward, directionGroup);
    auto *directionLayout = new QHBoxLayout(directionGroup);
    directionLayout->addWidget(m_option4);
    directionLayout->addWidget(m_option3);

    m_text1 = numberBox(QStringLiteral("Text1"), initial.min, kChartMaxLimit, this);
    m_text2 = numberBox(QStringLiteral("Text2"), initial.max, kChartMaxLimit, this);
    m_text3 = numberBox(QStringLiteral("Text3"), initial.segments, kChartSegmentsLimit, this);
    m_text6 = new QLineEdit(initial.title, this);
    m_text6->setObjectName(QStringLiteral("Text6"));

    m_picture1 = new QLabel(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_image = blankPicture();
    m_picture1->setFixedSize(m_image.size());
    m_picture1->setFrameShape(QFrame::NoFrame);
    m_picture1->setPixmap(QPixmap::fromImage(m_image));

    auto *refresh = button(QStringLiteral("Command4"), QStringLiteral("刷新预览"), this);
    auto *print = button(QStringLiteral("Command5"), QStringLiteral("打印"), this);
    auto *settings = button(QStringLiteral("Command1"), QStringLiteral("打印设置"), this);
    auto *pdf = button(QStringLiteral("cmdPdf"), QStringLiteral("导出PDF"), this);
    auto *save = new QLabel(QStringLiteral("<a href=\"save\">保存图片</a>"), this);
    save->setObjectName(QStringLiteral("Label9"));
    connect(refresh, &QPushButton::clicked, this, [this] { this->refreshPreview(); });
    connect(print, &QPushButton::clicked, this, [this] { this->print(); });
    connect(settings, &QPushButton::clicked, this, [this] { this->openPrinterSettings(); });
    connect(pdf, &QPushButton::clicked, this, [this] { this->exportPdf(); });
    connect(save, &QLabel::linkActivated, this, [this] { this->savePicture(); });

    auto *left = new QVBoxLayout;
    left->addWidget(barText);
    left->addWidget(lineText);
    left->addWidget(list1Label);
    left->addWidget(m_list1, 1);
    auto *display = new QHBoxLayout;
    display->addWidget(new QLabel(QStringLiteral("显示字段："), this));
    display->addWidget(m_combo1, 1);
    left->addLayout(display);
    left->addWidget(new QLabel(QStringLiteral("要做图的行：（选中需要的行）"), this));
    left->addWidget(m_list2, 1);

    auto *axis = new QHBoxLayout;
    axis->addWidget(new QLabel(QStringLiteral("最小值："), this));
    axis->addWidget(m_text1);
    axis->addWidget(new QLabel(QStringLiteral("最大值："), this));
    axis->addWidget(m_text2);
    axis->addWidget(new QLabel(QStringLiteral("分："), this));
    axis->addWidget(m_text3);
    axis->addWidget(new QLabel(QStringLiteral("个段。"), this));
    axis->addStretch();
    auto *title = new QHBoxLayout;
    title->addWidget(new QLabel(QStringLiteral("图表标题："), this));
    title->addWidget(m_text6, 1);
    auto *choices = new QHBoxLayout;
    choices->addWidget(typeGroup);
    choices->addWidget(directionGroup);
    choices->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(refresh);
    buttons->addWidget(print);
    buttons->addWidget(settings);
    buttons->addWidget(pdf);
    buttons->addWidget(save);
    buttons->addStretch();

    auto *right = new QVBoxLayout;
    right->addLayout(choices);
    right->addLayout(axis);
    right->addLayout(title);
    right->addWidget(m_picture1);
    right->addLayout(buttons);
    right->addStretch();

    auto *all = new QHBoxLayout(this);
    all->addLayout(left, 1);
    all->addLayout(right);
}

ChartDialog::~ChartDialog() = default;

void ChartDialog::fillRows()
{
    if (!m_actions.rowTexts)
        return;
    QList<int> selected;
    for (int i = 0; i < m_list2->count(); ++i)
        if (m_list2->item(i)->isSelected())
            selected << i;
    m_list2->clear();
    m_list2->addItems(m_actions.rowTexts(m_combo1->currentIndex() + 1));
    for (int i : selected)
        if (QListWidgetItem *item = m_list2->item(i))
            item->setSelected(true);
}

ChartOptions ChartDialog::options() const
{
    ChartOptions o = m_initial;
    o.fields.clear();
    for (int i = 0; i < m_list1->count(); ++i)
        if (m_list1->item(i)->checkState() == Qt::Checked)
            o.fields << i + 1;
    o.currentField = m_list1->currentRow() >= 0 ? m_list1->currentRow() + 1 : -1;
    o.labelField = m_combo1->currentIndex() + 1;
    o.rows.clear();
    for (int i = 0; i < m_list2->count(); ++i)
        if (m_list2->item(i)->isSelected())
            o.rows << i + 1;
    o.bar = m_option2->isChecked();
    o.upward = m_option4->isChecked();
    o.min = m_text1->text();
    o.max = m_text2->text();
    o.segments = m_text3->text();
    o.title = m_text6->text();
    return o;
}

void ChartDialog::takeBack(const ChartOptions &o)
{
    m_text2->setText(o.max);
    m_text3->setText(o.segments);
}

void ChartDialog::refreshPreview()
{
    if (!m_actions.preview)
        return;
    ChartOptions o = options();
    std::shared_ptr<const RecordingSurface> pages = m_actions.preview(o);
    if (!pages)
        return;
    takeBack(o);
    m_pages = std::move(pages);
    m_image = chartImage(*m_pages);
    m_picture1->setPixmap(QPixmap::fromImage(m_image));
}

void ChartDialog::print()
{
    if (!m_actions.print)
        return;
    ChartOptions o = options();
    m_actions.print(o);
    takeBack(o);
}

void ChartDialog::exportPdf()
{
    if (!m_actions.exportPdf)
        return;
    ChartOptions o = options();
    m_actions.exportPdf(o);
    takeBack(o);
}

void ChartDialog::openPrinterSettings()
{
    if (m_actions.printerSettings)
        m_actions.printerSettings();
}

void ChartDialog::savePicture()
{
    if (m_actions.savePicture)
        m_actions.savePicture(m_pages.get());
}

void registerChartDialogs(table::CommandRegistry &registry)
{
    registry.add(table::Command{
        ui::CommandId::PrintChart,
        [](table::CommandContext &ctx) {
            const auto job = std::make_shared<const ChartJob>(ctx.doc, formula::calculator(ctx.ws));
            ui::Prompter &prompter = ctx.prompter;
            ChartDialog::Actions actions;
            actions.rowTexts = [job](int labelField) { return job->rowTexts(labelField); };
            actions.preview = [job, &prompter](ChartOptions &o) {
                return std::shared_ptr<const RecordingSurface>(job->preview(o, prompter));
            };
            QWidget *dialogWindow = ctx.window;
            bindJobOutputs(actions, job, ctx.ws, prompter, dialogWindow);
            actions.savePicture = [&prompter](const RecordingSurface *pages) { menuSaveChartBitmap(pages, prompter); };
            ChartDialog dialog(job->fieldNames(), job->initialOptions(QDate::currentDate()), actions, ctx.window);
            dialogWindow = &dialog;
            dialog.exec();
        },
        {}});
}

} // namespace print
