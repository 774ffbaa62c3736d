// Report 1 ("Formulary Structure") on a generated formulary of 100,000 nodes,
// on the embedded database: from the preparation to the first page drawn in
// the preview, its xlsx export against writing the same cells with
// libxlsxwriter alone, and the peak memory of the run.

#include "bench_support.h"
#include "database/generate.h"
#include "database/procedures.h"
#include "database/schema.h"
#include "database/session.h"
#include "platform/report/location.h"
#include "platform/report/page_preview.h"
#include "platform/report/report.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <xlsxwriter.h>

namespace {

constexpr int kNodes = 100000;
constexpr double kFirstPageLimitMs = 3000;
constexpr double kMemoryLimitMb = 500;

std::unique_ptr<report::Report> openStructure(db::Connection& c) {
    auto opened = report::Application().openReport(QCoreApplication::applicationDirPath() +
                                                   QStringLiteral("/FormularyStructure.rpt"));
    opened->setHospitalName(QStringLiteral("Benchmark Hospital"));
    opened->setHospitalAddress(QStringLiteral("1 Long Street"));
    for (report::DatabaseTable& table : opened->tables()) {
        table.setLocation(report::withDatabase(table.location(), QStringLiteral("Inventory")));
        table.setLogOnInfo(c.target().serverName(), QStringLiteral("Inventory"), c.target().user,
                           c.target().password);
    }
    opened->setSessionId(c.sessionId());
    return opened;
}

// The cells the export writes, as UTF-8, read before the clock starts.
std::vector<std::vector<QByteArray>> sheetCells(const report::Document& d) {
    std::vector<int> fields;
    for (const auto& g : d.groups)
        fields.push_back(g.field);
    for (const auto& c : d.columns)
        fields.push_back(c.field);
    std::vector<std::vector<QByteArray>> rows;
    for (int row = 0; row < d.content->rowCount(); ++row) {
        std::vector<QByteArray> cells;
        for (int field : fields)
            cells.push_back(d.content->cell(row, field).toUtf8());
        rows.push_back(std::move(cells));
    }
    return rows;
}

double plainXlsxMs(const std::vector<std::vector<QByteArray>>& rows, const QString& fileName) {
    QElapsedTimer timer;
    timer.start();
    lxw_workbook_options options{LXW_TRUE, nullptr, LXW_FALSE};
    lxw_workbook* workbook = workbook_new_opt(QFile::encodeName(fileName).constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            if (!rows[r][c].isEmpty())
                worksheet_write_string(sheet, lxw_row_t(r + 2), lxw_col_t(c),
                                       rows[r][c].constData(), nullptr);
        }
    }
    if (workbook_close(workbook) != LXW_NO_ERROR)
        std::fprintf(stderr, "the plain workbook was not written\n");
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    db::Connection c(db::Target::parse(folder.filePath(QStringLiteral("formulary"))));
    c.open(true);
    database::upgrade(c);
    const database::GeneratedFormulary generated = database::generateFormulary(c, kNodes);
    database::beginSession(c, QStringLiteral("BENCH"));
    std::printf("formulary: %d nodes (%d classifications, %d generic names, %d drugs)\n",
                generated.nodes(), generated.classifications, generated.generics, generated.drugs);

    QElapsedTimer timer;
    timer.start();
    database::Formulary_NodeLevel(c);
    database::Formulary_Generate(c);
    const double preparedMs = double(timer.nsecsElapsed()) / 1e6;
    const auto structure = openStructure(c);
    const auto pages = structure->pages();
    const double paginatedMs = double(timer.nsecsElapsed()) / 1e6;
    report::PagePreview preview;
    preview.resize(900, 1100);
    preview.setPages(pages);
    preview.fitToWidth();
    preview.grab();
    const double firstPageMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("report 1: %d rows, %d pages\n", structure->document()->content->rowCount(),
                pages->pageCount());
    std::printf("prepare %.0f ms, read and paginate %.0f ms, first page drawn at %.0f ms "
                "(limit %.0f ms)\n",
                preparedMs, paginatedMs - preparedMs, firstPageMs, kFirstPageLimitMs);

    const QString reportFile = folder.filePath(QStringLiteral("report.xlsx"));
    timer.restart();
    structure->exportToFile(report::ExportFormat::Excel, reportFile);
    const double reportXlsxMs = double(timer.nsecsElapsed()) / 1e6;
    const double plainMs = plainXlsxMs(sheetCells(*structure->document()),
                                       folder.filePath(QStringLiteral("plain.xlsx")));
    std::printf("xlsx: report export %.0f ms, the same cells with libxlsxwriter alone %.0f ms\n",
                reportXlsxMs, plainMs);

    const double memoryMb = bench::peakMemoryMb();
    std::printf("peak memory %.0f MB (limit %.0f MB)\n", memoryMb, kMemoryLimitMb);
    std::printf("RATIO report_xlsx %.3f\n", reportXlsxMs / (2 * plainMs));
    return 0;
}
