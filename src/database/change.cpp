#include "database/change.h"

#include "platform/db/db_error.h"
#include "platform/db/transaction.h"

namespace database {

namespace {

struct Right {
    const char* column; // of tbforUserSettings; null: administrators only
    const char* what;
};

// The right each kind of entry needs, and what the refusal names.
Right rightFor(Entry entry) {
    switch (entry) {
    case Entry::Classification:
        return {"isClassification", "classifications"};
    case Entry::GenericName:
        return {"isGeneric", "generic names"};
    case Entry::Drug:
        return {"isDrug", "the drugs under generic names"};
    case Entry::OtherDetails:
        return {"isOtherDetails", "other details"};
    case Entry::UserRights:
    case Entry::User:
    case Entry::StockItem:
    case Entry::Hospital:
        break;
    }
    return {nullptr, "users, their rights or the hospital record"};
}

// The user of the connection's session must hold the right; a look-only
// user holds none. On a server the server's functions decide.
void requireRight(db::Connection& c, Entry entry) {
    if (c.sessionId().isEmpty() || onServer(c))
        return;
    const Right right = rightFor(entry);
    const QString granted = right.column ? QStringLiteral("s.%1").arg(QLatin1String(right.column))
                                         : QStringLiteral("u.isadmin");
    const db::Recordset rs = c.query(
        QStringLiteral("SELECT u.username, UPPER(TRIM(u.rightsclass)) <> 'BB' AND %1 AS allowed"
                       " FROM inventory.tbSession ss"
                       " JOIN inventory.tbUser u ON u.employeecode = ss.employeecode"
                       " LEFT JOIN inventory.tbforUserSettings s ON s.userid = u.employeecode"
                       " WHERE ss.session_id = ?")
            .arg(granted),
        {c.sessionId()});
    if (!rs.eof() && rs.field(QStringLiteral("allowed")).toBool())
        return;
    throw AppError(AppError::PermissionDenied,
                   QStringLiteral("The user \"%1\" has no right to change %2.")
                       .arg(rs.eof() ? QString() : rs.text(QStringLiteral("username")),
                            QLatin1String(right.what)),
                   QStringLiteral("database.runChange"));
}

} // namespace

bool onServer(const db::Connection& c) {
    return c.engine() == db::Engine::PostgreSQL;
}

bool runChange(db::Connection& c, ChangeTarget& target, const std::function<bool()>& work) {
    try {
        db::Transaction t(c);
        requireRight(c, target.entry);
        if (!work())
            return false;
        t.commit();
        return true;
    } catch (const db::DbError& e) {
        if (e.isConstraintViolation())
            return false;
        throw;
    }
}

QVariant serverChange(db::Connection& c, const QString& function, const QVariantList& values) {
    const QStringList marks(values.size(), QStringLiteral("?"));
    const QString call =
        QStringLiteral("SELECT inventory.%1(%2)").arg(function, marks.join(QStringLiteral(", ")));
    try {
        // One statement is one transaction of its own; inside a caller's
        // transaction a refusal must leave that one usable.
        if (!c.inTransaction())
            return c.query(call, values).field(0);
        db::Transaction t(c);
        QVariant result = c.query(call, values).field(0);
        t.commit();
        return result;
    } catch (const db::DbError& e) {
        if (e.isConstraintViolation())
            return {};
        throw;
    }
}

} // namespace database
