#include "components/current_user/current_user.h"
#include "components/current_user/database_location.h"

#include "components/current_user/frm_login.h"
#include "components/current_user/login.h"
#include "components/current_user/user_store.h"
#include "components/formulary_data/formulary.h"
#include "platform/app_error.h"
#include "support/test_database.h"
#include "test_users.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>

using namespace current_user;

namespace {

// Points FORMULARY_DATABASE somewhere for one test.
class DatabaseVariable {
public:
    explicit DatabaseVariable(const QString& value) : m_old(qgetenv("FORMULARY_DATABASE")) {
        qputenv("FORMULARY_DATABASE", value.toUtf8());
    }
    ~DatabaseVariable() {
        if (m_old.isEmpty())
            qunsetenv("FORMULARY_DATABASE");
        else
            qputenv("FORMULARY_DATABASE", m_old);
    }

private:
    QByteArray m_old;
};

// A log-in prompt that gives the scripted answers in turn and records the
// messages it was shown; it cancels once the script is used up.
struct ScriptedPrompt {
    std::deque<std::optional<Credentials>> answers;
    QStringList messages;

    LoginPrompt prompt() {
        return [this](const QString& message) -> std::optional<Credentials> {
            messages << message;
            if (answers.empty())
                return std::nullopt;
            std::optional<Credentials> next = answers.front();
            answers.pop_front();
            return next;
        };
    }
};

Credentials credentials(const char* name, const char* password) {
    return {QString::fromUtf8(name), QString::fromUtf8(password)};
}

class CurrentUserTest : public test_support::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        addUser(*conn, paulaRees(QStringLiteral("BB"), QStringLiteral("PRE")),
                QStringLiteral("right"));
        // A workstation's address names no user: the log-in supplies it.
        db::Target workstation = db::Target::parse(database->target());
        workstation.user.clear();
        workstation.password.clear();
        location = std::make_unique<DatabaseVariable>(workstation.url());
        user.setLoginPrompt(script.prompt());
    }

    void TearDown() override {
        user.release();
        location.reset();
        EngineTest::TearDown();
    }

    int sessionRows(const QString& employeeCode) {
        return conn
            ->query(
                QStringLiteral("SELECT session_id FROM inventory.tbSession WHERE employeecode = ?"),
                {employeeCode})
            .recordCount();
    }

    std::unique_ptr<DatabaseVariable> location;
    ScriptedPrompt script;
    CurrentUser user;
};

TEST_P(CurrentUserTest, SuccessFillsTheMembersAndStartsASession) {
    script.answers = {credentials("Pharmacist", "right")};
    user.ShowMain();

    ASSERT_TRUE(user.Connected()) << user.connectError().toStdString();
    EXPECT_EQ(script.messages, QStringList{QString()});
    EXPECT_TRUE(user.connectError().isEmpty());
    EXPECT_EQ(user.Initial(), QStringLiteral("PRE"));
    EXPECT_EQ(user.UserRights(), QStringLiteral("BB"));
    EXPECT_EQ(user.employeecode(), QStringLiteral("E100"));
    EXPECT_TRUE(user.checkusersettings());
    // The formulary component connects with it, on a server as the user.
    formulary_data::Formulary formulary;
    ASSERT_TRUE(formulary.Connect(user.connectionstr()));
    if (GetParam() == db::Engine::PostgreSQL) {
        EXPECT_EQ(
            formulary.connection().query(QStringLiteral("SELECT session_user")).field(0).toString(),
            QStringLiteral("pharmacist"));
    }

    // On a server the report engine logs on as the user, with the password typed.
    const db::Target target = db::Target::parse(database->target());
    const bool server = target.engine == db::Engine::PostgreSQL;
    EXPECT_EQ(user.ServerName(), target.serverName());
    EXPECT_EQ(user.UserID(), server ? QStringLiteral("pharmacist") : QString());
    EXPECT_EQ(user.serverpassword(), server ? QStringLiteral("right") : QString());

    const QString session = user.sqlconnection().sessionId();
    EXPECT_FALSE(session.isEmpty());
    EXPECT_EQ(conn->query(QStringLiteral("SELECT employeecode FROM inventory.tbSession"
                                         " WHERE session_id = ?"),
                          {session})
                  .text(QStringLiteral("employeecode")),
              QStringLiteral("E100"));

    user.release();
    EXPECT_FALSE(user.Connected());
    EXPECT_EQ(sessionRows(QStringLiteral("E100")), 0);
    EXPECT_THROW(user.sqlconnection(), AppError);
}

TEST_P(CurrentUserTest, CancelLeavesItUnconnected) {
    user.ShowMain();
    EXPECT_EQ(script.messages.size(), 1);
    EXPECT_FALSE(user.Connected());
    EXPECT_TRUE(user.connectError().isEmpty());
    EXPECT_TRUE(user.Initial().isEmpty());
    EXPECT_THROW(user.sqlconnection(), AppError);
    EXPECT_EQ(sessionRows(QStringLiteral("E100")), 0);
}

// A wrong password, an unknown name, a name no log-in can have, a role of
// the server that is no user of the formulary and (on a server) a disabled
// user all get the same message.
TEST_P(CurrentUserTest, AFailedLogInIsShownAndCanBeRetried) {
    script.answers = {credentials("pharmacist", "wrong"), credentials("nobody", "right"),
                      credentials("two words", "right"), credentials("postgres", "right")};
    if (GetParam() == db::Engine::PostgreSQL) {
        UserRecord disabled = paulaRees(QStringLiteral("AA"), QStringLiteral("DIS"));
        disabled.employeecode = QStringLiteral("E300");
        disabled.username = QStringLiteral("disabled");
        addUser(*conn, disabled, QStringLiteral("right"));
        setLoginEnabled(*conn, QStringLiteral("disabled"), false);
        script.answers.push_back(credentials("disabled", "right"));
    }
    const qsizetype failures = qsizetype(script.answers.size());
    script.answers.push_back(credentials("pharmacist", "right"));
    user.ShowMain();
    EXPECT_TRUE(user.Connected());
    ASSERT_EQ(script.messages.size(), failures + 1);
    EXPECT_EQ(script.messages.first(), QString());
    for (qsizetype i = 1; i <= failures; ++i)
        EXPECT_EQ(script.messages[i], Authenticator::failureText()) << i;
    EXPECT_EQ(sessionRows(QStringLiteral("E100")), 1);
}

// An embedded database is read before the log-in; a server's only by a
// user who has logged in.
TEST_P(CurrentUserTest, ANewerSchemaIsRefused) {
    conn->execute(QStringLiteral("UPDATE inventory.tbSchemaVersion SET version = 99"));
    script.answers = {credentials("pharmacist", "right")};
    user.ShowMain();
    EXPECT_FALSE(user.Connected());
    EXPECT_EQ(script.messages.size(), GetParam() == db::Engine::SQLite ? 0 : 1);
    EXPECT_TRUE(user.connectError().contains(QStringLiteral("newer version")))
        << user.connectError().toStdString();
}

FORMULARY_ENGINE_TESTS(CurrentUserTest);

TEST(CurrentUserUnreachable, ShowsNoLogInAndSaysWhy) {
    QTemporaryDir folder;
    const QString missing = folder.path() + QStringLiteral("/none");
    const QString cases[] = {
        missing,
        QStringLiteral("postgresql://nobody@127.0.0.1:1/formulary?connect_timeout=2"),
        QStringLiteral("postgresql://127.0.0.1/"),
    };
    for (const QString& target : cases) {
        SCOPED_TRACE(target.toStdString());
        DatabaseVariable location(target);
        ScriptedPrompt script;
        CurrentUser user;
        user.setLoginPrompt(script.prompt());
        user.ShowMain();
        EXPECT_FALSE(user.Connected());
        EXPECT_TRUE(script.messages.isEmpty());
        EXPECT_FALSE(user.connectError().isEmpty());
    }
    EXPECT_FALSE(QDir(missing).exists()) << "no empty database is made";
}

TEST(CurrentUserLocation, FirstOfVariableUserFileSystemFileDefault) {
    setApplicationIdentity();
    QTemporaryDir dir;
    const auto file = [&dir](const QString& name, const QByteArray& content) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    };
    const QString mine =
        file(QStringLiteral("mine.conf"), "# where the formulary is\n database = /srv/a,b\n");
    const QString comments = file(QStringLiteral("comments.conf"), "#database=/srv/x\n;x\n");
    const QString system =
        file(QStringLiteral("system.conf"), "database=postgresql://db.example/formulary\n");
    const QString missing = dir.filePath(QStringLiteral("missing.conf"));
    const QString fallback = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                             QStringLiteral("/database");
    struct Case {
        QString variable;
        QStringList files;
        QString target;
        QString source;
    };
    const std::vector<Case> cases = {
        {"/srv/env", {mine, system}, "/srv/env", "FORMULARY_DATABASE"},
        {{}, {mine, system}, "/srv/a,b", mine + ", line 2"},
        {{}, {comments, system}, "postgresql://db.example/formulary", system + ", line 1"},
        {{}, {missing, comments}, fallback, "the embedded default"},
    };
    for (const Case& c : cases) {
        DatabaseVariable variable(c.variable);
        const DatabaseLocation found = findDatabase(c.files);
        EXPECT_EQ(found.target, c.target) << c.source.toStdString();
        EXPECT_EQ(found.source, c.source);
    }
    DatabaseVariable unset{QString()};
    const QString secret =
        file(QStringLiteral("secret.conf"), "database=postgresql://app:pw@db.example/f\n");
    EXPECT_THROW(findDatabase({secret}), AppError);
}

TEST(CurrentUserLocation, TheProgramsDatabaseIsTheOneFound) {
    setApplicationIdentity();
    DatabaseVariable location(QStringLiteral("postgresql://host/db"));
    EXPECT_EQ(CurrentUser::databaseLocation(), QStringLiteral("postgresql://host/db"));
    EXPECT_TRUE(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                    .contains(QStringLiteral("Formulary/formulary")));
}

// Runs the action once the log-in window is shown modally and ready for
// typing. Gives up after a while, so that a broken window fails the test
// instead of hanging it.
void whenLoginShown(std::function<void(frmLogin&)> action, int triesLeft = 500) {
    QTimer::singleShot(10, [action = std::move(action), triesLeft]() mutable {
        auto* window = qobject_cast<frmLogin*>(QApplication::activeModalWidget());
        if (window && window->isEnabled() && window->isActiveWindow())
            action(*window);
        else if (triesLeft > 0)
            whenLoginShown(std::move(action), triesLeft - 1);
        else
            ADD_FAILURE() << "the log-in window did not come up";
    });
}

// Closes a log-in window that a failed test left open.
class HangGuard {
public:
    HangGuard() {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            if (auto* window = qobject_cast<frmLogin*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "the log-in window was left open";
                window->reject();
            }
        });
        m_timer.start(std::chrono::seconds(20));
    }

private:
    QTimer m_timer;
};

// Counts the times a watched window is hidden.
struct HideCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Hide;
        return false;
    }
};

void typeInto(const char* text) {
    QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(text));
}
void press(Qt::Key key) {
    QTest::keyClick(QApplication::focusWidget(), key);
}

TEST(LoginWindow, TypedAndCancelledWithTheKeyboardAndButtons) {
    HangGuard guard;
    frmLogin window;
    whenLoginShown([](frmLogin& w) {
        EXPECT_FALSE(w.lblMessage->isVisible());
        ASSERT_EQ(QApplication::focusWidget(), w.txtUserName);
        typeInto("pharmacist");
        press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), w.txtPassword);
        typeInto("secret");
        press(Qt::Key_Return);
    });
    const std::optional<Credentials> typed = window.ask(QString());
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->userName, QStringLiteral("pharmacist"));
    EXPECT_EQ(typed->password, QStringLiteral("secret"));
    EXPECT_TRUE(window.isVisible() && !window.isEnabled())
        << "stays up while the log-in is checked";

    whenLoginShown([](frmLogin& w) {
        EXPECT_TRUE(w.lblMessage->isVisible());
        EXPECT_EQ(w.lblMessage->text(), QStringLiteral("Try again"));
        EXPECT_EQ(w.txtUserName->text(), QStringLiteral("pharmacist"));
        EXPECT_TRUE(w.txtPassword->text().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), w.txtPassword);
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(window.ask(QStringLiteral("Try again")));
}

TEST(LoginWindow, ShowMainRetriesInTheWindowUntilRight) {
    HangGuard guard;
    test_support::TestDatabase database(db::Engine::SQLite);
    UserRecord u;
    u.employeecode = QStringLiteral("E7");
    u.username = QStringLiteral("viewer");
    u.initials = QStringLiteral("VW");
    u.rightsclass = QStringLiteral("BB");
    addUser(*database.connect(), u, QStringLiteral("viewer-pass"));
    DatabaseVariable location(database.target());

    // The window stays put between attempts: it is never hidden and shown again.
    HideCounter hides;
    whenLoginShown([&hides](frmLogin& first) {
        first.installEventFilter(&hides);
        EXPECT_EQ(first.cmdCancel->text(), QStringLiteral("&Cancel"));
        typeInto("Viewer");
        press(Qt::Key_Tab);
        typeInto("wrong");
        press(Qt::Key_Enter);
        whenLoginShown([&hides](frmLogin& w) {
            EXPECT_EQ(hides.count, 0);
            EXPECT_EQ(w.lblMessage->text(), Authenticator::failureText());
            typeInto("viewer-pass");
            press(Qt::Key_Return);
        });
    });
    CurrentUser user;
    user.ShowMain();
    EXPECT_TRUE(user.Connected()) << user.connectError().toStdString();
    EXPECT_EQ(user.Initial(), QStringLiteral("VW"));
    EXPECT_EQ(user.UserRights(), QStringLiteral("BB"));
    EXPECT_FALSE(user.checkusersettings());
}

} // namespace
