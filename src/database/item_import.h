#pragma once

#include "database/item_master.h"
#include "database/progress.h"

#include <QByteArray>

namespace database {

// The stock items of an item-master CSV text (UTF-8, header row). Throws
// AppError naming the file and the line of the first bad row: a wrong header, a wrong
// number of fields, an empty itemid or name, an itemid given twice.
std::vector<StockItem> readItems(const QByteArray& csv, const QString& fileName);

struct ImportSummary {
    int added = 0;
    int updated = 0;
};

// Imports an item-master file: every row or, when one is bad, none. Items
// whose itemid exists are updated.
ImportSummary importItems(db::Connection& connection, const QString& path,
                          const Progress& progress = {});

} // namespace database
