#pragma once

#include "platform/db/connection.h"

#include <vector>

// What "formulary-admin check" looks for in a database: damaged files,
// orphans, duplicates, the schema version, and on a server the change
// functions, grants and row-level rules that the set-up makes.
namespace database::check {

struct Finding {
    QString kind; // "integrity", "orphan", "duplicate", "schema", "function", "grant", "log-in"
    QString text;
};

// Every finding; none for a sound database.
std::vector<Finding> run(db::Connection& connection);

// The embedded files' own check (SQLite's integrity_check); none on a server.
std::vector<Finding> files(db::Connection& connection);

} // namespace database::check
