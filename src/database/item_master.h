#pragma once

#include "platform/db/connection.h"

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

// Adds the items, or updates those whose itemid exists, in one transaction.
void saveItems(db::Connection& connection, const std::vector<StockItem>& items);

// Replaces the hospital's record.
void saveHospital(db::Connection& connection, const QString& clientName, const QString& company,
                  const QString& address);

} // namespace database
