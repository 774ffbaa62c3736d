#pragma once

#include <QString>

class QPageLayout;
class QPrinter;

namespace report {

struct Document;
class Pagination;

// Sends the pages to a printer, within the printer's page range.
void printPages(const Pagination& pages, QPrinter& printer);

// The files a report exports to. Each throws AppError when the file cannot
// be written, and leaves no half-written file of its own behind.
void writePdf(const Pagination& pages, const QString& fileName);
void writeXlsx(const Document& document, const QString& fileName);
void writeRtf(const Document& document, const QPageLayout& layout, const QString& fileName);

} // namespace report
