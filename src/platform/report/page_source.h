#pragma once

#include <QSizeF>

class QPainter;

namespace report {

// Pages that can be drawn one at a time: what the preview shows and what
// printing and PDF export send to a paged device.
class PageSource {
public:
    virtual ~PageSource() = default;

    virtual int pageCount() const = 0;
    // The paper, in twips.
    virtual QSizeF pageSize() const = 0;
    // Draws one page (0-based) and nothing else; the painter works in twips
    // with its origin at the paper's top left corner.
    virtual void drawPage(QPainter& painter, int index) const = 0;
};

} // namespace report
