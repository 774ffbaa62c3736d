#include "commands.h"

#include "database/item_import.h"

namespace admin {

namespace {

int runImport(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    const database::ImportSummary s = database::importItems(*c, args.at(0), progressOf(args, io));
    io.out << QStringLiteral("Imported %1 stock items from %2: %3 new, %4 updated.\n")
                  .arg(s.added + s.updated)
                  .arg(args.at(0))
                  .arg(s.added)
                  .arg(s.updated);
    return Success;
}

} // namespace

Command importItemsCommand() {
    return {
        QStringLiteral("import-items"),
        QStringLiteral("FILE.csv"),
        1,
        QStringLiteral("Imports stock items into the item master."),
        QStringLiteral("FILE.csv is UTF-8 text with a header row naming the columns\n"
                       "%1\n"
                       "in any order; fields with commas, quotes or line breaks are quoted as\n"
                       "spreadsheets write them. An itemid that exists is updated. A bad row is\n"
                       "reported with its line number, and then nothing of the file is imported.")
            .arg(database::ItemColumns.join(QLatin1Char(','))),
        {databaseOption(), quietOption()},
        runImport};
}

} // namespace admin
