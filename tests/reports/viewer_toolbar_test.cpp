#include "platform/report/page_preview.h"
#include "reports/viewer_toolbar.h"

#include <QAction>
#include <QLabel>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

class BlankPages : public report::PageSource {
public:
    explicit BlankPages(int count) : m_count(count) {}
    int pageCount() const override { return m_count; }
    QSizeF pageSize() const override { return {11906, 16838}; } // A4, twips
    void drawPage(QPainter&, int) const override {}

private:
    int m_count;
};

class ViewerToolBarTest : public testing::Test {
protected:
    void SetUp() override {
        preview.resize(700, 900);
        preview.show();
        preview.setPages(std::make_shared<BlankPages>(5));
    }

    // What the toolbar shows of the page: the number, the count and which
    // of first, previous, next, last can be used.
    void expectPage(int page, const char* enabled) {
        EXPECT_EQ(preview.currentPage(), page);
        EXPECT_EQ(toolbar.txtPage->value(), page);
        EXPECT_EQ(toolbar.lblPageCount->text(), QStringLiteral("of 5"));
        const QString shown = QString::fromLatin1("%1%2%3%4")
                                  .arg(toolbar.actFirstPage->isEnabled() ? 'F' : '-')
                                  .arg(toolbar.actPreviousPage->isEnabled() ? 'P' : '-')
                                  .arg(toolbar.actNextPage->isEnabled() ? 'N' : '-')
                                  .arg(toolbar.actLastPage->isEnabled() ? 'L' : '-');
        EXPECT_EQ(shown, QLatin1String(enabled));
    }

    report::PagePreview preview;
    reports::ViewerToolBar toolbar{preview};
};

} // namespace

TEST_F(ViewerToolBarTest, NavigatesAndFollowsThePreview) {
    expectPage(1, "--NL");
    toolbar.actNextPage->trigger();
    expectPage(2, "FPNL");
    toolbar.actLastPage->trigger();
    expectPage(5, "FP--");
    toolbar.actPreviousPage->trigger();
    expectPage(4, "FPNL");
    toolbar.txtPage->setValue(3);
    expectPage(3, "FPNL");
    preview.firstPage(); // the preview's own keys and scrolling
    expectPage(1, "--NL");
    toolbar.txtPage->setValue(99);
    expectPage(5, "FP--");
}

TEST_F(ViewerToolBarTest, ZoomsAndFitsTheWidth) {
    preview.setZoom(1.0);
    EXPECT_EQ(toolbar.lblZoom->text(), QStringLiteral("100%"));
    toolbar.actZoomIn->trigger();
    EXPECT_EQ(toolbar.lblZoom->text(), QStringLiteral("125%"));
    toolbar.actZoomOut->trigger();
    toolbar.actZoomOut->trigger();
    EXPECT_EQ(toolbar.lblZoom->text(), QStringLiteral("80%"));
    EXPECT_FALSE(preview.fitsWidth());
    toolbar.actFitWidth->trigger();
    EXPECT_TRUE(preview.fitsWidth());
    EXPECT_EQ(toolbar.lblZoom->text(), QStringLiteral("%1%").arg(qRound(preview.zoom() * 100)));

    preview.setZoom(report::PagePreview::MaximumZoom);
    EXPECT_FALSE(toolbar.actZoomIn->isEnabled());
    EXPECT_TRUE(toolbar.actZoomOut->isEnabled());
    preview.setZoom(report::PagePreview::MinimumZoom);
    EXPECT_TRUE(toolbar.actZoomIn->isEnabled());
    EXPECT_FALSE(toolbar.actZoomOut->isEnabled());
}
