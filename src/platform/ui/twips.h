#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace ui {

// Measures of the windows are kept in twips, 1440 to the inch, and turned into
// pixels at the screen's logical DPI (the screen of the widget when given,
// else the primary screen), each axis at its own DPI.
constexpr int TwipsPerInch = 1440;

int twipsToPixels(int twips, qreal dpi);
int pixelsToTwips(int pixels, qreal dpi);

int twipsToPixelsX(int twips, const QWidget* on = nullptr);
int twipsToPixelsY(int twips, const QWidget* on = nullptr);
int pixelsToTwipsX(int pixels, const QWidget* on = nullptr);
int pixelsToTwipsY(int pixels, const QWidget* on = nullptr);

QSize twipsToPixels(const QSize& twips, const QWidget* on = nullptr);
QRect twipsToPixels(const QRect& twips, const QWidget* on = nullptr);

} // namespace ui
