// Importing 200,000 stock items from a spreadsheet's CSV file, as
// "formulary-admin import-items" does: once into an empty item master, once
// again over it (every item updated). The embedded database always; a server
// database when FORMULARY_BENCH_PG_URL names one that may be emptied.

#include "bench_support.h"

#include "database/item_import.h"
#include "database/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kItems = 200000;
constexpr double kLimitSeconds = 15;

const char* const kMedicines[] = {"Amoxicillin", "Paracetamol", "Ibuprofen",   "Metformin",
                                  "Amlodipine",  "Omeprazole",  "Ceftriaxone", "Salbutamol"};
const char* const kForms[] = {"tablet, film-coated", "capsule", "oral suspension",
                              "powder for injection"};
const char* const kRoutes[] = {"Oral", "Intravenous", "Inhalation"};

// One stock item's line: some fields quoted, with commas, doubled quotes and
// line breaks, as spreadsheets write them.
QByteArray itemLine(int i) {
    const QString medicine = QString::fromLatin1(kMedicines[i % std::size(kMedicines)]);
    return QStringLiteral("ITM%1,%2 %3 mg,\"%2 %3 mg %4\",\"For \"\"%5\"\" and %6\","
                          "\"1 dose\r\ntwice daily\",%7,%8\r\n")
        .arg(i, 7, 10, QLatin1Char('0'))
        .arg(medicine)
        .arg(5 * (1 + i % 40))
        .arg(QString::fromLatin1(kForms[i % std::size(kForms)]))
        .arg(i % 2 ? QStringLiteral("pain") : QStringLiteral("fever"))
        .arg(i % 3 ? QStringLiteral("infection") : QStringLiteral("inflammation"))
        .arg(QString::fromLatin1(kRoutes[i % std::size(kRoutes)]))
        .arg(i % 4 ? QString() : QStringLiteral("Dilute in 100 mL saline"))
        .toUtf8();
}

QString writeItems(const QTemporaryDir& folder) {
    const QString path = folder.filePath(QStringLiteral("items.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("the item file cannot be written");
    file.write(database::ItemColumns.join(QLatin1Char(',')).toUtf8() + "\r\n");
    for (int i = 0; i < kItems; ++i)
        file.write(itemLine(i));
    return path;
}

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
    const QString path = writeItems(folder);
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
