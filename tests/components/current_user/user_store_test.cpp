#include "components/current_user/user_store.h"

#include "platform/app_error.h"
#include "support/log_in.h"
#include "support/test_database.h"

#include <functional>

using namespace current_user;

namespace {

UserRecord pharmacist() {
    UserRecord u;
    u.employeecode = QStringLiteral("E100");
    u.username = QStringLiteral("Pharmacist");
    u.firstname = QStringLiteral("Åsa");
    u.lastname = QStringLiteral("Öberg");
    u.initials = QStringLiteral("ÅÖ");
    u.rightsclass = QStringLiteral("AA");
    return u;
}

class UserStore : public test_support::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        addUser(*conn, pharmacist(), QStringLiteral("secret-1"));
    }

    bool passwordWorks(const QString& userName, const QString& password) {
        return test_support::canLogIn(*conn, userName, password);
    }

    QString storedHash() {
        return conn
            ->query(
                QStringLiteral("SELECT passwordhash FROM inventory.tbUser WHERE employeecode = ?"),
                {QStringLiteral("E100")})
            .text(QStringLiteral("passwordhash"));
    }
};

TEST_P(UserStore, PasswordsAreKeptOnlyAsWhatVerifiesThem) {
    EXPECT_TRUE(passwordWorks(QStringLiteral("pharmacist"), QStringLiteral("secret-1")));
    EXPECT_FALSE(passwordWorks(QStringLiteral("pharmacist"), QStringLiteral("Secret-1")));
    if (GetParam() == db::Engine::PostgreSQL) {
        // The server keeps it with the user's role; no table holds it.
        EXPECT_TRUE(conn->query(QStringLiteral("SELECT 1 FROM inventory.tbUser"
                                               " WHERE passwordhash IS NOT NULL"))
                        .eof());
        return;
    }
    const QString hash = storedHash();
    EXPECT_TRUE(hash.startsWith(QStringLiteral("$argon2id$"))) << hash.toStdString();
    EXPECT_FALSE(hash.contains(QStringLiteral("secret-1")));
    EXPECT_TRUE(verifyPassword(hash, QStringLiteral("secret-1")));
    EXPECT_FALSE(verifyPassword(hash, QStringLiteral("Secret-1")));
    EXPECT_FALSE(verifyPassword(QStringLiteral("not a hash"), QStringLiteral("secret-1")));
    // Salted: the same password never gives the same hash twice.
    EXPECT_NE(hashPassword(QStringLiteral("secret-1")), hash);
}

TEST_P(UserStore, UserNamesAreFoldedAndFieldsRoundTrip) {
    const std::optional<UserRecord> found = findUser(*conn, QStringLiteral("  PHARMACIST "));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->username, QStringLiteral("pharmacist"));
    EXPECT_EQ(found->employeecode, QStringLiteral("E100"));
    EXPECT_EQ(found->firstname, QStringLiteral("Åsa"));
    EXPECT_EQ(found->lastname, QStringLiteral("Öberg"));
    EXPECT_EQ(found->initials, QStringLiteral("ÅÖ"));
    EXPECT_EQ(found->rightsclass, QStringLiteral("AA"));
    EXPECT_FALSE(found->isadmin);
    EXPECT_EQ(conn->query(QStringLiteral("SELECT lastname_folded FROM inventory.tbUser"))
                  .text(QStringLiteral("lastname_folded")),
              QStringLiteral("öberg"));
    EXPECT_FALSE(findUser(*conn, QStringLiteral("nobody")));
}

TEST_P(UserStore, ChangesAndListing) {
    UserRecord viewer;
    viewer.employeecode = QStringLiteral("E200");
    viewer.username = QStringLiteral("Viewer");
    viewer.firstname = QStringLiteral("Vera");
    viewer.lastname = QStringLiteral("Lind");
    viewer.rightsclass = QStringLiteral("BB");
    viewer.isadmin = true;
    addUser(*conn, viewer, QStringLiteral("view"));

    conn->execute(QStringLiteral("UPDATE inventory.tbUser SET failedlogins = 7"));
    setPassword(*conn, QStringLiteral("PHARMACIST"), QStringLiteral("secret-2"));
    setRightsClass(*conn, QStringLiteral("pharmacist"), QStringLiteral(" bb"));
    setAdministrator(*conn, QStringLiteral("viewer"), false);

    const std::vector<UserRecord> users = listUsers(*conn);
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].username, QStringLiteral("pharmacist"));
    EXPECT_EQ(users[0].rightsclass, QStringLiteral("BB"));
    if (GetParam() == db::Engine::SQLite) { // a server counts failed log-ins itself
        EXPECT_EQ(users[0].failedlogins, 0) << "a new password lifts the slow-down";
    }
    EXPECT_EQ(users[1].username, QStringLiteral("viewer"));
    EXPECT_EQ(users[1].initials, QStringLiteral("VL")) << "initials made from the names";
    EXPECT_FALSE(users[1].isadmin);
    EXPECT_EQ(users[1].failedlogins, 7);
    EXPECT_TRUE(passwordWorks(QStringLiteral("pharmacist"), QStringLiteral("secret-2")));
    EXPECT_FALSE(passwordWorks(QStringLiteral("pharmacist"), QStringLiteral("secret-1")));
    EXPECT_TRUE(passwordWorks(QStringLiteral("viewer"), QStringLiteral("view")));
}

TEST_P(UserStore, RefusedChangesSayWhyAndChangeNothing) {
    auto withName = [](const char* code, const char* name) {
        UserRecord u = pharmacist();
        u.employeecode = QString::fromUtf8(code);
        u.username = QString::fromUtf8(name);
        return u;
    };
    struct Case {
        const char* name;
        std::function<void(db::Connection&)> change;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"taken user name, other case",
         [&](db::Connection& c) { addUser(c, withName("E9", "PharMacist"), QStringLiteral("x")); },
         "A user named \"pharmacist\" exists already."},
        {"taken employee code",
         [&](db::Connection& c) { addUser(c, withName("E100", "other"), QStringLiteral("x")); },
         "The employee code \"E100\" belongs to another user."},
        {"empty password on add",
         [&](db::Connection& c) { addUser(c, withName("E9", "other"), QString()); },
         "The password must not be empty."},
        {"empty user name",
         [&](db::Connection& c) { addUser(c, withName("E9", "  "), QStringLiteral("x")); },
         "The user name must not be empty."},
        {"empty employee code",
         [&](db::Connection& c) { addUser(c, withName(" ", "other"), QStringLiteral("x")); },
         "The employee code must not be empty."},
        {"empty password on change",
         [](db::Connection& c) { setPassword(c, QStringLiteral("pharmacist"), QString()); },
         "The password must not be empty."},
        {"password of an unknown user",
         [](db::Connection& c) { setPassword(c, QStringLiteral("Nobody"), QStringLiteral("x")); },
         "There is no user named \"nobody\"."},
        {"rights class of an unknown user",
         [](db::Connection& c) {
             setRightsClass(c, QStringLiteral("nobody"), QStringLiteral("BB"));
         },
         "There is no user named \"nobody\"."},
        {"administrator flag of an unknown user",
         [](db::Connection& c) { setAdministrator(c, QStringLiteral("nobody"), true); },
         "There is no user named \"nobody\"."},
        {"a rights class that does not exist",
         [](db::Connection& c) {
             setRightsClass(c, QStringLiteral("pharmacist"), QStringLiteral("CC"));
         },
         "The rights class is \"AA\" or \"BB\", not \"CC\"."},
    };
    const QString hashBefore = storedHash();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.change(*conn);
            ADD_FAILURE() << "not refused";
        } catch (const AppError& e) {
            EXPECT_EQ(e.description(), QString::fromUtf8(c.message));
        }
        EXPECT_EQ(listUsers(*conn).size(), 1u);
        EXPECT_EQ(storedHash(), hashBefore);
    }
}

// On a server a disabled user cannot log in until enabled again; an
// embedded database has no log-in to disable and says so.
TEST_P(UserStore, DisabledUsersCannotLogInUntilEnabled) {
    if (GetParam() == db::Engine::SQLite) {
        EXPECT_THROW(setLoginEnabled(*conn, QStringLiteral("pharmacist"), false), AppError);
        return;
    }
    setLoginEnabled(*conn, QStringLiteral("Pharmacist"), false);
    EXPECT_FALSE(passwordWorks(QStringLiteral("pharmacist"), QStringLiteral("secret-1")));
    setLoginEnabled(*conn, QStringLiteral("pharmacist"), true);
    EXPECT_TRUE(passwordWorks(QStringLiteral("pharmacist"), QStringLiteral("secret-1")));
    EXPECT_THROW(setLoginEnabled(*conn, QStringLiteral("nobody"), false), AppError);
}

FORMULARY_ENGINE_TESTS(UserStore);

} // namespace
