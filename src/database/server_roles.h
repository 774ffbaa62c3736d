#pragma once

#include "platform/db/connection.h"

#include <utility>
#include <vector>

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

// Drops the log-in roles of this database's users, and only theirs; those
// named in keep stay.
void dropLogins(db::Connection& connection, const QStringList& keep = {});

// A user's log-in as a backup keeps it. The SCRAM verifier of its password
// only where the log-in making the backup may read it (the superuser).
struct Login {
    QString name;
    bool administrator = false;
    bool enabled = true;
    QString verifier;
};

// The log-ins of this database's users, with their verifiers when readable.
std::vector<Login> logins(db::Connection& connection);

// The names among these that roles of the server hold which are no users of
// this database (or may administer roles): a restore cannot make them users.
QStringList foreignRoles(db::Connection& connection, const std::vector<Login>& logins);

// Makes the log-ins through the keeper's functions: a missing one with its
// verifier, or with a random password that no one knows (the user then sets
// one); each one administrator and enabled as given. The names of those
// that got a random password.
QStringList restoreLogins(db::Connection& connection, const std::vector<Login>& logins);

// The functions that the set-up makes, as ALTER and GRANT name them, each
// with whether the users group may call it.
std::vector<std::pair<QString, bool>> functions();

// A role name quoted for a statement's text.
QString quoted(const QString& role);

// True when a role of that name exists on the server at all.
bool roleExists(db::Connection& connection, const QString& role);

} // namespace database::server_roles
