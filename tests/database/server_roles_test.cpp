#include "database/server_roles.h"
#include "platform/app_error.h"
#include "platform/db/db_error.h"
#include "support/test_database.h"

namespace roles = database::server_roles;

namespace {

TEST(ServerRoleNames, FoldedAndChecked) {
    struct Case {
        QString userName;
        QString role; // empty: refused
    };
    const Case cases[] = {
        {QStringLiteral(" Nurse.Jones "), QStringLiteral("nurse.jones")},
        {QStringLiteral("a@ward-3_b"), QStringLiteral("a@ward-3_b")},
        {QString(63, u'a'), QString(63, u'a')},
        {QString(64, u'a'), {}},
        {QString(), {}},
        {QStringLiteral("pg_monitor"), {}},
        {QStringLiteral("o'brien"), {}},
        {QStringLiteral("two words"), {}},
        {QStringLiteral("x\"; DROP ROLE postgres; --"), {}},
    };
    for (const Case& c : cases) {
        if (c.role.isEmpty())
            EXPECT_THROW(roles::roleNameFor(c.userName), AppError) << c.userName.toStdString();
        else
            EXPECT_EQ(roles::roleNameFor(c.userName), c.role);
    }
}

// A formulary database on the test server with its groups and role
// functions, an administrator and a pharmacist as users, each a login role
// named after the database so that test executables running side by side
// keep theirs apart.
class ServerRoles : public testing::Test {
protected:
    void SetUp() override {
        if (test_support::engines().back() != db::Engine::PostgreSQL)
            GTEST_SKIP() << "log-in roles exist only on a server";
        database = std::make_unique<test_support::TestDatabase>(db::Engine::PostgreSQL);
        owner = database->connect();
        suffix = owner->query(QStringLiteral("SELECT current_database()")).field(0).toString();
        admin = QStringLiteral("adm_") + suffix;
        pharmacist = QStringLiteral("pha_") + suffix;
        dropRoles();
        roles::setUp(*owner);
        roles::setUp(*owner); // repeating it changes nothing
        addUserRow(admin, true);
        addUserRow(pharmacist, false);
        roles::createLogin(*owner, admin, QStringLiteral("admin secret"));
        roles::setLoginAdmin(*owner, admin, true);
        roles::createLogin(*owner, pharmacist, QStringLiteral("pharmacist secret"));
    }

    void TearDown() override {
        if (owner)
            dropRoles();
    }

    void addUserRow(const QString& role, bool isAdmin) {
        owner->execute(QStringLiteral("INSERT INTO inventory.tbUser (employeecode, username,"
                                      " firstname, lastname, lastname_folded, initials,"
                                      " rightsclass, isadmin, passwordhash)"
                                      " VALUES (?, ?, 'A', 'B', 'b', 'AB', 'AA', ?, NULL)"),
                       {role, role, isAdmin});
    }

    void dropRoles() {
        for (const QString& role : {admin, pharmacist, QStringLiteral("new_") + suffix})
            owner->execute(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(role));
    }

    // The database with another log-in (none: the owner's), or another database.
    db::Target targetAs(const QString& role, const QString& password,
                        const QString& databaseName = {}) const {
        db::Target target = db::Target::parse(database->target());
        if (!role.isEmpty()) {
            target.user = role;
            target.password = password;
        }
        if (!databaseName.isEmpty())
            target.database = databaseName;
        return target;
    }

    std::unique_ptr<db::Connection> logIn(const QString& role, const QString& password,
                                          const QString& databaseName = {}) const {
        auto c = std::make_unique<db::Connection>(targetAs(role, password, databaseName));
        c->open();
        return c;
    }

    bool refused(const QString& role, const QString& password,
                 const QString& databaseName = {}) const {
        try {
            logIn(role, password, databaseName);
            return false;
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.kind(), db::DbError::Kind::Connection);
            EXPECT_FALSE(e.description().contains(password));
            return true;
        }
    }

    std::unique_ptr<test_support::TestDatabase> database;
    std::unique_ptr<db::Connection> owner;
    QString suffix, admin, pharmacist;
};

TEST_F(ServerRoles, UsersLogInWithTheirOwnPasswords) {
    EXPECT_EQ(logIn(pharmacist, QStringLiteral("pharmacist secret"))
                  ->query(QStringLiteral("SELECT session_user"))
                  .field(0)
                  .toString(),
              pharmacist);
    EXPECT_TRUE(refused(pharmacist, QStringLiteral("admin secret")));
    EXPECT_TRUE(refused(QStringLiteral("nobody_") + suffix, QStringLiteral("x")));

    // An administrator sets another's password; the old one no longer works.
    auto asAdmin = logIn(admin, QStringLiteral("admin secret"));
    roles::setLoginPassword(*asAdmin, pharmacist, QStringLiteral("renewed"));
    EXPECT_TRUE(refused(pharmacist, QStringLiteral("pharmacist secret")));
    EXPECT_NO_THROW(logIn(pharmacist, QStringLiteral("renewed")));
}

// Only administrators change users, only this formulary's users, only with
// names the program makes and verifiers made on the workstation.
TEST_F(ServerRoles, TheServerRefusesWhatTheProgramWouldNot) {
    auto asPharmacist = logIn(pharmacist, QStringLiteral("pharmacist secret"));
    auto asAdmin = logIn(admin, QStringLiteral("admin secret"));
    const QString verifier = asAdmin->passwordVerifier(QStringLiteral("x"), QStringLiteral("pw"));
    struct Case {
        const char* what;
        db::Connection* as;
        QString sql;
        QVariantList values;
    };
    // Users only read the users table; its flag would make nobody an administrator anyway.
    EXPECT_THROW(
        asPharmacist->execute(QStringLiteral("UPDATE inventory.tbUser SET isadmin = TRUE")),
        db::DbError);
    const Case cases[] = {
        {"a user who is no administrator creates a log-in",
         asPharmacist.get(),
         QStringLiteral("SELECT inventory.login_create(?, ?)"),
         {QStringLiteral("new_") + suffix, verifier}},
        {"a user who is no administrator sets a password",
         asPharmacist.get(),
         QStringLiteral("SELECT inventory.login_set_password(?, ?)"),
         {admin, verifier}},
        {"a user who is no administrator makes themselves one",
         asPharmacist.get(),
         QStringLiteral("SELECT inventory.login_set_admin(?, true)"),
         {pharmacist}},
        {"a user joins the administrators' group",
         asPharmacist.get(),
         QStringLiteral("GRANT \"%1_admins\" TO \"%2\"").arg(suffix, pharmacist),
         {}},
        {"a name the program would not make",
         asAdmin.get(),
         QStringLiteral("SELECT inventory.login_create(?, ?)"),
         {QStringLiteral("Robert\"); DROP ROLE x; --"), verifier}},
        {"a clear password",
         asAdmin.get(),
         QStringLiteral("SELECT inventory.login_create(?, ?)"),
         {QStringLiteral("new_") + suffix, QStringLiteral("clear password")}},
        {"a role that exists already",
         asAdmin.get(),
         QStringLiteral("SELECT inventory.login_create(?, ?)"),
         {QStringLiteral("postgres"), verifier}},
        {"a role that is no user of this formulary",
         asAdmin.get(),
         QStringLiteral("SELECT inventory.login_set_password(?, ?)"),
         {QStringLiteral("postgres"), verifier}},
        {"the guard called directly",
         asAdmin.get(),
         QStringLiteral("SELECT inventory.login_guard(?, true)"),
         {pharmacist}},
        {"an administrator disables themselves",
         asAdmin.get(),
         QStringLiteral("SELECT inventory.login_set_enabled(?, false)"),
         {admin}},
        {"an administrator gives itself CREATEROLE",
         asAdmin.get(),
         QStringLiteral("ALTER ROLE \"%1\" CREATEROLE").arg(admin),
         {}},
        {"an administrator becomes the keeper",
         asAdmin.get(),
         QStringLiteral("SET ROLE \"%1_keeper\"").arg(suffix),
         {}},
        {"an administrator joins the keeper",
         asAdmin.get(),
         QStringLiteral("GRANT \"%1_keeper\" TO \"%2\"").arg(suffix, admin),
         {}},
        {"an administrator takes the schema",
         asAdmin.get(),
         QStringLiteral("ALTER SCHEMA inventory OWNER TO \"%1\"").arg(admin),
         {}},
    };
    for (const Case& c : cases)
        EXPECT_THROW(c.as->query(c.sql, c.values), db::DbError) << c.what;
    EXPECT_TRUE(owner
                    ->query(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"),
                            {QStringLiteral("new_") + suffix})
                    .eof());
    EXPECT_FALSE(
        owner
            ->query(QStringLiteral("SELECT rolcreaterole FROM pg_roles WHERE rolname = ?"), {admin})
            .field(0)
            .toBool());
}

TEST_F(ServerRoles, DisablingEndsTheOpenSessionAndEnablingLetsBackIn) {
    auto asPharmacist = logIn(pharmacist, QStringLiteral("pharmacist secret"));
    auto asAdmin = logIn(admin, QStringLiteral("admin secret"));
    roles::setLoginEnabled(*asAdmin, pharmacist, false);
    try {
        asPharmacist->query(QStringLiteral("SELECT 1"));
        ADD_FAILURE() << "a disabled user's session went on";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.kind(), db::DbError::Kind::Connection);
    }
    EXPECT_TRUE(refused(pharmacist, QStringLiteral("pharmacist secret")));
    roles::setLoginEnabled(*asAdmin, pharmacist, true);
    EXPECT_NO_THROW(logIn(pharmacist, QStringLiteral("pharmacist secret")));
}

// Users of one formulary database cannot connect to another on the server.
TEST_F(ServerRoles, AnotherFormularysUsersCannotConnect) {
    const QString other = suffix + QStringLiteral("_other");
    owner->execute(QStringLiteral("DROP DATABASE IF EXISTS \"%1\"").arg(other));
    owner->execute(QStringLiteral("CREATE DATABASE \"%1\"").arg(other));
    {
        db::Connection otherOwner(targetAs({}, {}, other));
        otherOwner.open();
        otherOwner.execute(QStringLiteral("CREATE SCHEMA inventory"));
        roles::setUp(otherOwner);
    }
    EXPECT_TRUE(refused(pharmacist, QStringLiteral("pharmacist secret"), other));
    owner->execute(QStringLiteral("DROP DATABASE \"%1\"").arg(other));
    owner->execute(QStringLiteral("DROP ROLE \"%1_users\", \"%1_keeper\"").arg(other));
}

} // namespace
