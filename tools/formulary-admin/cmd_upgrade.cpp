#include "commands.h"

#include "database/schema.h"
#include "database/server_roles.h"
#include "platform/app_error.h"

namespace admin {

namespace {

int runUpgrade(const Arguments& args, AdminIo& io) {
    db::Connection c(db::Target::parse(args.at(0)));
    c.open();
    const int before = database::schemaVersion(c);
    if (before == 0)
        throw AppError(
            AppError::SchemaTooOld,
            QStringLiteral(
                "The database %1 holds no formulary; create one with \"formulary-admin init\".")
                .arg(c.target().display()),
            QStringLiteral("formulary-admin upgrade"));
    database::upgrade(c);
    if (before == database::CurrentSchemaVersion)
        io.out << QStringLiteral("The database %1 is current (schema %2).\n")
                      .arg(c.target().display())
                      .arg(before);
    else
        io.out << QStringLiteral("Upgraded the database %1 from schema %2 to %3.\n")
                      .arg(c.target().display())
                      .arg(before)
                      .arg(database::CurrentSchemaVersion);
    if (c.engine() == db::Engine::PostgreSQL) {
        const QStringList waiting = database::server_roles::usersWithoutLogin(c);
        if (!waiting.isEmpty())
            io.out << QStringLiteral("Users now log in to the server as themselves. These users "
                                     "have no log-in yet; set each one's password with "
                                     "\"formulary-admin user passwd NAME\": %1\n")
                          .arg(waiting.join(QStringLiteral(", ")));
    }
    return Success;
}

} // namespace

Command upgradeCommand() {
    return {QStringLiteral("upgrade"),
            QStringLiteral("TARGET"),
            1,
            QStringLiteral("Applies pending schema upgrades."),
            QStringLiteral(
                "The program upgrades an embedded database by itself; a server database only\n"
                "through this command, which holds a lock so that two upgrades never run at once.\n"
                "On a server it installs the extension pg_trgm for the search index, which\n"
                "needs CREATE on the database (the superuser or the database's owner)."),
            {},
            runUpgrade};
}

} // namespace admin
