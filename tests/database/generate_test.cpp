#include "components/formulary_data/formulary.h"
#include "components/formulary_data/node_store.h"
#include "database/generate.h"
#include "platform/app_error.h"
#include "support/test_database.h"

#include <QHash>

using test_support::EngineTest;

namespace {

class Generate : public EngineTest {
protected:
    int count(const QString& sql) { return conn->query(sql).field(0).toInt(); }
};

struct StoredNode {
    QString parent;
    int level = 0;
    QString type;
};

QHash<QString, StoredNode> storedTree(db::Connection& c) {
    const db::Recordset rs = c.query(QStringLiteral(
        "SELECT Node_Key, Node_Parent, Node_Level, node_type FROM inventory.tbFormularyNode"));
    QHash<QString, StoredNode> tree;
    for (int row = 0; row < rs.recordCount(); ++row)
        tree.insert(
            rs.value(row, 0).toString(),
            {rs.value(row, 1).toString(), rs.value(row, 2).toInt(), rs.value(row, 3).toString()});
    return tree;
}

// Each node with its name, in key order: what two generations must agree on.
QStringList namedNodes(db::Connection& c) {
    const db::Recordset rs = c.query(QStringLiteral(
        "SELECT n.Node_Key || ' ' || n.node_type || ' ' || COALESCE(k.ClassificationName, "
        "g.genericname, n.itemid, '')"
        " FROM inventory.tbFormularyNode n"
        " LEFT JOIN inventory.tbForClassification k ON k.ClassificationID = n.ClassificationID"
        " LEFT JOIN inventory.tbforgeneric g ON g.GenericID = n.GenericID ORDER BY n.Node_Key"));
    QStringList rows;
    for (int row = 0; row < rs.recordCount(); ++row)
        rows << rs.value(row, 0).toString();
    return rows;
}

} // namespace

TEST_P(Generate, BuildsAConsistentTreeOfAboutTheSizeAsked) {
    const database::GeneratedFormulary g = database::generateFormulary(*conn, 3000);
    EXPECT_NEAR(g.nodes(), 3000, 150);

    const QHash<QString, StoredNode> tree = storedTree(*conn);
    EXPECT_EQ(tree.size(), g.nodes() + 1);
    QHash<QString, int> perType;
    int deepest = 0;
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (it.key() == formulary_data::node_store::RootKey)
            continue;
        const StoredNode& node = it.value();
        ++perType[node.type];
        ASSERT_TRUE(tree.contains(node.parent)) << it.key().toStdString();
        const StoredNode& parent = tree[node.parent];
        EXPECT_EQ(node.level, parent.level + 1) << it.key().toStdString();
        EXPECT_TRUE(formulary_data::node_store::childNumber(node.parent, it.key()))
            << it.key().toStdString();
        const QString allowedParents = node.type == QLatin1String("1")   ? QStringLiteral("01")
                                       : node.type == QLatin1String("2") ? QStringLiteral("1")
                                                                         : QStringLiteral("2");
        EXPECT_TRUE(allowedParents.contains(parent.type)) << it.key().toStdString();
        if (node.type == QLatin1String("1"))
            deepest = std::max(deepest, node.level);
    }
    EXPECT_EQ(perType.value(QStringLiteral("1")), g.classifications);
    EXPECT_EQ(perType.value(QStringLiteral("2")), g.generics);
    EXPECT_EQ(perType.value(QStringLiteral("3")), g.drugs);
    EXPECT_GT(g.generics, g.classifications);
    EXPECT_GT(g.drugs, g.generics);
    EXPECT_GE(deepest, 2);
    EXPECT_LE(deepest, 4);

    // Generic names and stock items left unplaced, and other details.
    EXPECT_GT(g.unassignedGenerics, 0);
    EXPECT_EQ(count(QStringLiteral(
                  "SELECT COUNT(*) FROM inventory.tbforgeneric g WHERE NOT EXISTS"
                  " (SELECT 1 FROM inventory.tbFormularyNode n WHERE n.GenericID = g.GenericID)")),
              g.unassignedGenerics);
    EXPECT_GT(g.unplacedItems, 0);
    EXPECT_EQ(count(QStringLiteral(
                  "SELECT COUNT(*) FROM inventory.tbinvmaster i WHERE NOT EXISTS"
                  " (SELECT 1 FROM inventory.tbFormularyNode n WHERE n.itemid = i.itemid)")),
              g.unplacedItems);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyOtherDetails")),
              g.otherDetails);

    // The component reads what was written in bulk.
    formulary_data::Formulary formulary;
    ASSERT_TRUE(formulary.Connect(database->target()));
    const db::Recordset top =
        formulary.Classifications.LoadClassifications(formulary_data::node_store::RootKey, false);
    EXPECT_GT(top.recordCount(), 0);
    EXPECT_EQ(top.text(QStringLiteral("node_type")), QStringLiteral("1"));
}

TEST_P(Generate, TheSameSizeGivesTheSameFormularyAndAFilledDatabaseIsRefused) {
    database::generateFormulary(*conn, 400);
    const QStringList first = namedNodes(*conn);
    EXPECT_THROW(database::generateFormulary(*conn, 400), AppError);
    EXPECT_EQ(namedNodes(*conn), first);

    conn.reset();
    database = std::make_unique<test_support::TestDatabase>(GetParam());
    conn = database->connect();
    database::generateFormulary(*conn, 400);
    EXPECT_EQ(namedNodes(*conn), first);
}

FORMULARY_ENGINE_TESTS(Generate);
