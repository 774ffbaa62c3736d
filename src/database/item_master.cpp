#include "database/item_master.h"

#include "database/change.h"
#include "database/node_names.h"
#include "platform/app_error.h"
#include "platform/db/text_match.h"

namespace database {

namespace {

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

void saveItem(db::Connection& c, const StockItem& item) {
    c.execute(
        QStringLiteral("INSERT INTO inventory.tbinvmaster (itemid, itemname, description,"
                       " Indication, Dosage, Administration, Preparation, name_folded,"
                       " description_folded) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"
                       " ON CONFLICT (itemid) DO UPDATE SET itemname = excluded.itemname,"
                       " description = excluded.description, Indication = excluded.Indication,"
                       " Dosage = excluded.Dosage, Administration = excluded.Administration,"
                       " Preparation = excluded.Preparation, name_folded = excluded.name_folded,"
                       " description_folded = excluded.description_folded"),
        {item.itemid, item.name, textOrNull(item.description), textOrNull(item.indication),
         textOrNull(item.dosage), textOrNull(item.administration), textOrNull(item.preparation),
         db::foldText(item.name.trimmed()), db::foldText(item.description.trimmed())});
    syncNodeNames(c, NodeKind::Drug, item.itemid);
}

} // namespace

void saveItems(db::Connection& c, const std::vector<StockItem>& items) {
    ChangeTarget target{Entry::StockItem, {}};
    const bool saved = runChange(c, target, [&] {
        for (const StockItem& item : items)
            saveItem(c, item);
        return true;
    });
    if (!saved)
        throw AppError(AppError::Database,
                       QStringLiteral("The database refused the stock items; none was saved."),
                       QStringLiteral("database.saveItems"));
}

std::optional<StockItem> findItem(db::Connection& c, const QString& itemId) {
    const db::Recordset rs =
        c.query(QStringLiteral("SELECT itemid, itemname, description, Indication, Dosage,"
                               " Administration, Preparation FROM inventory.tbinvmaster"
                               " WHERE itemid = ?"),
                {itemId});
    if (rs.eof())
        return std::nullopt;
    const auto text = [&rs](const char* field) { return rs.text(QLatin1String(field)); };
    return StockItem{text("itemid"),     text("itemname"), text("description"),
                     text("Indication"), text("Dosage"),   text("Administration"),
                     text("Preparation")};
}

} // namespace database
