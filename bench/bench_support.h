#pragma once

#include <QString>
#include <functional>
#include <vector>

class QTemporaryDir;

namespace db {
class Connection;
}
namespace formulary_data {
class Formulary;
}

// What the benchmarks share.
namespace bench {

// The middle value (of an even count, the upper of the two middle ones).
double median(std::vector<double> values);

// The time the work takes in milliseconds.
double msOf(const std::function<void()>& work);

// The median time of the work in milliseconds, over the runs after one run
// that warms the caches; before runs ahead of each, untimed.
double medianMs(const std::function<void()>& work, int runs,
                const std::function<void()>& before = {});

// The peak resident memory of this process since it started, or since the
// last resetPeakMemory().
double peakMemoryMb();
// Starts the peak anew from the memory resident now, to measure one piece of
// work.
void resetPeakMemory();

// An engine to measure on: a name for the figures and the database.
struct Engine {
    QString name;
    QString target;
    bool server = false;
};

// An embedded database in the folder, named "sqlite", and the server
// database of FORMULARY_BENCH_PG_URL, emptied and named serverName, when set.
std::vector<Engine> engines(const QTemporaryDir& folder, const QString& serverName);

// Drops the formulary of a server database, its users' log-ins included, so
// that it can be filled anew.
void emptyServerDatabase(const QString& url);

// The classification with the most generic names; the generic name with the
// most drugs.
qint64 busiestClassification(db::Connection& connection);
qint64 busiestGeneric(db::Connection& connection);

// The benchmarks' user, with rights class "AA" and all four rights.
inline const QString UserName = QStringLiteral("bench");
inline const QString UserPassword = QStringLiteral("bench-password");
void addUser(db::Connection& connection);

// A new top-level classification with that many classifications under it,
// added through the formulary component; its key.
QString addWideClassification(formulary_data::Formulary& formulary, int children);
QString addWideClassification(const QString& target, int children);

// A spreadsheet's CSV file of stock items numbered from first on: some
// fields quoted, with commas, doubled quotes and line breaks. A pack, when
// given, ends every item's name (the same items with other texts).
void writeItemsFile(const QString& path, int items, int first = 0, const QString& pack = {});

} // namespace bench
