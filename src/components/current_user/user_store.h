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

// Passwords are kept only as libsodium argon2id hashes.
QString hashPassword(const QString& password);
bool verifyPassword(const QString& hash, const QString& password);

// Each throws AppError with a clear message: a taken user name or employee
// code, an unknown user, an empty password.
void addUser(db::Connection& connection, const UserRecord& user, const QString& password);
void setPassword(db::Connection& connection, const QString& username, const QString& password);
void setRightsClass(db::Connection& connection, const QString& username,
                    const QString& rightsClass);
void setAdministrator(db::Connection& connection, const QString& username, bool isAdmin);
std::optional<UserRecord> findUser(db::Connection& connection, const QString& username);
std::vector<UserRecord> listUsers(db::Connection& connection);

} // namespace current_user
