#include "platform/db/db_error.h"
#include "platform/db/transaction.h"
#include "support/test_database.h"

#include <QFile>
#include <QSqlDriver>
#include <QTemporaryDir>
#include <QUrl>
#include <chrono>
#include <future>
#include <sqlite3.h>
#include <thread>

using test_support::EngineTest;
using Kind = db::DbError::Kind;

namespace db {

// Kinds by name in failure messages.
void PrintTo(DbError::Kind kind, std::ostream* os) {
    switch (kind) {
    case Kind::Other:
        *os << "Other";
        return;
    case Kind::UniqueViolation:
        *os << "UniqueViolation";
        return;
    case Kind::ForeignKeyViolation:
        *os << "ForeignKeyViolation";
        return;
    case Kind::CheckViolation:
        *os << "CheckViolation";
        return;
    case Kind::NotNullViolation:
        *os << "NotNullViolation";
        return;
    case Kind::Deadlock:
        *os << "Deadlock";
        return;
    case Kind::SerializationFailure:
        *os << "SerializationFailure";
        return;
    case Kind::Busy:
        *os << "Busy";
        return;
    case Kind::Connection:
        *os << "Connection";
        return;
    case Kind::Timeout:
        *os << "Timeout";
        return;
    case Kind::ValueTooLong:
        *os << "ValueTooLong";
        return;
    case Kind::PermissionDenied:
        *os << "PermissionDenied";
        return;
    }
}

} // namespace db

namespace {

// What a row provokes with: fresh connections to the test's database, all
// closed when the row ends.
struct Probe {
    const test_support::TestDatabase& database;
    db::Engine engine;

    bool sqlite() const { return engine == db::Engine::SQLite; }
    std::unique_ptr<db::Connection> connect() const {
        auto c = database.connect();
        // Bounds every wait should a row's error not come.
        c->setCommandTimeout(5);
        return c;
    }
};

// A transaction begun with the given statement, rolled back when the scope ends.
class Begun {
public:
    Begun(db::Connection& c, const QString& begin) : m_c(c) { m_c.execute(begin); }
    ~Begun() {
        try {
            if (m_c.isOpen())
                m_c.execute(QStringLiteral("ROLLBACK"));
        } catch (const db::DbError&) {
        }
    }
    Begun(const Begun&) = delete;
    Begun& operator=(const Begun&) = delete;

private:
    db::Connection& m_c;
};

const QString kBumpFirst = QStringLiteral("UPDATE inventory.kind_probe SET v = v + 1 WHERE id = 1");
const QString kBumpSecond =
    QStringLiteral("UPDATE inventory.kind_probe SET v = v + 1 WHERE id = 2");
const QString kInsert =
    QStringLiteral("INSERT INTO inventory.kind_probe (id, v, code) VALUES (?, ?, ?)");

void uniqueKey(const Probe& p) {
    p.connect()->execute(kInsert, {1, 0, QStringLiteral("dup")});
}

void foreignKey(const Probe& p) {
    p.connect()->execute(
        QStringLiteral("INSERT INTO inventory.kind_probe_child (id, probe_id) VALUES (?, ?)"),
        {1, 99});
}

void check(const Probe& p) {
    p.connect()->execute(kInsert, {3, -1, QStringLiteral("neg")});
}

void notNull(const Probe& p) {
    p.connect()->execute(kInsert, {3, QVariant(QMetaType(QMetaType::Int)), QStringLiteral("n")});
}

// Each side takes one row and then wants the other's; the server picks a victim.
void deadlock(const Probe& p) {
    const QString shortWait = QStringLiteral("SET deadlock_timeout = '200ms'");
    auto a = p.connect();
    a->execute(shortWait);
    std::promise<void> asideHolds;
    std::exception_ptr asideError;
    std::jthread aside; // declared before the transaction: rolled back first, then joined
    Begun t(*a, QStringLiteral("BEGIN"));
    a->execute(kBumpFirst);
    aside = std::jthread([&] {
        bool holding = false;
        try {
            auto b = p.connect();
            b->execute(shortWait);
            Begun u(*b, QStringLiteral("BEGIN"));
            b->execute(kBumpSecond);
            asideHolds.set_value();
            holding = true;
            b->execute(kBumpFirst);
        } catch (...) {
            if (holding)
                asideError = std::current_exception();
            else
                asideHolds.set_exception(std::current_exception());
        }
    });
    auto holds = asideHolds.get_future();
    ASSERT_EQ(holds.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    holds.get();
    std::exception_ptr ownError;
    try {
        a->execute(kBumpSecond);
    } catch (const db::DbError&) {
        ownError = std::current_exception();
    }
    // The victim's locks are gone with its error, so the other side finishes.
    aside.join();
    EXPECT_FALSE(ownError && asideError) << "both sides failed, one victim expected";
    if (ownError)
        std::rethrow_exception(ownError);
    if (asideError)
        std::rethrow_exception(asideError);
}

// A transaction that read row 1 writes it after another connection committed a change.
void serialization(const Probe& p) {
    auto a = p.connect();
    auto b = p.connect();
    // SQLite's deferred BEGIN reads from a snapshot until the first write.
    Begun t(*a, p.sqlite() ? QStringLiteral("BEGIN")
                           : QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"));
    a->query(QStringLiteral("SELECT v FROM inventory.kind_probe WHERE id = 1"));
    b->execute(kBumpFirst);
    a->execute(kBumpFirst);
}

void busy(const Probe& p) {
    auto a = p.connect();
    auto b = p.connect();
    db::Transaction t(*a);
    a->execute(kBumpFirst);
    b->execute(p.sqlite() ? QStringLiteral("PRAGMA busy_timeout = 100")
                          : QStringLiteral("SET lock_timeout = '100ms'"));
    b->execute(kBumpFirst);
}

void connectionLost(const Probe& p) {
    auto a = p.connect();
    auto b = p.connect();
    const QVariant pid = b->query(QStringLiteral("SELECT pg_backend_pid()")).field(0);
    // Waits until the backend is gone, so that b's next statement meets a dead socket.
    ASSERT_TRUE(
        a->query(QStringLiteral("SELECT pg_terminate_backend(?, 2000)"), {pid}).field(0).toBool());
    b->query(QStringLiteral("SELECT 1"));
}

void cannotOpen(const Probe& p) {
    QTemporaryDir dir;
    QString target;
    if (p.sqlite()) {
        QFile garbage(dir.filePath(QStringLiteral("inventory.db")));
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        target = dir.path();
    } else {
        QUrl url(p.database.target());
        url.setPath(QStringLiteral("/kind_probe_missing"));
        target = url.toString();
    }
    db::Connection c(db::Target::parse(target));
    c.open();
}

void statementTimeout(const Probe& p) {
    auto a = p.connect();
    a->setCommandTimeout(1);
    a->query(p.sqlite() ? QStringLiteral("WITH RECURSIVE r (x) AS (SELECT 1 UNION ALL SELECT x + 1"
                                         " FROM r WHERE x < 2000000000) SELECT COUNT(*) FROM r")
                        : QStringLiteral("SELECT pg_sleep(2)"));
}

void valueTooLong(const Probe& p) {
    auto a = p.connect();
    if (p.sqlite()) {
        // SQLite keeps no declared lengths; its own limit on a value stands in.
        // The limit also holds for the statement's text, which it must not reach.
        const QVariant handle = a->database().driver()->handle();
        ASSERT_STREQ(handle.typeName(), "sqlite3*");
        sqlite3_limit(*static_cast<sqlite3* const*>(handle.constData()), SQLITE_LIMIT_LENGTH, 500);
    }
    a->execute(kInsert, {3, 0, QString(1000, QLatin1Char('x'))});
}

// A role of the users group writes a table it may only read.
void permissionDenied(const Probe& p) {
    auto a = p.connect();
    const QString users =
        a->query(QStringLiteral("SELECT current_database() || '_users'")).field(0).toString();
    a->execute(QStringLiteral("SET ROLE \"%1\"").arg(users));
    a->execute(QStringLiteral("UPDATE inventory.tbSchemaVersion SET version = version"));
}

void syntaxError(const Probe& p) {
    p.connect()->query(QStringLiteral("SELEC 1"));
}

struct KindCase {
    const char* name;
    void (*provoke)(const Probe&);
    Kind kind;
    bool refusal;
    bool onSqlite;
    bool onPostgres;
};

// A row not run on an engine says why in its comment.
const KindCase kCases[] = {
    {"unique key", uniqueKey, Kind::UniqueViolation, true, true, true},
    {"foreign key", foreignKey, Kind::ForeignKeyViolation, true, true, true},
    {"check", check, Kind::CheckViolation, true, true, true},
    {"not null", notNull, Kind::NotNullViolation, true, true, true},
    // SQLite has no deadlock of its own: one write lock per file, so a second
    // writer waits for it and gives up as Busy.
    {"deadlock", deadlock, Kind::Deadlock, true, false, true},
    {"serialization failure", serialization, Kind::SerializationFailure, true, true, true},
    {"busy", busy, Kind::Busy, true, true, true},
    // SQLite runs in the process: there is no server to lose, only a file that
    // cannot be opened (the next row).
    {"connection lost", connectionLost, Kind::Connection, false, false, true},
    {"cannot open", cannotOpen, Kind::Connection, false, true, true},
    {"statement timeout", statementTimeout, Kind::Timeout, true, true, true},
    {"value too long", valueTooLong, Kind::ValueTooLong, true, true, true},
    // SQLite has no roles: there the program's change functions refuse a user.
    {"permission denied", permissionDenied, Kind::PermissionDenied, true, false, true},
    {"syntax error", syntaxError, Kind::Other, false, true, true},
};

long expectedNumber(Kind kind) {
    switch (kind) {
    case Kind::Timeout:
        return AppError::CommandTimeout;
    case Kind::Connection:
        return AppError::NotConnected;
    case Kind::PermissionDenied:
        return AppError::PermissionDenied;
    default:
        return AppError::Database;
    }
}

class DbErrorKinds : public EngineTest {};

} // namespace

TEST_P(DbErrorKinds, EachFailureIsProvokedAndClassified) {
    const Probe probe{*database, GetParam()};
    const QString parent =
        probe.sqlite() ? QStringLiteral("kind_probe") : QStringLiteral("inventory.kind_probe");
    for (const KindCase& row : kCases) {
        SCOPED_TRACE(row.name);
        if (!(probe.sqlite() ? row.onSqlite : row.onPostgres))
            continue;
        for (const QString& sql : {
                 QStringLiteral("DROP TABLE IF EXISTS inventory.kind_probe_child"),
                 QStringLiteral("DROP TABLE IF EXISTS inventory.kind_probe"),
                 QStringLiteral("CREATE TABLE inventory.kind_probe (id INTEGER PRIMARY KEY,"
                                " v INTEGER NOT NULL CHECK (v >= 0), code VARCHAR(5))"),
                 QStringLiteral("CREATE TABLE inventory.kind_probe_child (id INTEGER PRIMARY KEY,"
                                " probe_id INTEGER REFERENCES %1 (id))")
                     .arg(parent),
                 QStringLiteral("INSERT INTO inventory.kind_probe (id, v) VALUES (1, 0), (2, 0)"),
             })
            conn->execute(sql);

        try {
            row.provoke(probe);
            ADD_FAILURE() << "no error was raised";
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.kind(), row.kind) << e.description().toStdString();
            EXPECT_EQ(e.isRefusal(), row.refusal);
            EXPECT_EQ(e.number(), expectedNumber(row.kind));
        }
        if (testing::Test::HasFatalFailure())
            return;
    }
}

FORMULARY_ENGINE_TESTS(DbErrorKinds);
