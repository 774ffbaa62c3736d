// "formulary-admin generate 100000": a synthetic formulary of 100,000 nodes
// written into an empty database, timed (limit 10 s) with its peak memory.
// The embedded database always; a server database when FORMULARY_BENCH_PG_URL
// names one that may be emptied.

#include "bench_support.h"

#include "database/generate.h"
#include "database/setup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

constexpr int kNodes = 100000;
constexpr double kLimitSeconds = 10;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    std::vector<std::pair<QString, double>> ratios;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgres"))) {
        bench::resetPeakMemory();
        QElapsedTimer timer;
        timer.start();
        const auto c = database::openCreating(e.target);
        const database::GeneratedFormulary g = database::generateFormulary(*c, kNodes);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        std::printf("%s: generating %d nodes %.1f s (limit %.0f s), peak memory %.0f MB\n",
                    qPrintable(e.name), g.nodes(), seconds, kLimitSeconds, bench::peakMemoryMb());
        ratios.emplace_back(QStringLiteral("generate_%1_%2").arg(kNodes).arg(e.name),
                            seconds / kLimitSeconds);
    }
    for (const auto& [name, ratio] : ratios)
        std::printf("RATIO %s %.3f\n", qPrintable(name), ratio);
    return 0;
}
