#include "components/formulary_data/formulary.h"
#include "components/formulary_data/node_store.h"

#include "platform/app_error.h"
#include "platform/db/text_match.h"

namespace formulary_data {

namespace {

// The generic name's node carries its name, one lookup fewer a row.
const QString kDrugRows = QStringLiteral(
    "SELECT i.itemname AS DrugName, i.description AS Description,"
    " COALESCE(gn.NodeName, 'Unclassified') AS GenericName, i.itemid AS ItemID, dn.Node_Key"
    " FROM inventory.tbinvmaster i"
    " LEFT JOIN inventory.tbFormularyNode dn ON dn.itemid = i.itemid"
    " LEFT JOIN inventory.tbFormularyNode gn ON gn.Node_Key = dn.Node_Parent");

const QString kDrugOrder =
    QStringLiteral(" ORDER BY i.name_folded, i.description_folded, i.itemid");

QString filterCondition(int filter) {
    switch (filter) {
    case FilterNone:
    case FilterAll:
        return {};
    case FilterUnclassified:
        return QStringLiteral(" AND dn.Node_Key IS NULL");
    case FilterClassified:
        return QStringLiteral(" AND dn.Node_Key IS NOT NULL");
    default:
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Unknown drug filter %1 (0 to 3 expected).").arg(filter));
    }
}

// The generic name's node key and whether drugs are stored under it.
struct Placement {
    QString nodeKey;
    bool hasDrugs = false;
};

std::optional<Placement> placement(db::Connection& c, qint64 genericCode) {
    const db::Recordset rs = c.query(
        QStringLiteral(
            "SELECT n.Node_Key,"
            " (SELECT COUNT(*) FROM inventory.tbFormularyNode d WHERE d.Node_Parent = n.Node_Key)"
            " AS drugs FROM inventory.tbFormularyNode n WHERE n.GenericID = ?"),
        {genericCode});
    if (rs.eof())
        return std::nullopt;
    return Placement{rs.text(QStringLiteral("Node_Key")),
                     rs.field(QStringLiteral("drugs")).toLongLong() > 0};
}

// A new generic name's row; its code.
qint64 insertGeneric(db::Connection& c, const QString& name) {
    return c
        .query(QStringLiteral("INSERT INTO inventory.tbforgeneric (genericname, name_folded)"
                              " VALUES (?, ?) RETURNING GenericID"),
               {name, db::foldText(name)})
        .field(0)
        .toLongLong();
}

} // namespace

bool GenericsObject::SearchGeneric(qint64 genericCode) {
    const auto where = placement(m_owner.connection(), genericCode);
    if (!where)
        return false;
    m_nodeKey = where->nodeKey;
    return true;
}

bool GenericsObject::AddGeneric(const database::NodeIdentity& parent, QString& newKey,
                                const QString& name, qint64 genericCode) {
    db::Connection& c = m_owner.connection();
    if (database::onServer(c))
        return node_store::placed(newKey,
                                  database::serverChange(c, QStringLiteral("generic_place"),
                                                         node_store::seenValues(parent) +
                                                             QVariantList{newKey, genericCode, name,
                                                                          db::foldText(name)}));
    QString key = newKey;
    database::ChangeTarget target{database::Entry::GenericName, genericCode};
    const bool done = database::runChange(c, target, [&] {
        const auto stored = node_store::findAsSeen(c, parent);
        if (!stored || stored->type != QLatin1String("1"))
            return false;
        std::optional<node_store::NodeNames> was;
        if (genericCode <= 0) {
            if (node_store::isBlankName(name))
                return false;
            target.id = insertGeneric(c, name);
            target.note(QStringLiteral("add"), name, {}, {}, name);
        } else if (const auto old = placement(c, genericCode)) {
            was = node_store::namesAt(c, old->nodeKey);
            if (old->hasDrugs || !node_store::removeLeaf(c, old->nodeKey))
                return false;
        }
        if (!node_store::insert(c, *stored, key, database::NodeKind::Generic, target.id))
            return false;
        node_store::notePlaced(c, target, key, was);
        return true;
    });
    if (done)
        newKey = key;
    return done;
}

bool GenericsObject::DeleteGeneric(qint64 genericCode) {
    db::Connection& c = m_owner.connection();
    if (database::onServer(c))
        return database::serverChange(c, QStringLiteral("generic_unplace"), {genericCode}).toBool();
    database::ChangeTarget target{database::Entry::GenericName, genericCode};
    return database::runChange(c, target, [&] {
        const auto where = placement(c, genericCode);
        return where && !where->hasDrugs && node_store::removeNoted(c, target, where->nodeKey);
    });
}

bool GenericsObject::HasDrugs(qint64 genericCode) {
    const auto where = placement(m_owner.connection(), genericCode);
    return where && where->hasDrugs;
}

db::Recordset GenericsObject::LoadDrugs(qint64 genericId, int scope, const QString& search) {
    db::Connection& c = m_owner.connection();
    const node_store::Match m =
        node_store::match(c.engine(), scope, search, QStringLiteral("i.name_folded"),
                          QStringLiteral("i.description_folded"));
    // From the generic name's node down, so that only its drugs are read.
    return c.query(
        QStringLiteral("SELECT i.itemname AS DrugName, i.description AS Description, g.genericname "
                       "AS GenericName,"
                       " i.itemid AS ItemID, dn.Node_Key"
                       " FROM inventory.tbFormularyNode gn"
                       " JOIN inventory.tbforgeneric g ON g.GenericID = gn.GenericID"
                       " JOIN inventory.tbFormularyNode dn ON dn.Node_Parent = gn.Node_Key"
                       " JOIN inventory.tbinvmaster i ON i.itemid = dn.itemid"
                       " WHERE gn.GenericID = ? AND ") +
            m.condition + kDrugOrder,
        QVariantList{genericId} + m.params);
}

db::Recordset GenericsObject::OtherDrugs(qint64 genericId, int scope, const QString& search,
                                         int filter, bool withWithdrawn) {
    db::Connection& c = m_owner.connection();
    const node_store::Match m =
        node_store::match(c.engine(), scope, search, QStringLiteral("i.name_folded"),
                          QStringLiteral("i.description_folded"), database::NameIndex::Items,
                          QStringLiteral("i.rowid"));
    const QString withdrawn =
        withWithdrawn
            ? QString()
            : node_store::notWithdrawn(QStringLiteral("gn.GenericID"), QStringLiteral("i.itemid"));
    return c.query(kDrugRows +
                       QStringLiteral(" WHERE (gn.GenericID IS NULL OR gn.GenericID <> ?) AND ") +
                       m.condition + filterCondition(filter) + withdrawn + kDrugOrder,
                   QVariantList{genericId} + m.params);
}

db::Recordset GenericsObject::ListGeneric(const QString& search) {
    db::Connection& c = m_owner.connection();
    const node_store::Match m =
        node_store::match(c.engine(), MatchName, search, QStringLiteral("name_folded"), {},
                          database::NameIndex::Generics, QStringLiteral("GenericID"));
    return c.query(
        QStringLiteral(
            "SELECT GenericID AS Code, genericname AS GenericName FROM inventory.tbforgeneric"
            " WHERE ") +
            m.condition + QStringLiteral(" ORDER BY name_folded, GenericID"),
        m.params);
}

bool GenericsObject::NewGeneric(const QString& name, qint64* newCode) {
    if (node_store::isBlankName(name))
        return false;
    db::Connection& c = m_owner.connection();
    database::ChangeTarget target{database::Entry::GenericName, {}};
    bool done = false;
    if (database::onServer(c)) {
        target.id =
            database::serverChange(c, QStringLiteral("generic_new"), {name, db::foldText(name)});
        done = !target.id.isNull();
    } else {
        done = database::runChange(c, target, [&] {
            target.id = insertGeneric(c, name);
            target.note(QStringLiteral("add"), name, {}, {}, name);
            return true;
        });
    }
    if (done && newCode)
        *newCode = target.id.toLongLong();
    return done;
}

bool GenericsObject::RenameGeneric(qint64 genericCode, const QString& newName) {
    if (node_store::isBlankName(newName))
        return false;
    db::Connection& c = m_owner.connection();
    if (database::onServer(c))
        return database::serverChange(c, QStringLiteral("generic_rename"),
                                      {genericCode, newName, db::foldText(newName)})
            .toBool();
    database::ChangeTarget target{database::Entry::GenericName, genericCode};
    return database::runChange(c, target, [&] {
        const db::Recordset was = c.query(
            QStringLiteral("SELECT g.genericname, n.Node_Key FROM inventory.tbforgeneric g"
                           " LEFT JOIN inventory.tbFormularyNode n ON n.GenericID = g.GenericID"
                           " WHERE g.GenericID = ?"),
            {genericCode});
        if (was.eof())
            return false;
        c.execute(
            QStringLiteral("UPDATE inventory.tbforgeneric SET genericname = ?, name_folded = ?"
                           " WHERE GenericID = ?"),
            {newName, db::foldText(newName), genericCode});
        database::syncNodeNames(c, database::NodeKind::Generic, genericCode);
        if (const QString oldName = was.text(QStringLiteral("genericname")); oldName != newName)
            target.note(QStringLiteral("rename"), newName, was.text(QStringLiteral("Node_Key")),
                        oldName, newName);
        return true;
    });
}

bool GenericsObject::GenericExists(const QString& name) {
    return !m_owner.connection()
                .query(QStringLiteral("SELECT 1 FROM inventory.tbforgeneric WHERE genericname = ?"),
                       {name})
                .eof();
}

} // namespace formulary_data
