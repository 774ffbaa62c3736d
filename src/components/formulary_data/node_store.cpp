#include "components/formulary_data/node_store.h"

#include "platform/app_error.h"

namespace formulary_data::node_store {

QString childKey(const QString& parentKey, qint64 number) {
    if (parentKey == RootKey)
        return QStringLiteral("_%1").arg(number);
    return parentKey + QLatin1Char('.') + QString::number(number);
}

std::optional<qint64> childNumber(const QString& parentKey, const QString& key) {
    const QString prefix =
        parentKey == RootKey ? QStringLiteral("_") : parentKey + QLatin1Char('.');
    if (!key.startsWith(prefix))
        return std::nullopt;
    const QString digits = key.mid(prefix.size());
    if (digits.isEmpty() || digits.startsWith(QLatin1Char('0')))
        return std::nullopt;
    for (const QChar ch : digits)
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

QSet<qint64> childNumbers(db::Connection& c, const QString& parentKey) {
    const db::Recordset rs = c.query(
        QStringLiteral("SELECT Node_Key FROM inventory.tbFormularyNode WHERE Node_Parent = ?"),
        {parentKey});
    QSet<qint64> numbers;
    for (int row = 0; row < rs.recordCount(); ++row)
        if (const auto n = childNumber(parentKey, rs.value(row, 0).toString()))
            numbers.insert(*n);
    return numbers;
}

std::optional<StoredNode> find(db::Connection& c, const QString& key) {
    const db::Recordset rs = c.query(
        QStringLiteral(
            "SELECT n.Node_Key, n.Node_Parent, n.node_type, n.Node_Level,"
            " (SELECT COUNT(*) FROM inventory.tbFormularyNode k WHERE k.Node_Parent = n.Node_Key)"
            " AS children, COALESCE(CAST(n.ClassificationID AS TEXT), CAST(n.GenericID AS TEXT),"
            " n.itemid) AS entry_id FROM inventory.tbFormularyNode n WHERE n.Node_Key = ?"),
        {key});
    if (rs.eof())
        return std::nullopt;
    return StoredNode{rs.text(QStringLiteral("Node_Key")),
                      rs.text(QStringLiteral("Node_Parent")),
                      rs.text(QStringLiteral("node_type")),
                      rs.field(QStringLiteral("Node_Level")).toInt(),
                      rs.field(QStringLiteral("children")).toLongLong(),
                      rs.text(QStringLiteral("entry_id"))};
}

std::optional<StoredNode> findAsSeen(db::Connection& c, const database::NodeIdentity& seen) {
    auto node = find(c, seen.key);
    if (!node || node->type != database::nodeTypeOf(seen.type))
        return std::nullopt;
    if (seen.type != database::NodeKind::Root && !seen.id.isNull() &&
        node->entryId != seen.id.toString())
        return std::nullopt;
    return node;
}

bool insert(db::Connection& c, const StoredNode& parent, QString& key, database::NodeKind kind,
            const QVariant& id) {
    static const char* const types[] = {"1", "2", "3"};
    static const char* const idColumns[] = {"ClassificationID", "GenericID", "itemid"};
    const QString type = QLatin1String(types[int(kind)]);
    const QString idColumn = QLatin1String(idColumns[int(kind)]);
    std::optional<qint64> number = childNumber(parent.key, key);
    if (!number || *number < 1)
        return false;
    const QString sql =
        QStringLiteral(
            "INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, node_type, "
            "%1)"
            " VALUES (?, ?, ?, ?, ?) ON CONFLICT (Node_Key) DO NOTHING RETURNING Node_Key")
            .arg(idColumn);
    QSet<qint64> taken;
    for (;;) {
        const QString candidate = childKey(parent.key, *number);
        if (c.query(sql, {candidate, parent.key, parent.level + 1, type, id}).recordCount() > 0) {
            key = candidate;
            database::syncNodeNames(c, kind, id);
            return true;
        }
        // Taken by another workstation between the caller's test and now.
        if (taken.isEmpty())
            taken = childNumbers(c, parent.key);
        do
            ++*number;
        while (taken.contains(*number));
    }
}

QVariantList seenValues(const database::NodeIdentity& seen) {
    const bool named = seen.type != database::NodeKind::Root && !seen.id.isNull();
    return {seen.key, database::nodeTypeOf(seen.type), named ? seen.id.toString() : QVariant()};
}

bool placed(QString& key, const QVariant& answer) {
    if (answer.isNull())
        return false;
    key = answer.toString();
    return true;
}

bool removeLeaf(db::Connection& c, const QString& key) {
    const auto node = find(c, key);
    if (!node || node->childCount > 0 || node->key == RootKey)
        return false;
    return c.execute(QStringLiteral("DELETE FROM inventory.tbFormularyNode WHERE Node_Key = ?"),
                     {key}) > 0;
}

std::optional<NodeNames> namesAt(db::Connection& c, const QString& key) {
    const db::Recordset rs = c.query(
        QStringLiteral("SELECT n.NodeName, p.NodeName AS parent_name"
                       " FROM inventory.tbFormularyNode n"
                       " LEFT JOIN inventory.tbFormularyNode p ON p.Node_Key = n.Node_Parent"
                       " WHERE n.Node_Key = ?"),
        {key});
    if (rs.eof())
        return std::nullopt;
    return NodeNames{rs.text(QStringLiteral("NodeName")), rs.field(QStringLiteral("parent_name"))};
}

void notePlaced(db::Connection& c, database::ChangeTarget& target, const QString& key,
                const std::optional<NodeNames>& was) {
    const NodeNames now = namesAt(c, key).value_or(NodeNames{});
    target.note(was ? QStringLiteral("move") : QStringLiteral("assign"), now.name, key,
                was ? was->parentName : QVariant(), now.parentName);
}

bool removeNoted(db::Connection& c, database::ChangeTarget& target, const QString& key) {
    const auto was = namesAt(c, key);
    if (!was || !removeLeaf(c, key))
        return false;
    target.note(QStringLiteral("remove"), was->name, key, was->parentName, {});
    return true;
}

Match match(db::Engine engine, int scope, const QString& search, const QString& nameColumn,
            const QString& descriptionColumn, database::NameIndex index, const QString& rowColumn) {
    QStringList columns{nameColumn};
    if (scope == 3 && !descriptionColumn.isEmpty())
        columns << descriptionColumn;
    else if (scope != 1 && scope != 3)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Unknown match scope %1 (1 or 3 expected).").arg(scope));
    return database::containsKey(engine, columns, search, index, rowColumn);
}

QString notWithdrawn(const QString& genericColumn, const QString& itemColumn) {
    QStringList entries;
    if (!genericColumn.isEmpty())
        entries << QStringLiteral("s.GenericID = ") + genericColumn;
    if (!itemColumn.isEmpty())
        entries << QStringLiteral("s.itemid = ") + itemColumn;
    return QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM inventory.tbFormularyStatus s"
                          " WHERE s.status = 'Withdrawn' AND (%1))")
        .arg(entries.join(QStringLiteral(" OR ")));
}

} // namespace formulary_data::node_store
