#include "database/procedures.h"
#include "database/session.h"
#include "support/formulary_fixture.h"
#include "support/test_database.h"

#include <QDateTime>
#include <map>

namespace {

using Rows = std::map<std::string, qint64>; // session table -> rows of one session

const QStringList kSessionTables = {
    QStringLiteral("inventory.tbForTraceParent"),
    QStringLiteral("inventory.tbFormularyNodeLevel"),
    QStringLiteral("inventory.tbFormularyReport"),
};

class Sessions : public test_support::FormularyTest {
protected:
    // A workstation logged in as the user that traced a node and prepared
    // the reports, so that its session has rows in every session table.
    std::unique_ptr<db::Connection> workstation(const QString& employeeCode) {
        auto c = database->connect();
        database::beginSession(*c, employeeCode);
        database::For_TraceParent(*c, QStringLiteral("_2.1.1"));
        database::Formulary_NodeLevel(*c);
        database::Formulary_Generate(*c);
        for (const auto& [table, count] : rowsOf(c->sessionId()))
            EXPECT_GT(count, 0) << table;
        return c;
    }

    // Moves the session's start and last use back by that many seconds.
    void idleFor(const QString& session, qint64 seconds) {
        const qint64 then = QDateTime::currentSecsSinceEpoch() - seconds;
        ASSERT_EQ(conn->execute(QStringLiteral("UPDATE inventory.tbSession SET started_at = ?,"
                                               " last_seen = ? WHERE session_id = ?"),
                                {then, then, session}),
                  1);
    }

    Rows rowsOf(const QString& session) {
        Rows rows;
        for (const QString& table : kSessionTables)
            rows[table.toStdString()] =
                conn->query(
                        QStringLiteral("SELECT COUNT(*) FROM %1 WHERE session_id = ?").arg(table),
                        {session})
                    .field(0)
                    .toLongLong();
        return rows;
    }

    static Rows noRows() {
        Rows rows;
        for (const QString& table : kSessionTables)
            rows[table.toStdString()] = 0;
        return rows;
    }

    bool registered(const QString& session) {
        return !conn->query(
                        QStringLiteral("SELECT 1 FROM inventory.tbSession WHERE session_id = ?"),
                        {session})
                    .eof();
    }
};

} // namespace

// A workstation that crashed leaves its session behind; the next log-in
// anywhere removes it, but never a session still in use.
TEST_P(Sessions, LogInPurgesOnlySessionsUnusedTooLong) {
    const auto touched = workstation(QStringLiteral("E1"));
    const auto nearLimit = workstation(QStringLiteral("E2"));
    const auto crashed = workstation(QStringLiteral("E3"));
    const Rows touchedRows = rowsOf(touched->sessionId());
    const Rows nearLimitRows = rowsOf(nearLimit->sessionId());
    constexpr qint64 limit = database::StaleSessionSeconds;
    // Started long ago but used just now: its age is its last use.
    idleFor(touched->sessionId(), 2 * limit);
    database::touchSession(*touched);
    idleFor(nearLimit->sessionId(), limit - 60);
    idleFor(crashed->sessionId(), limit + 60);

    const auto other = database->connect();
    database::beginSession(*other, QStringLiteral("E4"));

    EXPECT_TRUE(registered(touched->sessionId()));
    EXPECT_EQ(rowsOf(touched->sessionId()), touchedRows);
    EXPECT_TRUE(registered(nearLimit->sessionId()));
    EXPECT_EQ(rowsOf(nearLimit->sessionId()), nearLimitRows);
    EXPECT_FALSE(registered(crashed->sessionId()));
    EXPECT_EQ(rowsOf(crashed->sessionId()), noRows());
    EXPECT_TRUE(registered(other->sessionId()));
}

TEST_P(Sessions, EndingASessionRemovesOnlyItsOwnRows) {
    const auto staying = workstation(QStringLiteral("E1"));
    const auto leaving = workstation(QStringLiteral("E2"));
    const QString left = leaving->sessionId();
    const Rows stayingRows = rowsOf(staying->sessionId());

    database::endSession(*leaving);

    EXPECT_FALSE(registered(left));
    EXPECT_EQ(rowsOf(left), noRows());
    EXPECT_TRUE(leaving->sessionId().isEmpty());
    EXPECT_TRUE(registered(staying->sessionId()));
    EXPECT_EQ(rowsOf(staying->sessionId()), stayingRows);
}

FORMULARY_ENGINE_TESTS(Sessions);
