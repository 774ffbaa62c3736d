#pragma once

#include "platform/report/page_source.h"

#include <QAbstractScrollArea>
#include <memory>

namespace report {

// A preview of pages, one under the other, that draws only the pages in
// view: a large report has thousands. Zoom 1 shows the paper at its real size
// on the screen.
class PagePreview : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit PagePreview(QWidget* parent = nullptr);

    void setPages(std::shared_ptr<const PageSource> pages);
    int pageCount() const;
    // 1-based; 0 without pages.
    int currentPage() const { return m_currentPage; }

    double zoom() const { return m_zoom; }
    bool fitsWidth() const { return m_fitWidth; }

    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    // Zooms so that a page fills the width, and keeps it so when resized.
    void fitToWidth();

    // Scrolls so that the page (1-based) starts at the top.
    void setCurrentPage(int page);
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();

    static constexpr double MinimumZoom = 0.1;
    static constexpr double MaximumZoom = 5.0;

signals:
    void currentPageChanged(int page, int count);
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    double pixelsPerTwip() const;
    QSize pagePixels() const;
    int pageStride() const;
    int pageLeft() const;
    void applyZoom(double zoom);
    void updateScrollBars();
    void followScroll();
    void setCurrent(int page);

    std::shared_ptr<const PageSource> m_pages;
    double m_zoom = 1.0;
    bool m_fitWidth = false;
    int m_currentPage = 0;
    bool m_navigating = false;
};

} // namespace report
