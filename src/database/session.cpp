#include "database/session.h"

#include "database/change.h"
#include "platform/db/transaction.h"

#include <QDateTime>
#include <QUuid>

namespace database {

namespace {

const QStringList& sessionTables() {
    static const QStringList tables = {
        QStringLiteral("inventory.tbForTraceParent"),
        QStringLiteral("inventory.tbFormularyNodeLevel"),
        QStringLiteral("inventory.tbFormularyReport"),
    };
    return tables;
}

qint64 now() {
    return QDateTime::currentSecsSinceEpoch();
}

// On a server each user sees only their own sessions; the server's function
// purges everyone's.
void purgeStale(db::Connection& c) {
    if (onServer(c)) {
        c.query(QStringLiteral("SELECT inventory.session_purge_stale()"));
        return;
    }
    const qint64 cutoff = now() - StaleSessionSeconds;
    for (const QString& table : sessionTables())
        c.execute(
            QStringLiteral("DELETE FROM %1 WHERE session_id IN"
                           " (SELECT session_id FROM inventory.tbSession WHERE last_seen < ?)")
                .arg(table),
            {cutoff});
    c.execute(QStringLiteral("DELETE FROM inventory.tbSession WHERE last_seen < ?"), {cutoff});
}

} // namespace

QString beginSession(db::Connection& c, const QString& employeeCode) {
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    db::Transaction t(c);
    purgeStale(c);
    c.execute(
        QStringLiteral("INSERT INTO inventory.tbSession (session_id, employeecode, started_at,"
                       " last_seen) VALUES (?, ?, ?, ?)"),
        {id, employeeCode, now(), now()});
    t.commit();
    c.setSessionId(id);
    return id;
}

void endSession(db::Connection& c) {
    if (c.sessionId().isEmpty() || !c.isOpen())
        return;
    db::Transaction t(c);
    for (const QString& table : sessionTables())
        c.execute(QStringLiteral("DELETE FROM %1 WHERE session_id = ?").arg(table),
                  {c.sessionId()});
    c.execute(QStringLiteral("DELETE FROM inventory.tbSession WHERE session_id = ?"),
              {c.sessionId()});
    t.commit();
    c.setSessionId(QString());
}

void touchSession(db::Connection& c) {
    c.execute(QStringLiteral("UPDATE inventory.tbSession SET last_seen = ? WHERE session_id = ?"),
              {now(), c.sessionId()});
}

} // namespace database
