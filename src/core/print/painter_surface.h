#pragma once
// Surfaces that paint with QPainter: any paint device (a printer, a PDF writer, an image), and
// the painting of recorded calls, which the preview uses for the part in view.
#include "core/print/surface.h"

#include <QPainter>
#include <QPointF>
#include <memory>
#include <vector>

class QPaintDevice;
class QIODevice;
class QPdfWriter;

namespace print {

// Paints recorded calls with an active painter: `scale` device units per twip, `origin` the point
// in twips that lands on the device's (0, 0). Text is placed by its line height (size × 20 twips),
// its baseline 0.86 em below the line's top, so every device shows the same layout.
class CallPainter {
public:
    CallPainter(QPainter &painter, double scale, QPointF origin = {});
    ~CallPainter();
    void paint(const Call &call);

private:
    struct FontEntry;
    struct Shaped;
    FontEntry &fontFor(const std::shared_ptr<const PrintFont> &font);
    // A line of text laid out once per font: table cells repeat the same few scores thousands of
    // times, and shaping is most of what drawing text costs.
    const Shaped &shape(FontEntry &font, const QString &line);
    void drawLine(const FontEntry &font, const Shaped &shaped, QPointF baseline);
    QPointF map(double x, double y) const { return {(x - m_origin.x()) * m_scale, (y - m_origin.y()) * m_scale}; }
    // The painter's pen, font and brush change only when a call needs other ones: a device such
    // as the PDF writer puts every change into the document.
    void usePen(QRgb color, std::optional<double> width);
    void useFont(const FontEntry &font);
    void useBrush(bool filled, QRgb color);

    QPainter &m_p;
    double m_scale;
    QPointF m_origin;
    std::vector<std::unique_ptr<FontEntry>> m_fonts;
    // The last font object, held so its address cannot be reused by another while remembered.
    std::shared_ptr<const PrintFont> m_lastObject;
    FontEntry *m_lastFont = nullptr;
    const FontEntry *m_fontSet = nullptr;
    bool m_penSet = false;
    QRgb m_penColor = 0;
    double m_penWidth = 0;
    bool m_brushSet = false;
    bool m_brushFilled = false;
    QRgb m_brushColor = 0;
};

// Draws on a paint device: the painter begins with the first call (the first print starts the
// job), new pages go to a paged device (printer, PDF writer), EndDoc ends the painter.
class PainterSurface : public Surface {
public:
    // `twipsPerPixel` is the size of one pixel for ScaleMode 3 and line widths; the device's
    // resolution maps twips to device units.
    PainterSurface(QPaintDevice *device, double twipsPerPixel, double width = kA4Width, double height = kA4Height);
    ~PainterSurface() override;

protected:
    double measure(const PrintFont &font, const QString &line) const override;
    void emitCall(const Call &call) override;
    bool startNewPage() override;
    bool finishDocument() override;
    // The message a failing device leaves.
    virtual QString deviceError() const;
    bool begun() const { return m_painter.isActive(); }
    void endPainter();
    // For a device made after the surface (the PDF writer).
    void setDevice(QPaintDevice *device) { m_device = device; }

private:
    bool begin();

    QPaintDevice *m_device;
    QPainter m_painter;
    std::unique_ptr<CallPainter> m_callPainter;
    TextMeasurer m_measurer;
    bool m_ended = false;
};

// A PDF document in A4 portrait (595 × 842 pt) or landscape, drawn on the whole paper, so (0, 0)
// is the paper's corner. One pixel is 1/300 inch (4.8 twips); copies, duplex and quality do not
// apply.
class PdfSurface : public PainterSurface {
public:
    static constexpr double kTwipsPerPixel = 4.8;
    // Writes to `out`, which must be open for writing.
    PdfSurface(QIODevice *out, const QString &title, bool landscape = false);
    ~PdfSurface() override;

private:
    std::unique_ptr<QPdfWriter> m_writer;
};

} // namespace print
