#include "reports/viewer_toolbar.h"

#include "platform/report/page_preview.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

namespace reports {

ViewerToolBar::ViewerToolBar(report::PagePreview& preview, QWidget* parent)
    : QToolBar(parent), m_preview(preview) {
    setObjectName(QStringLiteral("tbViewer"));
    setIconSize(QSize(20, 20));
    setFloatable(false);
    setMovable(false);
    addPageControls();
    addSeparator();
    addZoomControls();
    connect(&m_preview, &report::PagePreview::currentPageChanged, this, &ViewerToolBar::showPage);
    connect(&m_preview, &report::PagePreview::zoomChanged, this, &ViewerToolBar::showZoom);
    showPage(m_preview.currentPage(), m_preview.pageCount());
    showZoom(m_preview.zoom());
}

template <typename Slot>
QAction* ViewerToolBar::addPictureAction(Picture which, const QString& objectName,
                                         const QString& text, Slot slot) {
    QAction* action = addAction(picture(which), text);
    action->setObjectName(objectName);
    connect(action, &QAction::triggered, &m_preview, slot);
    return action;
}

void ViewerToolBar::addPageControls() {
    using report::PagePreview;
    actFirstPage = addPictureAction(Picture::FirstPage, QStringLiteral("actFirstPage"),
                                    QStringLiteral("First Page"), &PagePreview::firstPage);
    actPreviousPage = addPictureAction(Picture::PreviousPage, QStringLiteral("actPreviousPage"),
                                       QStringLiteral("Previous Page"), &PagePreview::previousPage);
    txtPage = new QSpinBox(this);
    txtPage->setObjectName(QStringLiteral("txtPage"));
    txtPage->setToolTip(QStringLiteral("Page shown"));
    txtPage->setButtonSymbols(QAbstractSpinBox::NoButtons);
    txtPage->setAlignment(Qt::AlignRight);
    // Jump when the number is entered, not at each digit typed.
    txtPage->setKeyboardTracking(false);
    connect(txtPage, &QSpinBox::valueChanged, &m_preview, &PagePreview::setCurrentPage);
    addWidget(txtPage);
    lblPageCount = new QLabel(this);
    lblPageCount->setObjectName(QStringLiteral("lblPageCount"));
    lblPageCount->setContentsMargins(4, 0, 4, 0);
    addWidget(lblPageCount);
    actNextPage = addPictureAction(Picture::NextPage, QStringLiteral("actNextPage"),
                                   QStringLiteral("Next Page"), &PagePreview::nextPage);
    actLastPage = addPictureAction(Picture::LastPage, QStringLiteral("actLastPage"),
                                   QStringLiteral("Last Page"), &PagePreview::lastPage);
}

void ViewerToolBar::addZoomControls() {
    using report::PagePreview;
    actZoomOut = addPictureAction(Picture::ZoomOut, QStringLiteral("actZoomOut"),
                                  QStringLiteral("Zoom Out"), &PagePreview::zoomOut);
    lblZoom = new QLabel(this);
    lblZoom->setObjectName(QStringLiteral("lblZoom"));
    lblZoom->setAlignment(Qt::AlignCenter);
    lblZoom->setMinimumWidth(lblZoom->fontMetrics().horizontalAdvance(QStringLiteral(" 500% ")));
    addWidget(lblZoom);
    actZoomIn = addPictureAction(Picture::ZoomIn, QStringLiteral("actZoomIn"),
                                 QStringLiteral("Zoom In"), &PagePreview::zoomIn);
    actFitWidth = addPictureAction(Picture::FitWidth, QStringLiteral("actFitWidth"),
                                   QStringLiteral("Fit Width"), &PagePreview::fitToWidth);
}

void ViewerToolBar::showPage(int page, int count) {
    {
        // The preview already shows the page: no jump back to it.
        const QSignalBlocker quiet(txtPage);
        txtPage->setRange(count > 0 ? 1 : 0, count);
        txtPage->setValue(page);
    }
    const int digits = int(QString::number(std::max(count, 1)).size());
    txtPage->setFixedWidth(txtPage->fontMetrics().horizontalAdvance(QString(digits + 2, u'0')));
    txtPage->setEnabled(count > 1);
    lblPageCount->setText(QStringLiteral("of %1").arg(count));
    actFirstPage->setEnabled(page > 1);
    actPreviousPage->setEnabled(page > 1);
    actNextPage->setEnabled(page < count);
    actLastPage->setEnabled(page < count);
}

void ViewerToolBar::showZoom(double zoom) {
    lblZoom->setText(QStringLiteral("%1%").arg(qRound(zoom * 100)));
    actZoomOut->setEnabled(zoom > report::PagePreview::MinimumZoom);
    actZoomIn->setEnabled(zoom < report::PagePreview::MaximumZoom);
}

} // namespace reports
