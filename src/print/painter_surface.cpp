#include "print/painter_surface.h"

#include <QFontMetricsF>
#include <QIODevice>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <cmath>

namespace print {

// --- CallPainter -----------------------------------------------------------------------------

struct CallPainter::FontEntry {
    FontSpec spec;
    QFont font;
    QFontMetricsF metrics;
};

CallPainter::CallPainter(QPainter &painter, double scale, QPointF origin)
    : m_p(painter), m_scale(scale > 0 ? scale : 1), m_origin(origin)
{
}

CallPainter::~CallPainter() = default;

const CallPainter::FontEntry &CallPainter::fontFor(const std::shared_ptr<const FontSpec> &font)
{
    static const FontSpec fallback;
    const FontSpec &spec = font ? *font : fallback;
    if (m_lastFont && m_lastSpec == font)
        return *m_lastFont;
    m_lastSpec = font;
    for (const auto &e : m_fonts)
        if (e->spec == spec) {
            m_lastFont = e.get();
            return *e;
        }
    if (m_fonts.size() > 32)
        m_fonts.erase(m_fonts.begin());
    const QFont qf = toQFont(spec, int(std::lround(spec.lineHeight() * m_scale)));
    m_fonts.push_back(std::unique_ptr<FontEntry>(new FontEntry{spec, qf, QFontMetricsF(qf)}));
    m_lastFont = m_fonts.back().get();
    return *m_lastFont;
}

void CallPainter::setPen(const Call &call)
{
    QPen pen(QColor::fromRgb(call.color));
    pen.setWidthF(std::max(call.penWidth * m_scale, 0.0));
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    m_p.setPen(pen);
}

void CallPainter::paint(const Call &call)
{
    switch (call.kind) {
    case Call::Text: {
        const FontEntry &f = fontFor(call.font);
        m_p.setFont(f.font);
        m_p.setPen(QColor::fromRgb(call.color));
        const double em = call.font ? call.font->lineHeight() : 180;
        m_p.drawText(map(call.x1, call.y1 + 0.86 * em), call.text);
        break;
    }
    case Call::TextInRect: {
        if (call.text.isEmpty())
            break;
        const FontEntry &f = fontFor(call.font);
        m_p.setFont(f.font);
        m_p.setPen(QColor::fromRgb(call.color));
        const double em = (call.font ? call.font->lineHeight() : 180) * m_scale;
        const QPointF tl = map(call.x1, call.y1), br = map(call.x2, call.y2);
        const QRectF rect(tl, br);
        const QStringList lines = textLines(call.text);
        std::vector<double> widths;
        widths.reserve(size_t(lines.size()));
        bool clip = double(lines.size()) * em > rect.height() + 0.01;
        for (const QString &line : lines) {
            widths.push_back(f.metrics.horizontalAdvance(line));
            clip = clip || widths.back() > rect.width() + 0.01;
        }
        if (clip) {
            m_p.save();
            m_p.setClipRect(rect, Qt::IntersectClip);
        }
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const double w = widths[size_t(i)];
            double x = rect.left();
            if (call.flags & DT_RIGHT)
                x = rect.right() - w;
            else if (call.flags & DT_CENTER)
                x = (rect.left() + rect.right() - w) / 2;
            m_p.drawText(QPointF(x, rect.top() + double(i) * em + 0.86 * em), lines[i]);
        }
        if (clip)
            m_p.restore();
        break;
    }
    case Call::Line:
        setPen(call);
        m_p.drawLine(map(call.x1, call.y1), map(call.x2, call.y2));
        break;
    case Call::Box:
    case Call::Circle: {
        setPen(call);
        m_p.setBrush(call.filled ? QBrush(QColor::fromRgb(call.fillColor)) : QBrush(Qt::NoBrush));
        const QRectF r = QRectF(map(call.x1, call.y1), map(call.x2, call.y2)).normalized();
        if (call.kind == Call::Box)
            m_p.drawRect(r);
        else
            m_p.drawEllipse(r);
        m_p.setBrush(Qt::NoBrush);
        break;
    }
    case Call::FilledBox: {
        setPen(call);
        m_p.setBrush(QColor::fromRgb(call.fillColor));
        m_p.drawRect(QRectF(map(call.x1, call.y1), map(call.x2, call.y2)).normalized());
        m_p.setBrush(Qt::NoBrush);
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

double PainterSurface::measure(const FontSpec &font, const QString &line) const
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

PdfSurface::PdfSurface(QIODevice *out, const QString &title) : PainterSurface(nullptr, kTwipsPerPixel)
{
    m_writer = std::make_unique<QPdfWriter>(out);
    // Device units are twips: 1440 dots per inch.
    m_writer->setResolution(1440);
    m_writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                        QPageLayout::Point, QMarginsF(0, 0, 0, 0)));
    m_writer->setTitle(title);
    m_writer->setCreator(QStringLiteral("Scorvane"));
    setDevice(m_writer.get());
}

PdfSurface::~PdfSurface()
{
    endPainter();
}

} // namespace print
