#include "reports/report_pictures.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace reports {

namespace {

// Pictures are drawn on a 32 x 32 grid and scaled to the size asked for.
constexpr qreal kGrid = 32;

const QColor kInk(0x3a, 0x44, 0x50);
const QColor kOutline(0x5a, 0x64, 0x70);
const QColor kFold(0xd8, 0xdd, 0xe3);
const QColor kSheetGreen(0x1d, 0x6f, 0x42);
const QColor kTextBlue(0x2b, 0x57, 0x9a);
const QColor kTextGrey(0x7b, 0x88, 0x99);
const QColor kPdfRed(0xc8, 0x10, 0x2e);

QPen pen(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet of paper with its top right corner folded down.
void drawPaper(QPainter& p, const QRectF& r) {
    constexpr qreal fold = 6;
    const QPolygonF sheet{{r.left(), r.top()},
                          {r.right() - fold, r.top()},
                          {r.right(), r.top() + fold},
                          {r.right(), r.bottom()},
                          {r.left(), r.bottom()}};
    p.setPen(pen(kOutline, 1.2));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.setBrush(kFold);
    p.drawPolygon(QPolygonF{{r.right() - fold, r.top()},
                            {r.right() - fold, r.top() + fold},
                            {r.right(), r.top() + fold}});
}

void drawLines(QPainter& p, qreal left, qreal top, qreal step, std::initializer_list<qreal> lengths,
               const QColor& colour, qreal width) {
    p.setPen(pen(colour, width));
    qreal y = top;
    for (const qreal length : lengths) {
        p.drawLine(QPointF(left, y), QPointF(left + length, y));
        y += step;
    }
}

void drawPrinter(QPainter& p) {
    drawPaper(p, QRectF(9, 2.5, 14, 11));
    p.setPen(pen(kInk, 1.2));
    p.setBrush(QColor(0x6b, 0x76, 0x83));
    p.drawRoundedRect(QRectF(3, 11, 26, 12), 2.5, 2.5);
    p.setBrush(QColor(0x8d, 0x97, 0xa3));
    p.drawRect(QRectF(3, 11, 26, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0xc4, 0x5a));
    p.drawEllipse(QPointF(24.5, 17.5), 1.4, 1.4);
    p.setPen(pen(kOutline, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 20, 16, 9.5));
    drawLines(p, 10.5, 23, 3, {11, 8}, kTextGrey, 1.4);
}

void drawSpreadsheet(QPainter& p) {
    drawPaper(p, QRectF(5, 2, 22, 28));
    const QRectF grid(8.5, 10, 15, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kSheetGreen);
    p.drawRect(QRectF(grid.left(), grid.top(), grid.width(), 4));
    p.setPen(pen(kSheetGreen, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(grid);
    for (const qreal x : {grid.left() + 5, grid.left() + 10})
        p.drawLine(QPointF(x, grid.top()), QPointF(x, grid.bottom()));
    for (qreal y = grid.top() + 4; y < grid.bottom(); y += 4)
        p.drawLine(QPointF(grid.left(), y), QPointF(grid.right(), y));
}

void drawRichText(QPainter& p) {
    drawPaper(p, QRectF(5, 2, 22, 28));
    drawLines(p, 9, 9.5, 0, {10}, kTextBlue, 2.6);
    drawLines(p, 9, 14, 3.6, {14, 12, 14, 8}, kTextGrey, 1.6);
}

void drawPdf(QPainter& p) {
    drawPaper(p, QRectF(5, 2, 22, 28));
    drawLines(p, 9, 8, 3.2, {10, 13}, kTextGrey, 1.6);
    p.setPen(Qt::NoPen);
    p.setBrush(kPdfRed);
    const QRectF band(2.5, 16, 21, 10);
    p.drawRoundedRect(band, 1.8, 1.8);
    QFont font;
    font.setBold(true);
    font.setPixelSize(8);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("PDF"));
    const QRectF bounds = text.boundingRect();
    p.setBrush(Qt::white);
    p.drawPath(text.translated(band.center() - bounds.center()));
}

void drawPreviousPage(QPainter& p) {
    p.setPen(pen(kInk, 1));
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF{{21, 7}, {21, 25}, {10, 16}});
}

void drawFirstPage(QPainter& p) {
    p.setPen(pen(kInk, 1));
    p.setBrush(kInk);
    p.drawRect(QRectF(7, 7, 3, 18));
    p.drawPolygon(QPolygonF{{24, 7}, {24, 25}, {13, 16}});
}

// The mirror image, for the pictures that point the other way.
void drawMirrored(QPainter& p, void (*draw)(QPainter&)) {
    p.translate(kGrid, 0);
    p.scale(-1, 1);
    draw(p);
}

void drawMagnifier(QPainter& p, bool plus) {
    p.setPen(pen(kInk, 4));
    p.drawLine(QPointF(19.5, 19.5), QPointF(27, 27));
    p.setPen(pen(kInk, 2.4));
    p.setBrush(QColor(0xe8, 0xf0, 0xfa));
    p.drawEllipse(QPointF(13, 13), 8.5, 8.5);
    p.setPen(pen(kTextBlue, 2.2));
    p.drawLine(QPointF(9, 13), QPointF(17, 13));
    if (plus)
        p.drawLine(QPointF(13, 9), QPointF(13, 17));
}

void drawFitWidth(QPainter& p) {
    p.setPen(pen(kOutline, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 3, 16, 26));
    p.setPen(pen(kTextBlue, 2));
    p.drawLine(QPointF(3.5, 16), QPointF(28.5, 16));
    p.setBrush(kTextBlue);
    p.drawPolygon(QPolygonF{{3, 16}, {8, 12}, {8, 20}});
    p.drawPolygon(QPolygonF{{29, 16}, {24, 12}, {24, 20}});
}

void draw(QPainter& p, Picture which) {
    switch (which) {
    case Picture::Print:
        return drawPrinter(p);
    case Picture::Excel:
        return drawSpreadsheet(p);
    case Picture::RichText:
        return drawRichText(p);
    case Picture::Pdf:
        return drawPdf(p);
    case Picture::FirstPage:
        return drawFirstPage(p);
    case Picture::PreviousPage:
        return drawPreviousPage(p);
    case Picture::NextPage:
        return drawMirrored(p, drawPreviousPage);
    case Picture::LastPage:
        return drawMirrored(p, drawFirstPage);
    case Picture::ZoomOut:
        return drawMagnifier(p, false);
    case Picture::ZoomIn:
        return drawMagnifier(p, true);
    case Picture::FitWidth:
        return drawFitWidth(p);
    }
}

void toGreys(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]) * 2 / 5;
            const int grey = qGray(line[x]) * 2 / 5;
            line[x] = qRgba(grey, grey, grey, alpha);
        }
    }
}

class PaintedPicture : public QIconEngine {
public:
    explicit PaintedPicture(Picture which) : m_which(which) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size.width() / kGrid, size.height() / kGrid);
            draw(p, m_which);
        }
        if (mode == QIcon::Disabled)
            toGreys(image);
        return QPixmap::fromImage(std::move(image));
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatioF();
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, drawn);
    }

    QIconEngine* clone() const override { return new PaintedPicture(m_which); }

private:
    Picture m_which;
};

} // namespace

QIcon picture(Picture which) {
    return QIcon(new PaintedPicture(which));
}

} // namespace reports
