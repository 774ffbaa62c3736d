#include "commands.h"

#include "database/backup.h"

namespace admin {

namespace {

QString madeText(const database::backup::Manifest& m) {
    return m.made.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int runBackup(const Arguments& args, AdminIo& io) {
    db::Connection c(db::Target::parse(args.at(0)));
    c.open();
    const database::backup::Manifest m = database::backup::make(c, args.at(1));
    io.out << QStringLiteral("Backed up %1 (schema %2) into %3.\n")
                  .arg(c.target().display())
                  .arg(m.schema)
                  .arg(args.at(1));
    if (m.engine == db::Engine::PostgreSQL)
        io.out << (m.passwords
                       ? QStringLiteral("The users' password verifiers came along: after a "
                                        "restore they log in with their passwords.\n")
                       : QStringLiteral("The backup holds no passwords (only the superuser may "
                                        "read them): after a restore on another server, set each "
                                        "user's password again with \"formulary-admin user "
                                        "passwd NAME\".\n"));
    return Success;
}

int runRestore(const Arguments& args, AdminIo& io) {
    const database::backup::Restored r =
        database::backup::restore(args.at(0), args.at(1), args.has(QStringLiteral("replace")));
    io.out << QStringLiteral("Restored %1 (a backup of %2 made %3, schema %4) into %5.\n")
                  .arg(args.at(0), r.manifest.source, madeText(r.manifest))
                  .arg(r.manifest.schema)
                  .arg(db::Target::parse(args.at(1)).display());
    if (!r.passwordsToSet.isEmpty())
        io.out << QStringLiteral("The backup held no passwords: set each of these users' password "
                                 "with \"formulary-admin user passwd NAME\": %1\n")
                      .arg(r.passwordsToSet.join(QStringLiteral(", ")));
    db::Connection c(db::Target::parse(args.at(1)));
    c.open();
    return reportFindings(c, io);
}

} // namespace

std::vector<Command> backupCommands() {
    return {
        {QStringLiteral("backup"),
         QStringLiteral("TARGET FILE"),
         2,
         QStringLiteral("Writes a backup of the database into FILE."),
         QStringLiteral(
             "FILE is a tar archive, readable by its owner only. Of an embedded database it\n"
             "holds both database files, copied from one snapshot while the program may go\n"
             "on working (changes still in the write-ahead log come along). Of a server\n"
             "database it holds pg_dump's custom format of the formulary and its users'\n"
             "log-ins: names, administrators, disabled ones, and the password verifiers\n"
             "when the superuser makes the backup (else the users set passwords again after\n"
             "a restore on another server). On a server, run it as the log-in that owns the\n"
             "formulary or as the superuser, with the password in ~/.pgpass. An existing\n"
             "FILE is replaced once the new backup is whole."),
         {},
         runBackup},
        {QStringLiteral("restore"),
         QStringLiteral("FILE TARGET"),
         2,
         QStringLiteral("Restores a backup into a database, then checks it."),
         QStringLiteral(
             "TARGET is a folder for a backup of an embedded database and a postgresql://\n"
             "database for one of a server; a TARGET that holds a database already is\n"
             "refused unless --replace is given. On a server, run it as the superuser, as\n"
             "init: it makes the formulary's roles and its users' log-ins again (users that\n"
             "have a log-in keep it; with --replace the formulary's other log-ins go).\n"
             "A backup of an older schema is upgraded. The restore is noted in the audit,\n"
             "and the result is checked as \"formulary-admin check\" does."),
         {{QStringLiteral("replace"),
           {},
           QStringLiteral("Replace the database that TARGET holds.")}},
         runRestore},
    };
}

} // namespace admin
