#include "commands.h"

#include "database/demo.h"

namespace admin {

namespace {

int runDemo(const Arguments& args, AdminIo& io) {
    const database::DemoSummary s = database::loadDemo(args.at(0));
    io.out << QStringLiteral("Loaded the demo hospital into %1:\n")
                  .arg(db::Target::parse(args.at(0)).display())
           << QStringLiteral(
                  "  %1 classifications, %2 generic names (%3 under no classification),\n")
                  .arg(s.classifications)
                  .arg(s.generics + s.unassignedGenerics)
                  .arg(s.unassignedGenerics)
           << QStringLiteral("  %1 stock items (%2 placed as drugs), %3 other details, %4 users.\n")
                  .arg(s.items)
                  .arg(s.drugs)
                  .arg(s.otherDetails)
                  .arg(s.users)
           << QStringLiteral("Demo users (demo database only): admin / admin-demo, pharmacist / "
                             "pharmacist-demo, viewer / viewer-demo.\n")
           << QStringLiteral("The clinical texts are demo data, not clinical guidance.\n");
    return Success;
}

} // namespace

Command demoCommand() {
    return {QStringLiteral("demo"),
            QStringLiteral("TARGET"),
            1,
            QStringLiteral("Creates a database (when missing) holding the demo hospital."),
            QStringLiteral(
                "The demo formulary, stock items, other details and three users: admin\n"
                "(administrator), pharmacist (all four rights) and viewer (look only), whose\n"
                "passwords are the user name followed by \"-demo\". A database that holds a\n"
                "formulary already is refused."),
            {},
            runDemo};
}

} // namespace admin
