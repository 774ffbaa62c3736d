#include "database/item_master.h"

#include "database/node_names.h"
#include "platform/db/text_match.h"
#include "platform/db/transaction.h"

namespace database {

namespace {

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

void saveItems(db::Connection& c, const std::vector<StockItem>& items) {
    db::Transaction t(c);
    for (const StockItem& item : items) {
        c.execute(QStringLiteral(
                      "INSERT INTO inventory.tbinvmaster (itemid, itemname, description, "
                      "Indication, Dosage,"
                      " Administration, Preparation, name_folded, description_folded)"
                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"
                      " ON CONFLICT (itemid) DO UPDATE SET itemname = excluded.itemname,"
                      " description = excluded.description, Indication = excluded.Indication,"
                      " Dosage = excluded.Dosage, Administration = excluded.Administration,"
                      " Preparation = excluded.Preparation, name_folded = excluded.name_folded,"
                      " description_folded = excluded.description_folded"),
                  {item.itemid, item.name, textOrNull(item.description),
                   textOrNull(item.indication), textOrNull(item.dosage),
                   textOrNull(item.administration), textOrNull(item.preparation),
                   db::foldText(item.name.trimmed()), db::foldText(item.description.trimmed())});
        syncNodeNames(c, NodeKind::Drug, item.itemid);
    }
    t.commit();
}

void saveHospital(db::Connection& c, const QString& clientName, const QString& company,
                  const QString& address) {
    db::Transaction t(c);
    c.execute(QStringLiteral("DELETE FROM patient_data.tbHospitalInfo"));
    c.execute(
        QStringLiteral("INSERT INTO patient_data.tbHospitalInfo (clientname, company, address1)"
                       " VALUES (?, ?, ?)"),
        {clientName, company, address});
    t.commit();
}

} // namespace database
