#include "main_window_test.h"

#include "platform/ui/keyed_tree.h"
#include "platform/ui/twips.h"
#include "tree/frmFormulary.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRubberBand>
#include <QSplitter>

using test_support::MainWindowTest;

class LayoutTest : public MainWindowTest {
protected:
    QWidget& handle() { return *window().imgSplitter->handle(1); }
    int handleLeft() { return handle().mapTo(&window(), QPoint(0, 0)).x(); }
    int treeWidth() { return window().treFormulary->width(); }

    void mouse(QEvent::Type type, int windowX, Qt::MouseButtons buttons) {
        QWidget& h = handle();
        const QPoint global =
            window().mapToGlobal(QPoint(windowX, h.mapTo(&window(), QPoint(0, 2)).y()));
        QMouseEvent event(type, h.mapFromGlobal(global), global,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&h, &event);
    }
    // Drags the splitter to a point of the window and lets go.
    void drag(int toWindowX) {
        const int from = handleLeft() + handle().width() / 2;
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        mouse(QEvent::MouseMove, toWindowX, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, toWindowX, Qt::NoButton);
        QApplication::processEvents();
    }
};

TEST_P(LayoutTest, TheWindowCannotBecomeSmallerThanItOpened) {
    frmFormulary& w = open();
    const QSize opened = w.size();
    w.resize(opened - QSize(200, 150));
    QApplication::processEvents();
    EXPECT_EQ(w.size(), opened);
    w.resize(opened + QSize(200, 150));
    QApplication::processEvents();
    EXPECT_EQ(w.size(), opened + QSize(200, 150));
}

TEST_P(LayoutTest, TheSplitterStops3000TwipsFromEitherEdgeAndMovesWhenLetGo) {
    frmFormulary& w = open();
    QApplication::processEvents();
    const int reserve = ui::twipsToPixelsX(3000, &w);
    const int opened = handleLeft();

    // Pressed and let go without moving: it stays.
    drag(opened + handle().width() / 2);
    EXPECT_EQ(handleLeft(), opened);

    // During the drag only the bar moves.
    mouse(QEvent::MouseButtonPress, opened + 2, Qt::LeftButton);
    mouse(QEvent::MouseMove, opened + 120, Qt::LeftButton);
    const auto* bar = w.imgSplitter->findChild<QRubberBand*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(handleLeft(), opened);
    mouse(QEvent::MouseButtonRelease, opened + 120, Qt::NoButton);
    QApplication::processEvents();
    EXPECT_NEAR(handleLeft(), opened + 118, 2);

    drag(0);
    EXPECT_NEAR(handleLeft(), reserve, 1);
    drag(w.width() + 50);
    EXPECT_NEAR(handleLeft(), w.frameGeometry().width() - reserve, 1);
}

TEST_P(LayoutTest, ResizingKeepsTheTreeWidthAfterADrag) {
    frmFormulary& w = open();
    QApplication::processEvents();
    drag(handleLeft() + 60);
    const int tree = treeWidth();
    const int pane = w.imgSplitter->widget(1)->width();

    w.resize(w.size() + QSize(240, 100));
    QApplication::processEvents();

    EXPECT_EQ(treeWidth(), tree);
    EXPECT_EQ(w.imgSplitter->widget(1)->width(), pane + 240);
    EXPECT_GT(w.treFormulary->height(), 0);
}

FORMULARY_ENGINE_TESTS(LayoutTest);
