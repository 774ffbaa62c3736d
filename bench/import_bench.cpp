// Importing 200,000 stock items from a spreadsheet's CSV file, as
// "formulary-admin import-items" does: once into an empty item master, once
// again over it (every item updated). The embedded database always; a server
// database when FORMULARY_BENCH_PG_URL names one that may be emptied.

#include "bench_support.h"

#include "database/item_import.h"
#include "database/schema.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kItems = 200000;
constexpr double kLimitSeconds = 15;

// Some fields quoted, with commas, doubled quotes and line breaks, as
// spreadsheets write them.
QString writeItems(const QTemporaryDir& folder) {
    const QString path = folder.filePath(QStringLiteral("items.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("the item file cannot be written");
    file.write(database::ItemColumns.join(QLatin1Char(',')).toUtf8() + "\r\n");
    for (int i = 0; i < kItems; ++i) {
        const QString line =
            QStringLiteral("ITM%1,Medicine %2,\"%3 mg tablet, film-coated\",\"For \"\"%4\"\"\","
                           "\"1 tablet\r\ntwice daily\",Oral,\r\n")
                .arg(i, 7, 10, QLatin1Char('0'))
                .arg(i % 5000)
                .arg(5 * (1 + i % 40))
                .arg(i % 2 ? QStringLiteral("pain") : QStringLiteral("fever"));
        file.write(line.toUtf8());
    }
    return path;
}

double importSeconds(db::Connection& c, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    database::importItems(c, path);
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main() {
    QTemporaryDir folder;
    const QString path = writeItems(folder);
    std::vector<std::pair<QString, double>> ratios;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgres"))) {
        db::Connection c(db::Target::parse(e.target));
        c.open(true);
        database::upgrade(c);
        const double fresh = importSeconds(c, path);
        const double again = importSeconds(c, path);
        std::printf("%s: importing %d stock items %.1f s into an empty item master, %.1f s "
                    "again over them (limit %.0f s)\n",
                    qPrintable(e.name), kItems, fresh, again, kLimitSeconds);
        ratios.emplace_back(QStringLiteral("import_items_200k_%1").arg(e.name),
                            fresh / kLimitSeconds);
    }
    for (const auto& [name, ratio] : ratios)
        std::printf("RATIO %s %.3f\n", qPrintable(name), ratio);
    return 0;
}
