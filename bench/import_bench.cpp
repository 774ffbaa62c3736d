// Importing 200,000 stock items from a spreadsheet's CSV file, as
// "formulary-admin import-items" does: once into an empty item master, once
// again with every item's name changed. Beside the time, the peak memory of the
// import and how long another workstation's change, made as the import begins
// writing, waits for it. The embedded database always; a server database when
// FORMULARY_BENCH_PG_URL names one that may be emptied.

#include "bench_support.h"

#include "database/item_import.h"
#include "database/schema.h"
#include "platform/app_error.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kItems = 200000;
constexpr double kLimitSeconds = 10;
constexpr double kMemoryLimitMb = 300;

struct Timed {
    database::ImportSummary summary;
    double seconds = 0;
    double peakMb = 0;
    double otherWaitedSeconds = 0;
    QString otherRefused;
};

double secondsOf(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

// Another workstation adds a stock item of its own on its own connection.
void otherWorkstationsChange(const QString& target, Timed& t) {
    db::Connection other(db::Target::parse(target));
    other.open();
    QElapsedTimer timer;
    timer.start();
    try {
        database::saveItems(
            other,
            {{QStringLiteral("OTHER"), QStringLiteral("Other workstation"), {}, {}, {}, {}, {}}});
    } catch (const AppError& e) {
        t.otherRefused = e.description();
    }
    t.otherWaitedSeconds = secondsOf(timer);
}

Timed timedImport(db::Connection& c, const QString& target, const QString& path) {
    Timed t;
    std::thread other;
    const database::Progress progress = [&](const QString& step) {
        if (step.contains(QStringLiteral("writing")))
            other = std::thread([&] { otherWorkstationsChange(target, t); });
    };
    bench::resetPeakMemory();
    QElapsedTimer timer;
    timer.start();
    t.summary = database::importItems(c, path, progress);
    t.seconds = secondsOf(timer);
    t.peakMb = bench::peakMemoryMb();
    other.join();
    return t;
}

void report(const QString& engine, const char* what, const Timed& t) {
    std::printf("%s: importing %d stock items %s: %.1f s (limit %.0f s), %d added, %d updated, "
                "%d unchanged, peak memory %.0f MB (limit %.0f MB); another workstation's change "
                "%s after %.1f s\n",
                qPrintable(engine), kItems, what, t.seconds, kLimitSeconds, t.summary.added,
                t.summary.updated, t.summary.unchanged, t.peakMb, kMemoryLimitMb,
                t.otherRefused.isEmpty() ? "went through" : "was refused", t.otherWaitedSeconds);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("items.csv"));
    const QString changed = folder.filePath(QStringLiteral("changed.csv"));
    bench::writeItemsFile(path, kItems);
    bench::writeItemsFile(changed, kItems, 0, QStringLiteral(" (new pack)"));
    std::vector<std::pair<QString, double>> ratios;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgres"))) {
        db::Connection c(db::Target::parse(e.target));
        c.open(true);
        database::upgrade(c);
        const Timed fresh = timedImport(c, e.target, path);
        report(e.name, "into an empty item master", fresh);
        const Timed again = timedImport(c, e.target, changed);
        report(e.name, "again, every name changed", again);
        const QString name = QStringLiteral("import_items_200k_%1").arg(e.name);
        ratios.emplace_back(name, fresh.seconds / kLimitSeconds);
        ratios.emplace_back(name + QStringLiteral("_memory"),
                            std::max(fresh.peakMb, again.peakMb) / kMemoryLimitMb);
    }
    for (const auto& [name, ratio] : ratios)
        std::printf("RATIO %s %.3f\n", qPrintable(name), ratio);
    return 0;
}
