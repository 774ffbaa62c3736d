// Importing 200,000 stock items from a spreadsheet's CSV file, as
// "formulary-admin import-items" does: once into an empty item master, once
// again over it (every item updated). The embedded database always; a server
// database when FORMULARY_BENCH_PG_URL names one that may be emptied.

#include "bench_support.h"

#include "database/item_import.h"
#include "database/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kItems = 200000;
constexpr double kLimitSeconds = 15;

struct Timed {
    database::ImportSummary summary;
    double seconds = 0;
};

Timed timedImport(db::Connection& c, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    Timed t{database::importItems(c, path), 0};
    t.seconds = double(timer.nsecsElapsed()) / 1e9;
    return t;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("items.csv"));
    bench::writeItemsFile(path, kItems);
    std::vector<std::pair<QString, double>> ratios;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgres"))) {
        db::Connection c(db::Target::parse(e.target));
        c.open(true);
        database::upgrade(c);
        const Timed fresh = timedImport(c, path);
        const Timed again = timedImport(c, path);
        std::printf("%s: importing %d stock items %.1f s into an empty item master (%d added), "
                    "%.1f s again over them (%d updated) (limit %.0f s)\n",
                    qPrintable(e.name), kItems, fresh.seconds, fresh.summary.added, again.seconds,
                    again.summary.updated, kLimitSeconds);
        ratios.emplace_back(QStringLiteral("import_items_200k_%1").arg(e.name),
                            fresh.seconds / kLimitSeconds);
    }
    for (const auto& [name, ratio] : ratios)
        std::printf("RATIO %s %.3f\n", qPrintable(name), ratio);
    return 0;
}
