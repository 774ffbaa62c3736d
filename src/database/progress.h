#pragma once

#include <QString>
#include <functional>

namespace database {

// Told when a step of long work begins ("step 2 of 5: generic names"); may be
// empty when nobody listens.
using Progress = std::function<void(const QString& step)>;

inline void tell(const Progress& progress, int step, int steps, const QString& what) {
    if (progress)
        progress(QStringLiteral("step %1 of %2: %3").arg(step).arg(steps).arg(what));
}

} // namespace database
