#include "support/log_in.h"

#include "components/current_user/login.h"
#include "platform/db/db_error.h"

namespace test_support {

bool canLogIn(db::Connection& c, const QString& userName, const QString& password) {
    if (c.engine() == db::Engine::SQLite) {
        current_user::Authenticator login({[] { return qint64(0); }, [](std::chrono::seconds) {}});
        return login.authenticate(c, userName, password).user.has_value();
    }
    db::Target target = c.target();
    target.user = userName;
    target.password = password;
    db::Connection as(target);
    try {
        as.open();
    } catch (const db::DbError&) {
        return false;
    }
    return current_user::findUser(as, userName).has_value();
}

} // namespace test_support
