#pragma once
// Fonts as the program names them ("宋体" 9, "黑体" 14 bold) and how they reach Qt. The Chinese
// names are unknown to fontconfig, so both programs map them to installed families at start.
#include <QString>
#include <memory>
#include <vector>

class QFont;

namespace print {

// Maps 宋体, 新宋体 and SimSun to "Noto Serif CJK SC", 黑体 and SimHei to "Noto Sans CJK SC", each
// with "WenQuanYi Zen Hei" as the fallback. Call once after the application object exists.
void substituteChineseFonts();

// A font object as the print code passes it around: name, size in points and the four styles.
struct PrintFont {
    QString name = QStringLiteral("宋体");
    double size = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool operator==(const PrintFont &) const = default;
    // One text line: the size in points × 20 twips, the em height the layouts are made for.
    double lineHeight() const { return size * 20.0; }
};

// Cells share font objects (a column font is one object for every row); drawing code selects a
// font only when it is a different object from the last one.
using FontRef = std::shared_ptr<PrintFont>;

// The Qt font for `desc` with its em `pixelSize` device pixels high.
QFont toQFont(const PrintFont &desc, int pixelSize);

// Widths of text in twips measured from the real fonts (the em is size × 20 twips). Keeps the
// metrics of the few fonts a layout uses.
class TextMeasurer {
public:
    TextMeasurer();
    ~TextMeasurer();
    TextMeasurer(const TextMeasurer &) = delete;
    TextMeasurer &operator=(const TextMeasurer &) = delete;
    double width(const PrintFont &font, const QString &line) const;

private:
    struct Entry;
    mutable std::vector<std::unique_ptr<Entry>> m_cache;
};

} // namespace print
