#include "platform/report/content.h"
#include "platform/report/output.h"
#include "platform/report/report_error.h"

#include <QFile>
#include <QRegularExpression>
#include <xlsxwriter.h>

namespace report {

namespace {

// Excel keeps at most this many characters in a cell.
constexpr int kMaxCellText = 32767;
// Twips in one character of Excel's column width, near enough.
constexpr double kTwipsPerCharacter = 105;
constexpr double kGroupWidth = 36;
constexpr double kNoteWidth = 60;
constexpr lxw_row_t kFirstDataRow = 2;

struct SheetColumn {
    QString header;
    int field;
    double width;
};

// The group fields, their notes and the detail columns, left to right.
std::vector<SheetColumn> sheetColumns(const Document& d) {
    std::vector<SheetColumn> columns;
    for (const Document::Group& g : d.groups) {
        columns.push_back({g.header, g.field, kGroupWidth});
        if (g.noteField >= 0)
            columns.push_back({g.noteHeader, g.noteField, kNoteWidth});
    }
    for (const Document::Column& c : d.columns)
        columns.push_back({c.header, c.field, c.width / kTwipsPerCharacter});
    return columns;
}

QByteArray sheetName(const QString& title) {
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    return QString(title).replace(forbidden, QStringLiteral(" ")).left(31).toUtf8();
}

[[noreturn]] void fail(const QString& fileName, lxw_error error) {
    throw AppError(FileAccess, QStringLiteral("The workbook %1 cannot be written: %2")
                                   .arg(fileName, QString::fromUtf8(lxw_strerror(error))));
}

// Frees a workbook that was not closed, without writing it.
struct WorkbookGuard {
    lxw_workbook* workbook;
    ~WorkbookGuard() {
        if (workbook != nullptr)
            lxw_workbook_free(workbook);
    }
};

void writeText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const QString& text,
               lxw_format* format, const QString& fileName) {
    const lxw_error error = worksheet_write_string(
        sheet, row, column, text.left(kMaxCellText).toUtf8().constData(), format);
    if (error != LXW_NO_ERROR)
        fail(fileName, error);
}

void writeRows(lxw_worksheet* sheet, const Document& d, const std::vector<SheetColumn>& columns,
               const QString& fileName) {
    const Content& content = *d.content;
    for (int row = 0; row < content.rowCount(); ++row) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const QString& text = content.cell(row, columns[c].field);
            if (!text.isEmpty())
                writeText(sheet, kFirstDataRow + lxw_row_t(row), lxw_col_t(c), text, nullptr,
                          fileName);
        }
    }
}

} // namespace

void writeXlsx(const Document& d, const QString& fileName) {
    const std::vector<SheetColumn> columns = sheetColumns(d);
    const int rows = d.content->rowCount();
    if (kFirstDataRow + lxw_row_t(rows) > LXW_ROW_MAX)
        throw AppError(
            FileAccess,
            QStringLiteral("The report has %1 rows, more than a worksheet holds.").arg(rows));
    // Rows go out in order, so the workbook need not hold them all in memory.
    lxw_workbook_options options{LXW_TRUE, nullptr, LXW_FALSE};
    WorkbookGuard guard{workbook_new_opt(QFile::encodeName(fileName).constData(), &options)};
    if (guard.workbook == nullptr)
        throw AppError(FileAccess, QStringLiteral("The workbook %1 cannot be made.").arg(fileName));
    lxw_worksheet* sheet = workbook_add_worksheet(guard.workbook, sheetName(d.title).constData());
    lxw_format* title = workbook_add_format(guard.workbook);
    format_set_bold(title);
    format_set_font_size(title, 14);
    lxw_format* header = workbook_add_format(guard.workbook);
    format_set_bold(header);
    format_set_bottom(header, LXW_BORDER_THIN);

    const auto lastColumn = lxw_col_t(columns.size() - 1);
    for (std::size_t c = 0; c < columns.size(); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), columns[c].width, nullptr);
    worksheet_freeze_panes(sheet, kFirstDataRow, 0);
    worksheet_autofilter(sheet, kFirstDataRow - 1, 0, kFirstDataRow - 1 + lxw_row_t(rows),
                         lastColumn);
    // The header row follows at once, so the subtitle shares the title's cell.
    const QString heading =
        d.subtitle.isEmpty() ? d.title : d.title + QStringLiteral(" \u00b7 ") + d.subtitle;
    writeText(sheet, 0, 0, heading, title, fileName);
    for (std::size_t c = 0; c < columns.size(); ++c)
        writeText(sheet, kFirstDataRow - 1, lxw_col_t(c), columns[c].header, header, fileName);
    writeRows(sheet, d, columns, fileName);

    lxw_workbook* workbook = guard.workbook;
    guard.workbook = nullptr;
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR)
        fail(fileName, error);
}

} // namespace report
