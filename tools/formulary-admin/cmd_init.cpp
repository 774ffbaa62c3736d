#include "commands.h"

#include "database/schema.h"
#include "database/setup.h"
#include "database/user_rights.h"
#include "platform/app_error.h"
#include "platform/db/transaction.h"

namespace admin {

namespace {

// The first administrator, unless options say otherwise.
current_user::UserRecord defaultAdministrator() {
    current_user::UserRecord user;
    user.firstname = QStringLiteral("Formulary");
    user.lastname = QStringLiteral("Administrator");
    user.employeecode = QStringLiteral("ADMIN");
    user.rightsclass = QStringLiteral("AA");
    user.isadmin = true;
    return user;
}

void requireNoUsers(db::Connection& c) {
    if (database::schemaVersion(c) > 0 && !current_user::listUsers(c).empty())
        throw AppError(
            AppError::InvalidArgument,
            QStringLiteral("The database %1 has users already; it was set up before. Use "
                           "\"formulary-admin upgrade\" and \"formulary-admin user\".")
                .arg(c.target().display()),
            QStringLiteral("formulary-admin init"));
}

int runInit(const Arguments& args, AdminIo& io) {
    const db::Target target = db::Target::parse(args.at(0));
    const current_user::UserRecord admin = userFromOptions(
        args, args.value(QStringLiteral("user"), QStringLiteral("admin")), defaultAdministrator());
    const QString password = newPassword(args, io, admin.username);

    db::Connection c(target);
    c.open(true);
    requireNoUsers(c);
    database::upgrade(c);
    {
        db::Transaction t(c);
        current_user::addUser(c, admin, password);
        // The first user builds the formulary: all four rights.
        if (!database::SetAllRights(c, admin.employeecode, true))
            throw AppError(AppError::Database,
                           QStringLiteral("The database refused the administrator's rights."),
                           QStringLiteral("formulary-admin init"));
        t.commit();
    }
    io.out << QStringLiteral("Created the formulary database %1 with the administrator \"%2\".\n")
                  .arg(target.display(), admin.username);
    if (target.engine == db::Engine::PostgreSQL)
        io.out << QStringLiteral("Each user logs in to the server as themselves; workstations "
                                 "use a URL without a password.\n");
    return Success;
}

} // namespace

Command initCommand() {
    Command command{
        QStringLiteral("init"),
        QStringLiteral("TARGET"),
        1,
        QStringLiteral("Creates an empty formulary database with one administrator."),
        QStringLiteral(
            "TARGET is a folder (embedded database, created when missing) or a\n"
            "postgresql://user@host/database URL. On a server, run it as the server's\n"
            "superuser (or a role with CREATEROLE, for the set-up only): the schema\n"
            "belongs to that role, each user becomes a log-in role of the server, and\n"
            "only the formulary's users may connect; the search index needs the\n"
            "extension pg_trgm, installed with CREATE on the database. The administrator\n"
            "has all four rights. The password is asked twice on the terminal unless\n"
            "--password-file is given."),
        {{QStringLiteral("user"), QStringLiteral("NAME"),
          QStringLiteral("The administrator's user name (default: admin).")},
         passwordFileOption()},
        runInit};
    for (Option& option : userDetailOptions())
        command.options.push_back(std::move(option));
    return command;
}

} // namespace admin
