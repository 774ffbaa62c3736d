#pragma once

#include "platform/db/target.h"

#include <QByteArray>
#include <QStringList>

// PostgreSQL's own client programs (pg_dump, pg_restore), from Debian's
// postgresql-client package.
namespace database::pg_programs {

// Runs the program with the arguments, connected to the target when one is
// given: its log-on goes as a connection string without the password, which
// travels only in the program's environment (else libpq reads ~/.pgpass).
// The program's standard output; throws AppError with its messages when it
// fails or is missing.
QByteArray run(const QString& program, const QStringList& arguments,
               const db::Target* target = nullptr);

} // namespace database::pg_programs
