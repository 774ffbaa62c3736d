#pragma once

#include "platform/db/connection.h"

// Log-in roles on a database server: every user of the program is a role of
// its own and logs in as themselves. Role name = user name, folded to lower
// case, so that a hospital can later check passwords against its directory.
// Two formulary databases on one server keep their users apart by group
// roles named after the database: "<database>_users" may connect to it, and
// "<database>_admins" holds the administrators, and "<database>_keeper"
// (which cannot log in) owns the functions that create
// and change user roles. No login holds CREATEROLE.
namespace database::server_roles {

// The longest user name a role can carry: PostgreSQL's 63-byte limit.
inline constexpr int MaxRoleNameBytes = 63;

// The role of a user name: trimmed and folded to lower case; letters a-z,
// digits, "_", ".", "@" and "-", at most 63 bytes, not beginning with "pg_".
// Throws AppError naming what is wrong.
QString roleNameFor(const QString& userName);

// The group whose members may connect to this database.
QString usersGroup(db::Connection& connection);

// Creates the group roles and the role functions, and lets only the users
// group connect. Run by the server's superuser (or a role with CREATEROLE);
// repeating it changes nothing.
void setUp(db::Connection& connection);

// Each runs as the owner or an administrator of the formulary; the server
// refuses anyone else, any other role and any name not made by roleNameFor.
void createLogin(db::Connection& connection, const QString& role, const QString& password);
void setLoginPassword(db::Connection& connection, const QString& role, const QString& password);
// Makes the role an administrator of the formulary, or no longer.
void setLoginAdmin(db::Connection& connection, const QString& role, bool admin);
// Disabling also ends the role's open connections.
void setLoginEnabled(db::Connection& connection, const QString& role, bool enabled);

// True when the role exists as a user of this database.
bool loginExists(db::Connection& connection, const QString& role);
// The users of the formulary who have no log-in role yet (users from before
// server log-ins), by user name.
QStringList usersWithoutLogin(db::Connection& connection);

// Drops the log-in roles of this database's users, and only theirs.
void dropLogins(db::Connection& connection);

// A role name quoted for a statement's text.
QString quoted(const QString& role);

// True when a role of that name exists on the server at all.
bool roleExists(db::Connection& connection, const QString& role);

} // namespace database::server_roles
