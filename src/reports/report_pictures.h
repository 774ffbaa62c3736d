#pragma once

#include <QIcon>

namespace reports {

// The report viewer's own pictures, drawn with QPainter at the size and pixel
// ratio they are shown at, so they stay sharp on high-DPI screens; disabled
// ones are drawn in greys.
enum class Picture {
    Print,
    Excel,
    RichText,
    Pdf,
    FirstPage,
    PreviousPage,
    NextPage,
    LastPage,
    ZoomOut,
    ZoomIn,
    FitWidth,
};

QIcon picture(Picture which);

} // namespace reports
