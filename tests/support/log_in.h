#pragma once

#include "platform/db/connection.h"

namespace test_support {

// Whether the user logs in with the password, as the program checks it: the
// stored hash on an embedded database, the server itself (the user's own
// role) on a server. Waits out no slow-down.
bool canLogIn(db::Connection& connection, const QString& userName, const QString& password);

} // namespace test_support
