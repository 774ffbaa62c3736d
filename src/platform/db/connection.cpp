#include "platform/db/connection.h"

#include "platform/db/db_error.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <sqlite3.h>

namespace db {

namespace {

QAtomicInt connectionCounter;

const QString kSource = QStringLiteral("db.Connection");

using Kind = DbError::Kind;

// The QSQLITE driver reports SQLite's extended result codes; the primary
// code in their low byte decides where no extended code is named here.
Kind classifySqlite(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    const int extended = code.toInt();
    switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
        return Kind::UniqueViolation;
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        return Kind::ForeignKeyViolation;
    case SQLITE_CONSTRAINT_NOTNULL:
        return Kind::NotNullViolation;
    case SQLITE_BUSY_SNAPSHOT:
        // A read transaction's snapshot went stale before its first write.
        return Kind::SerializationFailure;
    default:
        break;
    }
    switch (extended & 0xff) {
    case SQLITE_CONSTRAINT:
        // CHECK, and the rules SQLite files under no other name (a trigger's RAISE).
        return Kind::CheckViolation;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Kind::Busy;
    case SQLITE_INTERRUPT:
        // Only the command timeout's progress handler interrupts a statement.
        return Kind::Timeout;
    case SQLITE_TOOBIG:
        return Kind::ValueTooLong;
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
        return Kind::Connection;
    default:
        // The driver files every failed step as a connection error; the code tells.
        return error.type() == QSqlError::ConnectionError && code.isEmpty() ? Kind::Connection
                                                                            : Kind::Other;
    }
}

struct SqlState {
    QLatin1String code;
    Kind kind;
};

const SqlState kSqlStates[] = {
    {QLatin1String("23505"), Kind::UniqueViolation},
    {QLatin1String("23P01"), Kind::UniqueViolation}, // an exclusion constraint generalises unique
    {QLatin1String("23503"), Kind::ForeignKeyViolation},
    {QLatin1String("23001"), Kind::ForeignKeyViolation}, // ON DELETE RESTRICT
    {QLatin1String("23514"), Kind::CheckViolation},
    {QLatin1String("23502"), Kind::NotNullViolation},
    {QLatin1String("40P01"), Kind::Deadlock},
    {QLatin1String("40001"), Kind::SerializationFailure},
    {QLatin1String("55P03"), Kind::Busy}, // lock_timeout or NOWAIT
    {QLatin1String("57014"), Kind::Timeout},
    {QLatin1String("22001"), Kind::ValueTooLong},
};

// SQLSTATEs as PostgreSQL sends them; connectionOpen is false once the
// driver has given up on a connection that died without a word.
Kind classifyPostgres(const QSqlError& error, bool connectionOpen) {
    const QString code = error.nativeErrorCode();
    for (const SqlState& state : kSqlStates) {
        if (code == state.code)
            return state.kind;
    }
    if (code.startsWith(QLatin1String("23")))
        return Kind::CheckViolation;
    // 08: connection exceptions; 57P: the server ended the session or is shutting down.
    if (error.type() == QSqlError::ConnectionError || code.startsWith(QLatin1String("08")) ||
        code.startsWith(QLatin1String("57P")) || (code.isEmpty() && !connectionOpen))
        return Kind::Connection;
    return Kind::Other;
}

} // namespace

// Cancels an SQLite statement that runs longer than the command timeout,
// through the driver's progress handler.
struct Connection::Watch {
    QElapsedTimer timer;
    qint64 limitMs = 0;
    bool armed = false;

    static int onProgress(void* self) {
        auto* w = static_cast<Watch*>(self);
        return (w->armed && w->limitMs > 0 && w->timer.elapsed() > w->limitMs) ? 1 : 0;
    }
    void arm(int seconds) {
        limitMs = qint64(seconds) * 1000;
        armed = true;
        timer.start();
    }
    void disarm() { armed = false; }
};

Connection::Connection(Target target)
    : m_target(std::move(target)),
      m_name(QStringLiteral("formulary-%1").arg(connectionCounter.fetchAndAddRelaxed(1))),
      m_watch(std::make_unique<Watch>()) {}

Connection::~Connection() {
    close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

void Connection::open(bool createIfMissing) {
    if (isOpen())
        return;
    if (m_target.engine == Engine::SQLite)
        openSqlite(createIfMissing);
    else
        openPostgres();
    applyTimeout();
}

void Connection::openSqlite(bool createIfMissing) {
    const QDir folder(m_target.folder);
    const QString inventory = folder.filePath(QStringLiteral("inventory.db"));
    const QString patientData = folder.filePath(QStringLiteral("patient_data.db"));
    if (!createIfMissing && !QFileInfo::exists(inventory))
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("There is no formulary database in %1.").arg(m_target.folder),
                      kSource);
    if (createIfMissing && !QDir().mkpath(m_target.folder))
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("The folder %1 cannot be created.").arg(m_target.folder),
                      kSource);

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(QStringLiteral(":memory:"));
    if (!m_db.open())
        fail(m_db.lastError());

    const QVariant handle = m_db.driver()->handle();
    sqlite3* raw = *static_cast<sqlite3* const*>(handle.constData());
    sqlite3_progress_handler(raw, 1000, &Watch::onProgress, m_watch.get());

    execute(QStringLiteral("PRAGMA foreign_keys = ON"));
    execute(QStringLiteral("PRAGMA busy_timeout = 10000"));
    execute(QStringLiteral("ATTACH DATABASE ? AS inventory"), {inventory});
    execute(QStringLiteral("ATTACH DATABASE ? AS patient_data"), {patientData});
    for (const char* schema : {"inventory", "patient_data"}) {
        query(QStringLiteral("PRAGMA %1.journal_mode = WAL").arg(QLatin1String(schema)));
        execute(QStringLiteral("PRAGMA %1.synchronous = FULL").arg(QLatin1String(schema)));
    }
}

void Connection::openPostgres() {
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    m_db.setHostName(m_target.host);
    m_db.setPort(m_target.port);
    m_db.setUserName(m_target.user);
    m_db.setPassword(m_target.password);
    m_db.setDatabaseName(m_target.database);
    QString options = m_target.options;
    // An unreachable server must not hang the program.
    if (!options.contains(QLatin1String("connect_timeout")))
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) +
                   QStringLiteral("connect_timeout=10");
    m_db.setConnectOptions(options);
    if (!m_db.open()) {
        const QSqlError error = m_db.lastError();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("The database server %1 cannot be reached: %2")
                          .arg(m_target.display(), error.text()),
                      kSource);
    }
    // Notices (such as "drop cascades to ...") are not for the user.
    execute(QStringLiteral("SET client_min_messages = warning"));
    // Compiling short statements costs more than it saves.
    execute(QStringLiteral("SET jit = off"));
}

void Connection::close() {
    if (m_db.isOpen())
        m_db.close();
}

bool Connection::isOpen() const {
    return m_db.isValid() && m_db.isOpen();
}

void Connection::setCommandTimeout(int seconds) {
    m_commandTimeout = seconds;
    if (isOpen())
        applyTimeout();
}

void Connection::applyTimeout() {
    if (m_target.engine == Engine::PostgreSQL)
        execute(QStringLiteral("SET statement_timeout = %1").arg(qint64(m_commandTimeout) * 1000));
}

QSqlQuery Connection::run(const QString& sql, const QVariantList& params) {
    if (!isOpen())
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("The connection to the database is not open."), kSource);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    bool ok;
    m_watch->arm(m_commandTimeout);
    if (params.isEmpty()) {
        ok = q.exec(sql);
    } else {
        ok = q.prepare(sql);
        if (ok) {
            for (const QVariant& p : params)
                q.addBindValue(p);
            ok = q.exec();
        }
    }
    if (!ok) {
        m_watch->disarm();
        fail(q.lastError());
    }
    return q;
}

Recordset Connection::query(const QString& sql, const QVariantList& params) {
    QSqlQuery q = run(sql, params);
    const QSqlRecord record = q.record();
    QStringList fields;
    for (int i = 0; i < record.count(); ++i)
        fields << record.fieldName(i);
    std::vector<QVariant> values;
    const int columns = int(fields.size());
    while (q.next()) {
        for (int i = 0; i < columns; ++i)
            values.push_back(q.value(i));
    }
    m_watch->disarm();
    if (q.lastError().isValid())
        fail(q.lastError());
    return Recordset(std::move(fields), std::move(values));
}

qint64 Connection::execute(const QString& sql, const QVariantList& params) {
    QSqlQuery q = run(sql, params);
    m_watch->disarm();
    return q.numRowsAffected();
}

void Connection::fail(const QSqlError& error) const {
    const DbError::Kind kind = m_target.engine == Engine::SQLite
                                   ? classifySqlite(error)
                                   : classifyPostgres(error, isOpen());
    if (kind == DbError::Kind::Timeout)
        throw DbError(
            kind, AppError::CommandTimeout,
            QStringLiteral("The database did not answer within %1 seconds.").arg(m_commandTimeout),
            kSource);
    QString description = error.text().trimmed();
    if (description.isEmpty())
        description = QStringLiteral("The database refused the statement.");
    throw DbError(kind,
                  kind == DbError::Kind::Connection ? AppError::NotConnected : AppError::Database,
                  description, kSource);
}

} // namespace db
