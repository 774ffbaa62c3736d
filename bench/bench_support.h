#pragma once

#include <QString>
#include <functional>
#include <vector>

class QTemporaryDir;

// What the benchmarks share.
namespace bench {

// The median time of the work in milliseconds, over the runs after one run
// that warms the caches; before runs ahead of each, untimed.
double medianMs(const std::function<void()>& work, int runs,
                const std::function<void()>& before = {});

// The peak resident memory of this process so far.
double peakMemoryMb();

// An engine to measure on: a name for the figures and the database.
struct Engine {
    QString name;
    QString target;
    bool server = false;
};

// An embedded database in the folder, named "sqlite", and the server
// database of FORMULARY_BENCH_PG_URL, emptied and named serverName, when set.
std::vector<Engine> engines(const QTemporaryDir& folder, const QString& serverName);

// Drops the formulary schemas of a server database, so that it can be filled anew.
void emptyServerDatabase(const QString& url);

} // namespace bench
