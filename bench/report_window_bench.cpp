// Report 1 ("Formulary Structure") as the user meets it, on a generated
// formulary of 100,000 nodes on the embedded database: from the menu command
// to the viewer showing its first page, and the peak memory of the run.

#include "bench_support.h"
#include "components/current_user/current_user.h"
#include "components/current_user/user_store.h"
#include "core/mdlFormulary.h"
#include "database/generate.h"
#include "database/schema.h"
#include "platform/report/page_preview.h"
#include "platform/ui/error_report.h"
#include "platform/ui/script.h"
#include "reports/frmView.h"
#include "reports/report_commands.h"
#include "tree/frmFormulary.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kNodes = 100000;
constexpr double kFirstPageLimitMs = 3000;
constexpr double kMemoryLimitMb = 500;

void createDatabase(const QString& folder) {
    db::Connection c(db::Target::parse(folder));
    c.open(true);
    database::upgrade(c);
    const database::GeneratedFormulary generated = database::generateFormulary(c, kNodes);
    bench::addUser(c);
    std::printf("formulary: %d nodes (%d classifications, %d generic names, %d drugs)\n",
                generated.nodes(), generated.classifications, generated.generics, generated.drugs);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("formulary"));
    createDatabase(target);
    qputenv("FORMULARY_DATABASE", target.toUtf8());
    mdlFormulary.loginPrompt = [](const QString&) -> std::optional<current_user::Credentials> {
        return current_user::Credentials{bench::UserName, bench::UserPassword};
    };
    ui::Script script;
    Main();
    if (!mdlFormulary.objMainWindow) {
        std::fprintf(stderr, "the log-in failed\n");
        return 1;
    }

    QElapsedTimer timer;
    double firstPageMs = 0;
    int pages = 0;
    script.answerNext(ui::Answer::No);
    script.onModal(QStringLiteral("frmView"), [&](QDialog& dialog) {
        auto& viewer = static_cast<frmView&>(dialog);
        viewer.CRViewer1->viewport()->grab();
        firstPageMs = double(timer.nsecsElapsed()) / 1e6;
        pages = viewer.CRViewer1->pageCount();
    });
    timer.start();
    if (!ui::runCommand([] { mnuFormularyReport_Click(*mdlFormulary.objMainWindow); }))
        return 1;
    const double closedMs = double(timer.nsecsElapsed()) / 1e6;

    std::printf("report 1: %d pages; menu command to first page shown %.0f ms (limit %.0f ms), "
                "viewer closed at %.0f ms\n",
                pages, firstPageMs, kFirstPageLimitMs, closedMs);
    const double memoryMb = bench::peakMemoryMb();
    std::printf("peak memory %.0f MB (limit %.0f MB)\n", memoryMb, kMemoryLimitMb);
    mdlFormulary.clear();
    std::printf("RATIO report_window_first_page %.3f\n", firstPageMs / kFirstPageLimitMs);
    return 0;
}
