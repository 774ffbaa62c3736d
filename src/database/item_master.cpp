#include "database/item_master.h"

#include "database/audit.h"
#include "database/change.h"
#include "database/node_names.h"
#include "database/server_changes.h"
#include "platform/app_error.h"
#include "platform/db/text_match.h"

namespace database {

namespace {

const QStringList kColumns = {QStringLiteral("itemid"),
                              QStringLiteral("itemname"),
                              QStringLiteral("description"),
                              QStringLiteral("Indication"),
                              QStringLiteral("Dosage"),
                              QStringLiteral("Administration"),
                              QStringLiteral("Preparation"),
                              QStringLiteral("name_folded"),
                              QStringLiteral("description_folded")};

const QString kStaging = QStringLiteral("item_staging");

QVariantList rowOf(const StockItem& item) {
    return {item.itemid,
            item.name,
            db::nullIfEmpty(item.description),
            db::nullIfEmpty(item.indication),
            db::nullIfEmpty(item.dosage),
            db::nullIfEmpty(item.administration),
            db::nullIfEmpty(item.preparation),
            db::foldText(item.name.trimmed()),
            db::foldText(item.description.trimmed())};
}

// The items go to a staging table in a few streams, and from there into the
// item master. The staging table is the connection's own: loading it locks
// nothing of the formulary. Rows are made a chunk at a time, so that a big
// file's rows are not held twice.
void stageItems(db::Connection& c, const std::vector<StockItem>& items) {
    constexpr std::size_t kChunk = 10000;
    QStringList columns;
    for (const QString& column : kColumns)
        columns << column + QStringLiteral(" TEXT");
    c.execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(kStaging));
    c.execute(QStringLiteral("CREATE TEMP TABLE %1 (%2)").arg(kStaging, columns.join(u',')));
    std::vector<QVariantList> rows;
    for (std::size_t first = 0; first < items.size(); first += kChunk) {
        rows.clear();
        for (std::size_t i = first; i < std::min(items.size(), first + kChunk); ++i)
            rows.push_back(rowOf(items[i]));
        c.copyRows(kStaging, kColumns, rows);
    }
}

// Takes the staged items whose texts are stored as they are out of the
// staging table (a file given again writes only what changed); how many.
int dropUnchangedItems(db::Connection& c) {
    QStringList stored, staged;
    for (const QString& column : kColumns.mid(1, 6)) {
        stored << QStringLiteral("COALESCE(m.%1, '')").arg(column);
        staged << QStringLiteral("COALESCE(%1.%2, '')").arg(kStaging, column);
    }
    return int(c.execute(QStringLiteral("DELETE FROM %1 WHERE EXISTS (SELECT 1 FROM"
                                        " inventory.tbinvmaster m WHERE m.itemid = %1.itemid"
                                        " AND (%2) = (%3))")
                             .arg(kStaging, stored.join(u','), staged.join(u','))));
}

// Rewrites the stored items that are staged, then adds the others: the
// database checks each row it writes, so none is written twice. The number
// of items added and of items updated.
std::pair<int, int> mergeStagedItems(db::Connection& c) {
    QStringList fromStaging, fromInsert;
    for (const QString& column : kColumns.mid(1)) {
        fromStaging << QStringLiteral("%1 = s.%1").arg(column);
        fromInsert << QStringLiteral("%1 = excluded.%1").arg(column);
    }
    const qint64 updated = c.execute(QStringLiteral("UPDATE inventory.tbinvmaster SET %1 FROM %2 s"
                                                    " WHERE s.itemid = tbinvmaster.itemid")
                                         .arg(fromStaging.join(u','), kStaging));
    // On a server another session may add an item meanwhile: it is updated.
    const qint64 added = c.execute(
        QStringLiteral("INSERT INTO inventory.tbinvmaster (%1) SELECT %1 FROM %2 s WHERE NOT EXISTS"
                       " (SELECT 1 FROM inventory.tbinvmaster m WHERE m.itemid = s.itemid)"
                       " ON CONFLICT (itemid) DO UPDATE SET %3")
            .arg(kColumns.join(u','), kStaging, fromInsert.join(u',')));
    syncNodeNamesIn(c, NodeKind::Drug, QStringLiteral("SELECT itemid FROM %1").arg(kStaging));
    return {int(added), int(updated)};
}

} // namespace

ImportSummary saveItems(db::Connection& c, const std::vector<StockItem>& items,
                        const std::function<void()>& writing) {
    // Users' log-ins cannot write the item master, nor stage rows for it.
    if (onServer(c) && !server_changes::callerIsOwner(c))
        throw AppError(
            AppError::PermissionDenied,
            QStringLiteral("On a database server, stock items are imported with the log-in"
                           " that owns the formulary database (the one that ran"
                           " \"formulary-admin init\"), not with a user's log-in."));
    stageItems(c, items);
    ChangeTarget target{Entry::StockItem, {}};
    ImportSummary summary;
    const bool saved = runChange(c, target, [&] {
        if (writing)
            writing();
        const int unchanged = dropUnchangedItems(c);
        audit::noteImportedItems(c, kStaging, kColumns.mid(1, 6), ItemColumns.mid(1), target.who);
        const auto [added, updated] = mergeStagedItems(c);
        summary = {added, updated, unchanged};
        return true;
    });
    if (!saved)
        throw AppError(AppError::Database,
                       QStringLiteral("The database refused the stock items; none was saved."));
    c.execute(QStringLiteral("DROP TABLE %1").arg(kStaging));
    return summary;
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
