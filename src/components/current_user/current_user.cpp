#include "components/current_user/current_user.h"
#include "components/current_user/database_location.h"

#include "components/current_user/frm_login.h"
#include "components/current_user/login.h"
#include "database/schema.h"
#include "database/server_roles.h"
#include "database/session.h"
#include "installation.h"
#include "platform/app_error.h"
#include "platform/db/db_error.h"
#include "platform/it_log.h"

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

namespace current_user {

namespace {

// Waits out a log-in slow-down with the windows still painted but deaf to
// the user.
void waitWithWindowsPainted(std::chrono::seconds delay) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop loop;
    QTimer::singleShot(delay, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
}

LoginClock systemClock() {
    return {[] { return QDateTime::currentSecsSinceEpoch(); }, waitWithWindowsPainted};
}

} // namespace

struct CurrentUser::State {
    LoginPrompt prompt;
    Authenticator authenticator{systemClock()};
    QString location;
    QString connectError;
    std::unique_ptr<db::Connection> connection;
    std::optional<UserRecord> user;

    // Throws AppError when the database cannot be reached or is not fit for use.
    void openDatabase() {
        connection = std::make_unique<db::Connection>(db::Target::parse(location));
        // An embedded database must exist: an empty one would hold no users.
        connection->open(false);
        database::prepareForUse(*connection);
    }

    void logIn(const LoginPrompt& ask) {
        QString message;
        for (;;) {
            const std::optional<Credentials> credentials = ask(message);
            if (!credentials) {
                connection.reset();
                return;
            }
            LoginResult result = authenticator.authenticate(*connection, credentials->userName,
                                                            credentials->password);
            if (result.user) {
                begin(std::move(*result.user));
                return;
            }
            message = result.failure;
        }
    }

    // On a server the name and password log in to the server itself: each
    // user is a role of their own. Throws AppError when no server answers.
    void logInToServer(const db::Target& server, const LoginPrompt& ask) {
        if (!db::Connection::serverAnswers(server))
            throw AppError(
                AppError::NotConnected,
                QStringLiteral("No database server answers at %1.").arg(server.display()));
        QString message;
        for (;;) {
            const std::optional<Credentials> credentials = ask(message);
            if (!credentials)
                return;
            std::optional<UserRecord> known = serverLogIn(server, *credentials);
            if (known) {
                begin(std::move(*known));
                return;
            }
            message = credentials->userName.trimmed().isEmpty()
                          ? QStringLiteral("Please enter your user name.")
                          : Authenticator::failureText();
        }
    }

    // The user when the server takes the log-in and knows the role as a
    // user of this formulary. An unknown name, a wrong password and a
    // disabled user look the same to the person at the keyboard.
    std::optional<UserRecord> serverLogIn(const db::Target& server, const Credentials& given) {
        db::Target target = server;
        try {
            target.user = database::server_roles::roleNameFor(given.userName);
        } catch (const AppError&) {
            return std::nullopt; // no role can carry that name
        }
        target.password = given.password;
        auto c = std::make_unique<db::Connection>(target);
        try {
            c->open();
        } catch (const db::DbError& e) {
            if (!db::Connection::serverAnswers(server))
                throw;
            it_log::report(QStringLiteral("the server refused the log-in of \"%1\": %2")
                               .arg(target.user, e.description()));
            return std::nullopt;
        }
        database::prepareForUse(*c);
        std::optional<UserRecord> known = findUser(*c, target.user);
        if (known)
            connection = std::move(c);
        return known;
    }

    void begin(UserRecord loggedIn) {
        database::beginSession(*connection, loggedIn.employeecode);
        user = std::move(loggedIn);
    }

    // The report engine's log-on holds a user and password only on a server.
    bool onServer() const { return connection && connection->engine() == db::Engine::PostgreSQL; }
};

CurrentUser::CurrentUser() : d(std::make_unique<State>()) {}

CurrentUser::~CurrentUser() {
    release();
}

void CurrentUser::ShowMain() {
    release();
    d->connectError.clear();
    try {
        d->location = databaseLocation();
        const db::Target target = db::Target::parse(d->location);
        frmLogin window;
        LoginPrompt ask = d->prompt;
        if (!ask)
            ask = [&window](const QString& message) { return window.ask(message); };
        if (target.engine == db::Engine::PostgreSQL) {
            d->logInToServer(target, ask);
        } else {
            d->openDatabase();
            d->logIn(ask);
        }
    } catch (const AppError& e) {
        d->connectError = e.description();
        d->connection.reset();
        d->user.reset();
    }
}

bool CurrentUser::Connected() const {
    return d->user && d->connection && d->connection->isOpen();
}

QString CurrentUser::connectError() const {
    return d->connectError;
}

db::Connection& CurrentUser::sqlconnection() {
    if (!Connected())
        throw AppError(AppError::NotConnected, QStringLiteral("No user is logged in."));
    return *d->connection;
}

QString CurrentUser::connectionstr() const {
    // On a server the user's own log-on goes with it.
    return d->onServer() && d->user ? d->connection->target().url() : d->location;
}

QString CurrentUser::Initial() const {
    return d->user ? d->user->initials : QString();
}

QString CurrentUser::UserRights() const {
    return d->user ? d->user->rightsclass : QString();
}

QString CurrentUser::employeecode() const {
    return d->user ? d->user->employeecode : QString();
}

bool CurrentUser::checkusersettings() const {
    return d->user && d->user->isadmin;
}

QString CurrentUser::ServerName() const {
    return d->connection ? d->connection->target().serverName() : QString();
}

QString CurrentUser::UserID() const {
    return d->onServer() ? d->connection->target().user : QString();
}

QString CurrentUser::serverpassword() const {
    return d->onServer() ? d->connection->target().password : QString();
}

void CurrentUser::release() {
    if (d->connection && d->user) {
        try {
            database::endSession(*d->connection);
        } catch (const AppError&) {
            // The database is gone; the session is purged as stale at a later log-in.
        }
    }
    d->user.reset();
    d->connection.reset();
}

QString CurrentUser::databaseLocation() {
    return findDatabase().target;
}

void CurrentUser::setLoginPrompt(LoginPrompt prompt) {
    d->prompt = std::move(prompt);
}

void setApplicationIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Formulary"));
    QCoreApplication::setApplicationName(QStringLiteral("formulary"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FORMULARY_VERSION));
}

} // namespace current_user
