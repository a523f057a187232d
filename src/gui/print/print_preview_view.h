#pragma once
// The preview of the print dialog: picScroll, a viewport with the scroll bars hscScroll (along
// the bottom) and vscScroll (along the right side), and picTarget, the picture inside it. The
// pages are kept as recorded drawings; only the part in view is painted. One scroll step is 120
// twips; the picture's left (top) is −120 × the bar's value. The zoom scales the painting (100 % is
// 15 twips per pixel); the pages are the picture's A4 pages, one under the other.
#include "core/print/recording_surface.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
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

    // Zoom: a factor (1 is 100 %), or fitted to the view's width or to one whole page, kept
    // fitted when the view is resized.
    enum class Fit { None, Width, Page };
    void setZoom(double factor);
    void setFit(Fit fit);
    double zoom() const { return m_zoom; }
    double twipsPerPixel() const { return kTwipsPerPixel / m_zoom; }

    // The pages of the picture (A4, portrait or landscape as the picture is wide), the one at the
    // top of the view (0-based), and scrolling a page's top into view.
    int pageCount() const;
    int currentPage() const;
    void showPage(int page);

    // The bar under the dialog's controls: 首页 上一页 下一页 末页, "第 N 页 共 M 页" and the zoom.
    QWidget *createNavigationBar(QWidget *parent);

signals:
    void viewChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    class Target;
    void layoutBars();
    double pageHeight() const;
    void applyFit();

    std::shared_ptr<const RecordingSurface> m_pages;
    QScrollBar *m_h = nullptr;
    QScrollBar *m_v = nullptr;
    Target *m_target = nullptr;
    double m_zoom = 1.0;
    Fit m_fit = Fit::None;
};

} // namespace print
