#pragma once

#include "database/progress.h"
#include "platform/db/connection.h"

namespace database {

// What a generated formulary holds.
struct GeneratedFormulary {
    int classifications = 0;
    int generics = 0; // placed under classifications
    int unassignedGenerics = 0;
    int drugs = 0;
    int unplacedItems = 0;
    int otherDetails = 0;

    int nodes() const { return classifications + generics + drugs; }
};

// Fills an empty formulary with a synthetic one of about `nodes` nodes, for
// benchmarks: classifications nested up to four deep (about 3%), generic
// names (about 20%) and drugs (the rest), plus a few generic names under no
// classification, stock items under no generic name, and other details for
// every tenth generic name. The same number always gives the same formulary.
// One transaction; throws AppError when the database holds a formulary.
GeneratedFormulary generateFormulary(db::Connection& connection, int nodes,
                                     const Progress& progress = {});

} // namespace database
