#include "platform/ui/show_now.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWidget>
#include <QWindow>

namespace ui {

namespace {
constexpr int ExposeWaitMs = 250;
} // namespace

void showNow(QWidget& window) {
    window.show();
    const QDeadlineTimer deadline(ExposeWaitMs);
    while (window.windowHandle() && !window.windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    window.repaint();
}

} // namespace ui
