#include "components/current_user/user_store.h"
#include "components/current_user/user_rows.h"

#include "database/change.h"
#include "database/server_roles.h"
#include "platform/app_error.h"
#include "platform/db/text_match.h"
#include "platform/db/transaction.h"

#include <sodium.h>

namespace current_user {

namespace {

// A new password lifts the slow-down of earlier failed log-ins.
const QString kFreshLogins = QStringLiteral("failedlogins = 0, lastfailed_at = NULL");

[[noreturn]] void refuse(const QString& description) {
    throw AppError(AppError::InvalidArgument, description);
}

void initSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("The password library cannot be started."));
}

void requirePassword(const QString& password) {
    if (password.isEmpty())
        refuse(QStringLiteral("The password must not be empty."));
}

// The driver binds a null string as NULL; the text columns want "" instead.
QString nonNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QString initialsOf(const UserRecord& user) {
    const QString given = user.initials.trimmed();
    if (!given.isEmpty())
        return given;
    return (user.firstname.trimmed().left(1) + user.lastname.trimmed().left(1)).toUpper();
}

bool exists(db::Connection& c, const QString& column, const QString& value) {
    return !c.query(QStringLiteral("SELECT 1 FROM inventory.tbUser WHERE %1 = ?").arg(column),
                    {value})
                .eof();
}

// Says which of the two unique values another user holds already.
void requireFree(db::Connection& c, const QString& employeeCode, const QString& userName) {
    if (exists(c, QStringLiteral("employeecode"), employeeCode))
        refuse(
            QStringLiteral("The employee code \"%1\" belongs to another user.").arg(employeeCode));
    if (exists(c, QStringLiteral("username"), userName))
        refuse(QStringLiteral("A user named \"%1\" exists already.").arg(userName));
}

// Only "BB" (may only look) and "AA" (the four rights decide) exist; typed in
// any case, kept upper-case.
QString rightsClassOf(const QString& typed) {
    const QString rightsClass = typed.trimmed().toUpper();
    if (rightsClass != QLatin1String("AA") && rightsClass != QLatin1String("BB"))
        refuse(QStringLiteral("The rights class is \"AA\" or \"BB\", not \"%1\".")
                   .arg(typed.trimmed()));
    return rightsClass;
}

[[noreturn]] void refuseUnknown(const QString& name) {
    refuse(QStringLiteral("There is no user named \"%1\".").arg(name));
}

// What the audit says of a user: the part of the row that a change changes.
using Described = QString (*)(const UserRecord&);

QString describeRightsClass(const UserRecord& user) {
    return QStringLiteral("rights class ") + user.rightsclass;
}

QString describeAdministrator(const UserRecord& user) {
    return QStringLiteral("administrator: ") +
           (user.isadmin ? QStringLiteral("Yes") : QStringLiteral("No"));
}

// Runs an update of one user's row as one change, noted as "user changed"
// when the described part changed (a password, which is not described, is
// noted as set); an unknown user changes nothing and is an error.
void updateUser(db::Connection& c, const QString& assignments, const QString& username,
                QVariantList params, Described described = nullptr) {
    const QString name = foldedUserName(username);
    params << name;
    bool found = true;
    database::ChangeTarget target{database::Entry::User, name};
    const bool changed = database::runChange(c, target, [&] {
        const auto before = findUser(c, name);
        found = before && c.execute(QStringLiteral("UPDATE inventory.tbUser SET %1 WHERE"
                                                   " username = ?")
                                        .arg(assignments),
                                    params) > 0;
        if (!found)
            return false;
        target.id = before->employeecode;
        const QString action = QStringLiteral("user changed");
        if (!described)
            target.note(action, name, {}, {}, QStringLiteral("password set"));
        else if (const QString was = described(*before), now = described(*findUser(c, name));
                 was != now)
            target.note(action, name, {}, was, now);
        return true;
    });
    if (!found)
        refuseUnknown(name);
    if (!changed)
        refuse(QStringLiteral("The database refused the change of the user \"%1\".").arg(name));
}

// The server's change function of one user's row; false from it: no such user.
void updateUserOnServer(db::Connection& c, const QString& function, const QString& username,
                        const QVariant& value) {
    const QString name = foldedUserName(username);
    if (!database::serverChange(c, function, {name, value}).toBool())
        refuseUnknown(name);
}

// The log-in role of a user of the formulary on a server.
QString existingRole(db::Connection& c, const QString& username) {
    const QString role = database::server_roles::roleNameFor(username);
    if (!findUser(c, role))
        refuseUnknown(role);
    return role;
}

} // namespace

QString userColumns() {
    return QStringLiteral("employeecode, username, firstname, lastname, initials, rightsclass,"
                          " isadmin, failedlogins");
}

UserRecord readUser(const db::Recordset& rows) {
    UserRecord user;
    user.employeecode = rows.text(QStringLiteral("employeecode"));
    user.username = rows.text(QStringLiteral("username"));
    user.firstname = rows.text(QStringLiteral("firstname"));
    user.lastname = rows.text(QStringLiteral("lastname"));
    user.initials = rows.text(QStringLiteral("initials"));
    user.rightsclass = rows.text(QStringLiteral("rightsclass"));
    user.isadmin = rows.field(QStringLiteral("isadmin")).toBool();
    user.failedlogins = rows.field(QStringLiteral("failedlogins")).toInt();
    return user;
}

QString foldedUserName(const QString& userName) {
    return db::foldText(userName.trimmed());
}

QString hashPassword(const QString& password) {
    requirePassword(password);
    initSodium();
    QByteArray clear = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    const int failed =
        crypto_pwhash_str(hash, clear.constData(), size_t(clear.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE);
    sodium_memzero(clear.data(), size_t(clear.size()));
    if (failed != 0)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("There is not enough memory to protect the password."));
    return QString::fromLatin1(hash);
}

bool verifyPassword(const QString& hash, const QString& password) {
    initSodium();
    const QByteArray stored = hash.toLatin1();
    QByteArray clear = password.toUtf8();
    const bool right =
        crypto_pwhash_str_verify(stored.constData(), clear.constData(), size_t(clear.size())) == 0;
    sodium_memzero(clear.data(), size_t(clear.size()));
    return right;
}

void addUser(db::Connection& c, const UserRecord& user, const QString& password) {
    const bool onServer = database::onServer(c);
    const QString name = onServer ? database::server_roles::roleNameFor(user.username)
                                  : foldedUserName(user.username);
    const QString code = user.employeecode.trimmed();
    if (name.isEmpty())
        refuse(QStringLiteral("The user name must not be empty."));
    if (code.isEmpty())
        refuse(QStringLiteral("The employee code must not be empty."));
    const QString rightsClass = rightsClassOf(user.rightsclass);
    requirePassword(password);
    const QVariantList values = {code,
                                 name,
                                 nonNull(user.firstname),
                                 nonNull(user.lastname),
                                 nonNull(db::foldText(user.lastname)),
                                 nonNull(initialsOf(user)),
                                 rightsClass,
                                 user.isadmin};
    // On a server the password belongs to the user's log-in role, not to a table.
    bool added = false;
    if (onServer) {
        added = !database::serverChange(c, QStringLiteral("user_add"),
                                        values + QVariantList{c.passwordVerifier(name, password)})
                     .isNull();
    } else {
        database::ChangeTarget target{database::Entry::User, code};
        added = database::runChange(c, target, [&] {
            target.note(QStringLiteral("user added"), name, {}, {},
                        QStringLiteral("%1 %2 (%3), rights class %4%5")
                            .arg(user.firstname, user.lastname, initialsOf(user), rightsClass,
                                 user.isadmin ? QStringLiteral(", administrator") : QString()));
            c.execute(QStringLiteral(
                          "INSERT INTO inventory.tbUser (employeecode, username, firstname,"
                          " lastname, lastname_folded, initials, rightsclass, isadmin,"
                          " passwordhash, failedlogins) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"),
                      values + QVariantList{hashPassword(password)});
            return true;
        });
    }
    if (added)
        return;
    // The unique keys decide, also against another workstation; say which one.
    requireFree(c, code, name);
    if (onServer && database::server_roles::roleExists(c, name))
        refuse(QStringLiteral("The server has a role named \"%1\" already, which is no user of "
                              "this formulary.")
                   .arg(name));
    refuse(QStringLiteral("The database refused the user \"%1\".").arg(name));
}

void setPassword(db::Connection& c, const QString& username, const QString& password) {
    requirePassword(password);
    if (!database::onServer(c)) {
        updateUser(c, QStringLiteral("passwordhash = ?, ") + kFreshLogins, username,
                   {hashPassword(password)});
        return;
    }
    const QString role = existingRole(c, username);
    // A user from before server log-ins gets a role with the first password set.
    if (database::server_roles::loginExists(c, role)) {
        database::server_roles::setLoginPassword(c, role, password);
        return;
    }
    db::Transaction t(c);
    database::server_roles::createLogin(c, role, password);
    if (findUser(c, role)->isadmin)
        database::server_roles::setLoginAdmin(c, role, true);
    t.commit();
}

void setRightsClass(db::Connection& c, const QString& username, const QString& rightsClass) {
    if (database::onServer(c))
        updateUserOnServer(c, QStringLiteral("user_set_rights_class"), username,
                           rightsClassOf(rightsClass));
    else
        updateUser(c, QStringLiteral("rightsclass = ?"), username, {rightsClassOf(rightsClass)},
                   describeRightsClass);
}

void setLoginEnabled(db::Connection& c, const QString& username, bool enabled) {
    if (!database::onServer(c))
        refuse(QStringLiteral("Only users of a database server can be disabled; on an embedded "
                              "database, set another password instead."));
    database::server_roles::setLoginEnabled(c, existingRole(c, username), enabled);
}

void setAdministrator(db::Connection& c, const QString& username, bool isAdmin) {
    // On a server the flag follows the administrators' group, which decides.
    if (database::onServer(c))
        updateUserOnServer(c, QStringLiteral("user_set_admin"), username, isAdmin);
    else
        updateUser(c, QStringLiteral("isadmin = ?"), username, {isAdmin}, describeAdministrator);
}

std::optional<UserRecord> findUser(db::Connection& c, const QString& username) {
    db::Recordset rows = c.query(
        QStringLiteral("SELECT %1 FROM inventory.tbUser WHERE username = ?").arg(userColumns()),
        {foldedUserName(username)});
    if (rows.eof())
        return std::nullopt;
    return readUser(rows);
}

std::vector<UserRecord> listUsers(db::Connection& c) {
    db::Recordset rows = c.query(
        QStringLiteral("SELECT %1 FROM inventory.tbUser ORDER BY username").arg(userColumns()));
    std::vector<UserRecord> users;
    for (; !rows.eof(); rows.moveNext())
        users.push_back(readUser(rows));
    return users;
}

} // namespace current_user
