#pragma once

#include <QString>
#include <QStringList>
#include <chrono>

// Several workstations change the formulary at once through the change
// functions, each working from a view of the tree that it reads only now and
// then (so that its keys go stale). Afterwards every reported result is
// replayed against what the database holds. The stress test runs it for
// seconds, the soak benchmark for minutes.
namespace stress {

struct Figures {
    unsigned seed = 0;
    qint64 changes = 0;    // tried
    qint64 done = 0;       // reported done
    qint64 refusals = 0;   // refused by the rules (an entry gone, nothing to pick, ...)
    qint64 retries = 0;    // run again after meeting another workstation's change
    qint64 conflicts = 0;  // refused after meeting it again
    qint64 wrongEntry = 0; // a change that hit another entry than the one it named
    qint64 lost = 0;       // reported done, but not in the database
    qint64 unsound = 0;    // nodes that break the tree's rules
    QStringList fatal;     // errors that would have ended the program

    qint64 violations() const { return wrongEntry + lost + unsound + fatal.size(); }
};

// Runs the workstations on the database (which holds a formulary with some
// generic names and placed drugs) until the time is up. A seed of 0 picks
// one; the figures name it, and FORMULARY_STRESS_SEED replays it.
Figures run(const QString& target, int workstations, std::chrono::seconds duration,
            unsigned seed = 0);

// One line of figures.
QString describe(const Figures& figures, int workstations);

} // namespace stress
