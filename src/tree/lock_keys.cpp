#include "tree/lock_keys.h"

#include <QGuiApplication>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
// Last: Xlib's macros (Bool, None, KeyPress, ...) clash with Qt's names.
#include <X11/XKBlib.h>
#endif

namespace {

#if QT_CONFIG(xcb)
std::optional<bool> indicator(Display* display, const char* name) {
    Bool on = False;
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0 || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return std::nullopt;
    return on != False;
}
#endif

} // namespace

std::optional<LockKeys> readLockKeys() {
#if QT_CONFIG(xcb)
    const auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    const auto caps = indicator(display, "Caps Lock");
    const auto num = indicator(display, "Num Lock");
    if (!caps || !num)
        return std::nullopt;
    return LockKeys{*caps, *num};
#else
    return std::nullopt;
#endif
}
