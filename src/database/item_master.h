#pragma once

#include "platform/db/connection.h"

#include <optional>
#include <vector>

namespace database {

// A stock item of the inventory's item master, as the import and the demo
// data write it.
struct StockItem {
    QString itemid;
    QString name;
    QString description;
    QString indication;
    QString dosage;
    QString administration;
    QString preparation;
};

// Adds the items, or updates those whose itemid exists, as one change.
void saveItems(db::Connection& connection, const std::vector<StockItem>& items);

// The stock item with the itemid; nothing when there is none. Fields the
// item does not have are empty.
std::optional<StockItem> findItem(db::Connection& connection, const QString& itemId);

} // namespace database
