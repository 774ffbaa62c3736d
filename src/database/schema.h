#pragma once

#include "platform/db/connection.h"

namespace database {

// The schema version this program is written for.
inline constexpr int CurrentSchemaVersion = 9;

// The version a database holds; 0 for a database without the formulary schema.
int schemaVersion(db::Connection& connection);

// Applies every pending upgrade in order, each in its own transaction; on a
// server under an advisory lock, so that two upgrades never run at once.
// Refuses a database newer than this program. An embedded database that
// holds a formulary is backed up first, into its own folder (see
// backup::beforeUpgrade).
void upgrade(db::Connection& connection);

// Throws AppError::SchemaTooNew for a schema newer than this program's.
void requireNotNewer(int version);

// A server: the group roles, the change functions, the grants and the
// row-level rules, as the upgrades make them; repeating it changes nothing.
// Run by the server's superuser (or a role with CREATEROLE).
void grantServerAccess(db::Connection& connection);

// What the program does when it connects: an embedded database is upgraded,
// a server database must already be current (only the administration tool
// changes a server's schema). Throws AppError with a clear message otherwise.
void prepareForUse(db::Connection& connection);

// Removes the formulary from a server database: its users' log-in roles and
// its schemas. For tests and benchmarks that fill one database again and again.
void dropFormulary(db::Connection& connection);

} // namespace database
