#include "gui/exchange/export_table_dialog.h"

#include "gui/ui/multi_select_list_qt.h"
#include "gui/ui/widget_names.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace exchange {

using ui::named;

namespace {

QListWidget *multiList(const QString &name, const QStringList &items)
{
    auto *list = named(new ui::MultiSelectList, name);
    list->addItems(items);
    return list;
}

QList<int> selectedNumbers(const QListWidget *list)
{
    QList<int> chosen;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            chosen << i + 1;
    return chosen;
}

void selectAll(QListWidget *list, bool on)
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(on);
}

} // namespace

ExportTableDialog::ExportTableDialog(const QStringList &fields, const QStringList &rows, Confirm confirm,
                                     QWidget *parent)
    : QDialog(parent), m_confirm(std::move(confirm))
{
    setObjectName(QStringLiteral("frmExpTable"));
    setWindowTitle(QStringLiteral("导出表格指定数据"));
    setModal(true);

    m_list1 = multiList(QStringLiteral("List1"), fields);
    m_list2 = multiList(QStringLiteral("List2"), rows);
    if (m_list1->count() > 0)
        m_list1->item(0)->setSelected(true);
    m_check1 = named(new QCheckBox(QStringLiteral("全选")), QStringLiteral("Check1"));
    m_check2 = named(new QCheckBox(QStringLiteral("全选")), QStringLiteral("Check2"));
    connect(m_check1, &QCheckBox::clicked, this, [this](bool on) { selectAll(m_list1, on); });
    connect(m_check2, &QCheckBox::clicked, this, [this](bool on) { selectAll(m_list2, on); });
    m_label3 = named(new QLabel(QStringLiteral("选择需要导出的项目，按“确定”，所选择的项目将被保存为一张新的表格。")),
                     QStringLiteral("Label3"));
    m_label3->setWordWrap(true);
    m_command1 = named(new QPushButton(QStringLiteral("确定(&O)")), QStringLiteral("Command1"));
    m_command2 = named(new QPushButton(QStringLiteral("取消")), QStringLiteral("Command2"));
    m_command1->setDefault(true);
    connect(m_command1, &QPushButton::clicked, this, [this] {
        if (m_confirm && m_confirm(chosenFields(), chosenRows()))
            accept();
    });
    connect(m_command2, &QPushButton::clicked, this, &QDialog::reject);

    auto *lists = new QGridLayout;
    lists->addWidget(m_list1, 0, 0);
    lists->addWidget(m_list2, 0, 1);
    lists->addWidget(m_check1, 1, 0);
    lists->addWidget(m_check2, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addWidget(m_label3);
    layout->addLayout(buttons);
    resize(460, 420);
}

QList<int> ExportTableDialog::chosenFields() const
{
    return selectedNumbers(m_list1);
}

QList<int> ExportTableDialog::chosenRows() const
{
    return selectedNumbers(m_list2);
}

} // namespace exchange
