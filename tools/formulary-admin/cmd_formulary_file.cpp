#include "commands.h"

#include "database/formulary_transfer.h"

namespace admin {

namespace {

int runExport(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args.at(0));
    const database::FormularyExport e = database::exportFormulary(*c, args.at(1));
    io.out << QStringLiteral("Exported the formulary of %1 to %2: %3 rows, %4 classifications,"
                             " %5 placed generic names, %6 drugs, %7 stock items under no"
                             " generic name.\n")
                  .arg(c->target().display(), args.at(1))
                  .arg(e.rows)
                  .arg(e.classifications)
                  .arg(e.generics)
                  .arg(e.drugs)
                  .arg(e.unplacedItems);
    return Success;
}

QString placements(const database::PlacementCounts& p) {
    return QStringLiteral("%1 added, %2 placed, %3 moved, %4 left where they are, %5 in place")
        .arg(p.added)
        .arg(p.placed)
        .arg(p.moved)
        .arg(p.left)
        .arg(p.inPlace);
}

int runImport(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args.at(0));
    const bool dryRun = args.has(QStringLiteral("dry-run"));
    const database::FormularyImport r =
        database::importFormulary(*c, args.at(1), {dryRun, args.has(QStringLiteral("move"))},
                                  progressOf(args, io), warnings(io));
    io.out << (dryRun ? QStringLiteral("A dry run of %1 on %2; nothing was changed. It would"
                                       " give:\n")
                      : QStringLiteral("Imported %1 into %2:\n"))
                  .arg(args.at(1), c->target().display())
           << QStringLiteral("  classifications: %1 added, %2 in place\n")
                  .arg(r.classifications.added)
                  .arg(r.classifications.inPlace)
           << QStringLiteral("  generic names: %1\n").arg(placements(r.generics))
           << QStringLiteral("  drugs: %1\n").arg(placements(r.drugs))
           << QStringLiteral("  stock items: %1 new, %2 updated, %3 unchanged\n")
                  .arg(r.items.added)
                  .arg(r.items.updated)
                  .arg(r.items.unchanged)
           << QStringLiteral("  other details: saved for %1 generic names\n").arg(r.otherDetails);
    if (!r.elsewhere.isEmpty())
        io.out << QStringLiteral("Entries stored elsewhere than the file places them:\n  ")
               << r.elsewhere.join(QStringLiteral("\n  ")) << QLatin1Char('\n');
    return Success;
}

// The columns of a formulary file, indented and wrapped as the help's lines.
QString columnsText() {
    const QStringList names = QStringList{QStringLiteral("class1"), QStringLiteral("class2"),
                                          QStringLiteral("... (a column a level)")} +
                              database::FormularyColumns;
    QString text;
    QString line = QStringLiteral("  ");
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString piece = names.at(i) + (i + 1 < names.size() ? u',' : u'.');
        if (line.size() + piece.size() >= 78) {
            text += line + QLatin1Char('\n');
            line = QStringLiteral("  ");
        }
        line += (line.size() > 2 ? QStringLiteral(" ") : QString()) + piece;
    }
    return text + line;
}

} // namespace

std::vector<Command> formularyFileCommands() {
    return {
        {QStringLiteral("export-formulary"),
         QStringLiteral("TARGET FILE"),
         2,
         QStringLiteral("Writes the whole formulary into a CSV file."),
         QStringLiteral(
             "FILE is CSV in UTF-8 with a header row, columns\n"
             "%1\n"
             "One row per drug, and one per classification or generic name with nothing\n"
             "under it; a generic name under no classification and a stock item under no\n"
             "generic name have rows of their own. Each classification level has a column\n"
             "of its own, so a name may hold any character. Rows are sorted; node keys and\n"
             "ids are left out, so the file reads the same from any database holding the\n"
             "same formulary. \"import-formulary\" reads it, here or at another hospital.")
             .arg(columnsText()),
         {},
         runExport},
        {QStringLiteral("import-formulary"),
         QStringLiteral("TARGET FILE"),
         2,
         QStringLiteral("Brings a formulary in from a CSV file, all or nothing."),
         QStringLiteral(
             "FILE is CSV as \"export-formulary\" writes it or a spreadsheet saves it (Excel:\n"
             "\"CSV UTF-8\"; there is no reader of .xlsx files), its columns found by the\n"
             "header's names in any order:\n"
             "%1\n"
             "class1, genericname and itemid are required; other columns are ignored, with\n"
             "a warning. Missing classifications are made along each row's levels, then\n"
             "generic names and drugs are placed under them. A stock item must be stored\n"
             "already or given with its name in the item columns; its texts are saved as\n"
             "\"import-items\" saves them.\n"
             "\n"
             "Classifications are matched by name under their parent, generic names by\n"
             "name and stock items by itemid, whatever the letter case, as the program\n"
             "matches them. A generic name or drug stored elsewhere than the file places\n"
             "it is left where it is, and listed, unless --move is given.\n"
             "\n"
             "The whole file is checked first: a bad row is reported with its line and\n"
             "reason (a generic name placed under two classifications with both lines),\n"
             "and then nothing is imported. The import is one change, noted in the audit\n"
             "entry by entry and with the file and its counts; other workstations read on\n"
             "meanwhile. On a server, run it with the log-in that owns the formulary\n"
             "database.")
             .arg(columnsText()),
         {{QStringLiteral("dry-run"),
           {},
           QStringLiteral("Show what would be added, moved and left alone; change nothing.")},
          {QStringLiteral("move"),
           {},
           QStringLiteral("Move stored generic names and drugs to where the file places them"
                          " (a generic name takes its drugs along).")},
          quietOption()},
         runImport},
    };
}

} // namespace admin
