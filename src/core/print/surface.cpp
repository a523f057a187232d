#include "core/print/surface.h"

#include <QStringList>
#include <cmath>

namespace print {

namespace {

constexpr double kTwipsPerHimetric = 1440.0 / 2540.0;

} // namespace

double Picture::widthHimetric() const
{
    const int dpm = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 3780;
    return image.width() * 100000.0 / dpm;
}

double Picture::heightHimetric() const
{
    const int dpm = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 3780;
    return image.height() * 100000.0 / dpm;
}

QStringList textLines(const QString &text)
{
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return {text};
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

qsizetype lineCount(const QString &text)
{
    qsizetype lines = 1;
    const QChar *c = text.constData(), *end = c + text.size();
    for (; c != end; ++c) {
        if (*c == u'\n')
            ++lines;
        else if (*c == u'\r' && (c + 1 == end || c[1] != u'\n'))
            ++lines;
    }
    return lines;
}

Surface::Surface(double widthTwips, double heightTwips, double twipsPerPixelX, double twipsPerPixelY)
    : m_width(widthTwips), m_height(heightTwips), m_tppX(twipsPerPixelX > 0 ? twipsPerPixelX : 15),
      m_tppY(twipsPerPixelY > 0 ? twipsPerPixelY : 15), m_font(std::make_shared<const PrintFont>())
{
}

Surface::~Surface() = default;

bool Surface::setScaleMode(int mode)
{
    if (mode != vbTwips && mode != vbPixels)
        return false;
    m_scaleMode = mode;
    return true;
}

double Surface::unitX(int unit) const
{
    switch (unit) {
    case vbPixels:
        return m_tppX;
    case vbHimetric:
        return kTwipsPerHimetric;
    default:
        return 1;
    }
}

double Surface::unitY(int unit) const
{
    switch (unit) {
    case vbPixels:
        return m_tppY;
    case vbHimetric:
        return kTwipsPerHimetric;
    default:
        return 1;
    }
}

double Surface::ScaleX(double value, int fromUnit, int toUnit) const
{
    return value * unitX(fromUnit) / unitX(toUnit);
}

double Surface::ScaleY(double value, int fromUnit, int toUnit) const
{
    return value * unitY(fromUnit) / unitY(toUnit);
}

void Surface::setWidth(double) {}
void Surface::setHeight(double) {}

void Surface::setFont(const PrintFont &font)
{
    if (*m_font != font)
        m_font = std::make_shared<const PrintFont>(font);
}

void Surface::setFontName(const QString &name)
{
    PrintFont f = *m_font;
    f.name = name;
    setFont(f);
}

void Surface::setFontSize(double size)
{
    PrintFont f = *m_font;
    f.size = size > 0 ? size : f.size;
    setFont(f);
}

void Surface::setFontBold(bool on)
{
    PrintFont f = *m_font;
    f.bold = on;
    setFont(f);
}

void Surface::setFontItalic(bool on)
{
    PrintFont f = *m_font;
    f.italic = on;
    setFont(f);
}

void Surface::setFontUnderline(bool on)
{
    PrintFont f = *m_font;
    f.underline = on;
    setFont(f);
}

void Surface::setFontStrikethru(bool on)
{
    PrintFont f = *m_font;
    f.strikethrough = on;
    setFont(f);
}

double Surface::TextWidth(const QString &text) const
{
    double widest = 0;
    for (const QString &line : textLines(text))
        widest = std::max(widest, measure(*m_font, line));
    return fromTwipsX(widest);
}

double Surface::TextHeight(const QString &text) const
{
    const qsizetype breaks =
        text.count(QLatin1Char('\n')) + text.count(QLatin1Char('\r')) - text.count(QStringLiteral("\r\n"));
    return fromTwipsY(double(breaks + 1) * m_font->lineHeight());
}

Call Surface::styled(Call::Kind kind) const
{
    Call c;
    c.kind = kind;
    c.color = m_foreColor;
    c.fillColor = m_fillColor;
    c.filled = m_fillStyle == vbFSSolid;
    c.penWidth = m_drawWidth * m_tppX;
    c.font = m_font;
    return c;
}

void Surface::Print(const QString &text, bool endLine)
{
    const QStringList lines = textLines(text);
    const double em = m_font->lineHeight();
    const double left = m_x;
    double lastWidth = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const double width = measure(*m_font, lines[i]);
        if (!lines[i].isEmpty()) {
            Call c = styled(Call::Text);
            c.text = lines[i];
            c.x1 = left;
            c.y1 = m_y + double(i) * em;
            c.x2 = left + width;
            c.y2 = c.y1 + em;
            emitCall(c);
        }
        lastWidth = width;
    }
    if (endLine) {
        m_y += double(lines.size()) * em;
        m_x = 0;
    } else {
        m_y += double(lines.size() - 1) * em;
        m_x = left + lastWidth;
    }
}

void Surface::Line(double x1, double y1, double x2, double y2, LineKind kind, std::optional<QRgb> color)
{
    Call c = styled(kind == LineKind::Line ? Call::Line : kind == LineKind::Box ? Call::Box : Call::FilledBox);
    if (color)
        c.color = *color;
    if (kind == LineKind::FilledBox) {
        c.fillColor = c.color;
        c.filled = true;
    }
    c.x1 = toTwipsX(x1);
    c.y1 = toTwipsY(y1);
    c.x2 = toTwipsX(x2);
    c.y2 = toTwipsY(y2);
    emitCall(c);
    m_x = c.x2;
    m_y = c.y2;
}

void Surface::Circle(double x, double y, double radius, std::optional<QRgb> color)
{
    Call c = styled(Call::Circle);
    if (color)
        c.color = *color;
    const double cx = toTwipsX(x), cy = toTwipsY(y), r = toTwipsX(std::abs(radius));
    c.x1 = cx - r;
    c.y1 = cy - r;
    c.x2 = cx + r;
    c.y2 = cy + r;
    emitCall(c);
    m_x = cx;
    m_y = cy;
}

void Surface::PaintPicture(const PictureRef &picture, double x, double y, double w, double h, double sx, double sy,
                           double sw, double sh)
{
    if (!picture || picture->image.isNull())
        return;
    Call c = styled(Call::Picture);
    c.x1 = toTwipsX(x);
    c.y1 = toTwipsY(y);
    c.x2 = c.x1 + toTwipsX(w);
    c.y2 = c.y1 + toTwipsY(h);
    auto src = std::make_shared<Call::PictureSource>();
    src->picture = picture;
    src->sx = toTwipsX(sx);
    src->sy = toTwipsY(sy);
    src->sw = sw < 0 ? picture->widthHimetric() * kTwipsPerHimetric : toTwipsX(sw);
    src->sh = sh < 0 ? picture->heightHimetric() * kTwipsPerHimetric : toTwipsY(sh);
    c.source = std::move(src);
    emitCall(c);
}

void Surface::Cls()
{
    emitCall(styled(Call::Cls));
    m_x = 0;
    m_y = 0;
}

int Surface::DrawText(const QString &text, PixelRect &rect, int flags)
{
    const int height = int(std::ceil(double(lineCount(text)) * m_font->lineHeight() / m_tppY - 1e-9));
    if (flags & DT_CALCRECT) {
        rect.bottom = rect.top + height;
        return height;
    }
    Call c = styled(Call::TextInRect);
    c.flags = flags & (DT_CENTER | DT_RIGHT);
    c.text = text;
    c.x1 = rect.left * m_tppX;
    c.y1 = rect.top * m_tppY;
    c.x2 = rect.right * m_tppX;
    c.y2 = rect.bottom * m_tppY;
    emitCall(c);
    return height;
}

bool Surface::NewPage()
{
    if (!ok())
        return false;
    emitCall(styled(Call::NewPage));
    m_x = 0;
    m_y = 0;
    if (!startNewPage())
        return false;
    return ok();
}

bool Surface::EndDoc()
{
    if (!ok())
        return false;
    emitCall(styled(Call::EndDoc));
    return finishDocument() && ok();
}

void Surface::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error.isEmpty() ? QStringLiteral("?") : error;
}

void Surface::play(const Call &call)
{
    switch (call.kind) {
    case Call::NewPage:
        NewPage();
        break;
    case Call::EndDoc:
        EndDoc();
        break;
    case Call::Cls:
        Cls();
        break;
    default:
        emitCall(call);
        break;
    }
}

} // namespace print
