#include "print/print_preview_view.h"

#include "print/painter_surface.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <cmath>

namespace print {

// picTarget: paints the part of the picture the scroll bars put in view, on the viewport's grey.
class PreviewView::Target : public QWidget {
public:
    explicit Target(PreviewView &view) : QWidget(&view), m_view(view)
    {
        setObjectName(QStringLiteral("picTarget"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter p(this);
        p.fillRect(event->rect(), palette().color(QPalette::Dark));
        const double left = double(m_view.m_h->value()) * kStep;
        const double top = double(m_view.m_v->value()) * kStep;
        const QRectF picture(-left / kTwipsPerPixel, -top / kTwipsPerPixel, m_view.pictureWidth() / kTwipsPerPixel,
                             m_view.pictureHeight() / kTwipsPerPixel);
        p.fillRect(picture.intersected(QRectF(event->rect())), Qt::white);
        if (!m_view.m_pages)
            return;
        const QRectF dirty(event->rect());
        const std::vector<int> calls =
            m_view.m_pages->callsBetween(top + dirty.top() * kTwipsPerPixel, top + dirty.bottom() * kTwipsPerPixel + 1);
        p.setClipRect(picture.intersected(dirty));
        p.setRenderHint(QPainter::TextAntialiasing);
        CallPainter painter(p, 1.0 / kTwipsPerPixel, QPointF(left, top));
        for (int i : calls)
            painter.paint(m_view.m_pages->calls()[size_t(i)]);
    }

private:
    PreviewView &m_view;
};

PreviewView::PreviewView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picScroll"));
    m_target = new Target(*this);
    m_h = new QScrollBar(Qt::Horizontal, this);
    m_h->setObjectName(QStringLiteral("hscScroll"));
    m_v = new QScrollBar(Qt::Vertical, this);
    m_v->setObjectName(QStringLiteral("vscScroll"));
    for (QScrollBar *bar : {m_h, m_v}) {
        bar->setSingleStep(1);
        connect(bar, &QScrollBar::valueChanged, m_target, qOverload<>(&QWidget::update));
    }
    setMinimumSize(120, 120);
    layoutBars();
}

PreviewView::~PreviewView() = default;

QWidget *PreviewView::picTarget() const
{
    return m_target;
}

double PreviewView::pictureWidth() const
{
    return m_pages ? m_pages->Width() : kA4Width;
}

double PreviewView::pictureHeight() const
{
    return m_pages ? m_pages->Height() : kA4Height;
}

void PreviewView::setPages(std::shared_ptr<const RecordingSurface> pages)
{
    m_pages = std::move(pages);
    layoutBars();
    m_target->update();
}

void PreviewView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutBars();
}

void PreviewView::wheelEvent(QWheelEvent *event)
{
    // The wheel scrolls the pages, as over the vertical bar.
    QCoreApplication::sendEvent(m_v, event);
}

void PreviewView::layoutBars()
{
    const int thick = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_h->setGeometry(0, height() - thick, std::max(0, width() - thick), thick);
    m_v->setGeometry(width() - thick, 0, thick, std::max(0, height() - thick));
    m_target->setGeometry(0, 0, std::max(0, width() - thick), std::max(0, height() - thick));
    // (picture − inner size + the other bar's thickness) ÷ 120 + 1, in whole steps, never below 0.
    const double thickTwips = double(thick) * kTwipsPerPixel;
    const auto maximum = [&](double picture, int inner) {
        return std::max(0, int(std::lround((picture - inner * kTwipsPerPixel + thickTwips) / kStep + 1)));
    };
    m_h->setMaximum(maximum(pictureWidth(), width()));
    m_v->setMaximum(maximum(pictureHeight(), height()));
    m_h->setPageStep(std::max(1, width() * kTwipsPerPixel / kStep));
    m_v->setPageStep(std::max(1, height() * kTwipsPerPixel / kStep));
}

} // namespace print
