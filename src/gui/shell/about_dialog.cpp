#include "gui/shell/about_dialog.h"

#include "core/shell/program_info.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

// The pictures live in the gui library's resources, which a static link drops unless referenced.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace shell {

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    initResources();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于 ") + kProgramTitle);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(QIcon(QStringLiteral(":/icons/splash.svg")).pixmap(96, 96));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_title = new QLabel(QStringLiteral("ZUN'S ") + kProgramTitle, this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont f = m_title->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    m_title->setFont(f);

    m_version = new QLabel(aboutVersionText(), this);
    m_version->setObjectName(QStringLiteral("lblVersion"));

    m_author = new QLabel(QStringLiteral("作者：Scorvane 开发组（点击此处发送电子邮件）"), this);
    m_author->setObjectName(QStringLiteral("lblAuthor"));
    m_author->setCursor(Qt::PointingHandCursor);
    m_author->setToolTip(authorMailUrl().toString());
    QPalette pal = m_author->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 192));
    m_author->setPalette(pal);
    QFont uf = m_author->font();
    uf.setUnderline(true);
    m_author->setFont(uf);
    m_author->installEventFilter(this);

    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(18, 18, 18, 14);
    grid->setHorizontalSpacing(18);
    grid->addWidget(picture, 0, 0, 4, 1);
    grid->addWidget(m_title, 0, 1);
    grid->addWidget(m_version, 1, 1);
    grid->addWidget(m_author, 2, 1);
    grid->setRowStretch(3, 1);
    grid->addWidget(m_ok, 4, 1, Qt::AlignRight);
    setFixedSize(sizeHint());
}

QUrl AboutDialog::authorMailUrl()
{
    return QUrl(QStringLiteral("mailto:scorvane@example.org?subject=") + kProgramTitle);
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_author && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        QDesktopServices::openUrl(authorMailUrl());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace shell
