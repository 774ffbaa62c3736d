#include "commands.h"

#include "database/user_rights.h"
#include "platform/app_error.h"
#include "table.h"

namespace admin {

namespace {

const QString kUserArgument = QStringLiteral("USER");

current_user::UserRecord existingUser(db::Connection& c, const QString& name) {
    const std::optional<current_user::UserRecord> user = current_user::findUser(c, name);
    if (!user)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("There is no user named \"%1\".").arg(name),
                       QStringLiteral("formulary-admin user"));
    return *user;
}

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
    existingUser(*c, args.at(0)); // before the password is asked for, not after
    const QString password = newPassword(args, io, args.at(0));
    current_user::setPassword(*c, args.at(0), password);
    io.out << QStringLiteral("Changed the password of \"%1\".\n").arg(args.at(0));
    return Success;
}

int runClass(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    current_user::setRightsClass(*c, args.at(0), args.at(1));
    io.out << QStringLiteral("The rights class of \"%1\" is now \"%2\".\n")
                  .arg(args.at(0), existingUser(*c, args.at(0)).rightsclass);
    return Success;
}

// yes or no, in any case.
bool yesOrNo(const QString& given, const QString& what) {
    const QString answer = given.trimmed().toLower();
    if (answer != QLatin1String("yes") && answer != QLatin1String("no"))
        throw UsageError{QStringLiteral("%1 takes yes or no, not \"%2\".").arg(what, given)};
    return answer == QLatin1String("yes");
}

int runAdministrator(const Arguments& args, AdminIo& io) {
    const bool isAdmin = yesOrNo(args.at(1), QStringLiteral("user admin"));
    const auto c = openExisting(args);
    current_user::setAdministrator(*c, args.at(0), isAdmin);
    io.out << QStringLiteral("\"%1\" is %2 an administrator.\n")
                  .arg(args.at(0), isAdmin ? QStringLiteral("now") : QStringLiteral("no longer"));
    return Success;
}

int runEnabled(const Arguments& args, AdminIo& io, bool enabled) {
    const auto c = openExisting(args);
    current_user::setLoginEnabled(*c, args.at(0), enabled);
    io.out << (enabled ? QStringLiteral("\"%1\" may log in again.\n")
                       : QStringLiteral("\"%1\" can no longer log in; their open connections "
                                        "have ended.\n"))
                  .arg(args.at(0));
    return Success;
}

struct RightOption {
    const char* option;
    database::Right right;
};

const RightOption kRightOptions[] = {
    {"classification", database::Right::Classification},
    {"generic", database::Right::Generic},
    {"drug", database::Right::Drug},
    {"other-details", database::Right::OtherDetails},
};

int runRights(const Arguments& args, AdminIo& io) {
    std::vector<std::pair<const RightOption*, bool>> changes;
    for (const RightOption& r : kRightOptions) {
        const QString option = QLatin1String(r.option);
        if (args.has(option))
            changes.emplace_back(&r, yesOrNo(args.value(option), QStringLiteral("--") + option));
    }
    if (changes.empty())
        throw UsageError{QStringLiteral("user rights needs at least one of --classification, "
                                        "--generic, --drug and --other-details.")};
    const auto c = openExisting(args);
    const current_user::UserRecord user = existingUser(*c, args.at(0));
    for (const auto& [r, granted] : changes) {
        if (!database::SaveUserRight(*c, user.employeecode, r->right, granted))
            throw AppError(AppError::Database,
                           QStringLiteral("The database refused the right --%1 of \"%2\".")
                               .arg(QLatin1String(r->option), user.username),
                           QStringLiteral("formulary-admin user rights"));
        io.out << QStringLiteral("\"%1\" %2 the right --%3.\n")
                      .arg(user.username, granted ? QStringLiteral("has") : QStringLiteral("lacks"),
                           QLatin1String(r->option));
    }
    return Success;
}

std::vector<Option> rightOptions() {
    std::vector<Option> options;
    for (const RightOption& r : kRightOptions)
        options.push_back({QLatin1String(r.option), QStringLiteral("yes|no"),
                           QStringLiteral("Grants or takes the right.")});
    options.push_back(databaseOption());
    return options;
}

int runList(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    std::vector<QStringList> rows;
    for (const current_user::UserRecord& u : current_user::listUsers(*c))
        rows.push_back({u.username, u.employeecode, u.firstname + QLatin1Char(' ') + u.lastname,
                        u.initials, u.rightsclass,
                        u.isadmin ? QStringLiteral("yes") : QStringLiteral("no")});
    printTable(io.out,
               {{QStringLiteral("USER")},
                {QStringLiteral("CODE")},
                {QStringLiteral("NAME")},
                {QStringLiteral("INITIALS")},
                {QStringLiteral("CLASS")},
                {QStringLiteral("ADMIN")}},
               rows);
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
         QStringLiteral("CLASS is \"AA\" (the user's rights decide) or \"BB\" (the user may "
                        "only look),\nin any case."),
         {databaseOption()},
         runClass},
        {QStringLiteral("user admin"),
         QStringLiteral("USER yes|no"),
         2,
         QStringLiteral("Marks a user as administrator, or no longer."),
         QStringLiteral("An administrator may set the other users' rights in the program."),
         {databaseOption()},
         runAdministrator},
        {QStringLiteral("user disable"),
         kUserArgument,
         1,
         QStringLiteral("Stops a user from logging in (a server only)."),
         QStringLiteral("The user's open connections end at once; \"user enable\" lets them back."),
         {databaseOption()},
         [](const Arguments& args, AdminIo& io) { return runEnabled(args, io, false); }},
        {QStringLiteral("user enable"),
         kUserArgument,
         1,
         QStringLiteral("Lets a disabled user log in again (a server only)."),
         {},
         {databaseOption()},
         [](const Arguments& args, AdminIo& io) { return runEnabled(args, io, true); }},
        {QStringLiteral("user rights"), kUserArgument, 1,
         QStringLiteral("Grants or takes a user's rights."),
         QStringLiteral(
             "Each of --classification, --generic, --drug and --other-details takes yes or\n"
             "no; the rights not named stay as they are. A user of rights class \"BB\"\n"
             "changes nothing, whatever rights are stored."),
         rightOptions(), runRights},
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
