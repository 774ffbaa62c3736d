#include "commands.h"

#include "components/current_user/current_user.h"
#include "database/schema.h"
#include "platform/app_error.h"

#include <QFile>
#include <unistd.h>

namespace admin {

namespace {

const QString kSource = QStringLiteral("formulary-admin");

[[noreturn]] void fail(const QString& description) {
    throw AppError(AppError::InvalidArgument, description, kSource);
}

// "-" is standard input, so that a script can pipe the password in.
QString readPasswordFile(const QString& path) {
    const bool standardInput = path == QLatin1String("-");
    const QString name = standardInput ? QStringLiteral("standard input") : path;
    QFile file(path);
    if (!(standardInput ? file.open(STDIN_FILENO, QIODevice::ReadOnly)
                        : file.open(QIODevice::ReadOnly)))
        fail(QStringLiteral("Cannot read the password file %1: %2").arg(name, file.errorString()));
    QString password = QString::fromUtf8(file.readLine());
    while (password.endsWith(QLatin1Char('\n')) || password.endsWith(QLatin1Char('\r')))
        password.chop(1);
    if (password.isEmpty())
        fail(QStringLiteral("The password file %1 holds no password on its first line.").arg(name));
    return password;
}

QString askTwice(AdminIo& io, const QString& userName) {
    const auto first = io.askPassword(QStringLiteral("Password for %1: ").arg(userName));
    if (!first)
        fail(QStringLiteral(
            "There is no terminal to ask for the password on; use --password-file FILE."));
    if (first->isEmpty())
        fail(QStringLiteral("The password must not be empty; nothing was changed."));
    const auto second = io.askPassword(QStringLiteral("The same password again: "));
    if (!second || *second != *first)
        fail(QStringLiteral("The two passwords differ; nothing was changed."));
    return *first;
}

} // namespace

Option databaseOption() {
    return {
        QStringLiteral("database"), QStringLiteral("TARGET"),
        QStringLiteral("The database: a folder or a postgresql:// URL (default: the program's own,"
                       " as \"formulary-admin location\" shows).")};
}

std::unique_ptr<db::Connection> openExisting(const Arguments& args) {
    return openExisting(
        args.value(QStringLiteral("database"), current_user::CurrentUser::databaseLocation()));
}

std::unique_ptr<db::Connection> openExisting(const QString& target) {
    auto connection = std::make_unique<db::Connection>(db::Target::parse(target));
    connection->open();
    database::prepareForUse(*connection);
    return connection;
}

Option quietOption() {
    return {QStringLiteral("quiet"), {}, QStringLiteral("Show no progress on the terminal.")};
}

database::Progress progressOf(const Arguments& args, AdminIo& io) {
    if (args.has(QStringLiteral("quiet")) || !io.progress)
        return {};
    return [&io, name = args.commandName()](const QString& step) {
        io.progress(QStringLiteral("%1: %2 ...").arg(name, step));
    };
}

Option passwordFileOption() {
    return {QStringLiteral("password-file"), QStringLiteral("FILE"),
            QStringLiteral(
                "Read the password from the first line of FILE (\"-\": standard input) instead of"
                " asking on the terminal.")};
}

QString newPassword(const Arguments& args, AdminIo& io, const QString& userName) {
    if (args.has(QStringLiteral("password-file")))
        return readPasswordFile(args.value(QStringLiteral("password-file")));
    return askTwice(io, userName);
}

std::vector<Option> userDetailOptions() {
    return {
        {QStringLiteral("first-name"), QStringLiteral("NAME"),
         QStringLiteral("The user's first name.")},
        {QStringLiteral("last-name"), QStringLiteral("NAME"),
         QStringLiteral("The user's last name.")},
        {QStringLiteral("initials"), QStringLiteral("TEXT"),
         QStringLiteral("Shown in the status bar (default: from first and last name).")},
        {QStringLiteral("employee-code"), QStringLiteral("CODE"),
         QStringLiteral("The employee number; the user's rights are kept under it.")},
    };
}

current_user::UserRecord userFromOptions(const Arguments& args, const QString& userName,
                                         const current_user::UserRecord& fallback) {
    auto pick = [&](const QString& option, const QString& fallbackValue) {
        return fallbackValue.isEmpty() ? args.required(option)
                                       : args.value(option, fallbackValue).trimmed();
    };
    current_user::UserRecord user = fallback;
    user.username = userName;
    user.firstname = pick(QStringLiteral("first-name"), fallback.firstname);
    user.lastname = pick(QStringLiteral("last-name"), fallback.lastname);
    user.employeecode = pick(QStringLiteral("employee-code"), fallback.employeecode);
    user.initials = args.value(QStringLiteral("initials"), fallback.initials).trimmed();
    return user;
}

} // namespace admin
