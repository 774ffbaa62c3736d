#pragma once

#include "database/item_import.h"
#include "database/progress.h"

namespace database {

// A formulary file is CSV with a header row: the classification levels
// class1, class2, ... (as many as the deepest classification needs), then
// these columns. One row per drug placement, and one per generic name or
// classification with nothing under it; a generic name under no
// classification has no class columns filled, a stock item under no generic
// name only its item columns. Columns added later come after these, and a
// reader finds columns by their header names.
inline const QStringList FormularyColumns = QStringList{QStringLiteral("genericname")} +
                                            ItemColumns +
                                            QStringList{QStringLiteral("otherdetails")};

// What an export wrote.
struct FormularyExport {
    int rows = 0;
    int classifications = 0;
    int generics = 0;
    int drugs = 0;
    int unplacedItems = 0;
};

// Writes the whole formulary into a CSV file (UTF-8 with a byte-order mark),
// its rows sorted by their folded texts. The file is replaced only once
// whole.
FormularyExport exportFormulary(db::Connection& connection, const QString& path);

// What an import does, or would do, to one kind of entry.
struct PlacementCounts {
    int added = 0;   // new entries, with their place
    int placed = 0;  // stored entries that had no place
    int moved = 0;   // stored elsewhere, moved to the file's place (--move)
    int left = 0;    // stored elsewhere and left there
    int inPlace = 0; // stored where the file has them
};

struct FormularyImport {
    PlacementCounts classifications; // added or in place only: a path names them
    PlacementCounts generics;
    PlacementCounts drugs;
    ImportSummary items;  // stock items the file gives texts for
    int otherDetails = 0; // generic names whose other details are saved
    // One line per entry the file places elsewhere than it is stored: moved,
    // or left where it is.
    QStringList elsewhere;
};

struct ImportOptions {
    bool dryRun = false; // plan only: nothing is changed
    bool move = false;   // stored entries go where the file places them
};

// Imports a formulary file: every row or, when one is bad, none, in one
// change that notes each entry it adds or moves in the audit, and the file
// with its counts. Classifications are matched by folded name under their
// parent and made where missing; generic names and stock items are matched
// by folded name and itemid, and left where they are stored unless
// options.move. Stock items must be stored or given with their name in the
// file, whose texts are then saved as import-items saves them. Throws
// AppError naming the file and the line of the first bad row.
FormularyImport importFormulary(db::Connection& connection, const QString& path,
                                const ImportOptions& options, const Progress& progress = {},
                                const Warn& warn = {});

} // namespace database
