#include "core/print/recording_surface.h"

#include <algorithm>
#include <cmath>

namespace print {

namespace {

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

} // namespace

RecordingSurface::RecordingSurface(Measure measure, double twipsPerPixel, double width, double height)
    : Surface(width, height, twipsPerPixel, twipsPerPixel), m_measure(measure)
{
}

RecordingSurface::~RecordingSurface() = default;

void RecordingSurface::setWidth(double twips)
{
    m_width = std::max(0.0, twips);
}

void RecordingSurface::setHeight(double twips)
{
    m_height = std::max(0.0, twips);
    m_indexed = false;
    m_bands.clear();
}

double RecordingSurface::measure(const PrintFont &font, const QString &line) const
{
    if (m_measure == Measure::Fonts)
        return m_measurer.width(font, line);
    double ems = 0;
    for (char32_t c : line.toUcs4())
        ems += isWide(c) ? 1.0 : 0.5;
    return ems * font.lineHeight();
}

void RecordingSurface::emitCall(const Call &call)
{
    if (call.kind == Call::Cls) {
        m_calls.clear();
        m_newPages = 0;
    } else if (call.kind == Call::NewPage) {
        ++m_newPages;
    }
    m_calls.push_back(call);
    m_indexed = false;
    m_bands.clear();
}

bool RecordingSurface::hasDrawing() const
{
    return std::any_of(m_calls.begin(), m_calls.end(), [](const Call &c) {
        return c.kind != Call::NewPage && c.kind != Call::EndDoc && c.kind != Call::Cls &&
               !(c.kind == Call::TextInRect && c.text.isEmpty());
    });
}

void RecordingSurface::indexBands() const
{
    m_bands.clear();
    // Nothing beyond the picture is ever in view, however far a call reaches: a stray coordinate
    // (a template's, say) must not make the index huge.
    const long lastBand = long(std::ceil(m_height / kBand));
    for (int i = 0; i < int(m_calls.size()); ++i) {
        const Call &c = m_calls[size_t(i)];
        if (c.kind == Call::NewPage || c.kind == Call::EndDoc || c.kind == Call::Cls)
            continue;
        // A pen reaches half its width beyond the line.
        const double top = std::min(c.y1, c.y2) - c.penWidth, bottom = std::max(c.y1, c.y2) + c.penWidth;
        const long first = long(std::clamp(std::floor(top / kBand), 0.0, double(lastBand)));
        const long last = long(std::clamp(std::floor(bottom / kBand), double(first), double(lastBand)));
        if (last >= long(m_bands.size()))
            m_bands.resize(size_t(last) + 1);
        for (long b = first; b <= last; ++b)
            m_bands[size_t(b)].push_back(i);
    }
    m_indexed = true;
}

std::vector<int> RecordingSurface::callsBetween(double top, double bottom) const
{
    if (!m_indexed)
        indexBands();
    std::vector<int> found;
    if (bottom <= top || m_bands.empty())
        return found;
    const long first = std::max(0L, long(std::floor(top / kBand)));
    const long last = std::min(long(m_bands.size()) - 1, long(std::floor(bottom / kBand)));
    for (long b = first; b <= last; ++b)
        found.insert(found.end(), m_bands[size_t(b)].begin(), m_bands[size_t(b)].end());
    // A call reaching over several bands appears once, in drawing order.
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

void RecordingSurface::playOnto(Surface &target) const
{
    for (const Call &c : m_calls) {
        if (!target.ok())
            return;
        target.play(c);
    }
}

} // namespace print
