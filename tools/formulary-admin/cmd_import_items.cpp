#include "commands.h"

namespace admin {

database::Warn warnings(AdminIo& io) {
    // A warning takes a line of its own, below no progress text.
    return [&io](const QString& warning) {
        if (io.progress)
            io.progress(QString());
        io.err << QStringLiteral("formulary-admin: warning: ") << warning << QLatin1Char('\n');
        io.err.flush();
    };
}

namespace {

int runImport(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    const database::ImportSummary s =
        database::importItems(*c, args.at(0), progressOf(args, io), warnings(io));
    io.out << QStringLiteral("Imported %1 stock items from %2: %3 new, %4 updated, %5 unchanged.\n")
                  .arg(s.added + s.updated + s.unchanged)
                  .arg(args.at(0))
                  .arg(s.added)
                  .arg(s.updated)
                  .arg(s.unchanged);
    return Success;
}

} // namespace

Command importItemsCommand() {
    return {QStringLiteral("import-items"),
            QStringLiteral("FILE.csv"),
            1,
            QStringLiteral("Imports stock items into the item master."),
            QStringLiteral(
                "FILE.csv is a spreadsheet's CSV file in UTF-8 (Excel: \"CSV UTF-8\"), with a\n"
                "header row naming the columns in any order: itemid and name, and any of\n"
                "%1.\n"
                "Other columns are ignored, with a warning. Fields are separated by commas,\n"
                "semicolons or tabs, as the header row has them; lines end in CRLF, LF or CR.\n"
                "A field holding the separator, a line break or a leading quote is quoted,\n"
                "its quotes doubled; elsewhere a quote is text (4\" x 4\" gauze).\n"
                "\n"
                "The itemid is kept as text. One that a spreadsheet has turned into a number\n"
                "(1.23E+11, or 12345 where other itemids have leading zeros, 0012345) is\n"
                "warned of on standard error with its line, and stored as written. An itemid\n"
                "that exists is updated.\n"
                "\n"
                "The whole file is checked before anything is stored: a bad row, or a byte\n"
                "that is not UTF-8, is reported with its line, and then nothing of the file\n"
                "is imported. Other workstations read on meanwhile; their changes wait only\n"
                "while the checked items are written: about 2 s for 200,000 new items.")
                .arg(database::ItemColumns.mid(2).join(QStringLiteral(", "))),
            {databaseOption(), quietOption()},
            runImport};
}

} // namespace admin
