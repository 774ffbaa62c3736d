#include "platform/report/page_preview.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <set>

namespace {

// Pages that only count which of them were drawn.
class CountingPages : public report::PageSource {
public:
    explicit CountingPages(int count) : m_count(count) {}

    int pageCount() const override { return m_count; }
    QSizeF pageSize() const override { return {11906, 16838}; } // A4, twips
    void drawPage(QPainter&, int index) const override { drawn.insert(index); }

    mutable std::multiset<int> drawn;

private:
    int m_count;
};

class PagePreviewTest : public testing::Test {
protected:
    void SetUp() override {
        preview.resize(700, 900);
        preview.setPages(pages);
        preview.setZoom(1.0);
        preview.show();
    }

    // Paints the preview now; the pages it drew.
    std::multiset<int> paint() {
        pages->drawn.clear();
        preview.grab();
        return pages->drawn;
    }

    std::shared_ptr<CountingPages> pages = std::make_shared<CountingPages>(5000);
    report::PagePreview preview;
};

} // namespace

TEST_F(PagePreviewTest, DrawsOnlyThePagesInView) {
    const std::multiset<int> first = paint();
    ASSERT_FALSE(first.empty());
    EXPECT_LE(first.size(), 2u);
    EXPECT_EQ(*first.begin(), 0);

    preview.lastPage();
    EXPECT_EQ(preview.currentPage(), 5000);
    const std::multiset<int> last = paint();
    ASSERT_FALSE(last.empty());
    EXPECT_LE(last.size(), 2u);
    EXPECT_EQ(*last.rbegin(), 4999);

    preview.setZoom(0.1);
    const std::multiset<int> small = paint();
    EXPECT_GT(small.size(), 2u) << "a small zoom shows several pages";
    EXPECT_LT(small.size(), 20u);
}

TEST_F(PagePreviewTest, NavigatesPageByPage) {
    QSignalSpy changed(&preview, &report::PagePreview::currentPageChanged);
    EXPECT_EQ(preview.currentPage(), 1);
    preview.nextPage();
    preview.nextPage();
    EXPECT_EQ(preview.currentPage(), 3);
    EXPECT_EQ(*paint().begin(), 2);
    preview.previousPage();
    EXPECT_EQ(preview.currentPage(), 2);
    preview.firstPage();
    preview.previousPage();
    EXPECT_EQ(preview.currentPage(), 1);
    preview.setCurrentPage(42);
    EXPECT_EQ(*paint().begin(), 41);
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(changed.last().at(1).toInt(), 5000);

    // Scrolling by hand moves the current page along.
    preview.verticalScrollBar()->setValue(preview.verticalScrollBar()->value() * 2);
    EXPECT_GT(preview.currentPage(), 80);
}

TEST_F(PagePreviewTest, ZoomsWithinBoundsAndFitsTheWidth) {
    preview.setCurrentPage(10);
    preview.zoomIn();
    EXPECT_NEAR(preview.zoom(), 1.25, 1e-9);
    EXPECT_EQ(preview.currentPage(), 10) << "zooming keeps the page";
    for (int i = 0; i < 30; ++i)
        preview.zoomOut();
    EXPECT_DOUBLE_EQ(preview.zoom(), report::PagePreview::MinimumZoom);

    preview.fitToWidth();
    EXPECT_TRUE(preview.fitsWidth());
    const double narrow = preview.zoom();
    preview.resize(1400, 900);
    EXPECT_NEAR(preview.zoom() / narrow, 2.0, 0.1) << "fits again when resized";
    EXPECT_EQ(preview.horizontalScrollBar()->maximum(), 0);
    preview.zoomIn();
    EXPECT_FALSE(preview.fitsWidth());
}
