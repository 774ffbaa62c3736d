#pragma once

#include "platform/db/db_error.h"
#include "platform/db/recordset.h"
#include "platform/db/target.h"

#include <QHash>
#include <QVariantList>
#include <vector>

struct pg_conn;

namespace db::detail {

// Where a DbError's kind comes from on PostgreSQL: the SQLSTATE, or a
// connection that died without one.
DbError::Kind classifyPostgres(const QString& sqlState, bool connectionLost);

// Turns `?` placeholders into `$1..$n`, leaving literals, quoted names and
// comments alone.
QByteArray numberPlaceholders(const QString& sql);

// One libpq session. Statements with values are prepared once per text and
// then run with the values sent apart from the text, one round trip each.
class PgConnection {
public:
    // Throws DbError (Connection) when the server cannot be reached or
    // refuses the log-in.
    explicit PgConnection(const Target& target);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // True when a server answers at the target, whether or not it would
    // take the target's log-in.
    static bool serverAnswers(const Target& target);

    bool isOpen() const;
    void setCommandTimeout(int seconds);

    Recordset query(const QString& sql, const QVariantList& params);
    qint64 execute(const QString& sql, const QVariantList& params);
    // The SCRAM-SHA-256 verifier of a role's password, made here so that
    // the password itself never reaches the server.
    QString passwordVerifier(const QString& role, const QString& password);
    // BEGIN goes out with the transaction's first statement, saving a round
    // trip; a transaction that sends nothing sends no BEGIN either.
    void deferBegin();

    // COPY ... FROM STDIN: the rows in one stream.
    void copyRows(const QString& table, const QStringList& columns,
                  const std::vector<QVariantList>& rows);

private:
    struct Result;
    Result run(const QString& sql, const QVariantList& params);
    Result runPrepared(const QString& sql, const QVariantList& params);
    Result pipeline(const QByteArray& name, const QByteArray& text,
                    const std::vector<const char*>& values, bool prepare);
    void sendPendingBegin();
    Result nextResult();
    [[noreturn]] void fail(const Result& result) const;

    pg_conn* m_conn = nullptr;
    QHash<QString, QByteArray> m_prepared; // statement text -> server-side name
    int m_commandTimeout = 0;
    int m_statements = 0;
    bool m_beginPending = false;
};

} // namespace db::detail
