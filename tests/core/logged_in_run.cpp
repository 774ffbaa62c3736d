#include "logged_in_run.h"

#include "components/current_user/user_store.h"
#include "core/mdlFormulary.h"

#include <memory>
#include <utility>

namespace test_support {

const QString LoggedInRunTest::Password = QStringLiteral("pharmacy-test");

void LoggedInRunTest::SetUp() {
    EngineTest::SetUp();
    m_previousLocation = qgetenv("FORMULARY_DATABASE");
    qputenv("FORMULARY_DATABASE", database->target().toUtf8());
    addUser(QStringLiteral("pharmacist"), QStringLiteral("PL"), QStringLiteral("AA"));
    logInAs(QStringLiteral("pharmacist"));
}

void LoggedInRunTest::TearDown() {
    mdlFormulary.clear();
    if (m_previousLocation.isEmpty())
        qunsetenv("FORMULARY_DATABASE");
    else
        qputenv("FORMULARY_DATABASE", m_previousLocation);
    EngineTest::TearDown();
}

void LoggedInRunTest::addUser(const QString& userName, const QString& initials,
                              const QString& rightsClass, bool isAdmin) {
    current_user::UserRecord user;
    user.employeecode = QStringLiteral("E-") + userName;
    user.username = userName;
    user.firstname = userName;
    user.lastname = QStringLiteral("Test");
    user.initials = initials;
    user.rightsclass = rightsClass;
    user.isadmin = isAdmin;
    current_user::addUser(*conn, user, Password);
}

void LoggedInRunTest::logInAs(const QString& userName) {
    // Answers once; a failed log-in then cancels instead of asking forever.
    auto asked = std::make_shared<bool>(false);
    mdlFormulary.loginPrompt = [userName,
                                asked](const QString&) -> std::optional<current_user::Credentials> {
        if (std::exchange(*asked, true))
            return std::nullopt;
        return current_user::Credentials{userName, Password};
    };
}

} // namespace test_support
