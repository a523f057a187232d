#include "gui/print/print_preview_view.h"

#include "core/print/painter_surface.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
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
        const double tpp = m_view.twipsPerPixel();
        const double left = double(m_view.m_h->value()) * kStep;
        const double top = double(m_view.m_v->value()) * kStep;
        const QRectF picture(-left / tpp, -top / tpp, m_view.pictureWidth() / tpp, m_view.pictureHeight() / tpp);
        p.fillRect(picture.intersected(QRectF(event->rect())), Qt::white);
        if (!m_view.m_pages)
            return;
        const QRectF dirty(event->rect());
        const std::vector<int> calls =
            m_view.m_pages->callsBetween(top + dirty.top() * tpp, top + dirty.bottom() * tpp + 1);
        p.setClipRect(picture.intersected(dirty));
        p.setRenderHint(QPainter::TextAntialiasing);
        CallPainter painter(p, 1.0 / tpp, QPointF(left, top));
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
        connect(bar, &QScrollBar::valueChanged, this, &PreviewView::viewChanged);
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
    applyFit();
    layoutBars();
    m_target->update();
    emit viewChanged();
}

void PreviewView::setZoom(double factor)
{
    m_fit = Fit::None;
    // The page under the view's top stays in view.
    const int page = currentPage();
    m_zoom = std::clamp(factor, 0.1, 4.0);
    layoutBars();
    showPage(page);
    m_target->update();
}

void PreviewView::setFit(Fit fit)
{
    const int page = currentPage();
    m_fit = fit;
    applyFit();
    layoutBars();
    showPage(page);
    m_target->update();
}

void PreviewView::applyFit()
{
    if (m_fit == Fit::None)
        return;
    const int thick = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const double innerWidth = std::max(1, width() - thick), innerHeight = std::max(1, height() - thick);
    const double byWidth = innerWidth * kTwipsPerPixel / pictureWidth();
    const double byPage = std::min(byWidth, innerHeight * kTwipsPerPixel / pageHeight());
    m_zoom = std::clamp(m_fit == Fit::Width ? byWidth : byPage, 0.1, 4.0);
}

double PreviewView::pageHeight() const
{
    return pictureWidth() > kA4Width ? kA4Width : kA4Height;
}

int PreviewView::pageCount() const
{
    return std::max(1, int(std::lround(pictureHeight() / pageHeight())));
}

int PreviewView::currentPage() const
{
    // A page whose top is within one step of the view's top is the current one; scrolled to the
    // end, the last page is (its top may never reach the view's top).
    if (m_v->maximum() > 0 && m_v->value() >= m_v->maximum())
        return pageCount() - 1;
    const double top = double(m_v->value() + 1) * kStep;
    return std::clamp(int(top / pageHeight()), 0, pageCount() - 1);
}

void PreviewView::showPage(int page)
{
    page = std::clamp(page, 0, pageCount() - 1);
    m_v->setValue(int(std::lround(page * pageHeight() / kStep)));
    emit viewChanged();
}

QWidget *PreviewView::createNavigationBar(QWidget *parent)
{
    auto *bar = new QWidget(parent);
    bar->setObjectName(QStringLiteral("previewBar"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 0, 6, 0);
    const auto button = [&](const char *name, const QString &text, auto target) {
        auto *b = new QPushButton(text, bar);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, target] { showPage(target(currentPage())); });
        row->addWidget(b);
        return b;
    };
    auto *first = button("cmdFirstPage", QStringLiteral("首页"), [](int) { return 0; });
    auto *previous = button("cmdPreviousPage", QStringLiteral("上一页"), [](int p) { return p - 1; });
    auto *next = button("cmdNextPage", QStringLiteral("下一页"), [](int p) { return p + 1; });
    auto *last = button("cmdLastPage", QStringLiteral("末页"), [this](int) { return pageCount() - 1; });
    auto *label = new QLabel(bar);
    label->setObjectName(QStringLiteral("lblPage"));
    row->addWidget(label);
    row->addStretch();
    row->addWidget(new QLabel(QStringLiteral("显示比例："), bar));
    auto *zoom = new QComboBox(bar);
    zoom->setObjectName(QStringLiteral("cboZoom"));
    zoom->addItems({QStringLiteral("适合宽度"), QStringLiteral("整页"), QStringLiteral("50%"), QStringLiteral("75%"),
                    QStringLiteral("100%"), QStringLiteral("125%"), QStringLiteral("150%"), QStringLiteral("200%")});
    zoom->setCurrentText(QStringLiteral("100%"));
    connect(zoom, &QComboBox::currentIndexChanged, this, [this, zoom](int index) {
        if (index == 0)
            setFit(Fit::Width);
        else if (index == 1)
            setFit(Fit::Page);
        else
            setZoom(zoom->itemText(index).chopped(1).toDouble() / 100);
    });
    row->addWidget(zoom);
    const auto update = [=, this] {
        const int page = currentPage(), count = pageCount();
        label->setText(QStringLiteral("第 %1 页 共 %2 页").arg(page + 1).arg(count));
        first->setEnabled(page > 0);
        previous->setEnabled(page > 0);
        next->setEnabled(page < count - 1);
        last->setEnabled(page < count - 1);
    };
    connect(this, &PreviewView::viewChanged, bar, update);
    update();
    return bar;
}

void PreviewView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyFit();
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
    const double tpp = twipsPerPixel();
    const double thickTwips = double(thick) * tpp;
    const auto maximum = [&](double picture, int inner) {
        return std::max(0, int(std::lround((picture - inner * tpp + thickTwips) / kStep + 1)));
    };
    m_h->setMaximum(maximum(pictureWidth(), width()));
    m_v->setMaximum(maximum(pictureHeight(), height()));
    m_h->setPageStep(std::max(1, int(width() * tpp / kStep)));
    m_v->setPageStep(std::max(1, int(height() * tpp / kStep)));
}

} // namespace print
