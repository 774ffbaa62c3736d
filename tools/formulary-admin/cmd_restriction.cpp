#include "commands.h"

#include "database/formulary_status.h"
#include "platform/app_error.h"

namespace admin {

namespace {

using database::formulary_status::CategoryResult;

// Success, or the reason the category was not changed.
int report(CategoryResult result, const QString& name, const QString& done, AdminIo& io) {
    switch (result) {
    case CategoryResult::Done:
        io.out << done << QLatin1Char('\n');
        return Success;
    case CategoryResult::Taken:
        throw AppError(AppError::Database,
                       QStringLiteral("A restriction category \"%1\" exists already.").arg(name));
    case CategoryResult::NotFound:
        throw AppError(AppError::Database,
                       QStringLiteral("There is no restriction category \"%1\".").arg(name));
    case CategoryResult::InUse:
        throw AppError(AppError::Database,
                       QStringLiteral("The restriction category \"%1\" is in use: generic names "
                                      "or drugs are restricted to it. Change their status first.")
                           .arg(name));
    case CategoryResult::Invalid:
        break;
    }
    throw UsageError{QStringLiteral("A restriction category needs a name of one line and at most "
                                    "100 characters.")};
}

int runList(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    const QStringList names = database::formulary_status::restrictions(*c);
    if (names.isEmpty())
        io.out << QStringLiteral("No restriction categories are kept; add one with "
                                 "\"formulary-admin restriction add\".\n");
    for (const QString& name : names)
        io.out << name << QLatin1Char('\n');
    return Success;
}

int runAdd(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    const QString name = args.at(0).trimmed();
    return report(database::formulary_status::addRestriction(*c, name), name,
                  QStringLiteral("Added the restriction category \"%1\".").arg(name), io);
}

int runRename(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    const QString name = args.at(0);
    const QString newName = args.at(1).trimmed();
    return report(
        database::formulary_status::renameRestriction(*c, name, newName), name,
        QStringLiteral("Renamed the restriction category \"%1\" to \"%2\".").arg(name, newName),
        io);
}

int runRemove(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    const QString name = args.at(0);
    return report(database::formulary_status::removeRestriction(*c, name), name,
                  QStringLiteral("Removed the restriction category \"%1\".").arg(name), io);
}

const QString kChanges =
    QStringLiteral("Administrators only on a server; the change is noted in the audit.");

} // namespace

std::vector<Command> restrictionCommands() {
    return {
        {QStringLiteral("restriction list"),
         {},
         0,
         QStringLiteral("Lists the restriction categories of the formulary status."),
         QStringLiteral("The categories a restricted generic name or drug is restricted to\n"
                        "(\"Specialist only\", \"Microbiology approval\", ...), by name."),
         {databaseOption()},
         runList},
        {QStringLiteral("restriction add"),
         QStringLiteral("NAME"),
         1,
         QStringLiteral("Adds a restriction category."),
         QStringLiteral("Names are compared without regard to case: \"Outpatient only\" and\n"
                        "\"OUTPATIENT ONLY\" are one category. ") +
             kChanges,
         {databaseOption()},
         runAdd},
        {QStringLiteral("restriction rename"),
         QStringLiteral("NAME NEW-NAME"),
         2,
         QStringLiteral("Renames a restriction category."),
         QStringLiteral("The generic names and drugs restricted to it show the new name.\n") +
             kChanges,
         {databaseOption()},
         runRename},
        {QStringLiteral("restriction remove"),
         QStringLiteral("NAME"),
         1,
         QStringLiteral("Removes a restriction category that is not in use."),
         QStringLiteral("A category that a generic name or drug is restricted to is refused.\n") +
             kChanges,
         {databaseOption()},
         runRemove},
    };
}

} // namespace admin
