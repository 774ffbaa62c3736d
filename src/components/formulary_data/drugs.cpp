#include "components/formulary_data/formulary.h"
#include "components/formulary_data/node_store.h"

namespace formulary_data {

namespace {

std::optional<QString> drugNodeKey(db::Connection& c, const QString& itemId) {
    const db::Recordset rs =
        c.query(QStringLiteral("SELECT Node_Key FROM inventory.tbFormularyNode WHERE itemid = ?"),
                {itemId});
    if (rs.eof())
        return std::nullopt;
    return rs.text(QStringLiteral("Node_Key"));
}

} // namespace

bool DrugsObject::SearchDrug(const QString& itemId) {
    const auto key = drugNodeKey(m_owner.connection(), itemId);
    if (!key)
        return false;
    m_nodeKey = *key;
    return true;
}

bool DrugsObject::AddDrug(const database::NodeIdentity& parent, QString& newKey,
                          const QString& name, const QString& itemId) {
    Q_UNUSED(name);
    db::Connection& c = m_owner.connection();
    if (database::onServer(c))
        return node_store::placed(newKey, database::serverChange(c, QStringLiteral("drug_place"),
                                                                 node_store::seenValues(parent) +
                                                                     QVariantList{newKey, itemId}));
    QString key = newKey;
    database::ChangeTarget target{database::Entry::Drug, itemId};
    const bool done = database::runChange(c, target, [&] {
        const auto stored = node_store::findAsSeen(c, parent);
        if (!stored || stored->type != QLatin1String("2"))
            return false;
        std::optional<node_store::NodeNames> was;
        if (const auto old = drugNodeKey(c, itemId)) {
            was = node_store::namesAt(c, *old);
            if (!node_store::removeLeaf(c, *old))
                return false;
        }
        if (!node_store::insert(c, *stored, key, database::NodeKind::Drug, itemId))
            return false;
        node_store::notePlaced(c, target, key, was);
        return true;
    });
    if (done)
        newKey = key;
    return done;
}

bool DrugsObject::DeleteDrug(const QString& itemId) {
    db::Connection& c = m_owner.connection();
    if (database::onServer(c))
        return database::serverChange(c, QStringLiteral("drug_unplace"), {itemId}).toBool();
    database::ChangeTarget target{database::Entry::Drug, itemId};
    return database::runChange(c, target, [&] {
        const auto key = drugNodeKey(c, itemId);
        return key && node_store::removeNoted(c, target, *key);
    });
}

} // namespace formulary_data
