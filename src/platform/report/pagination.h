#pragma once

#include "platform/report/content.h"
#include "platform/report/definition.h"
#include "platform/report/page_source.h"
#include "platform/report/page_style.h"

#include <QPageLayout>
#include <QRectF>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace report {

// A report broken into pages for one page layout, once; the preview, printing
// and PDF export draw from the same pages. Each page holds a run of bands
// (group headings, lines of a note, detail lines), so drawing a page touches
// only its own rows.
class Pagination : public PageSource {
public:
    Pagination(std::shared_ptr<const Document> document, const QPageLayout& layout);

    int pageCount() const override { return int(m_pages.size()); }
    QSizeF pageSize() const override { return m_paper.size(); }
    void drawPage(QPainter& painter, int index) const override;

    const QPageLayout& pageLayout() const { return m_layout; }
    const Document& document() const { return *m_document; }

private:
    enum class BandKind : std::uint8_t { Heading, Note, Detail, Empty };
    struct Band {
        BandKind kind;
        std::uint8_t level;
        std::int32_t row;
        std::int32_t start; // a note line: its part of the note
        std::int32_t length;
        float height;
    };
    struct Page {
        std::int32_t first;
        std::int32_t end;
        // The open group headings repeated at the top, by level; -1 for none.
        std::array<std::int32_t, Definition::MaxGroupLevels> continued;
    };

    // Layout
    void buildBands();
    void addGroupBands(int row, int level);
    void addNoteBands(int row, int level, const QString& note);
    void paginate();
    double chainHeight(std::size_t band) const;
    double spaceAbove(const Band& band, bool opensPage) const;
    double continuedHeight(int level, std::int32_t band) const;
    double headingHeight(int level, const QString& text) const;
    double detailHeight(int row) const;
    double headingX(int level) const { return m_body.left() + level * PageStyle::LevelIndent; }
    double detailX() const;
    QString continuedText(std::int32_t band) const;
    const QString& groupValue(const Band& band) const;

    // Drawing
    void drawHeader(QPainter& painter) const;
    void drawColumnHeaders(QPainter& painter, double top) const;
    void drawFooter(QPainter& painter, int index) const;
    double drawHeading(QPainter& painter, double top, int level, const QString& text) const;
    void drawBand(QPainter& painter, const Band& band, double top) const;
    void drawDetail(QPainter& painter, const Band& band, double top) const;
    void drawRule(QPainter& painter, double y, double thickness, const QColor& colour) const;

    std::shared_ptr<const Document> m_document;
    QPageLayout m_layout;
    PageStyle m_style;
    QRectF m_paper; // twips
    QRectF m_body;  // the band area of a page, twips
    struct Lines {
        double hospital, address, title, strongRule, columns, thinRule, footerRule, footer;
    } m_lines{};
    std::vector<std::pair<double, double>> m_columnSpans; // left, width of each column
    std::vector<Band> m_bands;
    std::vector<Page> m_pages;
};

} // namespace report
