#include "database/procedures.h"

#include "database/change.h"
#include "database/name_search.h"
#include "database/session.h"
#include "platform/db/text_match.h"
#include "platform/db/transaction.h"

namespace database {

namespace {

// Separates the folded names of a classification path, so that a path sorts
// right after its parent's (no character of a name sorts lower).
const QString kPathSeparator = QString(QChar(1));

} // namespace

db::Recordset For_FoundNode(db::Connection& c, const QString& nodeKey) {
    return c.query(
        QStringLiteral("SELECT Node_Key FROM inventory.tbFormularyNode WHERE Node_Key = ?"),
        {nodeKey});
}

db::Recordset For_SearchNodeList(db::Connection& c, const QString& searchText) {
    if (searchText.isEmpty())
        return c.query(QStringLiteral("SELECT '' AS ItemName, '' AS ParentName, '' AS Node_Key"
                                      " FROM inventory.tbSchemaVersion WHERE 1 = 0"));
    const NameSearch match = containsKey(c.engine(), {QStringLiteral("m.name_folded")}, searchText,
                                         NameIndex::Nodes, QStringLiteral("m.Node_Key"));
    // The root is no entry of its own and names no parent.
    return c.query(
        QStringLiteral("SELECT m.NodeName AS ItemName,"
                       " CASE WHEN p.node_type = '0' THEN NULL ELSE p.NodeName END AS ParentName,"
                       " m.Node_Key"
                       " FROM inventory.tbFormularyNode m"
                       " JOIN inventory.tbFormularyNode p ON p.Node_Key = m.Node_Parent"
                       " WHERE ") +
            match.condition + QStringLiteral(" ORDER BY m.name_folded, m.Node_Key"),
        match.params);
}

void For_TraceParent(db::Connection& c, const QString& nodeKey) {
    db::Transaction t(c);
    c.execute(QStringLiteral("DELETE FROM inventory.tbForTraceParent WHERE session_id = ?"),
              {c.sessionId()});
    c.execute(QStringLiteral(
                  "INSERT INTO inventory.tbForTraceParent (session_id, Node_Key)"
                  " WITH RECURSIVE path (Node_Key, Node_Parent) AS ("
                  "  SELECT Node_Key, Node_Parent FROM inventory.tbFormularyNode WHERE Node_Key = ?"
                  "  UNION ALL"
                  "  SELECT n.Node_Key, n.Node_Parent FROM inventory.tbFormularyNode n"
                  "  JOIN path ON n.Node_Key = path.Node_Parent)"
                  " SELECT ?, Node_Key FROM path WHERE Node_Key <> '_0'"),
              {nodeKey, c.sessionId()});
    touchSession(c);
    t.commit();
}

QStringList TracedPath(db::Connection& c) {
    // Keys sort byte by byte on both engines, and a key begins with its
    // parent's key, so every ancestor comes before its descendants.
    db::Recordset rs = c.query(
        QStringLiteral("SELECT Node_Key FROM inventory.tbForTraceParent WHERE session_id = ?"
                       " ORDER BY Node_Key"),
        {c.sessionId()});
    QStringList keys;
    for (; !rs.eof(); rs.moveNext())
        keys << rs.text(QStringLiteral("Node_Key"));
    return keys;
}

void Formulary_NodeLevel(db::Connection& c) {
    db::Transaction t(c);
    c.execute(QStringLiteral("DELETE FROM inventory.tbFormularyNodeLevel WHERE session_id = ?"),
              {c.sessionId()});
    c.execute(
        QStringLiteral(
            "INSERT INTO inventory.tbFormularyNodeLevel"
            " (session_id, Node_Key, Node_Level, ClassificationPath, path_folded)"
            " WITH RECURSIVE tree (Node_Key, Node_Level, ClassificationPath, path_folded) AS ("
            "  SELECT n.Node_Key, 1, CAST(c.ClassificationName AS TEXT), CAST(c.name_folded AS "
            "TEXT)"
            "  FROM inventory.tbFormularyNode n"
            "  JOIN inventory.tbForClassification c ON c.ClassificationID = n.ClassificationID"
            "  WHERE n.Node_Parent = '_0'"
            "  UNION ALL"
            "  SELECT n.Node_Key, t.Node_Level + 1,"
            "   CAST(t.ClassificationPath || ' > ' || c.ClassificationName AS TEXT),"
            "   CAST(t.path_folded || CAST(? AS TEXT) || c.name_folded AS TEXT)"
            "  FROM tree t"
            "  JOIN inventory.tbFormularyNode n ON n.Node_Parent = t.Node_Key"
            "  JOIN inventory.tbForClassification c ON c.ClassificationID = n.ClassificationID)"
            " SELECT ?, Node_Key, Node_Level, ClassificationPath, path_folded FROM tree"),
        {kPathSeparator, c.sessionId()});
    touchSession(c);
    t.commit();
}

void Formulary_Generate(db::Connection& c) {
    db::Transaction t(c);
    c.execute(QStringLiteral("DELETE FROM inventory.tbFormularyReport WHERE session_id = ?"),
              {c.sessionId()});
    c.execute(
        QStringLiteral(
            "INSERT INTO inventory.tbFormularyReport (session_id, Node_Key, Node_Level,"
            " ClassificationPath, path_folded, GenericID, GenericName, generic_folded, itemid,"
            " DrugName, drug_folded, OtherDetails)"
            " SELECT l.session_id, l.Node_Key, l.Node_Level, l.ClassificationPath, l.path_folded,"
            "  g.GenericID, g.genericname, g.name_folded, dn.itemid, dn.NodeName, dn.name_folded,"
            "  o.OtherDetails"
            " FROM inventory.tbFormularyNodeLevel l"
            " LEFT JOIN inventory.tbFormularyNode gn ON gn.Node_Parent = l.Node_Key AND "
            "gn.node_type = '2'"
            " LEFT JOIN inventory.tbforgeneric g ON g.GenericID = gn.GenericID"
            " LEFT JOIN inventory.tbFormularyOtherDetails o ON o.GenericID = g.GenericID"
            " LEFT JOIN inventory.tbFormularyNode dn ON dn.Node_Parent = gn.Node_Key AND "
            "dn.node_type = '3'"
            " WHERE l.session_id = ?"),
        {c.sessionId()});
    touchSession(c);
    t.commit();
}

namespace {

// A refusal of the database means a node came to name the generic name meanwhile.
DeleteGenericResult deleteGenericHere(db::Connection& c, qint64 genericCode) {
    auto result = DeleteGenericResult::UnderClassification;
    ChangeTarget target{Entry::GenericName, genericCode};
    if (runChange(c, target, [&] {
            const db::Recordset generic = c.query(
                QStringLiteral("SELECT g.GenericID, g.genericname, n.Node_Key, o.OtherDetails,"
                               " (SELECT COUNT(*) FROM inventory.tbFormularyNode d"
                               " WHERE d.Node_Parent = n.Node_Key) AS drugs"
                               " FROM inventory.tbforgeneric g"
                               " LEFT JOIN inventory.tbFormularyNode n ON n.GenericID = g.GenericID"
                               " LEFT JOIN inventory.tbFormularyOtherDetails o"
                               " ON o.GenericID = g.GenericID"
                               " WHERE g.GenericID = ?"),
                {genericCode});
            if (generic.eof()) {
                result = DeleteGenericResult::NotFound;
                return false;
            }
            if (!generic.isNull(QStringLiteral("Node_Key"))) {
                result = generic.field(QStringLiteral("drugs")).toLongLong() > 0
                             ? DeleteGenericResult::HasDrugs
                             : DeleteGenericResult::UnderClassification;
                return false;
            }
            c.execute(
                QStringLiteral("DELETE FROM inventory.tbFormularyOtherDetails WHERE GenericID = ?"),
                {genericCode});
            c.execute(QStringLiteral("DELETE FROM inventory.tbforgeneric WHERE GenericID = ?"),
                      {genericCode});
            const QString name = generic.text(QStringLiteral("genericname"));
            if (const QVariant details = generic.field(QStringLiteral("OtherDetails"));
                !details.toString().isEmpty())
                target.notes.push_back({Entry::OtherDetails,
                                        genericCode,
                                        QStringLiteral("delete"),
                                        name,
                                        {},
                                        details,
                                        {}});
            target.note(QStringLiteral("delete"), name, {}, name, {});
            return true;
        }))
        result = DeleteGenericResult::Deleted;
    return result;
}

} // namespace

db::Recordset Delete_Generic(db::Connection& c, qint64 genericCode) {
    auto result = DeleteGenericResult::UnderClassification;
    if (!onServer(c)) {
        result = deleteGenericHere(c, genericCode);
    } else if (const QVariant answer =
                   serverChange(c, QStringLiteral("generic_delete"), {genericCode});
               !answer.isNull()) {
        result = DeleteGenericResult(answer.toInt());
    }
    return c.query(QStringLiteral("SELECT CAST(? AS INTEGER) AS result"), {int(result)});
}

db::Recordset sp_Inv_ListUser(db::Connection& c, const QString& lastName) {
    return c.query(QStringLiteral("SELECT employeecode, lastname || ', ' || firstname AS name"
                                  " FROM inventory.tbUser WHERE lastname_folded LIKE ? ESCAPE '\\'"
                                  " ORDER BY lastname_folded, employeecode"),
                   {db::containsPattern(lastName)});
}

} // namespace database
