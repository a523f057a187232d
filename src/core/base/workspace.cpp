#include "core/base/workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace base {

QString defaultProgramDirectory()
{
    const QString dir = QCoreApplication::applicationDirPath();
    if (QFileInfo(dir).isWritable())
        return dir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

Workspace::Workspace(const QString &programDir, QObject *parent)
    : QObject(parent), m_programDir(QDir::fromNativeSeparators(programDir))
{
    if (!m_programDir.endsWith(QLatin1Char('/')))
        m_programDir += QLatin1Char('/');
    QDir().mkpath(m_programDir);
    // The buttons of the frame itself; a table window enables its own while it is active.
    for (ToolButton b : {ToolButton::SchoolTree, ToolButton::Open, ToolButton::ArrowKeys, ToolButton::Horizontal,
                         ToolButton::Vertical, ToolButton::Help})
        m_buttons[static_cast<size_t>(b)] = true;
}

Workspace::~Workspace() = default;

void Workspace::setAutoRecoverSeconds(int seconds)
{
    seconds = std::max(seconds, 0);
    if (seconds == m_autoRecoverSeconds)
        return;
    m_autoRecoverSeconds = seconds;
    emit autoRecoverChanged(seconds);
}

void Workspace::createDataDirectories() const
{
    QDir dir(m_programDir);
    for (const QString &name : {QStringLiteral("标签引用数据"), QStringLiteral("表格模版"), QStringLiteral("表格数据")})
        if (!dir.exists(name))
            dir.mkdir(name);
}

void Workspace::removeStaleWorkingFiles() const
{
    QFile::remove(workingFile());
    QFile::remove(userListFile());
}

void Workspace::setHorizontalInput(bool on)
{
    if (m_horizontal == on)
        return;
    m_horizontal = on;
    emit inputDirectionChanged(on);
}

QString Workspace::panelText(int panel) const
{
    return panel >= 1 && panel <= 4 ? m_panels[static_cast<size_t>(panel)] : QString();
}

void Workspace::setPanelText(int panel, const QString &text)
{
    if (panel < 1 || panel > 4)
        return;
    m_panels[static_cast<size_t>(panel)] = text;
    emit panelChanged(panel, text);
}

void Workspace::start(const QString &status)
{
    setPanelText(1, status);
    if (m_busyDepth++ == 0)
        emit busyChanged(true);
}

void Workspace::setPercent(int percent)
{
    emit percentChanged(percent);
}

void Workspace::finish()
{
    if (m_busyDepth == 0)
        return;
    if (--m_busyDepth == 0) {
        emit busyChanged(false);
        setPanelText(1, QStringLiteral("就绪"));
    }
}

void Workspace::showCurrentTable(const QString &title)
{
    setPanelText(2, QStringLiteral("当前表格：") + title);
}

void Workspace::showNoCurrentTable()
{
    showCurrentTable(QStringLiteral("无"));
}

bool Workspace::buttonEnabled(ToolButton button) const
{
    const auto i = static_cast<size_t>(button);
    return i >= 1 && i < m_buttons.size() && m_buttons[i];
}

void Workspace::setButtonEnabled(ToolButton button, bool enabled)
{
    const auto i = static_cast<size_t>(button);
    if (i < 1 || i >= m_buttons.size())
        return;
    m_buttons[i] = enabled;
    emit buttonEnabledChanged(button, enabled);
}

} // namespace base
