#pragma once

#include "components/formulary_data/formulary.h"
#include "database/user_rights.h"
#include "platform/db/connection.h"

#include <memory>
#include <vector>

namespace test_support {

// Whether the user logs in with the password, as the program checks it: the
// stored hash on an embedded database, the server itself (the user's own
// role) on a server. Waits out no slow-down.
bool canLogIn(db::Connection& connection, const QString& userName, const QString& password);

// Adds a user (employee code "E-" + name) with the rights stored granted; on
// a server a log-in role of that name left by an earlier run goes first.
// False when a right could not be stored.
bool addUserWithRights(db::Connection& connection, const QString& userName,
                       const QString& rightsClass, bool isAdmin,
                       const std::vector<database::Right>& rights, const QString& password);

// The program's two connections as a user has them after logging in: the
// formulary component's and the program's own, with one session; on a server
// both as the user's own log-in.
struct LoggedIn {
    formulary_data::Formulary formulary;
    std::unique_ptr<db::Connection> own;
};
std::unique_ptr<LoggedIn> logIn(const QString& target, const QString& userName,
                                const QString& password);

} // namespace test_support
