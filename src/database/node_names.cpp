#include "database/node_names.h"

namespace database {

namespace {

struct Source {
    const char* type;
    const char* idColumn;
    QString name; // correlated with the node being updated
    QString folded;
};

// A drug shows its item's name and description joined by one blank.
const Source& source(NodeKind kind) {
    static const Source sources[] = {
        {"1", "ClassificationID",
         QStringLiteral("SELECT c.ClassificationName FROM inventory.tbForClassification c"
                        " WHERE c.ClassificationID = tbFormularyNode.ClassificationID"),
         QStringLiteral("SELECT c.name_folded FROM inventory.tbForClassification c"
                        " WHERE c.ClassificationID = tbFormularyNode.ClassificationID")},
        {"2", "GenericID",
         QStringLiteral("SELECT g.genericname FROM inventory.tbforgeneric g"
                        " WHERE g.GenericID = tbFormularyNode.GenericID"),
         QStringLiteral("SELECT g.name_folded FROM inventory.tbforgeneric g"
                        " WHERE g.GenericID = tbFormularyNode.GenericID")},
        {"3", "itemid",
         QStringLiteral(
             "SELECT TRIM(COALESCE(i.itemname, '')) || ' ' || TRIM(COALESCE(i.description, ''))"
             " FROM inventory.tbinvmaster i WHERE i.itemid = tbFormularyNode.itemid"),
         QStringLiteral("SELECT i.name_folded || ' ' || i.description_folded"
                        " FROM inventory.tbinvmaster i WHERE i.itemid = tbFormularyNode.itemid")},
    };
    return sources[int(kind)];
}

} // namespace

namespace {

QString syncStatement(const Source& s) {
    return QStringLiteral("UPDATE inventory.tbFormularyNode SET NodeName = (%1), name_folded = (%2)"
                          " WHERE node_type = '%3'")
        .arg(s.name, s.folded, QLatin1String(s.type));
}

} // namespace

QString nodeNameSyncStatement(NodeKind kind) {
    const Source& s = source(kind);
    return syncStatement(s) + QStringLiteral(" AND %1 = ?").arg(QLatin1String(s.idColumn));
}

void syncNodeNames(db::Connection& c, NodeKind kind, const QVariant& id) {
    if (id.isNull()) {
        c.execute(syncStatement(source(kind)));
        return;
    }
    c.execute(nodeNameSyncStatement(kind), {id});
}

void syncNodeNamesIn(db::Connection& c, NodeKind kind, const QString& idSelect) {
    const Source& s = source(kind);
    c.execute(syncStatement(s) +
              QStringLiteral(" AND %1 IN (%2)").arg(QLatin1String(s.idColumn), idSelect));
}

void syncAllNodeNames(db::Connection& c) {
    for (NodeKind kind : {NodeKind::Classification, NodeKind::Generic, NodeKind::Drug})
        syncNodeNames(c, kind);
}

} // namespace database
