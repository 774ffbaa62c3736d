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
    const QString role = args.value(QStringLiteral("app-role"));
    if (!role.isEmpty() && target.engine != db::Engine::PostgreSQL)
        throw UsageError{QStringLiteral(
            "--app-role needs a postgresql:// target: an embedded database has no roles.")};
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
    if (!role.isEmpty())
        database::grantDataAccess(c, role);
    io.out << QStringLiteral("Created the formulary database %1 with the administrator \"%2\".\n")
                  .arg(target.display(), admin.username);
    if (!role.isEmpty())
        io.out << QStringLiteral("The role \"%1\" may read and write its data.\n").arg(role);
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
            "postgresql://user@host/database URL; on a server, the schema belongs to the\n"
            "connecting role. The administrator has all four rights. The password is\n"
            "asked twice on the terminal unless --password-file is given."),
        {{QStringLiteral("user"), QStringLiteral("NAME"),
          QStringLiteral("The administrator's user name (default: admin).")},
         passwordFileOption(),
         {QStringLiteral("app-role"), QStringLiteral("ROLE"),
          QStringLiteral("PostgreSQL only: let the workstations' role read and write data (not the "
                         "schema).")}},
        runInit};
    for (Option& option : userDetailOptions())
        command.options.push_back(std::move(option));
    return command;
}

} // namespace admin
