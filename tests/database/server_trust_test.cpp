#include "components/current_user/user_store.h"
#include "database/procedures.h"
#include "database/schema.h"
#include "database/session.h"
#include "database/user_rights.h"
#include "platform/db/db_error.h"
#include "platform/db/transaction.h"
#include "support/formulary_fixture.h"
#include "support/log_in.h"

#include <functional>

// What a user can do on the server with their own password and any client:
// exactly what the program lets them do, and a refused change changes nothing.
namespace {

using database::Right;
using Kind = db::DbError::Kind;

const QString kPassword = QStringLiteral("trust-test secret");

// What a case needs of the user who tries it.
enum class Need {
    Classification,
    Generic,
    Drug,
    OtherDetails,
    Administrator,
    Nobody, // no user, whatever their rights
};

// How a refusal shows: the server raises "insufficient privilege", or the
// row-level rules leave the user nothing to read or change.
enum class Refusal { PermissionDenied, NothingThere };

struct Role {
    const char* name;
    const char* rightsClass;
    bool admin;
    std::vector<Right> rights;
    bool mayConnect = true;

    bool may(Need need) const {
        if (!mayConnect || QLatin1String(rightsClass) == QLatin1String("BB"))
            return false;
        const auto holds = [&](Right r) {
            return std::find(rights.begin(), rights.end(), r) != rights.end();
        };
        switch (need) {
        case Need::Classification:
            return holds(Right::Classification);
        case Need::Generic:
            return holds(Right::Generic);
        case Need::Drug:
            return holds(Right::Drug);
        case Need::OtherDetails:
            return holds(Right::OtherDetails);
        case Need::Administrator:
            return admin;
        case Need::Nobody:
            return false;
        }
        return false;
    }
};

const std::vector<Right> kAllRights = {Right::Classification, Right::Generic, Right::Drug,
                                       Right::OtherDetails};

const Role kRoles[] = {
    {"administrator", "AA", true, {}},
    {"all_four", "AA", false, kAllRights},
    {"classification_only", "AA", false, {Right::Classification}},
    {"generic_only", "AA", false, {Right::Generic}},
    {"drug_only", "AA", false, {Right::Drug}},
    {"details_only", "AA", false, {Right::OtherDetails}},
    {"look_only", "BB", true, kAllRights},
    {"disabled", "AA", true, kAllRights, false},
};

class ServerTrust : public testing::Test {
protected:
    void SetUp() override {
        if (test_support::engines().back() != db::Engine::PostgreSQL)
            GTEST_SKIP() << "the rules of trust are the server's";
        database = std::make_unique<test_support::TestDatabase>(db::Engine::PostgreSQL);
        owner = database->connect();
        fixture = std::make_unique<test_support::FormularyFixture>(database->target());
        databaseName =
            owner->query(QStringLiteral("SELECT current_database()")).field(0).toString();
        const QString& suffix = databaseName;
        vitamins = fixture->node(addVitamins()).id.toLongLong();
        for (const Role& role : kRoles)
            addUser(QLatin1String(role.name) + QLatin1Char('_') + suffix, role);
        other = QStringLiteral("other_") + suffix;
        addUser(other, Role{"other", "AA", false, {}});
        current_user::setLoginEnabled(*owner, roleOf(kRoles[7]), false);
        otherSession = traceAsOther();
    }

    QString roleOf(const Role& role) const {
        return QLatin1String(role.name) + QLatin1Char('_') + databaseName;
    }

    QString addVitamins() {
        QString key = QStringLiteral("_3");
        EXPECT_TRUE(fixture->formulary.Classifications.AddClassification(
            fixture->formulary.NodeFormulary.RootIdentity(), key, QStringLiteral("Vitamins"), 0,
            {}));
        return key;
    }

    void addUser(const QString& name, const Role& role) {
        ASSERT_TRUE(test_support::addUserWithRights(*owner, name, QLatin1String(role.rightsClass),
                                                    role.admin, role.rights, kPassword));
    }

    std::unique_ptr<db::Connection> connectAs(const QString& role) const {
        db::Target target = db::Target::parse(database->target());
        target.user = role;
        target.password = kPassword;
        auto c = std::make_unique<db::Connection>(target);
        c->open();
        return c;
    }

    // Another user's session with its traced path: its id.
    QString traceAsOther() {
        otherConnection = connectAs(other);
        const QString id = database::beginSession(*otherConnection, QStringLiteral("E-") + other);
        database::For_TraceParent(*otherConnection, QStringLiteral("_2.1.1"));
        return id;
    }

    // Everything a change could touch, as the owner sees it: every table's
    // rows, the roles, their groups and every relation.
    QString snapshot() const {
        QStringList parts;
        const db::Recordset tables = owner->query(
            QStringLiteral("SELECT table_schema || '.' || table_name FROM information_schema.tables"
                           " WHERE table_schema IN ('inventory', 'patient_data') ORDER BY 1"));
        for (int row = 0; row < tables.recordCount(); ++row) {
            const QString table = tables.value(row, 0).toString();
            parts << table +
                         owner
                             ->query(QStringLiteral("SELECT md5(COALESCE(string_agg(t::text, '|'"
                                                    " ORDER BY t::text), '')) FROM %1 t")
                                         .arg(table))
                             .field(0)
                             .toString();
        }
        parts << owner
                     ->query(QStringLiteral(
                         "SELECT string_agg(r.rolname || r.rolcanlogin::text || COALESCE(("
                         " SELECT string_agg(g.rolname, ',' ORDER BY g.rolname)"
                         " FROM pg_auth_members m JOIN pg_roles g ON g.oid = m.roleid"
                         " WHERE m.member = r.oid), '') || COALESCE(r.rolpassword, ''), ';'"
                         " ORDER BY r.rolname) FROM pg_authid r"))
                     .field(0)
                     .toString();
        parts << owner->query(QStringLiteral("SELECT count(*) FROM pg_class")).field(0).toString();
        return parts.join(u'\n');
    }

    std::unique_ptr<test_support::TestDatabase> database;
    std::unique_ptr<db::Connection> owner;
    std::unique_ptr<test_support::FormularyFixture> fixture;
    std::unique_ptr<db::Connection> otherConnection;
    qint64 vitamins = 0;
    QString databaseName; // the users' names end in it, so that test databases keep theirs apart
    QString other;
    QString otherSession;
};

struct Case {
    const char* what;
    Need need;
    Refusal refusal;
    // Tries the change as the user (self); true when it was made.
    std::function<bool(db::Connection& as, const QString& self)> attempt;
};

bool answered(db::Connection& c, const QString& call, const QVariantList& values) {
    const QVariant answer = c.query(QStringLiteral("SELECT ") + call, values).field(0);
    return !answer.isNull() && (answer.typeId() != QMetaType::Bool || answer.toBool());
}

bool ran(db::Connection& c, const QString& statement, const QVariantList& values = {}) {
    c.execute(statement, values);
    return true;
}

} // namespace

TEST_F(ServerTrust, EachRoleMayDoExactlyWhatItsRightsAllow) {
    const qint64 ibuprofen = fixture->generic.value(QStringLiteral("Ibuprofen"));
    const qint64 ceftriaxone = fixture->generic.value(QStringLiteral("Ceftriaxone"));
    const qint64 paracetamol = fixture->generic.value(QStringLiteral("Paracetamol"));
    const QString otherCode = QStringLiteral("E-") + other;
    const QString newUser = QStringLiteral("new_") + other;
    const QString verifier = owner->passwordVerifier(newUser, kPassword);
    using enum Need;
    using enum Refusal;
    const std::vector<Case> cases = {
        {"add a classification", Classification, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(
                 c,
                 QStringLiteral("inventory.classification_add('_0', '0', NULL, '_4', 'New',"
                                " 'new', '')"),
                 {});
         }},
        {"rename a classification", Classification, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(
                 c, QStringLiteral("inventory.classification_rename('_3', ?, 'Zinc', 'zinc')"),
                 {vitamins});
         }},
        {"delete a classification", Classification, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.classification_delete('_3', ?)"),
                             {vitamins});
         }},
        {"place a generic name", Generic, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(
                 c, QStringLiteral("inventory.generic_place('_3', '1', NULL, '_3.1', ?, '', '')"),
                 {ibuprofen});
         }},
        {"remove a generic name from its classification", Generic, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.generic_unplace(?)"), {ceftriaxone});
         }},
        {"add a generic name", Generic, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.generic_new('Zinc', 'zinc')"), {});
         }},
        {"delete a generic name", Generic, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             const QVariant result =
                 c.query(QStringLiteral("SELECT inventory.generic_delete(?)"), {ibuprofen})
                     .field(0);
             return result.toInt() == int(database::DeleteGenericResult::Deleted);
         }},
        {"place a drug", Drug, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(
                 c, QStringLiteral("inventory.drug_place('_2.1', '2', NULL, '_2.1.3', 'IBU400')"),
                 {});
         }},
        {"remove a drug", Drug, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.drug_unplace('PCM500')"), {});
         }},
        {"write other details", OtherDetails, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.other_details_save(?, 'Take with food')"),
                             {paracetamol});
         }},
        {"grant a right", Administrator, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.user_right_save(?, 'isDrug', true)"),
                             {otherCode});
         }},
        {"grant all rights", Administrator, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.user_rights_set_all(?, true)"),
                             {otherCode});
         }},
        {"change a user's rights class", Administrator, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.user_set_rights_class(?, 'BB')"),
                             {other});
         }},
        {"make oneself administrator", Administrator, PermissionDenied,
         [&](db::Connection& c, const QString& self) {
             return answered(c, QStringLiteral("inventory.user_set_admin(?, true)"), {self});
         }},
        {"add a user", Administrator, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c,
                             QStringLiteral("inventory.user_add('E-new', ?, 'N', 'U', 'u', 'NU',"
                                            " 'AA', false, ?)"),
                             {newUser, verifier});
         }},
        {"set another user's password", Administrator, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("SELECT inventory.login_set_password(?, ?)"),
                        {other, owner->passwordVerifier(other, QStringLiteral("taken over"))});
         }},
        {"change the hospital record", Administrator, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.hospital_save('X', 'Y', 'Z')"), {});
         }},
        {"insert a classification row", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("INSERT INTO inventory.tbForClassification"
                                          " (ClassificationName, name_folded) VALUES ('X', 'x')"));
         }},
        {"move a node", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("UPDATE inventory.tbFormularyNode SET NodeName = 'X'"
                                          " WHERE Node_Key = '_1'"));
         }},
        {"write the rights table", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("UPDATE inventory.tbforUserSettings SET isDrug = true"));
         }},
        {"write the users table", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("UPDATE inventory.tbUser SET isadmin = true,"
                                          " rightsclass = 'AA'"));
         }},
        {"write the hospital record", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("DELETE FROM patient_data.tbHospitalInfo"));
         }},
        {"write the item master", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("UPDATE inventory.tbinvmaster SET itemname = 'X'"));
         }},
        {"join the administrators' group", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString& self) {
             return ran(c, QStringLiteral("GRANT \"%1_admins\" TO \"%2\"").arg(databaseName, self));
         }},
        {"call the tree's own helper", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return answered(c, QStringLiteral("inventory.tree_insert('_0', '_5', '1', ?)"),
                             {vitamins});
         }},
        {"create a table", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("CREATE TABLE inventory.mine (x integer)"));
         }},
        {"create a table in public", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("CREATE TABLE public.mine (x integer)"));
         }},
        {"create a temporary table", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("CREATE TEMPORARY TABLE mine (x integer)"));
         }},
        {"drop a table", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("DROP TABLE inventory.tbSession"));
         }},
        {"alter a change function", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c, QStringLiteral("ALTER FUNCTION inventory.caller_may(text) SECURITY"
                                          " INVOKER"));
         }},
        {"write a trace row in another's name", Nobody, PermissionDenied,
         [&](db::Connection& c, const QString&) {
             return ran(c,
                        QStringLiteral("INSERT INTO inventory.tbForTraceParent"
                                       " (session_id, Node_Key, login_role) VALUES (?, '_9', ?)"),
                        {otherSession, other});
         }},
        {"read another session's trace rows", Nobody, NothingThere,
         [&](db::Connection& c, const QString&) {
             return c.query(QStringLiteral("SELECT * FROM inventory.tbForTraceParent"
                                           " WHERE session_id = ?"),
                            {otherSession})
                        .recordCount() > 0;
         }},
        {"delete another session's trace rows", Nobody, NothingThere,
         [&](db::Connection& c, const QString&) {
             return c.execute(QStringLiteral(
                                  "DELETE FROM inventory.tbForTraceParent WHERE session_id = ?"),
                              {otherSession}) > 0;
         }},
        {"end another's session", Nobody, NothingThere,
         [&](db::Connection& c, const QString&) {
             return c.execute(
                        QStringLiteral("DELETE FROM inventory.tbSession WHERE session_id = ?"),
                        {otherSession}) > 0;
         }},
    };

    for (const Role& role : kRoles) {
        const QString self = roleOf(role);
        SCOPED_TRACE(role.name);
        if (!role.mayConnect) {
            EXPECT_THROW(connectAs(self), db::DbError) << "a disabled user cannot log in";
            continue;
        }
        const auto as = connectAs(self);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            const bool allowed = role.may(c.need);
            const QString before = allowed ? QString() : snapshot();
            bool done = false;
            std::optional<Kind> refused;
            try {
                if (allowed) {
                    // Undone again, so that every case finds the same data.
                    db::Transaction undone(*as);
                    done = c.attempt(*as, self);
                } else {
                    done = c.attempt(*as, self);
                }
            } catch (const db::DbError& e) {
                refused = e.kind();
                if (e.kind() != Kind::PermissionDenied)
                    ADD_FAILURE() << e.description().toStdString();
            }
            EXPECT_EQ(done, allowed);
            if (allowed)
                continue;
            if (c.refusal == Refusal::PermissionDenied)
                EXPECT_EQ(refused, Kind::PermissionDenied);
            else
                EXPECT_FALSE(refused.has_value());
            EXPECT_EQ(snapshot(), before) << "a refused change changed something";
        }
    }
}

// The purge of stale sessions crosses users, so the server makes it: it takes
// the sessions nobody has used for a day, whoever began them, and no live one.
TEST_F(ServerTrust, AnyUserPurgesOnlyStaleSessions) {
    const QString stale = QStringLiteral("stale-session");
    owner->execute(QStringLiteral("INSERT INTO inventory.tbSession (session_id, employeecode,"
                                  " started_at, last_seen, login_role) VALUES (?, 'E-x', 0, 0, ?)"),
                   {stale, other});
    owner->execute(QStringLiteral("INSERT INTO inventory.tbForTraceParent (session_id, Node_Key,"
                                  " login_role) VALUES (?, '_1', ?)"),
                   {stale, other});
    const auto as = connectAs(roleOf(kRoles[1]));
    as->query(QStringLiteral("SELECT inventory.session_purge_stale()"));
    const auto count = [&](const QString& table, const QString& session) {
        return owner
            ->query(
                QStringLiteral("SELECT COUNT(*) FROM inventory.%1 WHERE session_id = ?").arg(table),
                {session})
            .field(0)
            .toInt();
    };
    EXPECT_EQ(count(QStringLiteral("tbSession"), stale), 0);
    EXPECT_EQ(count(QStringLiteral("tbForTraceParent"), stale), 0);
    EXPECT_EQ(count(QStringLiteral("tbSession"), otherSession), 1);
    EXPECT_GT(count(QStringLiteral("tbForTraceParent"), otherSession), 0);
}

// A database from before these rules (schema 3: users wrote the tables
// themselves) gains them with the upgrade.
TEST_F(ServerTrust, UpgradeGivesAnOlderDatabaseTheSameRules) {
    const QString users = databaseName + QStringLiteral("_users");
    owner->execute(QStringLiteral("GRANT INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA inventory"
                                  " TO \"%1\"")
                       .arg(users));
    owner->execute(QStringLiteral("DROP FUNCTION inventory.classification_add"));
    owner->execute(QStringLiteral("UPDATE inventory.tbSchemaVersion SET version = 3"));

    database::upgrade(*owner);

    EXPECT_EQ(database::schemaVersion(*owner), database::CurrentSchemaVersion);
    EXPECT_FALSE(owner
                     ->query(QStringLiteral("SELECT has_table_privilege(?, "
                                            "'inventory.tbForClassification', 'INSERT')"),
                             {users})
                     .field(0)
                     .toBool());
    const auto as = connectAs(roleOf(kRoles[2]));
    EXPECT_EQ(
        as->query(QStringLiteral("SELECT inventory.classification_add('_0', '0', NULL, '_4', 'New',"
                                 " 'new', '')"))
            .field(0)
            .toString(),
        QStringLiteral("_4"));
    EXPECT_THROW(as->execute(QStringLiteral("DELETE FROM inventory.tbforUserSettings")),
                 db::DbError);
}
