#include "support/log_in.h"

#include "components/current_user/login.h"
#include "components/current_user/user_store.h"
#include "database/session.h"
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

bool addUserWithRights(db::Connection& c, const QString& userName, const QString& rightsClass,
                       bool isAdmin, const std::vector<database::Right>& rights,
                       const QString& password) {
    if (c.engine() == db::Engine::PostgreSQL)
        c.execute(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(userName));
    current_user::UserRecord user;
    user.employeecode = QStringLiteral("E-") + userName;
    user.username = userName;
    user.firstname = QStringLiteral("Test");
    user.lastname = QStringLiteral("User");
    user.rightsclass = rightsClass;
    user.isadmin = isAdmin;
    current_user::addUser(c, user, password);
    for (database::Right r : rights)
        if (!database::SaveUserRight(c, user.employeecode, r, true))
            return false;
    return true;
}

std::unique_ptr<LoggedIn> logIn(const QString& target, const QString& userName,
                                const QString& password) {
    db::Target at = db::Target::parse(target);
    if (at.engine == db::Engine::PostgreSQL) {
        at.user = userName;
        at.password = password;
    }
    auto as = std::make_unique<LoggedIn>();
    as->own = std::make_unique<db::Connection>(at);
    as->own->open();
    database::beginSession(*as->own, QStringLiteral("E-") + userName);
    EXPECT_TRUE(as->formulary.Connect(at.url()));
    as->formulary.connection().setSessionId(as->own->sessionId());
    return as;
}

} // namespace test_support
