#pragma once
// A surface that keeps every drawing call in twips. Tests assert layouts on it by numbers; the
// print routines lay a job out on one first and play it onto the printer or PDF only when the
// layout succeeded; the preview keeps its pages as one and paints only the part in view.
#include "core/print/surface.h"

#include <vector>

namespace print {

class RecordingSurface : public Surface {
public:
    // Fixed: deterministic widths without fonts (a CJK or full-width character is one em wide,
    // any other half an em), for tests. Fonts: widths from the real fonts, for real output.
    enum class Measure { Fixed, Fonts };

    explicit RecordingSurface(Measure measure = Measure::Fixed, double twipsPerPixel = 15, double width = kA4Width,
                              double height = kA4Height);
    ~RecordingSurface() override;

    // The recording has no pages of its own; it may be made wider or taller (the preview).
    void setWidth(double twips) override;
    void setHeight(double twips) override;

    // Every call since the last Cls (which is kept as the first call).
    const CallList &calls() const { return m_calls; }
    // Pages: one more than the NewPage calls.
    int pageCount() const { return m_newPages + 1; }
    // Whether anything visible was drawn (text, lines, boxes, circles, pictures).
    bool hasDrawing() const;
    // Indices of the calls that reach into the band [top, bottom) of twips, in drawing order.
    std::vector<int> callsBetween(double top, double bottom) const;
    // Plays every call onto `target` in order (a printer or PDF surface).
    void playOnto(Surface &target) const;

protected:
    double measure(const PrintFont &font, const QString &line) const override;
    void emitCall(const Call &call) override;

private:
    void indexBands() const;

    Measure m_measure;
    TextMeasurer m_measurer;
    CallList m_calls;
    int m_newPages = 0;
    // Calls by band of kBand twips, built when first asked for.
    mutable std::vector<std::vector<int>> m_bands;
    mutable bool m_indexed = false;
    static constexpr double kBand = 2000;
};

} // namespace print
