#pragma once

#include "platform/db/connection.h"

#include <optional>
#include <vector>

namespace database {

// The columns of an item-master file (and the audit's names of an item's
// texts), in the order the demo file and the
// README give them; a file may hold them in any order, under a header row.
inline const QStringList ItemColumns = {
    QStringLiteral("itemid"),      QStringLiteral("name"),   QStringLiteral("description"),
    QStringLiteral("indication"),  QStringLiteral("dosage"), QStringLiteral("administration"),
    QStringLiteral("preparation"),
};

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
