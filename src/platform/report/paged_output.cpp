#include "platform/report/output.h"
#include "platform/report/pagination.h"
#include "platform/report/report_error.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

namespace report {

namespace {

// Draws pages first..last on a paged device whose painter starts at the
// paint rectangle's corner (inside the margins) unless it covers the full page.
void render(const Pagination& pages, QPagedPaintDevice& device, bool fullPage, int first, int last,
            const QString& what) {
    QPainter painter;
    if (!painter.begin(&device))
        throw AppError(FileAccess, QStringLiteral("%1 could not be started.").arg(what));
    const QPointF corner =
        fullPage ? QPointF() : twipsOf(pages.pageLayout().paintRectPoints()).topLeft();
    for (int page = first; page <= last; ++page) {
        if (page > first)
            device.newPage();
        painter.save();
        painter.scale(pixelsPerTwip(device.logicalDpiX()), pixelsPerTwip(device.logicalDpiY()));
        painter.translate(-corner);
        pages.drawPage(painter, page);
        painter.restore();
    }
    if (!painter.end())
        throw AppError(FileAccess, QStringLiteral("%1 could not be finished.").arg(what));
}

} // namespace

void printPages(const Pagination& pages, QPrinter& printer) {
    int first = 0;
    int last = pages.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::min(printer.fromPage() - 1, last);
        last = std::min(std::max(printer.toPage(), printer.fromPage()) - 1, last);
    }
    render(pages, printer, printer.fullPage(), first, last, QStringLiteral("Printing"));
}

void writePdf(const Pagination& pages, const QString& fileName) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(
            FileAccess,
            QStringLiteral("The file %1 cannot be written: %2").arg(fileName, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setPageLayout(pages.pageLayout());
        writer.setTitle(pages.document().title);
        writer.setCreator(QCoreApplication::applicationName());
        render(pages, writer, false, 0, pages.pageCount() - 1,
               QStringLiteral("The PDF file %1").arg(fileName));
    }
    if (!file.commit())
        throw AppError(
            FileAccess,
            QStringLiteral("The file %1 cannot be written: %2").arg(fileName, file.errorString()));
}

} // namespace report
