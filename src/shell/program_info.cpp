#include "shell/program_info.h"

namespace shell {

QString splashVersionText(const Version &v)
{
    return QStringLiteral("V %1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision, 4, 10, QLatin1Char('0'));
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
