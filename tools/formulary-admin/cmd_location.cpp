#include "commands.h"

#include "components/current_user/current_user.h"

namespace admin {

namespace {

int runLocation(const Arguments&, AdminIo& io) {
    io.out << current_user::CurrentUser::databaseLocation() << QLatin1Char('\n');
    return Success;
}

} // namespace

Command locationCommand() {
    return {QStringLiteral("location"),
            {},
            0,
            QStringLiteral("Prints where the program finds its database."),
            QStringLiteral(
                "FORMULARY_DATABASE when it is set, else the embedded default in the user's\n"
                "data folder."),
            {},
            runLocation};
}

} // namespace admin
