#include "platform/ui/empty_captions.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
// Last: Xlib's macros (Bool, None, KeyPress, ...) clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace ui {

namespace {

void writeEmptyTitle([[maybe_unused]] WId window) {
#if QT_CONFIG(xcb)
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return;
    const unsigned char* nothing = reinterpret_cast<const unsigned char*>("");
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace, nothing, 0);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace, nothing, 0);
    XFlush(display);
#endif
}

} // namespace

bool EmptyCaptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WinIdChange || event->type() == QEvent::WindowTitleChange) {
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (widget && widget->isWindow() && widget->windowTitle().isEmpty() &&
            widget->internalWinId())
            writeEmptyTitle(widget->internalWinId());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ui
