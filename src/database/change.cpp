#include "database/change.h"

#include "database/audit.h"

#include "platform/db/db_error.h"
#include "platform/db/transaction.h"

#include <atomic>

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
    case Entry::Database:
    case Entry::Restriction:
        break;
    }
    return {nullptr, "users, their rights or the hospital record"};
}

// The user making a change: the user of the connection's session, who must
// hold the right (a look-only user holds none); without a session (the
// administration tool) the system account, since whoever opens the files
// may. On a server the server's functions decide and record.
QString actingUser(db::Connection& c, Entry entry) {
    if (onServer(c))
        return {};
    if (c.sessionId().isEmpty())
        return audit::systemAccount();
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
        return rs.text(QStringLiteral("username"));
    throw AppError(AppError::PermissionDenied,
                   QStringLiteral("The user \"%1\" has no right to change %2.")
                       .arg(rs.eof() ? QString() : rs.text(QStringLiteral("username")),
                            QLatin1String(right.what)));
}

bool isConflict(const db::DbError& e) {
    using Kind = db::DbError::Kind;
    return e.kind() == Kind::Deadlock || e.kind() == Kind::SerializationFailure ||
           e.kind() == Kind::Busy;
}

// Still a refusal of the database, which callers that go on with the next
// row catch; otherwise shown, and the program goes on.
[[noreturn]] void refuseConflict(const db::DbError& e) {
    throw db::DbError(
        e.kind(), AppError::ChangeConflict,
        e.kind() == db::DbError::Kind::Busy
            ? QStringLiteral("Another workstation is busy with the formulary database. "
                             "Nothing was changed; please try again in a moment.")
            : QStringLiteral("Another workstation was changing the same entries at the "
                             "same moment. Nothing was changed; please try again."));
}

// Runs a change whole; one that met another workstation's change (deadlock,
// serialization failure) runs once more, re-reading what it checks. A busy
// embedded database has waited its time already. Inside a caller's
// transaction the caller decides.
std::atomic<qint64> retries{0};

template <typename Result>
Result withRetry(db::Connection& c, const std::function<Result()>& work) {
    if (c.inTransaction())
        return work();
    for (int attempt = 1;; ++attempt) {
        try {
            return work();
        } catch (const db::DbError& e) {
            if (!isConflict(e))
                throw;
            if (attempt == 2 || e.kind() == db::DbError::Kind::Busy)
                refuseConflict(e);
            ++retries;
        }
    }
}

} // namespace

qint64 changeRetries() {
    return retries.load();
}

QString nodeTypeOf(NodeKind kind) {
    switch (kind) {
    case NodeKind::Classification:
        return QStringLiteral("1");
    case NodeKind::Generic:
        return QStringLiteral("2");
    case NodeKind::Drug:
        return QStringLiteral("3");
    case NodeKind::Root:
        break;
    }
    return QStringLiteral("0");
}

bool sameEntry(const NodeIdentity& seen, const NodeIdentity& stored) {
    return seen.key == stored.key && seen.type == stored.type &&
           (seen.id.isNull() || seen.id.toString() == stored.id.toString());
}

bool onServer(const db::Connection& c) {
    return c.engine() == db::Engine::PostgreSQL;
}

bool runChange(db::Connection& c, ChangeTarget& target, const std::function<bool()>& work) {
    return withRetry<bool>(c, [&] {
        try {
            db::Transaction t(c);
            target.notes.clear();
            target.who = actingUser(c, target.entry);
            if (!work())
                return false;
            if (!onServer(c))
                audit::writeNotes(c, target.who, target.notes);
            t.commit();
            return true;
        } catch (const db::DbError& e) {
            if (e.isConstraintViolation())
                return false;
            throw;
        }
    });
}

QVariant serverChange(db::Connection& c, const QString& function, const QVariantList& values) {
    const QStringList marks(values.size(), QStringLiteral("?"));
    const QString call =
        QStringLiteral("SELECT inventory.%1(%2)").arg(function, marks.join(QStringLiteral(", ")));
    return withRetry<QVariant>(c, [&]() -> QVariant {
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
    });
}

} // namespace database
