#pragma once

#include "command_line.h"

#include "components/current_user/user_store.h"
#include "database/item_import.h"
#include "database/progress.h"
#include "platform/db/connection.h"

#include <memory>

// The commands of formulary-admin, one file each, and what they share.
namespace admin {

Command initCommand();
Command upgradeCommand();
Command demoCommand();
std::vector<Command> userCommands();
Command importItemsCommand();
// The warnings of an import on standard error, each on a line of its own.
database::Warn warnings(AdminIo& io);
std::vector<Command> formularyFileCommands();
Command generateCommand();
Command locationCommand();
Command auditCommand();
std::vector<Command> backupCommands();
Command checkCommand();
std::vector<Command> hospitalCommands();
std::vector<Command> restrictionCommands();

// Runs "formulary-admin check" on the database and prints its findings; the
// exit code: Failed on any finding.
int reportFindings(db::Connection& connection, AdminIo& io);

// --database TARGET, for the commands that work on an existing database.
Option databaseOption();
// Opens the database of --database (else FORMULARY_DATABASE, else the
// program's own embedded database) and makes sure its schema is current.
std::unique_ptr<db::Connection> openExisting(const Arguments& args);
// Opens the database a command names as its TARGET, as openExisting does.
std::unique_ptr<db::Connection> openExisting(const QString& target);

// --quiet, for the commands that show progress.
Option quietOption();
// Where a long command tells its progress: the terminal's progress line,
// prefixed with the command, unless --quiet.
database::Progress progressOf(const Arguments& args, AdminIo& io);

// --password-file FILE.
Option passwordFileOption();
// The new password of a user: the first line of --password-file, else asked
// twice on the terminal.
QString newPassword(const Arguments& args, AdminIo& io, const QString& userName);

// --first-name, --last-name, --initials, --employee-code.
std::vector<Option> userDetailOptions();
// The user of those options; a missing option takes its fallback, and is an
// error where the fallback is empty.
current_user::UserRecord userFromOptions(const Arguments& args, const QString& userName,
                                         const current_user::UserRecord& fallback);

} // namespace admin
