#pragma once
// The program's title and version texts, and the progress bar of the splash window.
#include <QString>

namespace shell {

inline const QString kProgramTitle = QStringLiteral("通用Scorvane");

struct Version {
    int major = SCORVANE_VERSION_MAJOR;
    int minor = SCORVANE_VERSION_MINOR;
    int revision = SCORVANE_VERSION_PATCH;
};

// The splash window's version label: "V 1.0.0001" (revision with four digits).
QString splashVersionText(const Version &v = {});
// The splash window's platform line: "For " and the system it runs on ("For Linux").
QString splashPlatformText(const QString &kernelType);
// The about box's version label: "版本 1.0.1" (revision not padded).
QString aboutVersionText(const Version &v = {});

// The splash window's progress label Label5, in twips: it grows by 200 twips per tick of the
// first timer until it is at least as wide as the splash window.
class SplashProgress {
public:
    static constexpr int kStepTwips = 200;
    explicit SplashProgress(int splashWidthTwips) : m_splashWidth(splashWidthTwips) {}
    // One tick; true once the label has reached the splash window's width.
    bool tick();
    int widthTwips() const { return m_width; }
    bool done() const { return m_width >= m_splashWidth; }

private:
    int m_splashWidth;
    int m_width = 0;
};

// Screen lengths: 15 twips are one pixel at 96 dots per inch.
constexpr int twipsToPixels(int twips)
{
    return twips / 15;
}
constexpr int pixelsToTwips(int pixels)
{
    return pixels * 15;
}

} // namespace shell
