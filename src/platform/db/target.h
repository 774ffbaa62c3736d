#pragma once

#include <QString>

namespace db {

enum class Engine { SQLite, PostgreSQL };

// Where a formulary database lives: a folder holding the embedded files, or a
// postgresql:// URL naming a server database.
struct Target {
    Engine engine = Engine::SQLite;
    QString folder; // embedded: the folder with inventory.db and patient_data.db
    QString host;   // server: host name or socket folder
    int port = 5432;
    QString user;
    QString password;
    QString database;
    QString options; // server: further libpq options, "key=value;key=value"

    // Throws AppError on a malformed URL.
    static Target parse(const QString& text);

    // The target without its password, fit for messages.
    QString display() const;

    // A target as it was typed, with any password in it replaced by "***":
    // for messages about a target that may not parse.
    static QString masked(const QString& text);

    // The target as parse() reads it back, password included: for handing
    // a log-on on in memory, never for messages.
    QString url() const;

    // The log-on split in three, as the report engine takes it: the server
    // name is the folder, or the URL without user and password.
    QString serverName() const;
    static Target fromLogOn(const QString& serverName, const QString& user,
                            const QString& password);
};

} // namespace db
