#include "gui/table/data_format_dialog.h"

#include "core/table/table_properties.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace table {

DataFormatDialog::DataFormatDialog(const QString &dataFormat, Preview preview, QWidget *parent)
    : QDialog(parent), m_format(std::move(preview))
{
    setObjectName(QStringLiteral("frmDataFormat"));
    setWindowTitle(QStringLiteral("表格数据格式："));
    m_decimals = new QLineEdit(QString::number(decimalsOf(dataFormat)), this);
    m_decimals->setObjectName(QStringLiteral("Text1"));
    m_decimals->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_decimals));
    m_decimals->setMaximumWidth(60);
    m_pad = new QCheckBox(QStringLiteral("小数位不足时补位"), this);
    m_pad->setObjectName(QStringLiteral("Check1"));
    m_pad->setChecked(padsOf(dataFormat));
    auto *frame = new QGroupBox(QStringLiteral("预览：(123.456789)"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_preview = new QLabel(frame);
    m_preview->setObjectName(QStringLiteral("Label3"));
    m_preview->setAlignment(Qt::AlignCenter);
    QFont big = m_preview->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    m_preview->setFont(big);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_preview);
    auto *ok = new QPushButton(QStringLiteral("确定(&O)"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("Command2"));

    auto *grid = new QGridLayout(this);
    auto *line = new QHBoxLayout;
    line->addWidget(new QLabel(QStringLiteral("设置公式结果的精确度:"), this));
    line->addWidget(m_decimals);
    line->addWidget(new QLabel(QStringLiteral("位小数。"), this));
    line->addStretch();
    grid->addLayout(line, 0, 0, 1, 2);
    grid->addWidget(m_pad, 1, 0, 1, 2);
    grid->addWidget(frame, 2, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(m_decimals, &QLineEdit::textChanged, this, &DataFormatDialog::decimalsEdited);
    connect(m_pad, &QCheckBox::toggled, this, &DataFormatDialog::updatePreview);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updatePreview();
}

void DataFormatDialog::decimalsEdited(const QString &text)
{
    const QString fixed = decimalsBoxText(text);
    if (fixed != text)
        m_decimals->setText(fixed); // comes back here with the fixed text
    else
        updatePreview();
}

QString DataFormatDialog::dataFormat() const
{
    return dataFormatFor(m_decimals->text().toInt(), m_pad->isChecked());
}

void DataFormatDialog::updatePreview()
{
    m_preview->setText(m_format ? m_format(dataFormat()) : dataFormat());
}

} // namespace table
