#include "gui/table/height_width_dialog.h"

#include "core/table/table_properties.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace table {

namespace {
QLineEdit *sizeBox(QWidget *parent, const char *name, int current)
{
    auto *box = new QLineEdit(QString::number(current), parent);
    box->setObjectName(QLatin1String(name));
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    QObject::connect(box, &QLineEdit::textChanged, box, [box, current](const QString &text) {
        const QString fixed = sizeBoxText(text, current);
        if (fixed != text)
            box->setText(fixed);
    });
    return box;
}
} // namespace

HeightWidthDialog::HeightWidthDialog(int rowHeight, int colWidth, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmHeiWei"));
    setWindowTitle(QStringLiteral("行高 列宽"));
    m_height = sizeBox(this, "Text1", rowHeight);
    m_width = sizeBox(this, "Text2", colWidth);
    auto *ok = new QPushButton(QStringLiteral("确定(&O)"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("行高："), this), 0, 0);
    grid->addWidget(m_height, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("列宽："), this), 1, 0);
    grid->addWidget(m_width, 1, 1);
    grid->addWidget(ok, 2, 1, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

int HeightWidthDialog::rowHeight() const
{
    return m_height->text().toInt();
}

int HeightWidthDialog::colWidth() const
{
    return m_width->text().toInt();
}

} // namespace table
