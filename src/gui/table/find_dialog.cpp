#include "gui/table/find_dialog.h"

#include "core/formula/sort_keys.h"
#include "gui/table/find_results_window.h"

#include "core/table/sort_rows.h"
#include "core/ui/prompter.h"
#include "core/ui/settings_store.h"
#include "gui/table/sort_dialog.h"
#include "gui/table/table_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace table {

namespace {

QPointer<FindDialog> s_find;

QWidget *mainWindowOf(const CommandContext &ctx)
{
    return ctx.window ? ctx.window->window() : nullptr;
}

QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &text, bool checked)
{
    auto *c = new QCheckBox(text, parent);
    c->setObjectName(name);
    c->setChecked(checked);
    return c;
}

} // namespace

// --- FindDialog ------------------------------------------------------------------------------------

FindDialog::FindDialog(GradeTable &doc, ui::Prompter &prompter, QWidget *tableWindow, QWidget *parent)
    : QDialog(parent), m_doc(doc), m_prompter(prompter), m_tableWindow(tableWindow)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("查找..."));
    // A tool window stays above the main window without blocking it.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *label = new QLabel(QStringLiteral("输入要查找的文字："), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_checks << checkBox(this, QStringLiteral("Check1"), QStringLiteral("用红色标记(&R)"), true)
             << checkBox(this, QStringLiteral("Check2"), QStringLiteral("加粗(&B)"), false)
             << checkBox(this, QStringLiteral("Check3"), QStringLiteral("添加到菜单"), true)
             << checkBox(this, QStringLiteral("Check4"), QStringLiteral("全字符匹配(&A)"), true)
             << checkBox(this, QStringLiteral("Check5"), QStringLiteral("蓝色标记非全字符匹配"), true);
    m_checks[0]->setStyleSheet(QStringLiteral("color: red"));
    QFont bold = m_checks[1]->font();
    bold.setBold(true);
    m_checks[1]->setFont(bold);
    m_checks[2]->setEnabled(false); // results always go to the results menu
    m_checks[4]->setEnabled(false);
    connect(m_checks[3], &QCheckBox::toggled, m_checks[4], [this](bool whole) { m_checks[4]->setEnabled(!whole); });

    m_command1 = new QPushButton(QStringLiteral("查找(&F)"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    m_command1->setEnabled(false);
    auto *command2 = new QPushButton(QStringLiteral("关闭"), this);
    command2->setObjectName(QStringLiteral("Command2"));
    connect(m_text1, &QLineEdit::textChanged, m_command1,
            [this](const QString &text) { m_command1->setEnabled(!text.isEmpty()); });
    connect(m_command1, &QPushButton::clicked, this, &FindDialog::search);
    connect(command2, &QPushButton::clicked, this, &QWidget::close);

    auto *grid = new QGridLayout;
    grid->addWidget(m_checks[0], 0, 0);
    grid->addWidget(m_checks[1], 0, 1);
    grid->addWidget(m_checks[2], 1, 0);
    grid->addWidget(m_checks[3], 1, 1);
    grid->addWidget(m_checks[4], 2, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_text1);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    if (s_find)
        s_find->close();
    s_find = this;
    followTableWindow(tableWindow);
}

FindDialog *FindDialog::current()
{
    return s_find;
}

void FindDialog::followTableWindow(QWidget *tableWindow)
{
    if (!tableWindow)
        return;
    // The dialog belongs to its table: it goes when the table's window goes, or when another
    // table becomes active; the program merely losing the focus is no reason.
    connect(tableWindow, &QObject::destroyed, this, &QWidget::close);
    QMdiSubWindow *sub = nullptr;
    for (QWidget *w = tableWindow; w && !sub; w = w->parentWidget())
        sub = qobject_cast<QMdiSubWindow *>(w);
    if (!sub || !sub->mdiArea())
        return;
    QPointer<QMdiSubWindow> own(sub);
    connect(sub->mdiArea(), &QMdiArea::subWindowActivated, this, [this, own](QMdiSubWindow *active) {
        if (active && active != own)
            close();
    });
    connect(sub, &QObject::destroyed, this, &QWidget::close);
}

QCheckBox *FindDialog::check(int n) const
{
    return n >= 1 && n <= m_checks.size() ? m_checks[n - 1] : nullptr;
}

FindOptions FindDialog::options() const
{
    return {m_checks[0]->isChecked(), m_checks[1]->isChecked(), m_checks[3]->isChecked(), m_checks[4]->isChecked()};
}

void FindDialog::search()
{
    if (m_text1->text().isEmpty())
        return;
    const int rows = findCells(m_doc, m_text1->text(), options());
    // The list of an earlier search is out of date now.
    if (FindResultsWindow *open = FindResultsWindow::current())
        open->close();
    if (rows > kFindMenuLimit)
        if (auto *form = qobject_cast<TableWindow *>(m_tableWindow.data()))
            form->showFindResultsWindow();
    const QString text = m_text1->text();
    close();
    // Otherwise a search that finds nothing looks like one that did not run.
    if (rows == 0)
        m_prompter.message(QStringLiteral("没有找到“") + text + QStringLiteral("”。"), QStringLiteral("查找"),
                           ui::Icon::Information);
}

bool FindDialog::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        m_text1->setFocus();
    return QDialog::event(e);
}

// --- ReplaceDialog -----------------------------------------------------------------------------------

ReplaceDialog::ReplaceDialog(GradeTable &doc, QWidget *parent) : QDialog(parent), m_doc(doc)
{
    setObjectName(QStringLiteral("frmChang"));
    setWindowTitle(QStringLiteral("替换"));
    setModal(true);

    auto *label1 = new QLabel(QStringLiteral("要查找的文字："), this);
    label1->setObjectName(QStringLiteral("Label1"));
    auto *label2 = new QLabel(QStringLiteral("要替换的文字："), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text2 = new QLineEdit(this);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_check1 = checkBox(this, QStringLiteral("Check1"), QStringLiteral("全字符匹配"), false);
    m_command1 = new QPushButton(QStringLiteral("全部替换(&C)"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    auto *command2 = new QPushButton(QStringLiteral("取消"), this);
    command2->setObjectName(QStringLiteral("Command2"));
    auto enable = [this] { m_command1->setEnabled(!m_text1->text().isEmpty() || !m_text2->text().isEmpty()); };
    connect(m_text1, &QLineEdit::textChanged, this, enable);
    connect(m_text2, &QLineEdit::textChanged, this, enable);
    connect(m_command1, &QPushButton::clicked, this, &ReplaceDialog::replaceEverywhere);
    connect(command2, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(m_text1, 0, 1);
    grid->addWidget(m_command1, 0, 2);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(m_text2, 1, 1);
    grid->addWidget(command2, 1, 2);
    grid->addWidget(m_check1, 2, 1);

    const Grid &g = doc.grid;
    m_text1->setText(g.TextMatrix(g.RowSel(), g.ColSel()));
    enable();
}

void ReplaceDialog::replaceEverywhere()
{
    m_replaced = replaceAll(m_doc, m_text1->text(), m_text2->text(), m_check1->isChecked());
    accept();
}

bool ReplaceDialog::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        m_text1->setFocus();
    return QDialog::event(e);
}

// --- commands -----------------------------------------------------------------------------------

void registerFindSortDialogs(CommandRegistry &registry, ui::SettingsStore *settings)
{
    registry.add({ui::CommandId::Find,
                  [](CommandContext &ctx) {
                      auto *dialog = new FindDialog(ctx.doc, ctx.prompter, ctx.window, mainWindowOf(ctx));
                      dialog->show();
                      dialog->raise();
                      dialog->activateWindow();
                  },
                  {}});
    registry.add({ui::CommandId::ClearFindMarks, [](CommandContext &ctx) { clearFindMarks(ctx.doc); }, {}});
    registry.add({ui::CommandId::Replace,
                  [](CommandContext &ctx) {
                      ReplaceDialog dialog(ctx.doc, mainWindowOf(ctx));
                      if (dialog.exec() == QDialog::Accepted)
                          ctx.prompter.message(QStringLiteral("已替换 %1 个单元格。").arg(dialog.replaced()),
                                               QStringLiteral("提示"), ui::Icon::Information);
                  },
                  {}});
    auto sort = [settings](bool ascending) {
        return [ascending, settings](CommandContext &ctx) {
            if (!checkSortable(ctx.doc, ctx.prompter))
                return;
            const QString sharedKey = sharedRanksKey(ctx.ws.userName);
            const bool shared = settings && settings->value(kSortSection, sharedKey) == QLatin1String("1");
            SortDialog dialog(ctx.doc, ascending, ctx.prompter, mainWindowOf(ctx), shared);
            if (dialog.exec() != QDialog::Accepted || !dialog.request())
                return;
            if (settings)
                settings->setValue(kSortSection, sharedKey,
                                   dialog.model().sharedRanks() ? QStringLiteral("1") : QStringLiteral("0"));
            const SortRequest request = *dialog.request();
            sortTable(ctx.doc, request, formula::columnDisplayValues(ctx.doc, request.column, ctx.ws));
        };
    };
    registry.add({ui::CommandId::SortAscending, sort(true), {}});
    registry.add({ui::CommandId::SortDescending, sort(false), {}});
}

} // namespace table
