#include "gui/print/report_dialog.h"

#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/table/command.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"
#include "gui/print/print_preview_view.h"
#include "gui/print/printer_settings_dialog.h"
#include "gui/ui/widget_names.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace print {

namespace {

// Below the page preview the controls take 2200 twips of the window's height.
constexpr int kControlsHeight = 2200 / PreviewView::kTwipsPerPixel;

const QString kNoLinkFiles = QStringLiteral("没有绑定数据文件");

using ui::button;

QRadioButton *option(const QString &name, const QString &text, QWidget *parent)
{
    auto *o = new QRadioButton(text, parent);
    o->setObjectName(name);
    return o;
}

QComboBox *combo(const QString &name, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    return c;
}

} // namespace

ReportDialog::ReportDialog(ReportSession &session, ui::Prompter &prompter, base::Progress &progress,
                           std::function<void(QWidget *)> printerSettings, QWidget *parent)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_progress(progress),
      m_printerSettings(std::move(printerSettings))
{
    setObjectName(QStringLiteral("frmPrintBB"));
    setWindowTitle(QStringLiteral("报表打印"));

    m_menuBar = new QMenuBar(this);
    QMenuBar *bar = m_menuBar;
    QAction *open = bar->addAction(QStringLiteral("打开报表模板(&O)"));
    open->setObjectName(QStringLiteral("menuOpen"));
    connect(open, &QAction::triggered, this, [this] { openTemplate(); });
    m_menuPrint = bar->addAction(QStringLiteral("开始打印(&P)"));
    m_menuPrint->setObjectName(QStringLiteral("menuPrint"));
    connect(m_menuPrint, &QAction::triggered, this, [this] { print(); });
    m_menuPdf = bar->addAction(QStringLiteral("导出PDF(&D)"));
    m_menuPdf->setObjectName(QStringLiteral("menuPdf"));
    connect(m_menuPdf, &QAction::triggered, this, [this] { exportPdf(); });
    QMenu *link = bar->addMenu(QStringLiteral("引用数据与标签绑定(&L)"));
    link->setObjectName(QStringLiteral("menuLinkData"));
    QAction *save = link->addAction(QStringLiteral("保存当前引用(&S)"));
    save->setObjectName(QStringLiteral("menuSaveLink"));
    connect(save, &QAction::triggered, this, [this] { saveBinding(); });
    m_linkFiles = link->addMenu(QStringLiteral("读取引用文件(&L)"));
    m_linkFiles->setObjectName(QStringLiteral("menuLoadlink"));

    m_preview = new PreviewView(this);
    m_controls = new QWidget(this);

    m_combo1 = combo(QStringLiteral("Combo1"), m_controls);
    m_combo1->setMinimumContentsLength(12);
    m_combo2 = combo(QStringLiteral("Combo2"), m_controls);
    m_combo2->addItems(m_session.fieldNames());
    m_combo2->setCurrentIndex(m_combo2->count() - 1);
    auto *bind = button(QStringLiteral("Command2"), QStringLiteral("绑定 &>>"), m_controls);
    auto *unbind = button(QStringLiteral("Command3"), QStringLiteral("取消绑定"), m_controls);
    connect(bind, &QPushButton::clicked, this, [this] { bindLabel(); });
    connect(unbind, &QPushButton::clicked, this, [this] { unbindLabel(); });
    m_list1 = new QListWidget(m_controls);
    m_list1->setObjectName(QStringLiteral("List1"));

    auto *frame = new QGroupBox(QStringLiteral("打印参数："), m_controls);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_option1 = option(QStringLiteral("Option1"), QStringLiteral("打印项目(&T)："), frame);
    m_option2 = option(QStringLiteral("Option2"), QStringLiteral("打印全部项目(&A)"), frame);
    m_option3 = option(QStringLiteral("Option3"), QStringLiteral("打印(&B)"), frame);
    m_option2->setChecked(true);
    m_combo3 = combo(QStringLiteral("Combo3"), frame);
    m_combo4 = combo(QStringLiteral("Combo4"), frame);
    m_combo5 = combo(QStringLiteral("Combo5"), frame);
    for (QComboBox *c : {m_combo3, m_combo4, m_combo5}) {
        c->addItems(m_session.itemChoices());
        c->setCurrentIndex(c->count() > 0 ? 0 : -1);
    }
    connect(m_combo4, &QComboBox::currentIndexChanged, this, [this] { guardRange(); });
    connect(m_combo5, &QComboBox::currentIndexChanged, this, [this] { guardRange(); });
    auto *paper = new QWidget(frame);
    m_option4 = option(QStringLiteral("Option4"), QStringLiteral("纸张纵向"), paper);
    m_option5 = option(QStringLiteral("Option5"), QStringLiteral("纸张横向"), paper);
    m_option4->setChecked(!m_session.landscape());
    m_option5->setChecked(m_session.landscape());
    // Switching the paper redraws the template on the other page.
    connect(m_option5, &QRadioButton::toggled, this, [this](bool on) {
        if (on == m_session.landscape())
            return;
        m_session.setLandscape(on);
        refreshPreview();
    });
    auto *settings = button(QStringLiteral("Command1"), QStringLiteral("打印设置(&E)"), frame);
    connect(settings, &QPushButton::clicked, this, [this] { openPrinterSettings(); });

    auto *paperLayout = new QHBoxLayout(paper);
    paperLayout->setContentsMargins(0, 0, 0, 0);
    paperLayout->addWidget(m_option4);
    paperLayout->addWidget(m_option5);
    auto *frameLayout = new QGridLayout(frame);
    frameLayout->setVerticalSpacing(1);
    frameLayout->addWidget(m_option1, 0, 0);
    frameLayout->addWidget(m_combo3, 0, 1);
    frameLayout->addWidget(m_option2, 1, 0, 1, 2);
    frameLayout->addWidget(m_option3, 2, 0);
    auto *range = new QHBoxLayout;
    range->addWidget(m_combo4);
    range->addWidget(new QLabel(QStringLiteral("—"), frame));
    range->addWidget(m_combo5);
    frameLayout->addLayout(range, 2, 1);
    frameLayout->addWidget(paper, 0, 2, 2, 1);
    frameLayout->addWidget(settings, 2, 2);

    auto *choose = new QGridLayout;
    choose->setVerticalSpacing(2);
    choose->addWidget(new QLabel(QStringLiteral("标签："), m_controls), 0, 0);
    choose->addWidget(m_combo1, 0, 1);
    choose->addWidget(new QLabel(QStringLiteral("字段："), m_controls), 1, 0);
    choose->addWidget(m_combo2, 1, 1);
    choose->addWidget(bind, 2, 1);
    choose->addWidget(unbind, 3, 1);
    auto *bound = new QVBoxLayout;
    bound->setSpacing(1);
    bound->addWidget(new QLabel(QStringLiteral("已经绑定的项目"), m_controls));
    bound->addWidget(m_list1);
    auto *controls = new QHBoxLayout(m_controls);
    controls->setContentsMargins(6, 2, 6, 2);
    controls->addLayout(choose);
    controls->addLayout(bound, 1);
    controls->addWidget(frame);

    setMinimumSize(640, 420);
    resize(900, 760);
    fillLinkFiles();
    showTemplate();
}

ReportDialog::~ReportDialog() = default;

void ReportDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int top = m_menuBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, width(), top);
    const int previewHeight = std::max(0, height() - top - kControlsHeight);
    m_preview->setGeometry(0, top, width(), previewHeight);
    m_controls->setGeometry(0, top + previewHeight, width(), height() - top - previewHeight);
}

ItemChoice ReportDialog::itemChoice() const
{
    ItemChoice c;
    c.kind = m_option1->isChecked() ? ItemChoice::One : m_option3->isChecked() ? ItemChoice::Range : ItemChoice::All;
    c.one = m_combo3->currentIndex() + 1;
    c.first = m_combo4->currentIndex() + 1;
    c.last = m_combo5->currentIndex() + 1;
    return c;
}

QList<QAction *> ReportDialog::linkFileEntries() const
{
    return m_linkFiles->actions();
}

void ReportDialog::guardRange()
{
    const int first = m_combo4->currentIndex(), last = m_combo5->currentIndex();
    if (first >= 0 && last >= 0 && guardedLast(first, last) != last)
        m_combo5->setCurrentIndex(first);
}

void ReportDialog::fillLinkFiles()
{
    m_linkFiles->clear();
    const QStringList files = m_session.bindingFiles();
    if (files.isEmpty()) {
        QAction *none = m_linkFiles->addAction(kNoLinkFiles);
        none->setObjectName(QStringLiteral("menuLinkfilelist"));
        none->setEnabled(false);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        // "&" in a file name is shown, not taken as the entry's shortcut key.
        QAction *entry = m_linkFiles->addAction(QString(files[i]).replace(QLatin1Char('&'), QStringLiteral("&&")));
        entry->setObjectName(QStringLiteral("menuLinkfilelist"));
        entry->setData(files[i]);
        connect(entry, &QAction::triggered, this, [this, i] { loadBinding(i); });
    }
}

void ReportDialog::showTemplate()
{
    m_combo1->clear();
    m_combo1->addItems(m_session.labelCaptions());
    m_combo1->setCurrentIndex(m_combo1->count() - 1);
    {
        const QSignalBlocker block(m_option5);
        m_option4->setChecked(!m_session.landscape());
        m_option5->setChecked(m_session.landscape());
    }
    m_menuPrint->setEnabled(m_session.hasTemplate());
    m_menuPdf->setEnabled(m_session.hasTemplate());
    showBindings();
    refreshPreview();
}

void ReportDialog::showBindings()
{
    m_list1->clear();
    m_list1->addItems(m_session.bindings().display);
}

void ReportDialog::refreshPreview()
{
    m_preview->setPages(std::shared_ptr<const RecordingSurface>(m_session.preview()));
}

void ReportDialog::openTemplate()
{
    if (m_session.menuOpen(m_prompter))
        showTemplate();
}

void ReportDialog::print()
{
    m_session.print(m_session.items(itemChoice()), m_prompter);
}

void ReportDialog::exportPdf()
{
    m_session.menuExportPdf(m_session.items(itemChoice()), m_progress, m_prompter);
}

void ReportDialog::saveBinding()
{
    m_session.menuSaveLink(m_prompter);
    fillLinkFiles();
}

void ReportDialog::loadBinding(int index)
{
    const QList<QAction *> entries = m_linkFiles->actions();
    if (index < 0 || index >= entries.size() || !entries[index]->isEnabled())
        return;
    if (m_session.loadBindings(entries[index]->data().toString(), m_prompter))
        showBindings();
}

void ReportDialog::openPrinterSettings()
{
    if (m_printerSettings)
        m_printerSettings(this);
}

void ReportDialog::bindLabel()
{
    if (m_session.bind(m_combo1->currentIndex(), m_combo2->currentIndex()))
        showBindings();
}

void ReportDialog::unbindLabel()
{
    if (m_session.unbind(m_list1->currentRow(), m_prompter))
        showBindings();
}

void registerReportDialogs(table::CommandRegistry &registry)
{
    registry.add(table::Command{ui::CommandId::PrintReport,
                                [](table::CommandContext &ctx) {
                                    ReportSession session(ctx.doc, formula::calculator(ctx.ws), ctx.ws);
                                    base::Workspace &ws = ctx.ws;
                                    ReportDialog dialog(
                                        session, ctx.prompter, ctx.ws,
                                        [&ws](QWidget *parent) { showPrinterSettings(ws, parent); }, ctx.window);
                                    dialog.exec();
                                },
                                {}});
    registry.add(table::Command{ui::CommandId::ReportEditor,
                                [](table::CommandContext &ctx) { startReportDesigner(ctx.ws, ctx.prompter); },
                                {}});
}

} // namespace print
