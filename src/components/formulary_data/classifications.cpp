#include "components/formulary_data/formulary.h"
#include "components/formulary_data/node_store.h"

#include "platform/db/text_match.h"

namespace formulary_data {

namespace {

const QString kTreeRows =
    QStringLiteral("SELECT n.node_type, n.Node_Key, n.Node_Parent,"
                   " CASE WHEN n.node_type = '1' THEN n.NodeName END AS ClassificationName,"
                   " CASE WHEN n.node_type = '2' THEN n.NodeName END AS GenericName,"
                   " CASE WHEN n.node_type = '3' THEN n.NodeName END AS DrugName,"
                   " n.itemid AS ItemID,"
                   " COALESCE(n.ClassificationID, n.GenericID) AS EntryID,"
                   " COALESCE(gs.status, ds.status) || COALESCE(': ' || r.RestrictionName, '')"
                   " AS FormularyStatus"
                   " FROM inventory.tbFormularyNode n"
                   " LEFT JOIN inventory.tbFormularyStatus gs ON gs.GenericID = n.GenericID"
                   " LEFT JOIN inventory.tbFormularyStatus ds ON ds.itemid = n.itemid"
                   " LEFT JOIN inventory.tbRestriction r"
                   " ON r.RestrictionID = COALESCE(gs.RestrictionID, ds.RestrictionID)");

// Parents before children (a lower level first), then siblings by name.
const QString kTreeOrder = QStringLiteral(" ORDER BY n.Node_Level, n.name_folded, n.Node_Key");

// The classification's node carries its name, one lookup fewer a row.
const QString kGenericRows =
    QStringLiteral("SELECT g.genericname AS GenericName, gn.Node_Key, g.GenericID, cn.Node_Key AS "
                   "ClassificationKey,"
                   " COALESCE(cn.NodeName, 'no classification') AS ClassificationName"
                   " FROM inventory.tbforgeneric g"
                   " LEFT JOIN inventory.tbFormularyNode gn ON gn.GenericID = g.GenericID"
                   " LEFT JOIN inventory.tbFormularyNode cn ON cn.Node_Key = gn.Node_Parent");

bool isClassificationParent(const node_store::StoredNode& node) {
    return node.key == node_store::RootKey || node.type == QLatin1String("1");
}

struct StoredClassification {
    QVariant id;
    QString name;
};

// The classification whose node has the key (and the id the workstation saw,
// when it names one).
std::optional<StoredClassification> classificationAt(db::Connection& c,
                                                     const database::NodeIdentity& node) {
    const db::Recordset rs =
        c.query(QStringLiteral("SELECT c.ClassificationID, c.ClassificationName"
                               " FROM inventory.tbFormularyNode n"
                               " JOIN inventory.tbForClassification c"
                               " ON c.ClassificationID = n.ClassificationID"
                               " WHERE n.Node_Key = ? AND n.node_type = '1'"
                               " AND (? IS NULL OR n.ClassificationID = ?)"),
                {node.key, node.id, node.id});
    if (rs.eof())
        return std::nullopt;
    return StoredClassification{rs.field(0), rs.text(QStringLiteral("ClassificationName"))};
}

} // namespace

db::Recordset ClassificationsObject::LoadClassifications(const QString& ParentNode, bool LoadAll) {
    db::Connection& c = m_owner.connection();
    if (!LoadAll)
        return c.query(kTreeRows + QStringLiteral(" WHERE n.Node_Parent = ?") + kTreeOrder,
                       {ParentNode});
    if (ParentNode == node_store::RootKey)
        return c.query(kTreeRows + QStringLiteral(" WHERE n.node_type <> '0'") + kTreeOrder);
    // Every key below a node starts with the node's key and "."; "/" follows "." in byte order.
    return c.query(kTreeRows + QStringLiteral(" WHERE n.Node_Key > ? AND n.Node_Key < ?") +
                       kTreeOrder,
                   {ParentNode + QLatin1Char('.'), ParentNode + QLatin1Char('/')});
}

bool ClassificationsObject::AddClassification(const database::NodeIdentity& parent, QString& newKey,
                                              const QString& name, qint64 itemCode,
                                              const QString& description) {
    Q_UNUSED(itemCode);
    if (node_store::isBlankName(name))
        return false;
    db::Connection& c = m_owner.connection();
    if (database::onServer(c))
        return node_store::placed(
            newKey, database::serverChange(
                        c, QStringLiteral("classification_add"),
                        node_store::seenValues(parent) +
                            QVariantList{newKey, name, db::foldText(name), description}));
    QString key = newKey;
    database::ChangeTarget target{database::Entry::Classification, {}};
    const bool done = database::runChange(c, target, [&] {
        const auto stored = node_store::findAsSeen(c, parent);
        if (!stored || !isClassificationParent(*stored))
            return false;
        target.id = c.query(QStringLiteral("INSERT INTO inventory.tbForClassification"
                                           " (ClassificationName, Description, name_folded)"
                                           " VALUES (?, ?, ?) RETURNING ClassificationID"),
                            {name, db::nullIfEmpty(description), db::foldText(name)})
                        .field(0);
        if (!node_store::insert(c, *stored, key, database::NodeKind::Classification, target.id))
            return false;
        target.note(QStringLiteral("add"), name, key, {}, name);
        return true;
    });
    if (done)
        newKey = key;
    return done;
}

bool ClassificationsObject::RenameClassification(const database::NodeIdentity& node,
                                                 const QString& newName) {
    if (node_store::isBlankName(newName))
        return false;
    db::Connection& c = m_owner.connection();
    if (database::onServer(c))
        return database::serverChange(c, QStringLiteral("classification_rename"),
                                      {node.key, node.id, newName, db::foldText(newName)})
            .toBool();
    database::ChangeTarget target{database::Entry::Classification, node.id};
    return database::runChange(c, target, [&] {
        const auto stored = classificationAt(c, node);
        if (!stored)
            return false;
        c.execute(QStringLiteral("UPDATE inventory.tbForClassification SET ClassificationName = ?,"
                                 " name_folded = ? WHERE ClassificationID = ?"),
                  {newName, db::foldText(newName), stored->id});
        database::syncNodeNames(c, database::NodeKind::Classification, stored->id);
        if (stored->name != newName)
            target.note(QStringLiteral("rename"), newName, node.key, stored->name, newName);
        return true;
    });
}

bool ClassificationsObject::DeleteClassification(const database::NodeIdentity& node) {
    db::Connection& c = m_owner.connection();
    if (database::onServer(c))
        return database::serverChange(c, QStringLiteral("classification_delete"),
                                      {node.key, node.id})
            .toBool();
    database::ChangeTarget target{database::Entry::Classification, node.id};
    return database::runChange(c, target, [&] {
        const auto stored = classificationAt(c, node);
        if (!stored || !node_store::removeLeaf(c, node.key))
            return false;
        c.execute(
            QStringLiteral("DELETE FROM inventory.tbForClassification WHERE ClassificationID = ?"),
            {stored->id});
        target.id = stored->id;
        target.note(QStringLiteral("delete"), stored->name, node.key, stored->name, {});
        return true;
    });
}

bool ClassificationsObject::ClassificationExists(const QString& name) {
    return !m_owner.connection()
                .query(QStringLiteral("SELECT 1 FROM inventory.tbForClassification"
                                      " WHERE ClassificationName = ?"),
                       {name})
                .eof();
}

db::Recordset ClassificationsObject::LoadGenerics(qint64 classificationId, int scope,
                                                  const QString& search) {
    return genericList(true, classificationId, scope, search, true);
}

db::Recordset ClassificationsObject::OtherGenerics(qint64 classificationId, int scope,
                                                   const QString& search, bool withWithdrawn) {
    return genericList(false, classificationId, scope, search, withWithdrawn);
}

db::Recordset ClassificationsObject::genericList(bool inside, qint64 classificationId, int scope,
                                                 const QString& search, bool withWithdrawn) {
    db::Connection& c = m_owner.connection();
    // The classification's own generic names are few: only the others are
    // worth narrowing by the index.
    const node_store::Match m =
        node_store::match(c.engine(), scope, search, QStringLiteral("g.name_folded"), {},
                          inside ? database::NameIndex::None : database::NameIndex::Generics,
                          QStringLiteral("g.GenericID"));
    const QString where =
        inside ? QStringLiteral(" WHERE cn.ClassificationID = ?")
               : QStringLiteral(" WHERE (cn.ClassificationID IS NULL OR cn.ClassificationID <> ?)");
    const QString withdrawn =
        withWithdrawn ? QString() : node_store::notWithdrawn(QStringLiteral("g.GenericID"));
    return c.query(kGenericRows + where + QStringLiteral(" AND ") + m.condition + withdrawn +
                       QStringLiteral(" ORDER BY g.name_folded, g.GenericID"),
                   QVariantList{classificationId} + m.params);
}

} // namespace formulary_data
