#include "editors/editor_test.h"

#include "editors/frmGeneric.h"
#include "editors/frmGenericEntry.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>
// Last: Xlib's macros (Bool, None, KeyPress, ...) clash with Qt's names.
#include <X11/Xlib.h>

namespace {

// A title property of the window as a window manager reads it; "(none)" when
// the window has no such property.
QString titleProperty(const QWidget& window, const char* name) {
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        throw std::runtime_error("not running on X11");
    Display* display = x11->display();
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window.winId(), XInternAtom(display, name, False), 0, 1024,
                           False, AnyPropertyType, &type, &format, &items, &left,
                           &data) != Success ||
        type == 0)
        return QStringLiteral("(none)");
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(items));
    XFree(data);
    return text;
}

} // namespace

// What the window manager of an X11 desktop shows as the windows' titles.
class CaptionX11Test : public EditorTest {};

TEST_P(CaptionX11Test, TheGenericNameEntryDialogHasNoTitleAndItsListKeepsIts) {
    start({.generic = true});
    const char* titles[] = {"WM_NAME", "_NET_WM_NAME"};
    script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& list) {
        script.onModal(QStringLiteral("frmGenericEntry"), [&](QDialog& entry) {
            // Anything Qt still does once the window is up.
            QTest::qWait(100);
            for (const char* title : titles)
                EXPECT_EQ(titleProperty(entry, title), QString()) << title;
            static_cast<frmGenericEntry&>(entry).cmdClose->click();
        });
        static_cast<frmGeneric&>(list).cmdNew->click();
        for (const char* title : titles)
            EXPECT_EQ(titleProperty(list, title), QStringLiteral("Build Generic Name")) << title;
        static_cast<frmGeneric&>(list).cmdClose->click();
    });

    main->mnuGenericFiles->trigger();

    EXPECT_EQ(script.modalsShown(), QStringList({"frmGeneric", "frmGenericEntry"}));
}

FORMULARY_ENGINE_TESTS(CaptionX11Test);
