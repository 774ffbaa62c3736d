#pragma once

#include "platform/db/connection.h"

#include <utility>
#include <vector>

// On a database server the users' roles only read the formulary. Every change
// is made by a function of the server's own, one for each change the program
// makes, which checks the rights of the user who called it (session_user):
// the four rights for the tree, the names and the other details, nothing for
// a look-only user, administrators for users, rights and the hospital record.
// The functions run as "<database>_changes", a role that cannot log in and is
// the only one besides the owner that writes the tables. A user's session
// rows (traced path, report lines) are theirs alone: row-level rules let each
// user see and write only the rows of their own log-in.
namespace database::server_changes {

// Creates the writer role, the functions and the session rules, and takes
// every write from the users group. Run by the owner within an upgrade;
// repeating it changes nothing.
void setUp(db::Connection& connection);

// Lets the users read the audit lines they may see and only the writer role
// add them. Run by the owner once the audit tables exist.
void setUpAudit(db::Connection& connection);

// True when the connection's user owns the formulary (or is a superuser):
// the administration tool's imports and set-up need it.
bool callerIsOwner(db::Connection& connection);

// The tables of the users' sessions, which each user writes under row-level
// rules; the users only read every other table.
const QStringList& sessionTables();

// The change functions, as ALTER and GRANT name them, each with whether the
// users group may call it.
std::vector<std::pair<QString, bool>> functions();

} // namespace database::server_changes
