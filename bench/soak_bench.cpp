// Workstations changing one formulary at once, for minutes: eight on a
// server, four on one embedded database, from a generated formulary of 2,000
// nodes. Every reported result is replayed against the database; the figures
// say how many changes were made, refused and retried, and how many hit the
// wrong entry, went missing or broke the tree (all must be 0).
// FORMULARY_SOAK_SECONDS sets the time per engine (default 60).

#include "bench_support.h"
#include "database/generate.h"
#include "database/schema.h"
#include "platform/db/connection.h"
#include "stress/stress_run.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = qEnvironmentVariableIntValue("FORMULARY_SOAK_SECONDS");
    const std::chrono::seconds duration(seconds > 0 ? seconds : 60);
    QTemporaryDir folder;
    std::vector<std::pair<QString, qint64>> violations;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgres"))) {
        {
            db::Connection c(db::Target::parse(e.target));
            c.open(true);
            database::upgrade(c);
            database::generateFormulary(c, 2000);
        }
        const int workstations = e.server ? 8 : 4;
        const stress::Figures f = stress::run(e.target, workstations, duration);
        std::printf("%s soak, %lld s: %s\n", qPrintable(e.name), qlonglong(duration.count()),
                    qPrintable(stress::describe(f, workstations)));
        for (const QString& error : f.fatal)
            std::printf("  ending error: %s\n", qPrintable(error));
        violations.emplace_back(e.name, f.violations());
    }
    // No violation allowed: the ratio is their count (0 passes).
    for (const auto& [engine, count] : violations)
        std::printf("RATIO soak_%s %lld\n", qPrintable(engine), qlonglong(count));
    return 0;
}
