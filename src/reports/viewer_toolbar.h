#pragma once

#include "reports/report_pictures.h"

#include <QToolBar>

class QLabel;
class QSpinBox;

namespace report {
class PagePreview;
}

namespace reports {

// The page preview's own controls: page navigation with the page number,
// zoom and fit to width. They follow the preview as it scrolls and zooms.
class ViewerToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit ViewerToolBar(report::PagePreview& preview, QWidget* parent = nullptr);

    QAction* actFirstPage = nullptr;
    QAction* actPreviousPage = nullptr;
    QSpinBox* txtPage = nullptr;
    QLabel* lblPageCount = nullptr;
    QAction* actNextPage = nullptr;
    QAction* actLastPage = nullptr;
    QAction* actZoomOut = nullptr;
    QLabel* lblZoom = nullptr;
    QAction* actZoomIn = nullptr;
    QAction* actFitWidth = nullptr;

private:
    template <typename Slot>
    QAction* addPictureAction(Picture which, const QString& objectName, const QString& text,
                              Slot slot);
    void addPageControls();
    void addZoomControls();
    void showPage(int page, int count);
    void showZoom(double zoom);

    report::PagePreview& m_preview;
};

} // namespace reports
