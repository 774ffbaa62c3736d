#pragma once

#include "platform/db/connection.h"

#include <optional>
#include <vector>

namespace current_user {

// A user of the program, as the current-user component keeps it.
struct UserRecord {
    QString employeecode;
    QString username;
    QString firstname;
    QString lastname;
    QString initials;
    QString rightsclass; // "BB": may only look
    bool isadmin = false;
    int failedlogins = 0;
};

// On an embedded database passwords are kept only as libsodium argon2id
// hashes; on a server each user is a log-in role and the server keeps it.
QString hashPassword(const QString& password);
bool verifyPassword(const QString& hash, const QString& password);

// Each throws AppError with a clear message: a taken user name or employee
// code, an unknown user, an empty password.
void addUser(db::Connection& connection, const UserRecord& user, const QString& password);
void setPassword(db::Connection& connection, const QString& username, const QString& password);
// "AA" or "BB" in any case, kept upper-case.
void setRightsClass(db::Connection& connection, const QString& username,
                    const QString& rightsClass);
// A server only: a disabled user cannot log in, and their open connections end.
void setLoginEnabled(db::Connection& connection, const QString& username, bool enabled);
void setAdministrator(db::Connection& connection, const QString& username, bool isAdmin);
std::optional<UserRecord> findUser(db::Connection& connection, const QString& username);
std::vector<UserRecord> listUsers(db::Connection& connection);

} // namespace current_user
