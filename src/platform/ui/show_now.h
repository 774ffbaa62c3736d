#pragma once

class QWidget;

namespace ui {

// Shows a window that the program then keeps busy without returning to the
// event loop, and paints it at once: the window system maps windows
// asynchronously, and nothing painted before that reaches the screen. Waits a
// quarter of a second at most; input stays queued meanwhile.
void showNow(QWidget& window);

} // namespace ui
