#include "core/frmSplash.h"

#include "platform/ui/twips.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

// The artwork is drawn on a 300 x 200 design grid and scaled to the window.
constexpr qreal DesignWidth = 300;
constexpr qreal DesignHeight = 200;

const QColor Teal(0x17, 0x7e, 0x78);
const QColor DeepTeal(0x0f, 0x5c, 0x58);
const QColor Ink(0x1f, 0x34, 0x45);
const QColor Muted(0x5d, 0x6f, 0x7c);

void paintBackground(QPainter& p) {
    QLinearGradient wash(0, 0, 0, DesignHeight);
    wash.setColorAt(0, QColor(0xff, 0xff, 0xff));
    wash.setColorAt(1, QColor(0xe3, 0xf1, 0xef));
    p.fillRect(QRectF(0, 0, DesignWidth, DesignHeight), wash);
    p.fillRect(QRectF(0, DesignHeight - 8, DesignWidth, 8), Teal);
}

// A two-coloured capsule lying across a round, scored tablet.
void paintCapsule(QPainter& p) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xcf, 0xe4, 0xe1));
    p.drawEllipse(QPointF(62, 108), 34, 34);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0xa9, 0xc9, 0xc5), 1.2));
    p.drawEllipse(QPointF(84, 128), 17, 17);
    p.drawLine(QPointF(72, 128), QPointF(96, 128));

    p.translate(60, 100);
    p.rotate(-38);
    const QRectF body(-38, -13, 76, 26);
    QPainterPath whole;
    whole.addRoundedRect(body, 13, 13);
    QPainterPath left;
    left.addRect(QRectF(-38, -13, 38, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(whole);
    QLinearGradient shade(0, -13, 0, 13);
    shade.setColorAt(0, Teal.lighter(125));
    shade.setColorAt(1, DeepTeal);
    p.setBrush(shade);
    p.drawPath(whole.intersected(left));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(DeepTeal, 1.4));
    p.drawPath(whole);
    p.setPen(QPen(QColor(255, 255, 255, 150), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-28, -6), QPointF(-8, -6));
    p.restore();
}

void paintTitle(QPainter& p, const QFont& base) {
    QFont title(base);
    title.setWeight(QFont::DemiBold);
    // The largest size up to 30 at which the name fits beside the capsule.
    for (int size = 30; size > 12; --size) {
        title.setPixelSize(size);
        if (QFontMetricsF(title).horizontalAdvance(QStringLiteral("Formulary")) <= 170)
            break;
    }
    p.setFont(title);
    p.setPen(Ink);
    p.drawText(QRectF(112, 66, 180, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Formulary"));
    p.fillRect(QRectF(114, 108, 44, 2.5), Teal);
    QFont line(base);
    line.setPixelSize(10);
    p.setFont(line);
    p.setPen(Muted);
    p.drawText(QRectF(114, 114, 180, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Hospital drug formulary"));
}

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(ui::twipsToPixels(QSize(4515, 3000), this));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
}

void frmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(width() / DesignWidth, height() / DesignHeight);
    paintBackground(p);
    paintCapsule(p);
    paintTitle(p, font());
    p.resetTransform();
    p.setPen(QPen(palette().color(QPalette::Dark), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
