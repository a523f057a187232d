#include "gui/exchange/trial_convert_dialog.h"

#include "core/base/workspace.h"
#include "core/exchange/converters.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"
#include "gui/ui/widget_names.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace exchange {

using ui::named;

TrialConvertDialog::TrialConvertDialog(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmCove"));
    setWindowTitle(QStringLiteral("转换 试用版 数据表"));
    setModal(true);

    m_list1 = named(new QListWidget, QStringLiteral("List1"));
    m_command1 = named(new QPushButton(QStringLiteral("添加文件(&A)...")), QStringLiteral("Command1"));
    m_command2 = named(new QPushButton(QStringLiteral("转换(&C)")), QStringLiteral("Command2"));
    m_command3 = named(new QPushButton(QStringLiteral("关闭(&X)")), QStringLiteral("Command3"));
    m_command2->setEnabled(false); // nothing to convert until a file is listed
    m_check1 = named(new QCheckBox(QStringLiteral("为原有文件备份(.bak)")), QStringLiteral("Check1"));
    connect(m_command1, &QPushButton::clicked, this, &TrialConvertDialog::command1Clicked);
    connect(m_command2, &QPushButton::clicked, this, &TrialConvertDialog::command2Clicked);
    connect(m_command3, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    buttons->addStretch();
    buttons->addWidget(m_command3);
    auto *top = new QHBoxLayout;
    top->addWidget(m_list1, 1);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_check1);
    resize(520, 320);
}

QStringList TrialConvertDialog::files() const
{
    QStringList all;
    for (int i = 0; i < m_list1->count(); ++i)
        all << m_list1->item(i)->text();
    return all;
}

void TrialConvertDialog::command1Clicked()
{
    const QStringList chosen = m_prompter.openFiles(QStringLiteral("*.gdt"), QString());
    const QStringList listed = files();
    for (const QString &path : chosen)
        if (!path.isEmpty() && !listed.contains(path) && m_list1->findItems(path, Qt::MatchExactly).isEmpty())
            m_list1->addItem(path);
    m_command2->setEnabled(m_list1->count() > 0);
}

void TrialConvertDialog::command2Clicked()
{
    table::TableFile tables(m_ws, m_prompter);
    convertTrialFiles(files(), m_check1->isChecked(), tables, m_ws.tablePassword, m_prompter);
}

} // namespace exchange
