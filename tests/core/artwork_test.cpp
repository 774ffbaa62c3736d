#include "core/artwork.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace {

// Counts the pixels that are neither transparent nor grey.
int colouredPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 0 &&
                (std::abs(c.red() - c.green()) > 8 || std::abs(c.green() - c.blue()) > 8))
                ++count;
        }
    return count;
}

} // namespace

// Every picture draws something at normal and high DPI; the disabled ones are grey.
TEST(Artwork, EveryPictureDrawsAtEachSizeAndDisabledOnesAreGrey) {
    std::vector<std::pair<std::string, QIcon>> icons;
    const auto tree = artwork::treeImages();
    for (const char* key : {"smile", "bookclose", "bookopen", "capsule", "tablet"}) {
        ASSERT_TRUE(tree.contains(QLatin1String(key))) << key;
        icons.emplace_back(key, tree.value(QLatin1String(key)));
    }
    using artwork::ToolbarImage;
    for (auto image : {ToolbarImage::NewEntry, ToolbarImage::Delete, ToolbarImage::Rename,
                       ToolbarImage::GenericNames, ToolbarImage::Find})
        icons.emplace_back("toolbar " + std::to_string(int(image)), artwork::toolbarImage(image));
    icons.emplace_back("ticked", artwork::tickedBox());
    icons.emplace_back("empty", artwork::emptyBox());

    for (const auto& [name, icon] : icons) {
        SCOPED_TRACE(name);
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap normal = icon.pixmap(QSize(16, 16), ratio);
            EXPECT_EQ(normal.size(), QSize(16, 16) * ratio);
            const QImage image = normal.toImage();
            int drawn = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    drawn += image.pixelColor(x, y).alpha() > 0 ? 1 : 0;
            EXPECT_GT(drawn, image.width() * image.height() / 10);
        }
        EXPECT_EQ(colouredPixels(icon.pixmap(QSize(24, 24), 1.0, QIcon::Disabled).toImage()), 0);
    }
    EXPECT_GT(colouredPixels(artwork::tickedBox().pixmap(QSize(14, 14), 1.0).toImage()), 0);
}

TEST(Artwork, TheBackgroundFillsAnyShape) {
    for (const QSize size : {QSize(800, 600), QSize(300, 700), QSize(1200, 200)}) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        artwork::paintBackground(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
        for (const QPoint corner : {QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1)})
            EXPECT_EQ(image.pixelColor(corner).alpha(), 255)
                << size.width() << "x" << size.height();
    }
}

// The program's icon comes at every hicolor size the package installs, each
// a drawn picture, not an empty image.
TEST(Artwork, TheProgramIconHasEachRenderedSize) {
    const QIcon icon = artwork::programIcon();
    QList<int> sizes;
    for (const QSize size : icon.availableSizes()) {
        EXPECT_EQ(size.width(), size.height());
        sizes << size.width();
        EXPECT_GT(colouredPixels(icon.pixmap(size).toImage()), size.width() * size.height() / 4)
            << size.width();
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (QList<int>{16, 24, 32, 48, 64, 128, 256}));
}
