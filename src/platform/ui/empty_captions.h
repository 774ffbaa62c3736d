#pragma once

#include <QObject>

namespace ui {

// On X11 Qt gives a window without a caption the application's name as its
// title. Installed on the application, this writes the empty caption back
// each time Qt may have written the name: when the window is made and when
// its caption is set.
class EmptyCaptions : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace ui
