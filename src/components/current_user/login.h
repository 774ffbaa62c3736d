#pragma once

#include "components/current_user/user_store.h"

#include <chrono>
#include <functional>

namespace current_user {

// How long a further log-in with one user name waits after that many failed
// ones: nothing for the first three, then 1 s, doubling up to 30 s.
std::chrono::seconds loginDelay(int failures);

// Time as the log-in sees it; tests replace both parts.
struct LoginClock {
    std::function<qint64()> now; // seconds since the epoch
    std::function<void(std::chrono::seconds)> wait;
};

struct LoginResult {
    std::optional<UserRecord> user; // set when the log-in succeeded
    QString failure;                // otherwise the text to show the user
};

// Checks a user name and password, and slows down guessing: failed log-ins
// are counted in the database, in the user's row, and a user name that does
// not exist costs the same work and the same waits as a wrong password.
class Authenticator {
public:
    explicit Authenticator(LoginClock clock);

    LoginResult authenticate(db::Connection& connection, const QString& userName,
                             const QString& password);

    static QString failureText();

private:
    struct Failures {
        int count = 0;
        qint64 lastAt = 0;
    };

    void waitAfter(const Failures& failures) const;
    Failures unknownNameFailures(db::Connection& c, const QString& name) const;
    void countUnknownName(db::Connection& c, const QString& name) const;

    LoginClock m_clock;
};

} // namespace current_user
