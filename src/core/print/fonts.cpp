#include "core/print/fonts.h"

#include <QFont>
#include <QFontMetricsF>
#include <QStringList>

namespace print {

void substituteChineseFonts()
{
    const QStringList serif{QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Zen Hei")};
    const QStringList sans{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei")};
    for (const QString &name : {QStringLiteral("宋体"), QStringLiteral("新宋体"), QStringLiteral("SimSun")})
        QFont::insertSubstitutions(name, serif);
    for (const QString &name : {QStringLiteral("黑体"), QStringLiteral("SimHei")})
        QFont::insertSubstitutions(name, sans);
}

QFont toQFont(const PrintFont &desc, int pixelSize)
{
    QFont f(desc.name);
    f.setPixelSize(qMax(1, pixelSize));
    f.setBold(desc.bold);
    f.setItalic(desc.italic);
    f.setUnderline(desc.underline);
    f.setStrikeOut(desc.strikethrough);
    // Glyphs are placed by the layout's own measures; hinting would pull them onto whole pixels.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

struct TextMeasurer::Entry {
    PrintFont desc;
    QFontMetricsF metrics;
    double scale; // twips per font pixel
};

TextMeasurer::TextMeasurer() = default;
TextMeasurer::~TextMeasurer() = default;

double TextMeasurer::width(const PrintFont &font, const QString &line) const
{
    if (line.isEmpty())
        return 0;
    for (const auto &e : m_cache)
        if (e->desc == font)
            return e->metrics.horizontalAdvance(line) * e->scale;
    // Measured at a large pixel size, so the widths scale exactly to the em in twips.
    constexpr int kPixels = 1000;
    if (m_cache.size() > 32)
        m_cache.erase(m_cache.begin());
    m_cache.push_back(
        std::unique_ptr<Entry>(new Entry{font, QFontMetricsF(toQFont(font, kPixels)), font.lineHeight() / kPixels}));
    return m_cache.back()->metrics.horizontalAdvance(line) * m_cache.back()->scale;
}

} // namespace print
