#pragma once

#include <QString>
#include <functional>

// What the benchmarks share.
namespace bench {

// The median time of the work in milliseconds, over the runs after one run
// that warms the caches; before runs ahead of each, untimed.
double medianMs(const std::function<void()>& work, int runs,
                const std::function<void()>& before = {});

// The peak resident memory of this process so far.
double peakMemoryMb();

// Drops the formulary schemas of a server database, so that it can be filled anew.
void emptyServerDatabase(const QString& url);

} // namespace bench
