// "formulary-admin export-formulary" and "import-formulary": a generated
// formulary of 10,000 and of 100,000 nodes exported, imported into an empty
// database and its import timed. The embedded database always; a server
// database when FORMULARY_BENCH_PG_URL names one that may be emptied. No
// limit: the figures tell IT how long a hospital's first import takes.

#include "bench_support.h"

#include "database/formulary_transfer.h"
#include "database/generate.h"
#include "database/setup.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Fills the database anew: the folder's contents or the server's formulary go first.
void empty(const bench::Engine& e) {
    if (e.server)
        bench::emptyServerDatabase(e.target);
    else
        QDir(e.target).removeRecursively();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("formulary.csv"));
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgres"))) {
        for (const int nodes : {10000, 100000}) {
            empty(e);
            database::generateFormulary(*database::openCreating(e.target), nodes);
            database::FormularyExport written;
            const double exportMs = bench::msOf([&] {
                written = database::exportFormulary(*database::openCreating(e.target), file);
            });
            empty(e);
            const auto c = database::openCreating(e.target);
            bench::resetPeakMemory();
            const double importMs = bench::msOf(
                [&] { database::importFormulary(*c, file, database::ImportOptions{}); });
            std::printf("%s: %d nodes (%d rows): export %.1f s, import into an empty database"
                        " %.1f s, peak memory of the import %.0f MB\n",
                        qPrintable(e.name), nodes, written.rows, exportMs / 1000, importMs / 1000,
                        bench::peakMemoryMb());
        }
    }
    return 0;
}
