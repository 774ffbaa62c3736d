#include "core/artwork.h"

#include <QDir>
#include <QFontMetricsF>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace artwork {

namespace {

const QColor Teal(0x17, 0x7e, 0x78);
const QColor DeepTeal(0x0f, 0x5c, 0x58);
const QColor Slate(0x4a, 0x5a, 0x68);
const QColor Muted(0x7a, 0x8b, 0x99);
const QColor Paper(0xfb, 0xf8, 0xf0);
const QColor PageEdge(0xd9, 0xcf, 0xb4);
const QColor Green(0x2e, 0x9d, 0x5b);
const QColor Red(0xc6, 0x3a, 0x2c);
const QColor DarkRed(0x8e, 0x2a, 0x20);
const QColor Amber(0xe6, 0xa5, 0x32);
const QColor AmberEdge(0x9c, 0x6b, 0x12);

// The colours of one drawing: as designed, or greyed for a disabled icon.
class Tone {
public:
    explicit Tone(bool disabled) : m_disabled(disabled) {}

    QColor operator()(const QColor& colour) const {
        if (!m_disabled)
            return colour;
        const int grey = 150 + qGray(colour.rgb()) * 2 / 5;
        return QColor(grey, grey, grey, colour.alpha());
    }
    QPen pen(const QColor& colour, qreal width) const {
        return QPen((*this)(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }
    QLinearGradient shade(const QPointF& from, const QPointF& to, const QColor& light,
                          const QColor& dark) const {
        QLinearGradient g(from, to);
        g.setColorAt(0, (*this)(light));
        g.setColorAt(1, (*this)(dark));
        return g;
    }

private:
    bool m_disabled;
};

using Painting = std::function<void(QPainter&, const Tone&)>;

// An icon drawn on a square design grid of `grid` units, scaled to each
// size asked for; pixmaps are kept once drawn.
class PaintedIconEngine : public QIconEngine {
public:
    PaintedIconEngine(Painting painting, qreal grid)
        : m_painting(std::move(painting)), m_grid(grid) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / m_grid, rect.height() / m_grid);
        m_painting(*painter, Tone(mode == QIcon::Disabled));
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const QString key = QStringLiteral("%1x%2/%3")
                                .arg(size.width())
                                .arg(size.height())
                                .arg(mode == QIcon::Disabled ? 1 : 0);
        auto kept = m_pixmaps.constFind(key);
        if (kept != m_pixmaps.constEnd())
            return *kept;
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        painter.end();
        m_pixmaps.insert(key, pixmap);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new PaintedIconEngine(m_painting, m_grid); }
    QString key() const override { return QStringLiteral("formulary-painted"); }

private:
    Painting m_painting;
    qreal m_grid;
    QHash<QString, QPixmap> m_pixmaps;
};

QIcon painted(Painting painting, qreal grid = 16) {
    return QIcon(new PaintedIconEngine(std::move(painting), grid));
}

// The tree's pictures, on a 16-unit grid.

void paintBadge(QPainter& p, const Tone& t) {
    p.setPen(t.pen(DeepTeal, 0.8));
    p.setBrush(t.shade({8, 1}, {8, 15}, Teal.lighter(130), DeepTeal));
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    p.setPen(Qt::NoPen);
    p.setBrush(t(Qt::white));
    p.drawRoundedRect(QRectF(6.9, 3.8, 2.2, 8.4), 0.6, 0.6);
    p.drawRoundedRect(QRectF(3.8, 6.9, 8.4, 2.2), 0.6, 0.6);
}

void paintClosedBook(QPainter& p, const Tone& t) {
    p.setPen(t.pen(PageEdge.darker(130), 0.7));
    p.setBrush(t(Paper));
    p.drawRoundedRect(QRectF(3.6, 2.6, 10, 12.2), 1, 1);
    p.setPen(t.pen(DeepTeal, 0.8));
    p.setBrush(t.shade({2.5, 1.5}, {12.5, 13.5}, Teal.lighter(135), DeepTeal));
    p.drawRoundedRect(QRectF(2.4, 1.4, 10, 12.2), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(t(DeepTeal.darker(115)));
    p.drawRoundedRect(QRectF(2.4, 1.4, 2.2, 12.2), 1, 1);
    p.setBrush(t(QColor(255, 255, 255, 215)));
    p.drawRoundedRect(QRectF(6.2, 4.2, 4.8, 2.4), 0.5, 0.5);
}

void paintOpenBook(QPainter& p, const Tone& t) {
    p.setPen(t.pen(DeepTeal, 0.8));
    p.setBrush(t.shade({8, 4}, {8, 15}, Teal.lighter(125), DeepTeal));
    p.drawPolygon(
        QPolygonF({{0.8, 4.6}, {8, 5.8}, {15.2, 4.6}, {15.2, 14.2}, {8, 15.2}, {0.8, 14.2}}));
    p.setPen(t.pen(PageEdge.darker(125), 0.6));
    p.setBrush(t(Paper));
    p.drawPolygon(QPolygonF({{1.8, 3}, {8, 4.4}, {8, 14}, {1.8, 12.8}}));
    p.drawPolygon(QPolygonF({{8, 4.4}, {14.2, 3}, {14.2, 12.8}, {8, 14}}));
    p.setPen(t.pen(Muted, 0.6));
    for (qreal y : {6.2, 8.2, 10.2}) {
        p.drawLine(QPointF(3.2, y - 1.1), QPointF(6.6, y - 0.4));
        p.drawLine(QPointF(9.4, y - 0.4), QPointF(12.8, y - 1.1));
    }
}

void paintCapsuleShape(QPainter& p, const Tone& t, qreal length, qreal thickness, qreal pen) {
    const qreal r = thickness / 2;
    const QRectF body(-length / 2, -r, length, thickness);
    QPainterPath whole;
    whole.addRoundedRect(body, r, r);
    QPainterPath left;
    left.addRect(QRectF(-length / 2, -r, length / 2, thickness));
    p.setPen(Qt::NoPen);
    p.setBrush(t(Qt::white));
    p.drawPath(whole);
    p.setBrush(t.shade({0, -r}, {0, r}, Teal.lighter(140), DeepTeal));
    p.drawPath(whole.intersected(left));
    p.setBrush(Qt::NoBrush);
    p.setPen(t.pen(DeepTeal, pen));
    p.drawPath(whole);
    p.drawLine(QPointF(0, -r), QPointF(0, r));
    p.setPen(t.pen(QColor(255, 255, 255, 170), pen * 1.4));
    p.drawLine(QPointF(-length / 2 + r * 0.9, -r * 0.45), QPointF(-r * 0.4, -r * 0.45));
}

void paintCapsule(QPainter& p, const Tone& t) {
    p.translate(8, 8);
    p.rotate(-45);
    paintCapsuleShape(p, t, 14, 5.8, 0.8);
}

void paintTablet(QPainter& p, const Tone& t) {
    p.setPen(t.pen(Muted, 0.8));
    p.setBrush(t(QColor(0xc9, 0xd3, 0xdb)));
    p.drawEllipse(QPointF(8, 9.4), 6.6, 4.4);
    p.setBrush(t.shade({8, 3.6}, {8, 12.4}, Qt::white, QColor(0xe8, 0xee, 0xf2)));
    p.drawEllipse(QPointF(8, 7.8), 6.6, 4.4);
    p.setPen(t.pen(QColor(0x9a, 0xa8, 0xb4), 0.8));
    p.drawLine(QPointF(3.6, 7.8), QPointF(12.4, 7.8));
}

// The toolbar's pictures, on the same grid.

void paintNewEntry(QPainter& p, const Tone& t) {
    paintClosedBook(p, t);
    p.setPen(t.pen(Qt::white, 0.9));
    p.setBrush(t(Green));
    p.drawEllipse(QPointF(11.8, 11.8), 3.9, 3.9);
    p.setPen(t.pen(Qt::white, 1.5));
    p.drawLine(QPointF(11.8, 9.7), QPointF(11.8, 13.9));
    p.drawLine(QPointF(9.7, 11.8), QPointF(13.9, 11.8));
}

void paintDelete(QPainter& p, const Tone& t) {
    for (const auto& [colour, width] : {std::pair{DarkRed, 3.8}, std::pair{Red, 2.4}}) {
        p.setPen(t.pen(colour, width));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    }
}

void paintRename(QPainter& p, const Tone& t) {
    p.setPen(Qt::NoPen);
    p.setBrush(t(Muted));
    p.drawRoundedRect(QRectF(1.5, 13, 13, 1.6), 0.6, 0.6);
    p.translate(8.6, 6.6);
    p.rotate(-45);
    p.setPen(t.pen(AmberEdge, 0.7));
    p.setBrush(t(QColor(0xf1, 0xd3, 0xa1)));
    p.drawPolygon(QPolygonF({{-4, -1.6}, {-6.9, 0}, {-4, 1.6}}));
    p.setBrush(t(Slate));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({{-6.1, -0.45}, {-6.9, 0}, {-6.1, 0.45}}));
    p.setPen(t.pen(AmberEdge, 0.7));
    p.setBrush(t(Amber));
    p.drawRect(QRectF(-4, -1.6, 7.6, 3.2));
    p.setBrush(t(QColor(0xe8, 0x8a, 0x9a)));
    p.drawRoundedRect(QRectF(3.6, -1.6, 2.2, 3.2), 0.6, 0.6);
}

void paintGenericNames(QPainter& p, const Tone& t) {
    p.setPen(t.pen(Slate, 0.8));
    p.setBrush(t(Qt::white));
    p.drawPolygon(QPolygonF({{2.5, 1.2}, {10, 1.2}, {13.5, 4.7}, {13.5, 14.8}, {2.5, 14.8}}));
    p.setBrush(t(QColor(0xe3, 0xe9, 0xee)));
    p.drawPolygon(QPolygonF({{10, 1.2}, {10, 4.7}, {13.5, 4.7}}));
    p.setPen(t.pen(Muted, 0.9));
    for (qreal y : {4.2, 6.4, 8.6})
        p.drawLine(QPointF(4.4, y), QPointF(y < 5 ? 8.4 : 11.4, y));
    p.translate(9.4, 11.6);
    p.rotate(-30);
    paintCapsuleShape(p, t, 8.4, 3.4, 0.6);
}

void paintFind(QPainter& p, const Tone& t) {
    p.setPen(t.pen(Slate, 2.8));
    p.drawLine(QPointF(10.2, 10.2), QPointF(14.2, 14.2));
    p.setPen(t.pen(DeepTeal, 1.6));
    p.setBrush(t(QColor(0xe4, 0xf2, 0xf1, 220)));
    p.drawEllipse(QPointF(6.7, 6.7), 4.6, 4.6);
    p.setPen(t.pen(QColor(255, 255, 255, 230), 1));
    p.drawArc(QRectF(3.9, 3.9, 5.6, 5.6), 100 * 16, 70 * 16);
}

// The check pictures, on a 14-unit grid.

void paintBox(QPainter& p, const Tone& t, bool ticked) {
    p.setPen(t.pen(ticked ? DeepTeal : Muted, 1));
    p.setBrush(t(ticked ? Teal : QColor(Qt::white)));
    p.drawRoundedRect(QRectF(1.5, 1.5, 11, 11), 2, 2);
    if (!ticked)
        return;
    p.setPen(t.pen(Qt::white, 1.7));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{4, 7.3}, {6.1, 9.4}, {10.1, 4.8}}));
}

// The right pane's emblem: a capsule across a scored tablet, faint, with the
// product's name beneath, centred on (0, 0) of a 600-unit design.
void paintEmblem(QPainter& p) {
    p.save();
    p.setPen(QPen(QColor(Teal.red(), Teal.green(), Teal.blue(), 70), 3));
    p.setBrush(QColor(255, 255, 255, 190));
    p.drawEllipse(QPointF(62, 22), 44, 44);
    p.drawLine(QPointF(26, 22), QPointF(98, 22));
    p.translate(-24, -12);
    p.rotate(-35);
    p.setOpacity(0.3);
    paintCapsuleShape(p, Tone(false), 190, 64, 4);
    p.restore();

    QFont title = p.font();
    title.setPixelSize(44);
    title.setWeight(QFont::DemiBold);
    p.setFont(title);
    p.setPen(QColor(DeepTeal.red(), DeepTeal.green(), DeepTeal.blue(), 120));
    p.drawText(QRectF(-300, 100, 600, 56), Qt::AlignCenter, QStringLiteral("Formulary"));
    p.fillRect(QRectF(-28, 162, 56, 3), QColor(Teal.red(), Teal.green(), Teal.blue(), 110));
    QFont line = p.font();
    line.setPixelSize(16);
    line.setWeight(QFont::Normal);
    p.setFont(line);
    p.setPen(QColor(Slate.red(), Slate.green(), Slate.blue(), 130));
    p.drawText(QRectF(-300, 172, 600, 28), Qt::AlignCenter,
               QStringLiteral("Hospital drug formulary"));
}

// The tree's pictures by image key.
const std::pair<QString, Painting>& treePainting(std::size_t index) {
    static const std::pair<QString, Painting> paintings[] = {
        {QStringLiteral("smile"), paintBadge},       {QStringLiteral("bookclose"), paintClosedBook},
        {QStringLiteral("bookopen"), paintOpenBook}, {QStringLiteral("capsule"), paintCapsule},
        {QStringLiteral("tablet"), paintTablet},
    };
    return paintings[index];
}
constexpr std::size_t TreePaintings = 5;

// A status mark in the lower right corner, told apart by its shape: a
// triangle, a barred circle, a diamond, a cross. Each is drawn over a white
// halo with a dark edge, so that it shows on light and dark rows alike.
void paintMark(QPainter& p, const Tone& t, TreeMark mark) {
    const QPointF c(11.6, 11.6);
    QPainterPath shape;
    QColor fill = Amber;
    QColor edge = AmberEdge;
    switch (mark) {
    case TreeMark::Restricted:
        shape.moveTo(c.x(), c.y() - 4.2);
        shape.lineTo(c.x() + 4.3, c.y() + 3.6);
        shape.lineTo(c.x() - 4.3, c.y() + 3.6);
        shape.closeSubpath();
        break;
    case TreeMark::NonFormulary:
        shape.addEllipse(c, 3.9, 3.9);
        shape.addEllipse(c, 2.0, 2.0);
        fill = Red;
        edge = DarkRed;
        break;
    case TreeMark::UnderReview:
        shape.moveTo(c.x(), c.y() - 4.3);
        shape.lineTo(c.x() + 4.3, c.y());
        shape.lineTo(c.x(), c.y() + 4.3);
        shape.lineTo(c.x() - 4.3, c.y());
        shape.closeSubpath();
        fill = QColor(0x2f, 0x6f, 0xb5);
        edge = QColor(0x17, 0x3f, 0x6e);
        break;
    case TreeMark::Withdrawn: {
        QPainterPathStroker cross;
        cross.setWidth(2.2);
        cross.setCapStyle(Qt::SquareCap);
        QPainterPath lines;
        lines.moveTo(c.x() - 2.9, c.y() - 2.9);
        lines.lineTo(c.x() + 2.9, c.y() + 2.9);
        lines.moveTo(c.x() + 2.9, c.y() - 2.9);
        lines.lineTo(c.x() - 2.9, c.y() + 2.9);
        shape = cross.createStroke(lines).simplified();
        fill = QColor(0x3a, 0x3a, 0x3a);
        edge = Qt::black;
        break;
    }
    case TreeMark::None:
        return;
    }
    p.setPen(QPen(t(Qt::white), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(t(Qt::white));
    p.drawPath(shape);
    p.setPen(t.pen(edge, 0.8));
    p.setBrush(t(fill));
    p.drawPath(shape);
    if (mark == TreeMark::NonFormulary) {
        p.setPen(QPen(t(fill), 1.5, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(c + QPointF(-2.4, 2.4), c + QPointF(2.4, -2.4));
    }
}

} // namespace

QHash<QString, QIcon> treeImages() {
    QHash<QString, QIcon> images;
    for (std::size_t i = 0; i < TreePaintings; ++i)
        images.insert(treePainting(i).first, painted(treePainting(i).second));
    return images;
}

QHash<QString, QIcon> markedTreeImages(TreeMark mark) {
    QHash<QString, QIcon> images;
    for (std::size_t i = 0; i < TreePaintings; ++i) {
        const Painting& base = treePainting(i).second;
        images.insert(treePainting(i).first, painted([base, mark](QPainter& p, const Tone& t) {
                          // Some pictures leave the painter turned.
                          p.save();
                          base(p, t);
                          p.restore();
                          paintMark(p, t, mark);
                      }));
    }
    return images;
}

QIcon toolbarImage(ToolbarImage image) {
    switch (image) {
    case ToolbarImage::NewEntry:
        return painted(paintNewEntry);
    case ToolbarImage::Delete:
        return painted(paintDelete);
    case ToolbarImage::Rename:
        return painted(paintRename);
    case ToolbarImage::GenericNames:
        return painted(paintGenericNames);
    case ToolbarImage::Find:
        return painted(paintFind);
    }
    return {};
}

QIcon tickedBox() {
    return painted([](QPainter& p, const Tone& t) { paintBox(p, t, true); }, CheckPictureSize);
}

QIcon emptyBox() {
    return painted([](QPainter& p, const Tone& t) { paintBox(p, t, false); }, CheckPictureSize);
}

void paintBackground(QPainter& p, const QRectF& area) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(area);
    QLinearGradient wash(area.topLeft(), area.bottomLeft());
    wash.setColorAt(0, QColor(0xf7, 0xfb, 0xfb));
    wash.setColorAt(1, QColor(0xdb, 0xea, 0xe8));
    p.fillRect(area, wash);

    const qreal reach = std::max(area.width(), area.height());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(Teal.red(), Teal.green(), Teal.blue(), 12));
    p.drawEllipse(QPointF(area.right() - area.width() * 0.08, area.bottom()), reach * 0.42,
                  reach * 0.42);
    p.setBrush(QColor(Teal.red(), Teal.green(), Teal.blue(), 7));
    p.drawEllipse(QPointF(area.left() + area.width() * 0.04, area.top()), reach * 0.22,
                  reach * 0.22);

    // The emblem keeps its proportions whatever the pane's shape.
    const qreal scale = std::min(area.width() / 800, area.height() / 600);
    p.translate(area.center().x(), area.top() + area.height() * 0.40);
    p.scale(scale, scale);
    paintEmblem(p);
    p.restore();
}

QIcon programIcon() {
    QIcon icon;
    const QDir folder(QStringLiteral(":/icons"));
    for (const QString& file : folder.entryList({QStringLiteral("formulary-*.png")}))
        icon.addFile(folder.filePath(file));
    return icon;
}

} // namespace artwork
