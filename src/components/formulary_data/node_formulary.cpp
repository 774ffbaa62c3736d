#include "components/formulary_data/formulary.h"
#include "components/formulary_data/node_store.h"

namespace formulary_data {

bool NodeFormularyObject::SearchNode(const QString& key) {
    const db::Recordset rs = m_owner.connection().query(
        QStringLiteral(
            "SELECT n.node_type,"
            " CASE n.node_type WHEN '1' THEN n.ClassificationID WHEN '2' THEN n.GenericID"
            "  ELSE 0 END AS Node_ID,"
            " n.NodeName AS NameOfNode, n.itemid"
            " FROM inventory.tbFormularyNode n"
            " WHERE n.Node_Key = ? AND n.node_type <> '0'"),
        {key});
    if (rs.eof())
        return false;
    m_type = rs.text(QStringLiteral("node_type"));
    m_id = rs.field(QStringLiteral("Node_ID")).toLongLong();
    m_name = rs.text(QStringLiteral("NameOfNode"));
    const auto kind = database::NodeKind(m_type.toInt() - 1);
    m_identity = {key, kind,
                  kind == database::NodeKind::Drug ? rs.field(QStringLiteral("itemid"))
                                                   : QVariant(m_id)};
    return true;
}

database::NodeIdentity NodeFormularyObject::RootIdentity() {
    return {node_store::RootKey, database::NodeKind::Root, qint64(0)};
}

std::optional<database::NodeIdentity> NodeFormularyObject::IdentityOf(const QString& key) {
    if (key == node_store::RootKey)
        return RootIdentity();
    if (!SearchNode(key))
        return std::nullopt;
    return m_identity;
}

QSet<qint64> NodeFormularyObject::ChildNumbers(const QString& parentKey) {
    return node_store::childNumbers(m_owner.connection(), parentKey);
}

} // namespace formulary_data
