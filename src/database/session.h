#pragma once

#include "platform/db/connection.h"

namespace database {

// Rows that procedures write for one caller (the traced path, the report
// lines) carry the caller's session id; sessions are begun at log-in and
// ended at exit, and sessions left behind by a crash are purged.

// Starts a session for the user on this connection and sets its id there.
QString beginSession(db::Connection& connection, const QString& employeeCode);

// Removes the session and every row that belongs to it.
void endSession(db::Connection& connection);

// Marks the session as in use, so that it is not purged.
void touchSession(db::Connection& connection);

// Sessions unused this long are taken as left behind.
inline constexpr qint64 StaleSessionSeconds = 24 * 3600;

} // namespace database
