#include "database/item_import.h"

#include "database/csv.h"
#include "database/input_limits.h"
#include "platform/app_error.h"

#include <QFile>
#include <QHash>
#include <QSet>

namespace database {

namespace {

// Where each item column sits in the file.
QHash<QString, int> columnPositions(const CsvRecord& header, const QString& fileName) {
    QHash<QString, int> positions;
    for (int i = 0; i < header.fields.size(); ++i) {
        const QString name = header.fields.at(i).trimmed().toLower();
        if (!ItemColumns.contains(name))
            rejectLine(fileName, header.line,
                       QStringLiteral("unknown column \"%1\"; the header names the columns %2.")
                           .arg(header.fields.at(i), ItemColumns.join(QLatin1Char(','))));
        if (positions.contains(name))
            rejectLine(fileName, header.line,
                       QStringLiteral("the column \"%1\" is named twice.").arg(name));
        positions.insert(name, i);
    }
    for (const QString& name : ItemColumns)
        if (!positions.contains(name))
            rejectLine(
                fileName, header.line,
                QStringLiteral("the header lacks the column \"%1\"; it names the columns %2.")
                    .arg(name, ItemColumns.join(QLatin1Char(','))));
    return positions;
}

StockItem toItem(const CsvRecord& row, const QHash<QString, int>& at) {
    auto field = [&](const QString& name) { return row.fields.at(at.value(name)).trimmed(); };
    return {field(ItemColumns[0]), field(ItemColumns[1]), field(ItemColumns[2]),
            field(ItemColumns[3]), field(ItemColumns[4]), field(ItemColumns[5]),
            field(ItemColumns[6])};
}

// Each text within its limit, as the database will check it.
void requireLimits(const StockItem& item, const QString& fileName, int line) {
    using namespace limits;
    const std::pair<const QString*, Limit> texts[] = {
        {&item.itemid, ItemId},
        {&item.name, Name},
        {&item.description, ItemDescription},
        {&item.indication, ItemText},
        {&item.dosage, ItemText},
        {&item.administration, ItemText},
        {&item.preparation, ItemText},
    };
    for (std::size_t i = 0; i < std::size(texts); ++i)
        if (const QString why = problem(*texts[i].first, texts[i].second); !why.isEmpty())
            rejectLine(fileName, line,
                       QStringLiteral("the %1 %2.").arg(ItemColumns.at(qsizetype(i)), why));
}

QSet<QString> existingItemIds(db::Connection& c) {
    const db::Recordset rs = c.query(QStringLiteral("SELECT itemid FROM inventory.tbinvmaster"));
    QSet<QString> ids;
    for (int row = 0; row < rs.recordCount(); ++row)
        ids.insert(rs.value(row, 0).toString());
    return ids;
}

} // namespace

std::vector<StockItem> readItems(const QByteArray& csv, const QString& fileName) {
    const std::vector<CsvRecord> records = parseCsv(csv, fileName);
    if (records.empty())
        rejectLine(fileName, 1, QStringLiteral("the file is empty; it needs a header row."));
    const QHash<QString, int> at = columnPositions(records.front(), fileName);
    const qsizetype columns = records.front().fields.size();
    std::vector<StockItem> items;
    QHash<QString, int> seen;
    for (auto row = records.begin() + 1; row != records.end(); ++row) {
        if (row->fields.size() != columns)
            rejectLine(fileName, row->line,
                       QStringLiteral("%1 fields where the header has %2.")
                           .arg(row->fields.size())
                           .arg(columns));
        StockItem item = toItem(*row, at);
        if (item.itemid.isEmpty())
            rejectLine(fileName, row->line, QStringLiteral("the itemid is empty."));
        if (item.name.isEmpty())
            rejectLine(fileName, row->line, QStringLiteral("the name is empty."));
        requireLimits(item, fileName, row->line);
        if (seen.contains(item.itemid))
            rejectLine(fileName, row->line,
                       QStringLiteral("the itemid %1 is given twice (first on line %2).")
                           .arg(item.itemid)
                           .arg(seen.value(item.itemid)));
        seen.insert(item.itemid, row->line);
        items.push_back(std::move(item));
    }
    return items;
}

ImportSummary importItems(db::Connection& c, const QString& path, const Progress& progress) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    tell(progress, 1, 2, QStringLiteral("reading and checking %1").arg(path));
    const std::vector<StockItem> items = readItems(file.readAll(), path);
    const QSet<QString> existing = existingItemIds(c);
    ImportSummary summary;
    for (const StockItem& item : items)
        ++(existing.contains(item.itemid) ? summary.updated : summary.added);
    tell(progress, 2, 2, QStringLiteral("saving %1 stock items").arg(items.size()));
    saveItems(c, items);
    return summary;
}

} // namespace database
