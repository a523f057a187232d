#include "gui/print/printer_settings_dialog.h"

#include "core/base/workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace print {

namespace {

QLabel *label(const QString &text, QWidget *parent)
{
    return new QLabel(text, parent);
}

} // namespace

PrinterSettingsDialog::PrinterSettingsDialog(const PrinterSetup &setup, Choose choose, QWidget *parent)
    : QDialog(parent), m_setup(setup), m_choose(std::move(choose))
{
    setObjectName(QStringLiteral("frmPrintSet"));
    setWindowTitle(QStringLiteral("打印设置："));

    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    // Digits only, also against paste; three of them keep the copies within 1 … 999.
    m_text1->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), m_text1));
    m_text1->setMaximumWidth(60);
    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    for (const QualityEntry &e : qualityEntries())
        m_combo2->addItem(e.text, e.value);
    m_combo3 = new QComboBox(this);
    m_combo3->setObjectName(QStringLiteral("Combo3"));
    for (int w = 1; w <= 10; ++w)
        m_combo3->addItem(QString::number(w));
    m_check1 = new QCheckBox(QStringLiteral("双面打印"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    auto *frame = new QGroupBox(QStringLiteral("设置："), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_option1 = new QRadioButton(QStringLiteral("水平方向"), frame);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option2 = new QRadioButton(QStringLiteral("垂直方向"), frame);
    m_option2->setObjectName(QStringLiteral("Option2"));
    auto *frameLayout = new QHBoxLayout(frame);
    frameLayout->addWidget(m_option1);
    frameLayout->addWidget(m_option2);
    m_command1 = new QPushButton(QStringLiteral("确定(&O)"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    auto *command2 = new QPushButton(QStringLiteral("取消"), this);
    command2->setObjectName(QStringLiteral("Command2"));

    auto *grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("打印机:"), this), 0, 0);
    grid->addWidget(m_combo1, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("每次打印"), this), 1, 0);
    grid->addWidget(m_text1, 1, 1);
    grid->addWidget(label(QStringLiteral("分拷贝。"), this), 1, 2);
    grid->addWidget(label(QStringLiteral("打印质量："), this), 2, 0);
    grid->addWidget(m_combo2, 2, 1, 1, 2);
    grid->addWidget(label(QStringLiteral("线条宽度："), this), 3, 0);
    grid->addWidget(m_combo3, 3, 1);
    grid->addWidget(label(QStringLiteral("像素"), this), 3, 2);
    grid->addWidget(label(QStringLiteral("打印方向：自定"), this), 4, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("纸张大小： A4"), this), 4, 2, 1, 2);
    grid->addWidget(m_check1, 5, 0);
    grid->addWidget(frame, 5, 1, 1, 3);
    auto *note = label(QStringLiteral("根据不同的打印机、不同的表格，此处设置的属性可能不会发挥作用。"), this);
    note->setWordWrap(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(command2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addLayout(buttons);

    display(m_setup);
    connect(m_check1, &QCheckBox::toggled, this, [this](bool on) {
        m_option1->setEnabled(on);
        m_option2->setEnabled(on);
    });
    connect(m_combo1, &QComboBox::activated, this, [this](int index) {
        if (m_setup.available && m_choose)
            display(m_choose(this->setup(), index));
    });
    connect(m_command1, &QPushButton::clicked, this, &QDialog::accept);
    connect(command2, &QPushButton::clicked, this, &QDialog::reject);
}

void PrinterSettingsDialog::display(const PrinterSetup &s)
{
    m_setup = s;
    m_combo1->clear();
    m_combo1->addItems(s.printers);
    m_combo1->setCurrentIndex(s.printer);
    m_combo1->setEnabled(s.available);
    m_command1->setEnabled(s.available);
    m_text1->setText(s.copies);
    m_combo2->setCurrentIndex(s.quality);
    m_combo3->setCurrentIndex(std::clamp(s.penWidth, 1, 10) - 1);
    m_check1->setChecked(s.duplex);
    m_option1->setChecked(s.horizontal);
    m_option2->setChecked(!s.horizontal);
    m_option1->setEnabled(s.duplex);
    m_option2->setEnabled(s.duplex);
}

PrinterSetup PrinterSettingsDialog::setup() const
{
    PrinterSetup s = m_setup;
    s.printer = m_combo1->currentIndex();
    s.copies = m_text1->text();
    s.quality = m_combo2->currentIndex();
    s.penWidth = m_combo3->currentIndex() + 1;
    s.duplex = m_check1->isChecked();
    s.horizontal = m_option1->isChecked();
    return s;
}

void showPrinterSettings(base::Workspace &ws, QWidget *parent)
{
    const PrinterSystem &system = printers(ws);
    PrinterSettingsDialog dialog(
        loadPrinterSetup(system, ws),
        [&](const PrinterSetup &shown, int index) {
            PrinterSetup s = shown;
            choosePrinter(s, index, system, ws);
            return s;
        },
        parent);
    if (dialog.exec() == QDialog::Accepted)
        acceptPrinterSetup(dialog.setup(), ws);
}

} // namespace print
