#include "gui/table/sort_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace table {

SortDialog::SortDialog(const GradeTable &t, bool ascending, ui::Prompter &prompter, QWidget *parent, bool sharedRanks)
    : QDialog(parent), m_model(t, ascending), m_prompter(prompter)
{
    m_model.setSharedRanks(sharedRanks);
    setObjectName(QStringLiteral("frm排序"));
    setWindowTitle(QStringLiteral("排序："));
    setModal(true);

    auto *label1 = new QLabel(QStringLiteral("根据字段："), this);
    label1->setObjectName(QStringLiteral("Label1"));
    auto *label2 = new QLabel(QStringLiteral("排序。"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo1->addItems(m_model.fields());
    m_combo2->addItems(m_model.fields());
    m_check1 = new QCheckBox(QStringLiteral("将排序结果写入："), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check2 = new QCheckBox(QStringLiteral("相同分数名次并列"), this);
    m_check2->setObjectName(QStringLiteral("Check2"));
    auto *frame = new QGroupBox(QStringLiteral("排序方式："), this);
    frame->setObjectName(QStringLiteral("Frame2"));
    m_option1 = new QRadioButton(QStringLiteral("升序"), frame);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option2 = new QRadioButton(QStringLiteral("降序"), frame);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_command1 = new QPushButton(QStringLiteral("确定(&O)"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    auto *command2 = new QPushButton(QStringLiteral("取消"), this);
    command2->setObjectName(QStringLiteral("Command2"));

    connect(m_combo1, &QComboBox::currentIndexChanged, this, [this](int i) {
        m_model.setSortIndex(i, m_prompter);
        refresh();
    });
    connect(m_combo2, &QComboBox::currentIndexChanged, this, [this](int i) {
        m_model.setTargetIndex(i, m_prompter);
        refresh();
    });
    connect(m_check1, &QCheckBox::toggled, this, [this](bool on) {
        m_model.setWriteBack(on, m_prompter);
        refresh();
    });
    connect(m_check2, &QCheckBox::toggled, this, [this](bool on) { m_model.setSharedRanks(on); });
    connect(m_option1, &QRadioButton::toggled, this, [this](bool on) { m_model.setAscending(on); });
    connect(m_command1, &QPushButton::clicked, this, &SortDialog::acceptSort);
    connect(command2, &QPushButton::clicked, this, &QDialog::reject);

    auto *fieldRow = new QHBoxLayout;
    fieldRow->addWidget(label1);
    fieldRow->addWidget(m_combo1, 1);
    fieldRow->addWidget(label2);
    auto *targetRow = new QHBoxLayout;
    targetRow->addWidget(m_check1);
    targetRow->addWidget(m_combo2, 1);
    auto *options = new QHBoxLayout(frame);
    options->addWidget(m_option1);
    options->addWidget(m_option2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(command2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fieldRow);
    layout->addLayout(targetRow);
    layout->addWidget(m_check2);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    refresh();
}

void SortDialog::refresh()
{
    const QSignalBlocker b1(m_combo1), b2(m_combo2), b3(m_check1), b4(m_option1), b5(m_option2), b6(m_check2);
    m_combo1->setCurrentIndex(m_model.sortIndex());
    m_combo2->setCurrentIndex(m_model.targetIndex());
    m_check1->setChecked(m_model.writeBack());
    m_check1->setEnabled(m_model.writeBackEnabled());
    m_combo2->setEnabled(m_model.targetEnabled());
    m_check2->setChecked(m_model.sharedRanks());
    m_check2->setEnabled(m_model.targetEnabled()); // ranks are written only with Check1
    (m_model.ascending() ? m_option1 : m_option2)->setChecked(true);
    m_command1->setEnabled(m_model.okEnabled());
}

void SortDialog::acceptSort()
{
    m_request = m_model.accept(m_prompter);
    refresh();
    if (m_request)
        accept();
}

} // namespace table
