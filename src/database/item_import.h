#pragma once

#include "database/item_master.h"
#include "database/progress.h"

#include <QByteArray>
#include <functional>

namespace database {

// What an item-master file holds: its stock items, the line each starts on,
// and what its reader should be warned of, one line of text each.
struct ItemFile {
    std::vector<StockItem> items;
    std::vector<int> lines;
    QStringList warnings;
};

// The stock items of an item-master CSV text, read as CsvReader reads it,
// under a header row that names the columns in any order: itemid and name,
// and any of the other ItemColumns; other columns are ignored, with a
// warning. Throws AppError naming the file and the line of the first bad row:
// a wrong header, a wrong number of fields, an empty itemid or name, a text
// over its limit, an itemid given twice.
ItemFile readItems(const QByteArray& csv, const QString& fileName);

// The stock item of the fields of ItemColumns, in their order.
StockItem itemFrom(const QStringList& fields);

// Throws the AppError of the line when a text of the item is over its
// limit, as the database would refuse it.
void requireItemLimits(const StockItem& item, const QString& fileName, int line);

// Adds to the file's warnings the itemids that a spreadsheet seems to have
// mangled: 1.23E+11, or leading zeros lost where other itemids (in the file
// or stored) have them.
void warnOfMangledIds(db::Connection& connection, ItemFile& file, const QString& fileName);

// Told of each warning about a file that does not stop its import.
using Warn = std::function<void(const QString& warning)>;

// Imports an item-master file: every row or, when one is bad, none. Items
// whose itemid exists are updated. The whole file is read and checked before
// the database is touched; itemids that a spreadsheet seems to have mangled
// (1.23E+11, leading zeros lost where other itemids have them) are warned of
// and stored as written.
ImportSummary importItems(db::Connection& connection, const QString& path,
                          const Progress& progress = {}, const Warn& warn = {});

} // namespace database
