#include "components/current_user/login.h"
#include "components/current_user/user_rows.h"

#include "platform/db/transaction.h"

#include <algorithm>

namespace current_user {

using namespace std::chrono_literals;

namespace {

constexpr int FreeFailures = 3;
constexpr std::chrono::seconds MaxDelay = 30s;
constexpr qint64 ForgetUnknownNamesSeconds = 24 * 3600;

// The hash of a random password, made with the settings of real ones: an
// unknown user name is checked against it, so that it costs the same work.
QString standInHash() {
    return QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$W+hEx1Yiql+RId1qDgrwpw$"
                          "a3+N8mJ/Lh5Ri65ayejeMv0vRp+xkOyD9pV4rBDO5Ls");
}

struct StoredLogin {
    UserRecord user;
    QString hash;
    qint64 lastFailedAt = 0;
};

std::optional<StoredLogin> findLogin(db::Connection& c, const QString& name) {
    db::Recordset rows = c.query(QStringLiteral("SELECT %1, passwordhash, lastfailed_at"
                                                " FROM inventory.tbUser WHERE username = ?")
                                     .arg(userColumns()),
                                 {name});
    if (rows.eof())
        return std::nullopt;
    return StoredLogin{readUser(rows), rows.text(QStringLiteral("passwordhash")),
                       rows.field(QStringLiteral("lastfailed_at")).toLongLong()};
}

} // namespace

std::chrono::seconds loginDelay(int failures) {
    const int doublings = failures - FreeFailures - 1;
    if (doublings < 0)
        return 0s;
    return std::min(MaxDelay, std::chrono::seconds(1 << std::min(doublings, 5)));
}

Authenticator::Authenticator(LoginClock clock) : m_clock(std::move(clock)) {}

QString Authenticator::failureText() {
    return QStringLiteral("The user name or password is not correct.");
}

LoginResult Authenticator::authenticate(db::Connection& c, const QString& userName,
                                        const QString& password) {
    const QString name = foldedUserName(userName);
    if (name.isEmpty())
        return {std::nullopt, QStringLiteral("Please enter your user name.")};

    const std::optional<StoredLogin> stored = findLogin(c, name);
    waitAfter(stored ? Failures{stored->user.failedlogins, stored->lastFailedAt}
                     : unknownNameFailures(c, name));
    if (verifyPassword(stored ? stored->hash : standInHash(), password) && stored) {
        c.execute(
            QStringLiteral("UPDATE inventory.tbUser SET failedlogins = 0, lastfailed_at = NULL"
                           " WHERE username = ?"),
            {name});
        UserRecord user = stored->user;
        user.failedlogins = 0;
        return {user, {}};
    }

    const qint64 now = m_clock.now();
    if (stored) {
        c.execute(QStringLiteral("UPDATE inventory.tbUser SET failedlogins = failedlogins + 1,"
                                 " lastfailed_at = ? WHERE username = ?"),
                  {now, name});
    } else {
        countUnknownName(c, name);
    }
    return {std::nullopt, failureText()};
}

Authenticator::Failures Authenticator::unknownNameFailures(db::Connection& c,
                                                           const QString& name) const {
    const db::Recordset rows =
        c.query(QStringLiteral("SELECT failedlogins, lastfailed_at"
                               " FROM inventory.tbLoginFailure WHERE username = ?"),
                {name});
    if (rows.eof())
        return {};
    return {rows.field(0).toInt(), rows.field(1).toLongLong()};
}

// Names not tried for a day are forgotten, so that guesses cannot fill the table.
void Authenticator::countUnknownName(db::Connection& c, const QString& name) const {
    const qint64 now = m_clock.now();
    db::Transaction t(c);
    c.execute(QStringLiteral("DELETE FROM inventory.tbLoginFailure WHERE lastfailed_at < ?"),
              {now - ForgetUnknownNamesSeconds});
    c.execute(QStringLiteral(
                  "INSERT INTO inventory.tbLoginFailure (username, failedlogins, lastfailed_at)"
                  " VALUES (?, 1, ?) ON CONFLICT (username) DO UPDATE"
                  " SET failedlogins = tbLoginFailure.failedlogins + 1,"
                  " lastfailed_at = excluded.lastfailed_at"),
              {name, now});
    t.commit();
}

// The time since the last failure counts towards the wait, so that a user
// who comes back later is not held up.
void Authenticator::waitAfter(const Failures& failures) const {
    const std::chrono::seconds delay = loginDelay(failures.count);
    if (delay == 0s)
        return;
    const qint64 elapsed = std::max<qint64>(0, m_clock.now() - failures.lastAt);
    const std::chrono::seconds remaining = delay - std::chrono::seconds(elapsed);
    if (remaining > 0s)
        m_clock.wait(remaining);
}

} // namespace current_user
