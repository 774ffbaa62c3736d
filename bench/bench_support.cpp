#include "bench_support.h"

#include "platform/db/connection.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <sys/resource.h>
#include <vector>

namespace bench {

double medianMs(const std::function<void()>& work, int runs, const std::function<void()>& before) {
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        work();
        if (i > 0)
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double peakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void emptyServerDatabase(const QString& url) {
    db::Connection c(db::Target::parse(url));
    c.open();
    c.execute(QStringLiteral("DROP SCHEMA IF EXISTS inventory CASCADE"));
    c.execute(QStringLiteral("DROP SCHEMA IF EXISTS patient_data CASCADE"));
}

std::vector<Engine> engines(const QTemporaryDir& folder, const QString& serverName) {
    std::vector<Engine> list{
        {QStringLiteral("sqlite"), folder.filePath(QStringLiteral("formulary")), false}};
    const QString server = qEnvironmentVariable("FORMULARY_BENCH_PG_URL");
    if (!server.isEmpty()) {
        emptyServerDatabase(server);
        list.push_back({serverName, server, true});
    }
    return list;
}

} // namespace bench
