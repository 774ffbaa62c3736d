#include "platform/ui/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ui {

namespace {

const QScreen& screenOf(const QWidget* on) {
    const QScreen* screen = on ? on->screen() : nullptr;
    return screen ? *screen : *QGuiApplication::primaryScreen();
}

qreal dpiX(const QWidget* on) {
    return screenOf(on).logicalDotsPerInchX();
}
qreal dpiY(const QWidget* on) {
    return screenOf(on).logicalDotsPerInchY();
}

} // namespace

int twipsToPixels(int twips, qreal dpi) {
    return qRound(twips * dpi / TwipsPerInch);
}

int pixelsToTwips(int pixels, qreal dpi) {
    return qRound(pixels * TwipsPerInch / dpi);
}

int twipsToPixelsX(int twips, const QWidget* on) {
    return twipsToPixels(twips, dpiX(on));
}
int twipsToPixelsY(int twips, const QWidget* on) {
    return twipsToPixels(twips, dpiY(on));
}
int pixelsToTwipsX(int pixels, const QWidget* on) {
    return pixelsToTwips(pixels, dpiX(on));
}
int pixelsToTwipsY(int pixels, const QWidget* on) {
    return pixelsToTwips(pixels, dpiY(on));
}

QSize twipsToPixels(const QSize& twips, const QWidget* on) {
    return {twipsToPixelsX(twips.width(), on), twipsToPixelsY(twips.height(), on)};
}

QRect twipsToPixels(const QRect& twips, const QWidget* on) {
    return {twipsToPixelsX(twips.left(), on), twipsToPixelsY(twips.top(), on),
            twipsToPixelsX(twips.width(), on), twipsToPixelsY(twips.height(), on)};
}

} // namespace ui
