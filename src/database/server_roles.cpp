#include "database/server_roles.h"

#include "platform/app_error.h"
#include "platform/db/text_match.h"

#include <QRandomGenerator>
#include <QRegularExpression>

namespace database::server_roles {

namespace {

// Creates the two groups once and lets only the users group in.
const QString kGroups = QStringLiteral(R"SQL(
DO $set_up$
DECLARE
    users text := current_database() || '_users';
    admins text := current_database() || '_admins';
    keeper text := current_database() || '_keeper';
BEGIN
    IF octet_length(current_database()) > 50 THEN
        RAISE EXCEPTION 'A formulary database on a server has a name of at most 50 bytes.'
            USING ERRCODE = '22023';
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = users) THEN
        EXECUTE format('CREATE ROLE %I NOLOGIN', users);
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = admins) THEN
        EXECUTE format('CREATE ROLE %I NOLOGIN', admins);
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = keeper) THEN
        EXECUTE format('CREATE ROLE %I NOLOGIN CREATEROLE', keeper);
    END IF;
    EXECUTE format('GRANT %I, %I TO %I WITH ADMIN OPTION', users, admins, keeper);
    EXECUTE format('GRANT pg_signal_backend TO %I', keeper);
    EXECUTE format('REVOKE CONNECT, TEMPORARY ON DATABASE %I FROM PUBLIC', current_database());
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO %I', current_database(), users);
    EXECUTE format('GRANT USAGE ON SCHEMA inventory TO %I, %I', users, keeper);
END
$set_up$)SQL");

// Who may change users, and which names and roles they may touch. A
// definer function sees the caller as session_user. Administrators are the
// members of "<database>_admins", which only these functions grant: the
// users table's flag follows it, and writing the flag grants nothing.
const QString kGuard = QStringLiteral(R"SQL(
CREATE OR REPLACE FUNCTION inventory.login_guard(role_name text, existing boolean)
RETURNS void LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp
AS $guard$
DECLARE
    users text := current_database() || '_users';
BEGIN
    IF NOT inventory.caller_may('administrator') THEN
        RAISE EXCEPTION 'Only an administrator of this formulary may change its users.'
            USING ERRCODE = '42501';
    END IF;
    IF role_name IS NULL OR role_name !~ '^[a-z0-9_][a-z0-9_.@-]*$'
       OR octet_length(role_name) > 63 OR left(role_name, 3) = 'pg_' THEN
        RAISE EXCEPTION 'The user name "%" cannot name a log-in on the server.', role_name
            USING ERRCODE = '22023';
    END IF;
    IF existing AND NOT EXISTS (
            SELECT 1 FROM pg_auth_members m
            JOIN pg_roles g ON g.oid = m.roleid
            JOIN pg_roles r ON r.oid = m.member
            WHERE g.rolname = users AND r.rolname = role_name
              AND NOT r.rolsuper AND NOT r.rolcreaterole) THEN
        RAISE EXCEPTION 'There is no log-in "%" among the users of this formulary.', role_name
            USING ERRCODE = '42704';
    END IF;
    IF NOT existing AND EXISTS (SELECT 1 FROM pg_roles WHERE rolname = role_name) THEN
        RAISE EXCEPTION 'A role named "%" exists on the server already.', role_name
            USING ERRCODE = '23505';
    END IF;
END
$guard$)SQL");

// Only verifiers travel: a clear password would appear in the DDL.
const QString kVerifierCheck = QStringLiteral(R"SQL(
    IF verifier IS NULL OR verifier NOT LIKE 'SCRAM-SHA-256$%' THEN
        RAISE EXCEPTION 'A password reaches the server only as a SCRAM-SHA-256 verifier.'
            USING ERRCODE = '22023';
    END IF;
)SQL");

const QString kGuardSignature = QStringLiteral("login_guard(role_name text, existing boolean)");

// The log-ins of this database's users, with the columns asked for.
const QString kMembers = QStringLiteral("SELECT %1 FROM pg_auth_members m"
                                        " JOIN pg_roles g ON g.oid = m.roleid"
                                        " JOIN pg_roles r ON r.oid = m.member"
                                        " WHERE g.rolname = current_database() || '_users'"
                                        " AND r.rolname <> current_database() || '_keeper'"
                                        " ORDER BY r.rolname");

struct RoleFunction {
    QString signature;
    QString body;
};

const RoleFunction kFunctions[] = {
    {QStringLiteral("login_create(role_name text, verifier text)"),
     QStringLiteral("PERFORM inventory.login_guard(role_name, false);") + kVerifierCheck +
         QStringLiteral("EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE %I', role_name,"
                        " verifier, current_database() || '_users');"
                        // A user from before server log-ins gets one with a password.
                        "IF EXISTS (SELECT 1 FROM inventory.tbUser WHERE username = role_name) THEN"
                        " PERFORM inventory.audit_user(role_name, 'user changed', NULL,"
                        " 'log-in created');"
                        "END IF;")},
    {QStringLiteral("login_set_password(role_name text, verifier text)"),
     QStringLiteral("PERFORM inventory.login_guard(role_name, true);") + kVerifierCheck +
         QStringLiteral("EXECUTE format('ALTER ROLE %I PASSWORD %L', role_name, verifier);"
                        "PERFORM inventory.audit_user(role_name, 'user changed', NULL,"
                        " 'password set');")},
    {QStringLiteral("login_set_admin(role_name text, admin boolean)"),
     QStringLiteral("PERFORM inventory.login_guard(role_name, true);"
                    "EXECUTE format(CASE WHEN admin THEN 'GRANT %I TO %I' ELSE 'REVOKE %I FROM %I'"
                    " END, current_database() || '_admins', role_name);")},
    {QStringLiteral("login_set_enabled(role_name text, enabled boolean)"), QStringLiteral(R"SQL(
    PERFORM inventory.login_guard(role_name, true);
    IF NOT enabled AND role_name = session_user THEN
        RAISE EXCEPTION 'No one can disable their own log-in.' USING ERRCODE = '42501';
    END IF;
    EXECUTE format('ALTER ROLE %I %s', role_name, CASE WHEN enabled THEN 'LOGIN' ELSE 'NOLOGIN' END);
    IF NOT enabled THEN
        PERFORM pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = role_name;
    END IF;
    PERFORM inventory.audit_user(role_name,
        CASE WHEN enabled THEN 'user changed' ELSE 'user disabled' END, NULL,
        CASE WHEN enabled THEN 'log-in enabled' ELSE 'log-in disabled' END);
)SQL")},
};

QString createFunction(const RoleFunction& f) {
    return QStringLiteral("CREATE OR REPLACE FUNCTION inventory.%1 RETURNS void LANGUAGE plpgsql"
                          " SECURITY DEFINER SET search_path = pg_catalog, pg_temp"
                          " AS $body$ BEGIN %2 END $body$")
        .arg(f.signature, f.body);
}

// The signature without parameter names, as ALTER and GRANT name a function.
QString typesOnly(const QString& signature) {
    static const QRegularExpression name(QStringLiteral("\\b\\w+ (\\w+)"));
    QString types = signature;
    types.replace(name, QStringLiteral("\\1"));
    return QStringLiteral("inventory.") + types;
}

// Hands a function to the keeper and lets only the users group call it.
void ownAndGrant(db::Connection& c, const QString& function, bool callable) {
    c.execute(QStringLiteral("DO $own$ BEGIN EXECUTE format('ALTER FUNCTION %1 OWNER TO %I',"
                             " current_database() || '_keeper'); END $own$")
                  .arg(function));
    c.execute(QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(function));
    if (callable)
        c.execute(QStringLiteral("DO $grant$ BEGIN EXECUTE format('GRANT EXECUTE ON FUNCTION %1"
                                 " TO %I', current_database() || '_users'); END $grant$")
                      .arg(function));
}

void requireServer(db::Connection& c) {
    if (c.engine() != db::Engine::PostgreSQL)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Only a database server keeps log-in roles."));
}

} // namespace

QString roleNameFor(const QString& userName) {
    static const QRegularExpression allowed(QStringLiteral("^[a-z0-9_][a-z0-9_.@-]*$"));
    const QString role = db::foldText(userName.trimmed());
    if (role.isEmpty())
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("The user name must not be empty."));
    if (!allowed.match(role).hasMatch() || role.startsWith(QLatin1String("pg_")) ||
        role.toUtf8().size() > MaxRoleNameBytes)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("The user name \"%1\" cannot name a log-in on the server: it "
                                      "takes letters a-z, digits, \"_\", \".\", \"@\" and \"-\", "
                                      "at most %2, and does not begin with \"pg_\".")
                           .arg(userName.trimmed())
                           .arg(MaxRoleNameBytes));
    return role;
}

QString usersGroup(db::Connection& c) {
    return c.query(QStringLiteral("SELECT current_database() || '_users'")).field(0).toString();
}

void setUp(db::Connection& c) {
    requireServer(c);
    c.execute(kGroups);
    c.execute(kGuard);
    ownAndGrant(c, typesOnly(kGuardSignature), false);
    for (const RoleFunction& f : kFunctions) {
        c.execute(createFunction(f));
        ownAndGrant(c, typesOnly(f.signature), true);
    }
}

void createLogin(db::Connection& c, const QString& role, const QString& password) {
    requireServer(c);
    c.query(QStringLiteral("SELECT inventory.login_create(?, ?)"),
            {role, c.passwordVerifier(role, password)});
}

void setLoginPassword(db::Connection& c, const QString& role, const QString& password) {
    requireServer(c);
    c.query(QStringLiteral("SELECT inventory.login_set_password(?, ?)"),
            {role, c.passwordVerifier(role, password)});
}

void setLoginAdmin(db::Connection& c, const QString& role, bool admin) {
    requireServer(c);
    c.query(QStringLiteral("SELECT inventory.login_set_admin(?, ?)"), {role, admin});
}

void setLoginEnabled(db::Connection& c, const QString& role, bool enabled) {
    requireServer(c);
    c.query(QStringLiteral("SELECT inventory.login_set_enabled(?, ?)"), {role, enabled});
}

bool loginExists(db::Connection& c, const QString& role) {
    return !c.query(QStringLiteral("SELECT 1 FROM pg_auth_members m"
                                   " JOIN pg_roles g ON g.oid = m.roleid"
                                   " JOIN pg_roles r ON r.oid = m.member"
                                   " WHERE g.rolname = current_database() || '_users'"
                                   " AND r.rolname = ?"),
                    {role})
                .eof();
}

QStringList usersWithoutLogin(db::Connection& c) {
    requireServer(c);
    const db::Recordset rs = c.query(QStringLiteral(
        "SELECT u.username FROM inventory.tbUser u WHERE NOT EXISTS ("
        " SELECT 1 FROM pg_auth_members m"
        " JOIN pg_roles g ON g.oid = m.roleid JOIN pg_roles r ON r.oid = m.member"
        " WHERE g.rolname = current_database() || '_users' AND r.rolname = u.username)"
        " ORDER BY u.username"));
    QStringList names;
    for (int row = 0; row < rs.recordCount(); ++row)
        names << rs.value(row, 0).toString();
    return names;
}

void dropLogins(db::Connection& c, const QStringList& keep) {
    requireServer(c);
    const db::Recordset users = c.query(kMembers.arg(QStringLiteral("r.rolname")));
    for (int row = 0; row < users.recordCount(); ++row)
        if (const QString role = users.value(row, 0).toString(); !keep.contains(role))
            c.execute(QStringLiteral("DROP ROLE %1").arg(quoted(role)));
}

std::vector<Login> logins(db::Connection& c) {
    requireServer(c);
    const db::Recordset rs = c.query(kMembers.arg(QStringLiteral(
        "r.rolname, r.rolcanlogin, pg_has_role(r.oid, current_database() || '_admins',"
        " 'MEMBER') AS administrator")));
    // Only the superuser reads the verifiers.
    const bool verifiers =
        c.query(QStringLiteral("SELECT has_table_privilege('pg_authid', 'SELECT')"))
            .field(0)
            .toBool();
    std::vector<Login> list;
    for (int row = 0; row < rs.recordCount(); ++row) {
        Login login{
            rs.value(row, 0).toString(), rs.value(row, 2).toBool(), rs.value(row, 1).toBool(), {}};
        if (verifiers)
            login.verifier =
                c.query(QStringLiteral("SELECT rolpassword FROM pg_authid WHERE rolname = ?"
                                       " AND rolpassword LIKE 'SCRAM-SHA-256$%'"),
                        {login.name})
                    .text(QStringLiteral("rolpassword"));
        list.push_back(login);
    }
    return list;
}

QStringList foreignRoles(db::Connection& c, const std::vector<Login>& logins) {
    QStringList taken;
    for (const Login& login : logins) {
        const db::Recordset rs =
            c.query(QStringLiteral("SELECT rolsuper OR rolcreaterole AS administers FROM pg_roles"
                                   " WHERE rolname = ?"),
                    {login.name});
        if (!rs.eof() &&
            (rs.field(QStringLiteral("administers")).toBool() || !loginExists(c, login.name)))
            taken << login.name;
    }
    return taken;
}

QStringList restoreLogins(db::Connection& c, const std::vector<Login>& logins) {
    QStringList unknownPasswords;
    for (const Login& login : logins) {
        const bool existed = loginExists(c, login.name);
        if (!existed && login.verifier.isEmpty()) {
            // A password no one knows: 32 random bytes, never shown.
            QByteArray random(32, '\0');
            QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(random.data()),
                                                  random.size() / 4);
            c.query(QStringLiteral("SELECT inventory.login_create(?, ?)"),
                    {login.name,
                     c.passwordVerifier(login.name, QString::fromLatin1(random.toBase64()))});
            unknownPasswords << login.name;
        } else if (!existed) {
            c.query(QStringLiteral("SELECT inventory.login_create(?, ?)"),
                    {login.name, login.verifier});
        }
        setLoginAdmin(c, login.name, login.administrator);
        const bool enabled =
            c.query(QStringLiteral("SELECT rolcanlogin FROM pg_roles WHERE rolname = ?"),
                    {login.name})
                .field(0)
                .toBool();
        if (enabled != login.enabled)
            setLoginEnabled(c, login.name, login.enabled);
    }
    return unknownPasswords;
}

std::vector<std::pair<QString, bool>> functions() {
    std::vector<std::pair<QString, bool>> list = {{typesOnly(kGuardSignature), false}};
    for (const RoleFunction& f : kFunctions)
        list.emplace_back(typesOnly(f.signature), true);
    return list;
}

QString quoted(const QString& role) {
    return QLatin1Char('"') + QString(role).replace(u'"', QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

bool roleExists(db::Connection& c, const QString& role) {
    return !c.query(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"), {role}).eof();
}

} // namespace database::server_roles
