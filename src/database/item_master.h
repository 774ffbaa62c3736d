#pragma once

#include "platform/db/connection.h"

#include <functional>
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

// What saving stock items did: items added, stored items whose texts
// changed, and stored items given with the texts they had.
struct ImportSummary {
    int added = 0;
    int updated = 0;
    int unchanged = 0;
};

// Adds the items, or updates those whose itemid exists, as one change. The
// items are first loaded into a table of the connection's own, outside the
// change's transaction, so that other workstations wait only while the change
// writes them; writing is told when the change holds the database, before it
// writes.
ImportSummary saveItems(db::Connection& connection, const std::vector<StockItem>& items,
                        const std::function<void()>& writing = {});

// The stock item with the itemid; nothing when there is none. Fields the
// item does not have are empty.
std::optional<StockItem> findItem(db::Connection& connection, const QString& itemId);

} // namespace database
