#include "gui/table/font_dialog.h"

#include "core/table/table_properties.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace table {

// The preview box: "字体预览" in the chosen font, centred.
class FontDialog::Preview : public QWidget {
public:
    explicit Preview(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Picture1"));
        setMinimumSize(220, 90);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, Qt::white);
        setPalette(pal);
    }
    QFont previewFont;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setFont(previewFont);
        const QString text = QStringLiteral("字体预览");
        const QFontMetrics fm(previewFont);
        const int w = fm.horizontalAdvance(text), h = fm.height();
        painter.drawText((width() - w) / 2, (height() - h) / 2 + fm.ascent(), text);
    }
};

FontDialog::FontDialog(const QStringList &families, const QString &name, double points, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFont"));
    setWindowTitle(QStringLiteral("更改字体："));
    m_fonts = new QListWidget(this);
    m_fonts->setObjectName(QStringLiteral("List1"));
    for (const QString &family : families)
        if (!family.trimmed().isEmpty())
            m_fonts->addItem(family);
    m_name = new QLineEdit(name, this);
    m_name->setObjectName(QStringLiteral("Text1"));
    m_sizes = new QListWidget(this);
    m_sizes->setObjectName(QStringLiteral("List2"));
    for (const FontSizeEntry &entry : kFontSizes)
        m_sizes->addItem(QString::fromUtf16(entry.text));
    m_sizes->setCurrentRow(fontSizeIndex(points));
    const QList<QListWidgetItem *> found = m_fonts->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty())
        m_fonts->setCurrentItem(found.first());

    auto *frame = new QGroupBox(QStringLiteral("预览："), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_preview = new Preview(frame);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_preview);
    auto *ok = new QPushButton(QStringLiteral("确认(&O)"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("Command2"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("字体："), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("字号："), this), 0, 1);
    grid->addWidget(m_name, 1, 0);
    grid->addWidget(m_fonts, 2, 0);
    grid->addWidget(m_sizes, 1, 1, 2, 1);
    grid->addWidget(frame, 3, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);

    connect(m_fonts, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { m_name->setText(item->text()); });
    connect(m_name, &QLineEdit::textChanged, this, &FontDialog::updatePreview);
    connect(m_sizes, &QListWidget::currentRowChanged, this, &FontDialog::updatePreview);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updatePreview();
    resize(420, 420);
}

QString FontDialog::fontName() const
{
    return m_name->text();
}

int FontDialog::pointSize() const
{
    const int row = std::max(m_sizes->currentRow(), 0);
    return kFontSizes[static_cast<size_t>(row)].points;
}

void FontDialog::updatePreview()
{
    QFont f(fontName());
    f.setPointSize(pointSize());
    m_preview->previewFont = f;
    m_preview->update();
}

} // namespace table
