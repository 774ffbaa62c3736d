#include "platform/db/connection.h"

#include "platform/db/db_error.h"
#include "platform/db/pg_connection.h"
#include "platform/db/transaction.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QSysInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>

namespace db {

namespace {

// How much of each embedded database file is read through a memory map (a
// formulary of a million nodes stays below it).
constexpr qint64 MappedBytes = qint64(2) << 30;

QAtomicInt connectionCounter;

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

sqlite3* handleOf(const QSqlDatabase& database) {
    const QVariant handle = database.driver()->handle();
    return *static_cast<sqlite3* const*>(handle.constData());
}

// Another SQLite file, opened apart from any connection's attachments.
class SqliteFile {
public:
    SqliteFile(const QString& path, int flags) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, flags, nullptr) ==
            SQLITE_OK)
            return;
        const QString why = QString::fromUtf8(sqlite3_errmsg(m_handle));
        sqlite3_close(m_handle);
        throw DbError(Kind::Other, AppError::Database,
                      QStringLiteral("The database file %1 cannot be opened: %2").arg(path, why));
    }
    ~SqliteFile() { sqlite3_close(m_handle); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    sqlite3* handle() const { return m_handle; }

    [[noreturn]] static void failOn(sqlite3* handle, const QString& what) {
        const int code = sqlite3_extended_errcode(handle);
        const Kind kind = (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED
                              ? Kind::Busy
                              : Kind::Other;
        throw DbError(
            kind, AppError::Database,
            QStringLiteral("%1: %2").arg(what, QString::fromUtf8(sqlite3_errmsg(handle))));
    }

private:
    sqlite3* m_handle = nullptr;
};

// The whole of one database copied onto another in one step of SQLite's
// online backup; waits for locks through the destination's busy handler.
void copyDatabase(sqlite3* to, const QString& toName, sqlite3* from, const QString& fromName,
                  const QString& what) {
    sqlite3_backup* backup =
        sqlite3_backup_init(to, toName.toUtf8().constData(), from, fromName.toUtf8().constData());
    if (!backup)
        SqliteFile::failOn(to, what);
    sqlite3_backup_step(backup, -1);
    if (sqlite3_backup_finish(backup) != SQLITE_OK)
        SqliteFile::failOn(to, what);
}

} // namespace

std::function<void(bool)>& waitNotifier() {
    static std::function<void(bool)> notifier;
    return notifier;
}

// Cancels an SQLite statement that runs longer than the command timeout,
// through the driver's progress handler; waits for another connection's lock
// through its busy handler, saying once that it waits.
struct Connection::Watch {
    QElapsedTimer timer;
    qint64 limitMs = 0;
    bool armed = false;
    QElapsedTimer busySince;
    bool waiting = false;

    static int onBusy(void* self, int count) {
        auto* w = static_cast<Watch*>(self);
        if (count == 0)
            w->busySince.start();
        if (w->busySince.elapsed() >= BusyWaitMs)
            return 0;
        if (!w->waiting && waitNotifier()) {
            w->waiting = true;
            waitNotifier()(true);
        }
        sqlite3_sleep(count < 20 ? 5 : 50);
        return 1;
    }
    void endWait() {
        if (std::exchange(waiting, false) && waitNotifier())
            waitNotifier()(false);
    }

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
    refuseNetworkShare();
    if (!createIfMissing && !QFileInfo::exists(inventory))
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("There is no formulary database in %1.").arg(m_target.folder));
    if (createIfMissing)
        createPrivately(inventory, patientData);

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(QStringLiteral(":memory:"));
    if (!m_db.open())
        fail(m_db.lastError());

    sqlite3* raw = handleOf(m_db);
    sqlite3_progress_handler(raw, 1000, &Watch::onProgress, m_watch.get());
    sqlite3_busy_handler(raw, &Watch::onBusy, m_watch.get());

    execute(QStringLiteral("PRAGMA foreign_keys = ON"));
    execute(QStringLiteral("ATTACH DATABASE ? AS inventory"), {inventory});
    execute(QStringLiteral("ATTACH DATABASE ? AS patient_data"), {patientData});
    for (const char* schema : {"inventory", "patient_data"}) {
        query(QStringLiteral("PRAGMA %1.journal_mode = WAL").arg(QLatin1String(schema)));
        execute(QStringLiteral("PRAGMA %1.synchronous = FULL").arg(QLatin1String(schema)));
        // Searches and lists read rows scattered over the file: mapped, they
        // cost no system call each, and the pages are the system's cache.
        query(
            QStringLiteral("PRAGMA %1.mmap_size = %2").arg(QLatin1String(schema)).arg(MappedBytes));
    }
}

// The files hold password hashes: a new database is its owner's alone,
// whatever the umask. SQLite gives its -wal and -shm files the mode of the
// database file.
void Connection::createPrivately(const QString& inventory, const QString& patientData) const {
    const bool newFolder = !QFileInfo::exists(m_target.folder);
    if (!QDir().mkpath(m_target.folder))
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("The folder %1 cannot be created.").arg(m_target.folder));
    if (newFolder)
        QFile::setPermissions(m_target.folder,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString& path : {inventory, patientData}) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY,
                              S_IRUSR | S_IWUSR);
        if (fd >= 0)
            ::close(fd);
        else if (errno != EEXIST)
            throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                          QStringLiteral("The database file %1 cannot be created: %2")
                              .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    }
}

void Connection::setWaitNotifier(std::function<void(bool)> notifier) {
    waitNotifier() = std::move(notifier);
}

QString Connection::networkFileSystem(unsigned long statfsType) {
    static const struct {
        unsigned long type;
        const char* name;
    } shares[] = {
        {0x6969, "NFS"},      {0x517B, "SMB"},      {0xFF534D42, "CIFS"},   {0xFE534D42, "SMB2"},
        {0x5346414F, "AFS"},  {0x73757245, "Coda"}, {0x564C, "NCP"},        {0x01021997, "9P"},
        {0x00C36400, "Ceph"}, {0x47504653, "GPFS"}, {0x0BD00BD0, "Lustre"},
    };
    for (const auto& share : shares)
        if (share.type == statfsType)
            return QLatin1String(share.name);
    return {};
}

// Several machines on one embedded database would corrupt it: its locks and
// its write-ahead log hold on one machine only.
void Connection::refuseNetworkShare() const {
    QString existing = m_target.folder;
    while (!existing.isEmpty() && !QFileInfo::exists(existing))
        existing = QFileInfo(existing).path();
    struct statfs info {};
    if (existing.isEmpty() || statfs(QFile::encodeName(existing).constData(), &info) != 0)
        return;
    const QString share = networkFileSystem((unsigned long)(info.f_type));
    if (!share.isEmpty())
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("The formulary database in %1 is on a network share (%2). "
                                     "An embedded database serves one machine only; to share a "
                                     "formulary between workstations, use a PostgreSQL server.")
                          .arg(m_target.folder, share));
}

void Connection::openPostgres() {
    m_pg = std::make_unique<detail::PgConnection>(m_target);
}

bool Connection::serverAnswers(const Target& target) {
    return detail::PgConnection::serverAnswers(target);
}

void Connection::close() {
    m_pg.reset();
    if (m_db.isOpen())
        m_db.close();
}

bool Connection::isOpen() const {
    if (m_target.engine == Engine::PostgreSQL)
        return m_pg && m_pg->isOpen();
    return m_db.isValid() && m_db.isOpen();
}

void Connection::setCommandTimeout(int seconds) {
    m_commandTimeout = seconds;
    if (isOpen())
        applyTimeout();
}

void Connection::applyTimeout() {
    if (m_pg)
        m_pg->setCommandTimeout(m_commandTimeout);
}

void Connection::checkOpen() const {
    if (!isOpen())
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("The connection to the database is not open."));
}

QSqlQuery Connection::run(const QString& sql, const QVariantList& params) {
    checkOpen();
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
    m_watch->endWait();
    if (!ok) {
        m_watch->disarm();
        fail(q.lastError());
    }
    return q;
}

Recordset Connection::query(const QString& sql, const QVariantList& params) {
    ++m_statements;
    if (m_pg) {
        checkOpen();
        return m_pg->query(sql, params);
    }
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
    ++m_statements;
    if (m_pg) {
        checkOpen();
        return m_pg->execute(sql, params);
    }
    QSqlQuery q = run(sql, params);
    m_watch->disarm();
    return q.numRowsAffected();
}

void Connection::copyRows(const QString& table, const QStringList& columns,
                          const std::vector<QVariantList>& rows) {
    if (m_pg) {
        ++m_statements;
        checkOpen();
        m_pg->copyRows(table, columns, rows);
        return;
    }
    std::optional<Transaction> own;
    if (!inTransaction())
        own.emplace(*this, Transaction::Lock::Deferred);
    insertRows(table, columns, rows);
    if (own)
        own->commit();
}

void Connection::insertRows(const QString& table, const QStringList& columns,
                            const std::vector<QVariantList>& rows) {
    ++m_statements;
    checkOpen();
    QSqlQuery q(m_db);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, columns.join(u','),
                            QStringList(columns.size(), QStringLiteral("?")).join(u','))))
        fail(q.lastError());
    m_watch->arm(m_commandTimeout);
    for (const QVariantList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            q.bindValue(int(i), row[i]);
        if (!q.exec()) {
            m_watch->disarm();
            fail(q.lastError());
        }
    }
    m_watch->disarm();
}

void Connection::begin(bool immediate) {
    if (!m_pg) {
        execute(immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN DEFERRED"));
        return;
    }
    ++m_statements;
    checkOpen();
    m_pg->deferBegin();
}

void Connection::requireEmbedded() const {
    checkOpen();
    if (m_pg)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Only an embedded database is copied file by file."));
}

void Connection::copyDatabasesTo(const std::vector<std::pair<QString, QString>>& schemaFiles) {
    requireEmbedded();
    // A deferred transaction: each file's snapshot is taken by its first
    // read, and no writer waits for it.
    execute(QStringLiteral("BEGIN"));
    try {
        for (const auto& [schema, file] : schemaFiles)
            query(QStringLiteral("SELECT COUNT(*) FROM %1.sqlite_master").arg(schema));
        for (const auto& [schema, file] : schemaFiles) {
            const SqliteFile copy(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            copyDatabase(copy.handle(), QStringLiteral("main"), handleOf(m_db), schema,
                         QStringLiteral("The copy of %1 failed").arg(schema));
        }
    } catch (...) {
        try {
            execute(QStringLiteral("ROLLBACK"));
        } catch (...) {
            // The error that ended the copy is the one to tell.
        }
        throw;
    }
    execute(QStringLiteral("COMMIT"));
}

void Connection::replaceDatabasesFrom(const std::vector<std::pair<QString, QString>>& schemaFiles) {
    requireEmbedded();
    for (const auto& [schema, file] : schemaFiles) {
        const SqliteFile source(file, SQLITE_OPEN_READWRITE);
        copyDatabase(handleOf(m_db), schema, source.handle(), QStringLiteral("main"),
                     QStringLiteral("%1 cannot be written").arg(schema));
        m_watch->endWait();
    }
}

QString Connection::passwordVerifier(const QString& role, const QString& password) {
    checkOpen();
    if (!m_pg)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Only a database server keeps log-in roles."));
    return m_pg->passwordVerifier(role, password);
}

void Connection::fail(const QSqlError& error) const {
    DbError::raise(classifySqlite(error), error.text().trimmed(), m_commandTimeout);
}

QString workstationName() {
    // The program's own file name: the program and the administration tool
    // share one application name for their settings.
    const QString program = QCoreApplication::instance()
                                ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                : QStringLiteral("formulary");
    return program + QLatin1Char('@') + QSysInfo::machineHostName();
}

} // namespace db
