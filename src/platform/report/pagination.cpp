#include "platform/report/pagination.h"

#include <QTextLayout>

namespace report {

namespace {

// Vertical gaps of the page header and footer, twips.
constexpr double kAfterAddress = 100;
constexpr double kAfterTitle = 80;
constexpr double kAfterStrongRule = 60;
constexpr double kAfterColumns = 40;
constexpr double kAfterThinRule = 120;
constexpr double kAboveFooter = 100;
constexpr double kAfterFooterRule = 60;

} // namespace

Pagination::Pagination(std::shared_ptr<const Document> document, const QPageLayout& layout)
    : m_document(std::move(document)), m_layout(layout) {
    m_paper = twipsOf(layout.fullRectPoints());
    const QRectF paint = twipsOf(layout.paintRectPoints());

    double y = paint.top();
    m_lines.hospital = y;
    y += m_style.lineHeight(PageStyle::Hospital);
    m_lines.address = y;
    y += m_style.lineHeight(PageStyle::Address) + kAfterAddress;
    m_lines.title = y;
    y += m_style.lineHeight(PageStyle::Title) + kAfterTitle;
    m_lines.strongRule = y;
    y += PageStyle::StrongRule + kAfterStrongRule;
    m_lines.columns = y;
    y += m_style.lineHeight(PageStyle::ColumnHeader) + kAfterColumns;
    m_lines.thinRule = y;
    y += PageStyle::ThinRule + kAfterThinRule;

    m_lines.footer = paint.bottom() - m_style.lineHeight(PageStyle::Footer);
    m_lines.footerRule = m_lines.footer - kAfterFooterRule - PageStyle::ThinRule;
    m_body = QRectF(paint.left(), y, paint.width(), m_lines.footerRule - kAboveFooter - y);

    double x = detailX();
    for (const Document::Column& column : m_document->columns) {
        m_columnSpans.emplace_back(x, column.width);
        x += column.width;
    }
    if (!m_columnSpans.empty())
        m_columnSpans.back().second =
            std::max(m_columnSpans.back().second, m_body.right() - m_columnSpans.back().first);
    buildBands();
    paginate();
}

double Pagination::detailX() const {
    return headingX(int(m_document->groups.size()));
}

const QString& Pagination::groupValue(const Band& band) const {
    return m_document->content->cell(band.row, m_document->groups[band.level].field);
}

QString Pagination::continuedText(std::int32_t band) const {
    return groupValue(m_bands[std::size_t(band)]) + QStringLiteral(" (continued)");
}

void Pagination::buildBands() {
    const Document& d = *m_document;
    for (int row = 0; row < d.content->rowCount(); ++row) {
        for (int level = d.firstChangedGroup(row); level < int(d.groups.size()); ++level)
            addGroupBands(row, level);
        if (d.hasDetail(row))
            m_bands.push_back({BandKind::Detail, 0, row, 0, 0, float(detailHeight(row))});
    }
    if (m_bands.empty())
        m_bands.push_back(
            {BandKind::Empty, 0, 0, 0, 0, float(2 * m_style.lineHeight(PageStyle::Detail))});
}

void Pagination::addGroupBands(int row, int level) {
    const Document::Group& group = m_document->groups[level];
    const QString& value = m_document->content->cell(row, group.field);
    if (value.isEmpty())
        return;
    m_bands.push_back(
        {BandKind::Heading, std::uint8_t(level), row, 0, 0, float(headingHeight(level, value))});
    if (group.noteField >= 0)
        addNoteBands(row, level, m_document->content->cell(row, group.noteField));
}

// One band a line, so that a long note runs on over pages.
void Pagination::addNoteBands(int row, int level, const QString& note) {
    if (note.trimmed().isEmpty())
        return;
    const double width = m_body.right() - headingX(level + 1);
    const float height = float(m_style.lineHeight(PageStyle::Note));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qsizetype offset = 0;
    for (const QString& paragraph : note.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, m_style.font(PageStyle::Note));
        layout.setTextOption(option);
        layout.beginLayout();
        bool empty = true;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            m_bands.push_back({BandKind::Note, std::uint8_t(level), row,
                               std::int32_t(offset + line.textStart()),
                               std::int32_t(line.textLength()), height});
            empty = false;
        }
        layout.endLayout();
        if (empty)
            m_bands.push_back({BandKind::Note, std::uint8_t(level), row, 0, 0, height});
        offset += paragraph.size() + 1;
    }
}

double Pagination::headingHeight(int level, const QString& text) const {
    const PageStyle::Role role = PageStyle::headingRole(level);
    const double padding = PageStyle::headingPadding(level);
    const double width = m_body.right() - headingX(level) - 2 * padding;
    return m_style.lineCount(role, text, width) * m_style.lineHeight(role) + 2 * padding;
}

// Long texts wrap within their column; the line is as high as its tallest cell.
double Pagination::detailHeight(int row) const {
    int lines = 1;
    for (std::size_t c = 0; c < m_columnSpans.size(); ++c) {
        const QString& text = m_document->content->cell(row, m_document->columns[c].field);
        lines = std::max(lines, m_style.lineCount(PageStyle::Detail, text,
                                                  m_columnSpans[c].second - PageStyle::ColumnGap));
    }
    return lines * m_style.lineHeight(PageStyle::Detail) + PageStyle::DetailLeading;
}

double Pagination::spaceAbove(const Band& band, bool opensPage) const {
    return band.kind == BandKind::Heading && !opensPage ? PageStyle::spaceAbove(band.level) : 0;
}

double Pagination::continuedHeight(int level, std::int32_t band) const {
    return headingHeight(level, continuedText(band));
}

// A heading with the deeper headings right after it and the first line under
// them: they move to the next page together rather than leave a heading alone
// at the foot of a page.
double Pagination::chainHeight(std::size_t band) const {
    double height = m_bands[band].height;
    std::size_t next = band + 1;
    while (next < m_bands.size() && m_bands[next].kind == BandKind::Heading &&
           m_bands[next].level > m_bands[next - 1].level) {
        height += spaceAbove(m_bands[next], false) + m_bands[next].height;
        ++next;
    }
    if (next < m_bands.size() && m_bands[next].kind != BandKind::Heading)
        height += m_bands[next].height;
    return height;
}

void Pagination::paginate() {
    std::array<std::int32_t, Definition::MaxGroupLevels> open;
    open.fill(-1);
    Page page{0, 0, open};
    double y = 0;
    bool opensPage = true;
    for (std::size_t i = 0; i < m_bands.size(); ++i) {
        const Band& band = m_bands[i];
        const double own = band.kind == BandKind::Heading ? chainHeight(i) : band.height;
        if (!opensPage && y + spaceAbove(band, false) + own > m_body.height()) {
            page.end = std::int32_t(i);
            m_pages.push_back(page);
            page = Page{std::int32_t(i), 0, {}};
            page.continued.fill(-1);
            y = 0;
            opensPage = true;
            const int carried = band.kind == BandKind::Heading ? band.level : int(open.size());
            for (int level = 0; level < carried; ++level) {
                if (open[level] < 0)
                    continue;
                page.continued[level] = open[level];
                y += continuedHeight(level, open[level]);
                opensPage = false;
            }
        }
        y += spaceAbove(band, opensPage) + band.height;
        opensPage = false;
        if (band.kind == BandKind::Heading) {
            open[band.level] = std::int32_t(i);
            std::fill(open.begin() + band.level + 1, open.end(), -1);
        }
    }
    page.end = std::int32_t(m_bands.size());
    m_pages.push_back(page);
}

} // namespace report
