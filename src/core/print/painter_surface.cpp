#include "core/print/painter_surface.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QIODevice>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QTextLayout>
#include <cmath>

namespace print {

// --- CallPainter -----------------------------------------------------------------------------

struct CallPainter::Shaped {
    QList<QGlyphRun> runs;
    double ascent = 0;
    double width = 0;
};

struct CallPainter::FontEntry {
    PrintFont desc;
    QFont font; // without underline and strike-through, which drawLine draws itself
    QHash<QString, Shaped> shaped;
    double underlinePos = 0;
    double strikeOutPos = 0;
    double lineWidth = 1;
};

CallPainter::CallPainter(QPainter &painter, double scale, QPointF origin)
    : m_p(painter), m_scale(scale > 0 ? scale : 1), m_origin(origin)
{
}

CallPainter::~CallPainter() = default;

CallPainter::FontEntry &CallPainter::fontFor(const std::shared_ptr<const PrintFont> &font)
{
    static const PrintFont fallback;
    const PrintFont &desc = font ? *font : fallback;
    if (m_lastFont && m_lastObject == font)
        return *m_lastFont;
    m_lastObject = font;
    for (const auto &e : m_fonts)
        if (e->desc == desc) {
            m_lastFont = e.get();
            return *e;
        }
    if (m_fonts.size() > 32) {
        m_fonts.erase(m_fonts.begin());
        m_fontSet = nullptr;
    }
    // Qt draws a glyph run's decorations displaced by the painter's device offset (a child widget
    // painting into its window, as the preview does), so the lines are drawn here instead.
    QFont qf = toQFont(desc, int(std::lround(desc.lineHeight() * m_scale)));
    qf.setUnderline(false);
    qf.setStrikeOut(false);
    const QFontMetricsF metrics(qf);
    m_fonts.push_back(std::unique_ptr<FontEntry>(new FontEntry{
        desc, qf, {}, metrics.underlinePos(), metrics.strikeOutPos(), std::max(1.0, metrics.lineWidth())}));
    m_lastFont = m_fonts.back().get();
    return *m_lastFont;
}

const CallPainter::Shaped &CallPainter::shape(FontEntry &font, const QString &line)
{
    const auto found = font.shaped.constFind(line);
    if (found != font.shaped.cend())
        return *found;
    if (font.shaped.size() > 20000)
        font.shaped.clear();
    QTextLayout layout(line, font.font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    layout.endLayout();
    Shaped shaped;
    if (textLine.isValid()) {
        shaped.runs = layout.glyphRuns();
        shaped.ascent = textLine.ascent();
        shaped.width = textLine.naturalTextWidth();
    }
    return *font.shaped.insert(line, shaped);
}

void CallPainter::drawLine(const FontEntry &font, const Shaped &shaped, QPointF baseline)
{
    const QPointF origin(baseline.x(), baseline.y() - shaped.ascent);
    for (const QGlyphRun &run : shaped.runs)
        m_p.drawGlyphRun(origin, run);
    if ((font.desc.underline || font.desc.strikethrough) && shaped.width > 0) {
        const QColor color = m_p.pen().color();
        if (font.desc.underline)
            m_p.fillRect(QRectF(baseline.x(), baseline.y() + font.underlinePos, shaped.width, font.lineWidth), color);
        if (font.desc.strikethrough)
            m_p.fillRect(QRectF(baseline.x(), baseline.y() - font.strikeOutPos, shaped.width, font.lineWidth), color);
    }
}

void CallPainter::usePen(QRgb color, std::optional<double> width)
{
    // Text takes only the colour; it keeps whatever width the pen has.
    const double w = width ? std::max(*width * m_scale, 0.0) : m_penWidth;
    if (m_penSet && m_penColor == color && m_penWidth == w)
        return;
    QPen pen(QColor::fromRgb(color));
    pen.setWidthF(w);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    m_p.setPen(pen);
    m_penSet = true;
    m_penColor = color;
    m_penWidth = w;
}

void CallPainter::useFont(const FontEntry &font)
{
    if (m_fontSet == &font)
        return;
    m_p.setFont(font.font);
    m_fontSet = &font;
}

void CallPainter::useBrush(bool filled, QRgb color)
{
    if (m_brushSet && m_brushFilled == filled && (!filled || m_brushColor == color))
        return;
    m_p.setBrush(filled ? QBrush(QColor::fromRgb(color)) : QBrush(Qt::NoBrush));
    m_brushSet = true;
    m_brushFilled = filled;
    m_brushColor = color;
}

void CallPainter::paint(const Call &call)
{
    switch (call.kind) {
    case Call::Text: {
        FontEntry &f = fontFor(call.font);
        useFont(f);
        usePen(call.color, std::nullopt);
        const double em = call.font ? call.font->lineHeight() : 180;
        drawLine(f, shape(f, call.text), map(call.x1, call.y1 + 0.86 * em));
        break;
    }
    case Call::TextInRect: {
        if (call.text.isEmpty())
            break;
        FontEntry &f = fontFor(call.font);
        useFont(f);
        usePen(call.color, std::nullopt);
        const double em = (call.font ? call.font->lineHeight() : 180) * m_scale;
        const QPointF tl = map(call.x1, call.y1), br = map(call.x2, call.y2);
        const QRectF rect(tl, br);
        const QStringList lines = textLines(call.text);
        std::vector<const Shaped *> shaped;
        shaped.reserve(size_t(lines.size()));
        bool clip = double(lines.size()) * em > rect.height() + 0.01;
        for (const QString &line : lines) {
            shaped.push_back(&shape(f, line));
            clip = clip || shaped.back()->width > rect.width() + 0.01;
        }
        if (clip) {
            // save/restore keeps the pen, font and brush set above.
            m_p.save();
            m_p.setClipRect(rect, Qt::IntersectClip);
        }
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const double w = shaped[size_t(i)]->width;
            double x = rect.left();
            if (call.flags & DT_RIGHT)
                x = rect.right() - w;
            else if (call.flags & DT_CENTER)
                x = (rect.left() + rect.right() - w) / 2;
            drawLine(f, *shaped[size_t(i)], QPointF(x, rect.top() + double(i) * em + 0.86 * em));
        }
        if (clip)
            m_p.restore();
        break;
    }
    case Call::Line:
        usePen(call.color, call.penWidth);
        m_p.drawLine(map(call.x1, call.y1), map(call.x2, call.y2));
        break;
    case Call::Box:
    case Call::Circle:
    case Call::FilledBox: {
        usePen(call.color, call.penWidth);
        useBrush(call.filled, call.fillColor);
        const QRectF r = QRectF(map(call.x1, call.y1), map(call.x2, call.y2)).normalized();
        if (call.kind == Call::Circle)
            m_p.drawEllipse(r);
        else
            m_p.drawRect(r);
        break;
    }
    case Call::Picture: {
        if (!call.source || !call.source->picture)
            break;
        const Call::PictureSource &src = *call.source;
        const QImage &img = src.picture->image;
        const double naturalW = src.picture->widthHimetric() * 1440.0 / 2540.0;
        const double naturalH = src.picture->heightHimetric() * 1440.0 / 2540.0;
        if (naturalW <= 0 || naturalH <= 0)
            break;
        const double kx = img.width() / naturalW, ky = img.height() / naturalH;
        const QRectF from(src.sx * kx, src.sy * ky, src.sw * kx, src.sh * ky);
        m_p.drawImage(QRectF(map(call.x1, call.y1), map(call.x2, call.y2)), img, from);
        break;
    }
    case Call::NewPage:
    case Call::EndDoc:
    case Call::Cls:
        break;
    }
}

// --- PainterSurface --------------------------------------------------------------------------

namespace {

double twipsPerDeviceUnit(const QPaintDevice *device)
{
    const int dpi = device ? device->logicalDpiY() : 0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

} // namespace

PainterSurface::PainterSurface(QPaintDevice *device, double twipsPerPixel, double width, double height)
    : Surface(width, height, twipsPerPixel, twipsPerPixel), m_device(device)
{
}

PainterSurface::~PainterSurface()
{
    endPainter();
}

void PainterSurface::endPainter()
{
    m_callPainter.reset();
    if (m_painter.isActive())
        m_painter.end();
}

QString PainterSurface::deviceError() const
{
    return QStringLiteral("paint device failed");
}

bool PainterSurface::begin()
{
    if (m_painter.isActive())
        return true;
    if (m_ended || !m_device || !m_painter.begin(m_device)) {
        fail(deviceError());
        return false;
    }
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_callPainter = std::make_unique<CallPainter>(m_painter, 1.0 / twipsPerDeviceUnit(m_device));
    return true;
}

double PainterSurface::measure(const PrintFont &font, const QString &line) const
{
    return m_measurer.width(font, line);
}

void PainterSurface::emitCall(const Call &call)
{
    if (call.kind == Call::NewPage || call.kind == Call::EndDoc)
        return;
    if (!ok() || !begin())
        return;
    if (call.kind == Call::Cls) {
        if (m_device->devType() == QInternal::Image)
            m_painter.fillRect(QRect(0, 0, m_device->width(), m_device->height()), Qt::white);
        return;
    }
    m_callPainter->paint(call);
}

bool PainterSurface::startNewPage()
{
    // A new page before anything was drawn starts the job with a blank first page.
    if (!begin())
        return false;
    auto *paged = dynamic_cast<QPagedPaintDevice *>(m_device);
    if (paged && !paged->newPage()) {
        fail(deviceError());
        return false;
    }
    return true;
}

bool PainterSurface::finishDocument()
{
    if (!begin())
        return false;
    const bool ended = m_painter.end();
    m_callPainter.reset();
    m_ended = true;
    if (!ended)
        fail(deviceError());
    return ended;
}

// --- PdfSurface ------------------------------------------------------------------------------

PdfSurface::PdfSurface(QIODevice *out, const QString &title, bool landscape)
    : PainterSurface(nullptr, kTwipsPerPixel, landscape ? kA4Height : kA4Width, landscape ? kA4Width : kA4Height)
{
    m_writer = std::make_unique<QPdfWriter>(out);
    // Device units are twips: 1440 dots per inch.
    m_writer->setResolution(1440);
    m_writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                        landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                        QMarginsF(0, 0, 0, 0), QPageLayout::Point, QMarginsF(0, 0, 0, 0)));
    m_writer->setTitle(title);
    m_writer->setCreator(QStringLiteral("Scorvane"));
    setDevice(m_writer.get());
}

PdfSurface::~PdfSurface()
{
    endPainter();
}

} // namespace print
