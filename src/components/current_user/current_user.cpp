#include "components/current_user/current_user.h"

#include "components/current_user/frm_login.h"
#include "components/current_user/login.h"
#include "database/schema.h"
#include "database/session.h"
#include "platform/app_error.h"

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QStandardPaths>
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
                database::beginSession(*connection, result.user->employeecode);
                user = std::move(result.user);
                return;
            }
            message = result.failure;
        }
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
    d->location = databaseLocation();
    try {
        d->openDatabase();
        if (d->prompt) {
            d->logIn(d->prompt);
        } else {
            frmLogin window;
            d->logIn([&window](const QString& message) { return window.ask(message); });
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
        throw AppError(AppError::NotConnected, QStringLiteral("No user is logged in."),
                       QStringLiteral("CurrentUser.sqlconnection"));
    return *d->connection;
}

QString CurrentUser::connectionstr() const {
    return d->location;
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
    const QString configured = qEnvironmentVariable("FORMULARY_DATABASE");
    if (!configured.isEmpty())
        return configured;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/database");
}

void CurrentUser::setLoginPrompt(LoginPrompt prompt) {
    d->prompt = std::move(prompt);
}

void setApplicationIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Formulary"));
    QCoreApplication::setApplicationName(QStringLiteral("formulary"));
}

} // namespace current_user
