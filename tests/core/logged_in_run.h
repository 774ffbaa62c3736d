#pragma once

#include "platform/ui/script.h"
#include "support/test_database.h"

namespace test_support {

// A window test on every engine: a fresh database with users that Main logs
// in to, FORMULARY_DATABASE pointing at it, and every call that would wait
// for the user scripted. The run's state is cleared after each test.
class LoggedInRunTest : public EngineTest {
protected:
    // Every user of these tests has this password.
    static const QString Password;

    void SetUp() override;
    void TearDown() override;

    // Adds a user; employee code "E-" + user name.
    void addUser(const QString& userName, const QString& initials, const QString& rightsClass,
                 bool isAdmin = false);
    // The log-in that Main's next run answers with.
    void logInAs(const QString& userName);

    ui::Script script;

private:
    QByteArray m_previousLocation;
};

} // namespace test_support
