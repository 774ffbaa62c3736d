#include "commands.h"

#include "components/current_user/database_location.h"
#include "platform/db/target.h"

namespace admin {

namespace {

// The location alone on standard output, for scripts; where it came from
// on standard error.
int runLocation(const Arguments&, AdminIo& io) {
    const current_user::DatabaseLocation location = current_user::findDatabase();
    io.out << db::Target::masked(location.target) << QLatin1Char('\n');
    io.err << QStringLiteral("(from %1)\n").arg(location.source);
    return Success;
}

} // namespace

Command locationCommand() {
    return {QStringLiteral("location"),
            {},
            0,
            QStringLiteral("Prints where the program finds its database."),
            QStringLiteral(
                "The first of these that is set wins: the environment variable\n"
                "FORMULARY_DATABASE; a line \"database=TARGET\" in\n"
                "~/.config/formulary/formulary.conf, then in /etc/formulary/formulary.conf;\n"
                "else the embedded default in the user's data folder. The location goes\n"
                "to standard output, the setting it came from to standard error."),
            {},
            runLocation};
}

} // namespace admin
