#include "gui/shell/splash_window.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QSysInfo>

// The pictures live in the gui library's resources, which a static link drops unless referenced.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace shell {

namespace {
constexpr int kWidth = 480;
constexpr int kHeight = 300;
constexpr int kLabel5Height = 24;

QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &geometry, double pointSize,
              bool bold = false)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    l->setFont(f);
    l->setGeometry(geometry);
    return l;
}
} // namespace

SplashWindow::SplashWindow(QWidget *mainWindow, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_main(mainWindow),
      m_progress(pixelsToTwips(kWidth))
{
    initResources();
    setObjectName(QStringLiteral("frmSlape"));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("#frmSlape { background: #f3f6fb; border: 1px solid #1f3f7a; }"
                                 "QLabel { color: #1f3f7a; }"
                                 "#Label5 { background: #2f62b8; color: white; padding-left: 8px; }"));
    setAttribute(Qt::WA_StyledBackground);

    label(this, "Label1", QStringLiteral("ZUN'S"), QRect(24, 16, 280, 52), 28, true);
    auto *slogan =
        label(this, "Label2", QStringLiteral("     快捷的输入，轻松的成绩分析，清晰的班级分类……让成绩统计更轻松。"),
              QRect(24, 78, 290, 80), 11);
    slogan->setWordWrap(true);
    slogan->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label(this, "Label3", splashPlatformText(QSysInfo::kernelType()), QRect(24, 168, 290, 22), 9);
    label(this, "Label6", splashVersionText(), QRect(24, 196, 290, 22), 10, true);
    label(this, "Label4", QStringLiteral("作者：Scorvane 开发组"), QRect(24, 222, 290, 22), 9);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(318, 36, 140, 140);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/splash.svg")).pixmap(140, 140));
    picture->setAlignment(Qt::AlignCenter);

    m_label5 = label(this, "Label5", QString(), QRect(0, kHeight - kLabel5Height - 8, 0, kLabel5Height), 9);
    m_label5->setAutoFillBackground(true);

    m_timer1.setInterval(kTimer1Interval);
    m_timer2.setInterval(kTimer2Interval);
    connect(&m_timer1, &QTimer::timeout, this, &SplashWindow::advanceProgress);
    connect(&m_timer2, &QTimer::timeout, this, &SplashWindow::finishSplash);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void SplashWindow::start()
{
    m_timer1.start();
}

void SplashWindow::advanceProgress()
{
    const bool done = m_progress.tick();
    m_label5->resize(twipsToPixels(m_progress.widthTwips()), m_label5->height());
    if (!done)
        return;
    m_timer1.stop();
    if (m_main) {
        // Shown but not usable until the splash has gone.
        m_main->setEnabled(false);
        m_main->show();
    }
    raise();
    m_label5->setText(QStringLiteral("启动完成,正在加载组件..."));
    m_timer2.start();
}

void SplashWindow::finishSplash()
{
    m_timer2.stop();
    close();
    if (m_main) {
        m_main->setEnabled(true);
        m_main->show();
        m_main->activateWindow();
    }
    emit loginDue();
}

} // namespace shell
