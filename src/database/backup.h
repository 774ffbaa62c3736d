#pragma once

#include "platform/db/connection.h"

#include <QDateTime>
#include <QStringList>

// Backups of a formulary database, each one file (see backup_archive.h): of
// an embedded database its two files, copied from one snapshot while the
// program runs; of a server database PostgreSQL's own dump (pg_dump's custom
// format) and the log-ins of its users.
namespace database::backup {

// What a backup file says of itself.
struct Manifest {
    db::Engine engine = db::Engine::SQLite;
    int schema = 0;
    QDateTime made;
    QString source;         // the database it was made of, without a password
    bool passwords = false; // a server's: the log-ins' password verifiers came along
};

// Writes a backup of the database into the file. On a server the log-in
// must own the formulary; the password verifiers come along only where it
// may read them (the superuser).
Manifest make(db::Connection& connection, const QString& file);

// The embedded database's own backup before its schema is upgraded from the
// version: a file in the database's folder,
// "before-upgrade-schema-<version>.<yyyyMMdd-HHmmss>.tar". Its path.
QString beforeUpgrade(db::Connection& connection, int version);

struct Restored {
    Manifest manifest;
    QStringList passwordsToSet; // a server's users whose password did not come along
};

// Restores the backup into the target, which must hold no formulary unless
// replace is set; then upgrades it when the backup is older, and notes the
// restore in its audit. On a server it runs as the superuser: the log-ins
// are made again (a server's users keep theirs), with their verifiers where
// the backup holds them; with replace, the formulary's other log-ins go.
Restored restore(const QString& file, const QString& target, bool replace);

} // namespace database::backup
