#pragma once
// The preview of the print dialog: picScroll, a viewport with the scroll bars hscScroll (along
// the bottom) and vscScroll (along the right side), and picTarget, the picture inside it. The
// pages are kept as recorded drawings; only the part in view is painted. One scroll step is 120
// twips; the picture's left (top) is −120 × the bar's value.
#include "print/recording_surface.h"

#include <QWidget>
#include <memory>

class QScrollBar;

namespace print {

class PreviewView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kStep = 120; // twips per scroll step

    explicit PreviewView(QWidget *parent = nullptr);
    ~PreviewView() override;

    // Shows a new preview (laid out at 15 twips per pixel); null shows an empty page.
    void setPages(std::shared_ptr<const RecordingSurface> pages);
    const RecordingSurface *pages() const { return m_pages.get(); }

    QScrollBar *hscScroll() const { return m_h; }
    QScrollBar *vscScroll() const { return m_v; }
    QWidget *picTarget() const;
    // The picture's size in twips (one A4 page per page of the preview).
    double pictureWidth() const;
    double pictureHeight() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    class Target;
    void layoutBars();

    std::shared_ptr<const RecordingSurface> m_pages;
    QScrollBar *m_h = nullptr;
    QScrollBar *m_v = nullptr;
    Target *m_target = nullptr;
};

} // namespace print
