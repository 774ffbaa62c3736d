#include "commands.h"

#include "database/check.h"
#include "database/server_changes.h"
#include "platform/app_error.h"

namespace admin {

namespace {

// On a server only the owner and the formulary's administrators check it.
void requireAdministrator(db::Connection& c) {
    if (c.engine() != db::Engine::PostgreSQL || database::server_changes::callerIsOwner(c))
        return;
    const db::Recordset admins =
        c.query(QStringLiteral("SELECT pg_has_role(session_user, oid, 'MEMBER') FROM pg_roles"
                               " WHERE rolname = current_database() || '_admins'"));
    if (admins.eof() || !admins.field(0).toBool())
        throw AppError(AppError::PermissionDenied,
                       QStringLiteral("Only the owner or an administrator of the formulary checks "
                                      "it on a database server."));
}

int runCheck(const Arguments& args, AdminIo& io) {
    db::Connection c(db::Target::parse(args.at(0)));
    c.open();
    requireAdministrator(c);
    return reportFindings(c, io);
}

} // namespace

int reportFindings(db::Connection& c, AdminIo& io) {
    const std::vector<database::check::Finding> findings = database::check::run(c);
    for (const database::check::Finding& f : findings)
        io.out << f.kind << QStringLiteral(": ") << f.text << QLatin1Char('\n');
    if (findings.empty()) {
        io.out << QStringLiteral("%1 passed every check.\n").arg(c.target().display());
        return Success;
    }
    io.out << QStringLiteral("%1: %2 %3.\n")
                  .arg(c.target().display())
                  .arg(findings.size())
                  .arg(findings.size() == 1 ? QStringLiteral("finding")
                                            : QStringLiteral("findings"));
    return Failed;
}

Command checkCommand() {
    return {QStringLiteral("check"),
            QStringLiteral("TARGET"),
            1,
            QStringLiteral("Checks a database; exit code 1 on any finding."),
            QStringLiteral(
                "Names each finding on a line of its own: damaged embedded files (SQLite's\n"
                "integrity check), orphans (tree nodes without their parent or entry, entries\n"
                "or rights left without theirs), duplicate classification and generic names,\n"
                "a schema version other than this program's, and on a server missing change\n"
                "functions, grants, row-level rules and users' log-ins. On a server, run it as\n"
                "the owner or an administrator of the formulary. It changes nothing."),
            {},
            runCheck};
}

} // namespace admin
