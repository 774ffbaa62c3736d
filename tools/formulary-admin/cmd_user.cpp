#include "commands.h"

#include "platform/app_error.h"

namespace admin {

namespace {

const QString kUserArgument = QStringLiteral("USER");

int runAdd(const Arguments& args, AdminIo& io) {
    current_user::UserRecord fallback;
    fallback.rightsclass = args.value(QStringLiteral("class"), QStringLiteral("AA")).trimmed();
    fallback.isadmin = args.has(QStringLiteral("admin"));
    const current_user::UserRecord user = userFromOptions(args, args.at(0), fallback);
    const auto c = openExisting(args);
    current_user::addUser(*c, user, newPassword(args, io, user.username));
    io.out << QStringLiteral("Added the user \"%1\" (employee code %2).\n")
                  .arg(user.username, user.employeecode);
    return Success;
}

int runPasswd(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    // Before the password is asked for, not after.
    if (!current_user::findUser(*c, args.at(0)))
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("There is no user named \"%1\".").arg(args.at(0)),
                       QStringLiteral("formulary-admin user passwd"));
    const QString password = newPassword(args, io, args.at(0));
    current_user::setPassword(*c, args.at(0), password);
    io.out << QStringLiteral("Changed the password of \"%1\".\n").arg(args.at(0));
    return Success;
}

int runClass(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    current_user::setRightsClass(*c, args.at(0), args.at(1));
    io.out << QStringLiteral("The rights class of \"%1\" is now \"%2\".\n")
                  .arg(args.at(0), args.at(1));
    return Success;
}

int runAdministrator(const Arguments& args, AdminIo& io) {
    const QString answer = args.at(1).toLower();
    if (answer != QLatin1String("yes") && answer != QLatin1String("no"))
        throw UsageError{QStringLiteral("user admin takes yes or no, not \"%1\".").arg(args.at(1))};
    const auto c = openExisting(args);
    current_user::setAdministrator(*c, args.at(0), answer == QLatin1String("yes"));
    io.out << QStringLiteral("\"%1\" is %2 an administrator.\n")
                  .arg(args.at(0), answer == QLatin1String("yes") ? QStringLiteral("now")
                                                                  : QStringLiteral("no longer"));
    return Success;
}

int runList(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    const QString row = QStringLiteral("%1 %2 %3 %4 %5 %6\n");
    io.out << row.arg(QStringLiteral("USER"), -16)
                  .arg(QStringLiteral("CODE"), -12)
                  .arg(QStringLiteral("NAME"), -28)
                  .arg(QStringLiteral("INITIALS"), -8)
                  .arg(QStringLiteral("CLASS"), -5)
                  .arg(QStringLiteral("ADMIN"));
    for (const current_user::UserRecord& u : current_user::listUsers(*c))
        io.out << row.arg(u.username, -16)
                      .arg(u.employeecode, -12)
                      .arg(u.firstname + QLatin1Char(' ') + u.lastname, -28)
                      .arg(u.initials, -8)
                      .arg(u.rightsclass, -5)
                      .arg(u.isadmin ? QStringLiteral("yes") : QStringLiteral("no"));
    return Success;
}

} // namespace

std::vector<Command> userCommands() {
    Command add{
        QStringLiteral("user add"),
        kUserArgument,
        1,
        QStringLiteral("Adds a user of the program."),
        QStringLiteral(
            "--first-name, --last-name and --employee-code are required. The password is\n"
            "asked twice on the terminal unless --password-file is given."),
        {{QStringLiteral("class"), QStringLiteral("CLASS"),
          QStringLiteral("The rights class (default: AA); \"BB\" lets the user only look.")},
         {QStringLiteral("admin"), {}, QStringLiteral("The user may set other users' rights.")},
         passwordFileOption(),
         databaseOption()},
        runAdd};
    for (Option& option : userDetailOptions())
        add.options.push_back(std::move(option));
    return {
        std::move(add),
        {QStringLiteral("user passwd"),
         kUserArgument,
         1,
         QStringLiteral("Sets a user's password."),
         QStringLiteral(
             "The password is asked twice on the terminal unless --password-file is given."),
         {passwordFileOption(), databaseOption()},
         runPasswd},
        {QStringLiteral("user class"),
         QStringLiteral("USER CLASS"),
         2,
         QStringLiteral("Sets a user's rights class."),
         QStringLiteral(
             "\"BB\" lets the user only look; any other class lets the user's rights decide."),
         {databaseOption()},
         runClass},
        {QStringLiteral("user admin"),
         QStringLiteral("USER yes|no"),
         2,
         QStringLiteral("Marks a user as administrator, or no longer."),
         QStringLiteral("An administrator may set the other users' rights in the program."),
         {databaseOption()},
         runAdministrator},
        {QStringLiteral("user list"),
         {},
         0,
         QStringLiteral("Lists the users of the program."),
         {},
         {databaseOption()},
         runList},
    };
}

} // namespace admin
