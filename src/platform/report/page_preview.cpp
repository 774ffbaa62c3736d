#include "platform/report/page_preview.h"

#include "platform/report/page_style.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace report {

namespace {

constexpr int kGap = 16; // pixels around and between pages
constexpr double kZoomStep = 1.25;
const QColor kBackdrop(0x6e, 0x74, 0x7c);
const QColor kShadow(0x3c, 0x40, 0x46);

} // namespace

PagePreview::PagePreview(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void PagePreview::setPages(std::shared_ptr<const PageSource> pages) {
    m_pages = std::move(pages);
    if (m_fitWidth)
        fitToWidth();
    updateScrollBars();
    m_currentPage = 0; // so that the new count is announced
    setCurrentPage(1);
    viewport()->update();
}

int PagePreview::pageCount() const {
    return m_pages ? m_pages->pageCount() : 0;
}

double PagePreview::pixelsPerTwip() const {
    return m_zoom * report::pixelsPerTwip(logicalDpiX());
}

QSize PagePreview::pagePixels() const {
    if (!m_pages)
        return {};
    const QSizeF size = m_pages->pageSize() * pixelsPerTwip();
    return {std::max(1, qRound(size.width())), std::max(1, qRound(size.height()))};
}

int PagePreview::pageStride() const {
    return pagePixels().height() + kGap;
}

int PagePreview::pageLeft() const {
    const int free = viewport()->width() - pagePixels().width();
    return (free > 2 * kGap ? free / 2 : kGap) - horizontalScrollBar()->value();
}

void PagePreview::setZoom(double zoom) {
    m_fitWidth = false;
    applyZoom(zoom);
}

void PagePreview::zoomIn() {
    setZoom(m_zoom * kZoomStep);
}

void PagePreview::zoomOut() {
    setZoom(m_zoom / kZoomStep);
}

void PagePreview::fitToWidth() {
    m_fitWidth = true;
    if (!m_pages)
        return;
    const double paperPixels = m_pages->pageSize().width() * report::pixelsPerTwip(logicalDpiX());
    applyZoom((viewport()->width() - 2 * kGap) / paperPixels);
}

// Keeps the current page in view across the change of scale.
void PagePreview::applyZoom(double zoom) {
    const double clamped = std::clamp(zoom, MinimumZoom, MaximumZoom);
    const int page = m_currentPage;
    const bool changed = !qFuzzyCompare(clamped, m_zoom);
    m_zoom = clamped;
    updateScrollBars();
    if (page > 0)
        setCurrentPage(page);
    viewport()->update();
    if (changed)
        emit zoomChanged(m_zoom);
}

void PagePreview::updateScrollBars() {
    const QSize page = pagePixels();
    const int height = pageCount() * pageStride() + kGap;
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 20));
    const int width = page.width() + 2 * kGap;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 20));
}

void PagePreview::setCurrentPage(int page) {
    if (pageCount() == 0) {
        setCurrent(0);
        return;
    }
    const int target = std::clamp(page, 1, pageCount());
    m_navigating = true;
    verticalScrollBar()->setValue((target - 1) * pageStride());
    m_navigating = false;
    setCurrent(target);
}

void PagePreview::firstPage() {
    setCurrentPage(1);
}

void PagePreview::previousPage() {
    setCurrentPage(m_currentPage - 1);
}

void PagePreview::nextPage() {
    setCurrentPage(m_currentPage + 1);
}

void PagePreview::lastPage() {
    setCurrentPage(pageCount());
}

void PagePreview::setCurrent(int page) {
    if (page == m_currentPage)
        return;
    m_currentPage = page;
    emit currentPageChanged(m_currentPage, pageCount());
}

// The current page is the one that fills most of the top of the view.
void PagePreview::followScroll() {
    if (m_navigating || pageCount() == 0)
        return;
    const int stride = pageStride();
    setCurrent(
        std::clamp((verticalScrollBar()->value() + stride / 2) / stride + 1, 1, pageCount()));
}

void PagePreview::scrollContentsBy(int, int) {
    followScroll();
    viewport()->update();
}

void PagePreview::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_fitWidth)
        fitToWidth();
    else
        updateScrollBars();
}

void PagePreview::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kBackdrop);
    if (pageCount() == 0)
        return;
    const QSize size = pagePixels();
    const int stride = pageStride();
    const int top = verticalScrollBar()->value();
    const int first = std::max(0, (top - kGap) / stride);
    const int last = std::min(pageCount() - 1, (top + viewport()->height()) / stride);
    const double scale = pixelsPerTwip();
    for (int index = first; index <= last; ++index) {
        const QRect page(QPoint(pageLeft(), kGap + index * stride - top), size);
        if (!page.intersects(viewport()->rect()))
            continue;
        painter.fillRect(page.translated(3, 3), kShadow);
        painter.fillRect(page, Qt::white);
        painter.save();
        painter.setClipRect(page);
        painter.translate(page.topLeft());
        painter.scale(scale, scale);
        m_pages->drawPage(painter, index);
        painter.restore();
    }
}

void PagePreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Home:
        firstPage();
        break;
    case Qt::Key_End:
        lastPage();
        break;
    case Qt::Key_PageUp:
        previousPage();
        break;
    case Qt::Key_PageDown:
        nextPage();
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void PagePreview::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    if (event->angleDelta().y() > 0)
        zoomIn();
    else if (event->angleDelta().y() < 0)
        zoomOut();
    event->accept();
}

} // namespace report
