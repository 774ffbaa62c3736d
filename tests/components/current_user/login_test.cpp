#include "components/current_user/login.h"

#include "support/test_database.h"
#include "test_users.h"

using namespace current_user;

namespace {

// A clock that never really waits: it records the waits asked for and moves
// on by them.
struct FakeClock {
    qint64 now = 1'000'000;
    std::vector<int> waits;

    LoginClock clock() {
        return {[this] { return now; },
                [this](std::chrono::seconds s) {
                    waits.push_back(int(s.count()));
                    now += s.count();
                }};
    }
};

class Login : public test_support::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        addUser(*conn, paulaRees(QStringLiteral("AA")), QStringLiteral("right"));
    }

    LoginResult logIn(const char* name, const char* password) {
        return auth.authenticate(*conn, QString::fromUtf8(name), QString::fromUtf8(password));
    }

    // Fails the given number of times in a row and returns the waits asked for.
    std::vector<int> failRepeatedly(const char* name, int times) {
        clock.waits.clear();
        for (int i = 0; i < times; ++i)
            EXPECT_FALSE(logIn(name, "wrong").user);
        return clock.waits;
    }

    int storedFailures() { return findUser(*conn, QStringLiteral("pharmacist"))->failedlogins; }

    FakeClock clock;
    Authenticator auth{clock.clock()};
};

TEST_P(Login, RightWrongAndUnknownLookTheSame) {
    const LoginResult right = logIn(" PharmaCist", "right");
    ASSERT_TRUE(right.user);
    EXPECT_EQ(right.user->employeecode, QStringLiteral("E100"));
    EXPECT_EQ(right.user->initials, QStringLiteral("PR"));
    EXPECT_TRUE(right.user->isadmin);

    const LoginResult wrong = logIn("pharmacist", "Right");
    const LoginResult unknown = logIn("nobody", "right");
    EXPECT_FALSE(wrong.user);
    EXPECT_FALSE(unknown.user);
    EXPECT_EQ(wrong.failure, Authenticator::failureText());
    EXPECT_EQ(unknown.failure, wrong.failure) << "the answer must not tell which names exist";
    EXPECT_EQ(storedFailures(), 1);

    const LoginResult noName = logIn("  ", "right");
    EXPECT_FALSE(noName.user);
    EXPECT_EQ(noName.failure, QStringLiteral("Please enter your user name."));
}

TEST_P(Login, FailuresSlowDownUpToACapAndSuccessResets) {
    const std::vector<int> expected = {1, 2, 4, 8, 16, 30, 30};
    EXPECT_EQ(failRepeatedly("nobody", 11), expected) << "an unknown name waits the same";
    EXPECT_EQ(failRepeatedly("pharmacist", 11), expected);
    EXPECT_EQ(storedFailures(), 11);

    // The right password still waits its turn, then clears the count.
    clock.waits.clear();
    EXPECT_TRUE(logIn("pharmacist", "right").user);
    EXPECT_EQ(clock.waits, std::vector<int>{30});
    EXPECT_EQ(storedFailures(), 0);
    EXPECT_EQ(failRepeatedly("pharmacist", 4), std::vector<int>{});
}

TEST_P(Login, CountIsKeptInTheDatabaseAndTimeAwayCounts) {
    // Another run of the program (or another workstation) sees the counts,
    // for an unknown name as for a real one.
    FakeClock later;
    Authenticator other(later.clock());
    for (const char* name : {"nobody", "pharmacist"}) {
        failRepeatedly(name, 5);
        later.now = clock.now + 1;
        later.waits.clear();
        EXPECT_FALSE(other.authenticate(*conn, QLatin1String(name), QStringLiteral("x")).user);
        EXPECT_EQ(later.waits, std::vector<int>{1})
            << name << ": 2 s after five failures, 1 s already passed";
    }
    later.waits.clear();
    later.now += 60;
    EXPECT_TRUE(
        other.authenticate(*conn, QStringLiteral("pharmacist"), QStringLiteral("right")).user);
    EXPECT_TRUE(later.waits.empty()) << "a user who comes back later is not held up";
}

// On a server the server checks the password; the window's messages there
// are tested with the current-user component.
INSTANTIATE_TEST_SUITE_P(Embedded, Login, testing::Values(db::Engine::SQLite),
                         test_support::engineName);

} // namespace
