#pragma once

#include "platform/db/connection.h"

#include <functional>
#include <memory>
#include <optional>

namespace current_user {

// What the log-in window hands back.
struct Credentials {
    QString userName;
    QString password;
};

// Asks for a user name and password; nullopt when the user cancels. The
// message is the text of the previous failure, empty at the first ask. The
// component's default shows the real log-in window; tests replace it.
using LoginPrompt = std::function<std::optional<Credentials>(const QString& message)>;

// The current-user component: logs the user in, owns the one database
// connection of the run and tells who the user is.
class CurrentUser {
public:
    CurrentUser();
    ~CurrentUser();
    CurrentUser(const CurrentUser&) = delete;
    CurrentUser& operator=(const CurrentUser&) = delete;

    // The department code of the log-in; kept, not used.
    QString PasswordDeptCode;

    // Runs the log-in and returns when it has ended, successfully or not. A
    // database that cannot be reached shows no log-in window.
    void ShowMain();

    // True when the log-in succeeded and the connection is open.
    bool Connected() const;
    // Why the last ShowMain could not reach the database; empty when it could
    // (also when the user cancelled the log-in).
    QString connectError() const;
    // The open connection of the run. Throws AppError when not connected.
    db::Connection& sqlconnection();
    // Handed unchanged to the formulary data component's Connect: on a
    // server it carries the logged-in user's name and password (in memory only).
    QString connectionstr() const;

    QString Initial() const;
    // The rights class; "BB" marks a user who may only look.
    QString UserRights() const;
    QString employeecode() const;
    // True for users marked administrator.
    bool checkusersettings() const;

    // The log-on that the report engine uses for its own connection.
    QString ServerName() const;
    QString UserID() const;
    QString serverpassword() const;

    // Ends the session and closes the connection (the main window's unload).
    void release();

    // Where the database is (see findDatabase).
    static QString databaseLocation();

    // Replaces the log-in window (tests, or another front end).
    void setLoginPrompt(LoginPrompt prompt);

private:
    struct State;
    std::unique_ptr<State> d;
};

// Names the program for the platform (organization "Formulary", application
// "formulary"), so that the program and the administration tool find the
// same default database, and sets the version both report. Both call it first.
void setApplicationIdentity();

} // namespace current_user
