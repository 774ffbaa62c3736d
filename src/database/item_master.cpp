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
// item master in one statement. The staging table is the connection's own:
// loading it locks nothing of the formulary. Rows are made a chunk at a time,
// so that a big file's rows are not held twice.
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

// The staged items whose itemid is stored, counted within the change, which
// decides what is new.
int countStoredOfStaged(db::Connection& c) {
    return c
        .query(QStringLiteral("SELECT COUNT(*) FROM %1 s WHERE EXISTS"
                              " (SELECT 1 FROM inventory.tbinvmaster m WHERE m.itemid = s.itemid)")
                   .arg(kStaging))
        .field(0)
        .toInt();
}

// Adds the new items and rewrites the stored ones whose texts differ (a
// file given again writes only what changed); the number of items written.
int mergeStagedItems(db::Connection& c) {
    QStringList updates;
    for (const QString& column : kColumns.mid(1))
        updates << QStringLiteral("%1 = excluded.%1").arg(column);
    QStringList stored, staged;
    for (const QString& column : kColumns.mid(1, 6)) {
        stored << QStringLiteral("tbinvmaster.") + column;
        staged << QStringLiteral("excluded.") + column;
    }
    // "WHERE true" tells SQLite's parser that ON CONFLICT belongs to the INSERT.
    const qint64 written = c.execute(
        QStringLiteral("INSERT INTO inventory.tbinvmaster (%1) SELECT %1 FROM %2 WHERE true"
                       " ON CONFLICT (itemid) DO UPDATE SET %3 WHERE (%4) IS DISTINCT FROM (%5)")
            .arg(kColumns.join(u','), kStaging, updates.join(u','), stored.join(u','),
                 staged.join(u',')));
    syncNodeNamesIn(c, NodeKind::Drug, QStringLiteral("SELECT itemid FROM %1").arg(kStaging));
    return int(written);
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
        const int stored = countStoredOfStaged(c);
        audit::noteImportedItems(c, kStaging, kColumns.mid(1, 6), ItemColumns.mid(1), target.who);
        const int added = int(items.size()) - stored;
        const int updated = mergeStagedItems(c) - added;
        summary = {added, updated, stored - updated};
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
