#include "platform/report/pagination.h"

#include <QPainter>

namespace report {

namespace {

constexpr int kTopLeft = Qt::AlignLeft | Qt::AlignTop;

// One line of text, shortened with an ellipsis where it does not fit.
void drawLine(QPainter& painter, const PageStyle& style, PageStyle::Role role, const QColor& colour,
              const QRectF& rect, const QString& text, int flags = kTopLeft) {
    painter.setFont(style.font(role));
    painter.setPen(colour);
    painter.drawText(rect, flags,
                     style.metrics(role).elidedText(text, Qt::ElideRight, rect.width()));
}

} // namespace

void Pagination::drawPage(QPainter& painter, int index) const {
    const Page& page = m_pages.at(std::size_t(index));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawHeader(painter);
    double y = m_body.top();
    bool opensPage = true;
    for (int level = 0; level < Definition::MaxGroupLevels; ++level) {
        if (page.continued[level] < 0)
            continue;
        y += drawHeading(painter, y, level, continuedText(page.continued[level]));
        opensPage = false;
    }
    for (std::int32_t i = page.first; i < page.end; ++i) {
        const Band& band = m_bands[std::size_t(i)];
        y += spaceAbove(band, opensPage);
        drawBand(painter, band, y);
        y += band.height;
        opensPage = false;
    }
    drawFooter(painter, index);
    painter.restore();
}

void Pagination::drawHeader(QPainter& painter) const {
    const Document& d = *m_document;
    const double left = m_body.left();
    const double width = m_body.width();
    const double dateWidth = m_style.metrics(PageStyle::Date).horizontalAdvance(d.dateText());
    const double hospitalHeight = m_style.lineHeight(PageStyle::Hospital);
    drawLine(
        painter, m_style, PageStyle::Hospital, PageStyle::ink(),
        QRectF(left, m_lines.hospital, width - dateWidth - PageStyle::ColumnGap, hospitalHeight),
        d.hospitalName);
    drawLine(painter, m_style, PageStyle::Date, PageStyle::muted(),
             QRectF(left, m_lines.hospital, width, hospitalHeight), d.dateText(),
             Qt::AlignRight | Qt::AlignVCenter);
    drawLine(painter, m_style, PageStyle::Address, PageStyle::muted(),
             QRectF(left, m_lines.address, width, m_style.lineHeight(PageStyle::Address)),
             d.hospitalAddress);
    const QRectF titleLine(left, m_lines.title, width, m_style.lineHeight(PageStyle::Title));
    const double subtitleWidth = m_style.metrics(PageStyle::Date).horizontalAdvance(d.subtitle);
    drawLine(painter, m_style, PageStyle::Title, PageStyle::ink(),
             titleLine.adjusted(0, 0, -subtitleWidth - PageStyle::ColumnGap, 0), d.title);
    drawLine(painter, m_style, PageStyle::Date, PageStyle::muted(), titleLine, d.subtitle,
             Qt::AlignRight | Qt::AlignBottom);
    drawRule(painter, m_lines.strongRule, PageStyle::StrongRule, PageStyle::ink());
    drawColumnHeaders(painter, m_lines.columns);
    drawRule(painter, m_lines.thinRule, PageStyle::ThinRule, PageStyle::rule());
}

void Pagination::drawColumnHeaders(QPainter& painter, double top) const {
    const double height = m_style.lineHeight(PageStyle::ColumnHeader);
    for (std::size_t c = 0; c < m_columnSpans.size(); ++c) {
        const auto [x, width] = m_columnSpans[c];
        drawLine(painter, m_style, PageStyle::ColumnHeader, PageStyle::muted(),
                 QRectF(x, top, width - PageStyle::ColumnGap, height),
                 m_document->columns[c].header.toUpper());
    }
}

void Pagination::drawFooter(QPainter& painter, int index) const {
    drawRule(painter, m_lines.footerRule, PageStyle::ThinRule, PageStyle::rule());
    const QRectF line(m_body.left(), m_lines.footer, m_body.width(),
                      m_style.lineHeight(PageStyle::Footer));
    const QString pageText = QStringLiteral("Page %1 of %2").arg(index + 1).arg(pageCount());
    const double pageWidth = m_style.metrics(PageStyle::Footer).horizontalAdvance(pageText);
    QString left = m_document->title;
    if (!m_document->hospitalName.isEmpty())
        left += QStringLiteral(" \u00b7 ") + m_document->hospitalName;
    drawLine(painter, m_style, PageStyle::Footer, PageStyle::muted(),
             line.adjusted(0, 0, -pageWidth - PageStyle::ColumnGap, 0), left);
    drawLine(painter, m_style, PageStyle::Footer, PageStyle::muted(), line, pageText,
             Qt::AlignRight | Qt::AlignTop);
}

// Draws a group heading; its height, the same that headingHeight measured.
double Pagination::drawHeading(QPainter& painter, double top, int level,
                               const QString& text) const {
    const double height = headingHeight(level, text);
    const double x = headingX(level);
    const double padding = PageStyle::headingPadding(level);
    if (level == 0)
        painter.fillRect(QRectF(x, top, m_body.right() - x, height), PageStyle::shade());
    painter.setFont(m_style.font(PageStyle::headingRole(level)));
    painter.setPen(PageStyle::ink());
    painter.drawText(
        QRectF(x + padding, top + padding, m_body.right() - x - 2 * padding, height - 2 * padding),
        kTopLeft | Qt::TextWordWrap, text);
    return height;
}

void Pagination::drawBand(QPainter& painter, const Band& band, double top) const {
    switch (band.kind) {
    case BandKind::Heading:
        drawHeading(painter, top, band.level, groupValue(band));
        break;
    case BandKind::Note: {
        const int field = m_document->groups[band.level].noteField;
        // Without the blank a wrapped line ends with, which would not fit.
        const QString line =
            m_document->content->cell(band.row, field).mid(band.start, band.length).trimmed();
        const double x = headingX(band.level + 1);
        drawLine(painter, m_style, PageStyle::Note, PageStyle::muted(),
                 QRectF(x, top, m_body.right() - x, band.height), line);
        break;
    }
    case BandKind::Detail:
        drawDetail(painter, band, top);
        break;
    case BandKind::Empty:
        drawLine(painter, m_style, PageStyle::Note, PageStyle::muted(),
                 QRectF(m_body.left(), top, m_body.width(), band.height), Document::emptyText());
        break;
    }
}

void Pagination::drawDetail(QPainter& painter, const Band& band, double top) const {
    painter.setFont(m_style.font(PageStyle::Detail));
    painter.setPen(PageStyle::ink());
    const double height = band.height - PageStyle::DetailLeading;
    for (std::size_t c = 0; c < m_columnSpans.size(); ++c) {
        const auto [x, width] = m_columnSpans[c];
        painter.drawText(
            QRectF(x, top + PageStyle::DetailLeading / 2, width - PageStyle::ColumnGap, height),
            kTopLeft | Qt::TextWordWrap,
            m_document->content->cell(band.row, m_document->columns[c].field));
    }
}

void Pagination::drawRule(QPainter& painter, double y, double thickness,
                          const QColor& colour) const {
    painter.fillRect(QRectF(m_body.left(), y, m_body.width(), thickness), colour);
}

} // namespace report
