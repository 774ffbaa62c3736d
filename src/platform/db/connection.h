#pragma once

#include "platform/db/recordset.h"
#include "platform/db/target.h"

#include <QSqlDatabase>
#include <QVariantList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace db {

namespace detail {
class PgConnection;
}

// One connection to the formulary database, on either engine. Every value
// reaches the server as a bound parameter; statement texts hold no values.
class Connection {
public:
    static constexpr int DefaultCommandTimeout = 30;

    explicit Connection(Target target);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the connection. An embedded database must exist unless
    // createIfMissing is set. Throws DbError when the database cannot be reached.
    void open(bool createIfMissing = false);
    void close();
    bool isOpen() const;

    const Target& target() const { return m_target; }

    // A server target: true when a server answers there, whether or not it
    // would take the log-in; tells a refused log-in from an unreachable server.
    static bool serverAnswers(const Target& target);
    Engine engine() const { return m_target.engine; }

    // Seconds a statement may run before it is cancelled; holds on both engines.
    int commandTimeout() const { return m_commandTimeout; }
    void setCommandTimeout(int seconds);

    // Runs a statement and reads all its rows (client-side cursor).
    Recordset query(const QString& sql, const QVariantList& params = {});
    // Runs a statement that returns no rows; the number of rows it changed.
    qint64 execute(const QString& sql, const QVariantList& params = {});

    // Loads many rows into a table at once, within the caller's transaction
    // or else in one of its own: COPY on the server, one prepared insert
    // reused on the embedded engine (whose own transaction is deferred, so
    // that loading a temporary table locks no database file).
    void copyRows(const QString& table, const QStringList& columns,
                  const std::vector<QVariantList>& rows);

    // A server only: the verifier of a role's password, for CREATE or ALTER
    // ROLE; the clear password stays on this machine.
    QString passwordVerifier(const QString& role, const QString& password);

    // Told when a statement on the embedded engine starts waiting for another
    // connection's lock (true) and when that wait ends (false): the program
    // shows the wait cursor. Set once, before connections open.
    static void setWaitNotifier(std::function<void(bool waiting)> notifier);

    // How long the embedded engine waits for another connection's lock.
    static constexpr int BusyWaitMs = 12000;

    // A file system that the embedded database must not live on: SQLite's
    // locks do not hold across machines on a network share. Its name, or
    // empty for a local one; by the type statfs gives.
    static QString networkFileSystem(unsigned long statfsType);

    // Whether a Transaction is open on this connection.
    bool inTransaction() const { return m_transactionDepth > 0; }

    // Statements sent on this connection so far, for measuring round trips.
    qint64 statementCount() const { return m_statements; }

    // The session of the user on this connection: rows that procedures write
    // for one caller carry it.
    const QString& sessionId() const { return m_sessionId; }
    void setSessionId(const QString& id) { m_sessionId = id; }

    // The embedded engine: each attached database (by schema name) copied
    // into a new file of its own, through SQLite's online backup in one step,
    // from a read snapshot that other connections may go on writing past.
    // Changes still in the write-ahead log come along.
    void copyDatabasesTo(const std::vector<std::pair<QString, QString>>& schemaFiles);
    // The embedded engine: each attached database given the content of a
    // file, through SQLite's online backup, so that other connections see the
    // new content rather than a file swapped under them.
    void replaceDatabasesFrom(const std::vector<std::pair<QString, QString>>& schemaFiles);

    // The embedded engine's Qt connection, for its driver handle.
    QSqlDatabase& database() { return m_db; }

private:
    friend class Transaction;
    struct Watch;

    // BEGIN IMMEDIATE (or DEFERRED) on the embedded engine; on the server
    // BEGIN goes out with the transaction's first statement.
    void begin(bool immediate);
    void insertRows(const QString& table, const QStringList& columns,
                    const std::vector<QVariantList>& rows);
    void openSqlite(bool createIfMissing);
    void refuseNetworkShare() const;
    void createPrivately(const QString& inventory, const QString& patientData) const;
    void openPostgres();
    void applyTimeout();
    void checkOpen() const;
    void requireEmbedded() const;
    QSqlQuery run(const QString& sql, const QVariantList& params);
    [[noreturn]] void fail(const QSqlError& error) const;

    Target m_target;
    QString m_name;
    QSqlDatabase m_db;
    int m_commandTimeout = DefaultCommandTimeout;
    int m_transactionDepth = 0;
    qint64 m_statements = 0;
    QString m_sessionId;
    std::unique_ptr<Watch> m_watch;
    std::unique_ptr<detail::PgConnection> m_pg; // the server engine's session, on libpq
};

// The program and the machine it runs on ("formulary@ward3-pc"): what a
// server shows as the connection's application name, and where the audit
// says a change was made.
QString workstationName();

} // namespace db
