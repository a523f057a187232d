#include "core/shell/program_info.h"

namespace shell {

QString splashVersionText(const Version &v)
{
    return QStringLiteral("V %1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision, 4, 10, QLatin1Char('0'));
}

QString splashPlatformText(const QString &kernelType)
{
    QString name;
    if (kernelType == QLatin1String("linux"))
        name = QStringLiteral("Linux");
    else if (kernelType == QLatin1String("darwin"))
        name = QStringLiteral("macOS");
    else if (kernelType == QLatin1String("winnt"))
        name = QStringLiteral("Windows");
    else if (kernelType.endsWith(QLatin1String("bsd")))
        name = kernelType.left(1).toUpper() + kernelType.mid(1, kernelType.size() - 4) + QStringLiteral("BSD");
    else if (!kernelType.isEmpty())
        name = kernelType.left(1).toUpper() + kernelType.mid(1);
    else
        name = QStringLiteral("Unix");
    return QStringLiteral("For ") + name;
}

QString aboutVersionText(const Version &v)
{
    return QStringLiteral("版本 %1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision);
}

bool SplashProgress::tick()
{
    if (!done())
        m_width += kStepTwips;
    return done();
}

} // namespace shell
