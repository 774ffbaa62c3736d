#include "database/item_master.h"
#include "database/procedures.h"
#include "database/session.h"
#include "platform/db/text_match.h"
#include "support/formulary_fixture.h"
#include "support/test_database.h"

namespace {

class Procedures : public test_support::FormularyTest {
protected:
    void SetUp() override {
        FormularyTest::SetUp();
        database::beginSession(*conn, QStringLiteral("E1"));
    }

    QStringList column(const db::Recordset& rs, const QString& name) const {
        QStringList values;
        const int index = rs.fieldIndex(name);
        for (int row = 0; row < rs.recordCount(); ++row)
            values << rs.value(row, index).toString();
        return values;
    }

    QStringList tracedPath(db::Connection& c) const {
        return column(c.query(QStringLiteral("SELECT Node_Key FROM inventory.tbForTraceParent"
                                             " WHERE session_id = ? ORDER BY Node_Key"),
                              {c.sessionId()}),
                      QStringLiteral("Node_Key"));
    }
};

} // namespace

TEST_P(Procedures, FoundNodeAnswersByRowCount) {
    EXPECT_EQ(database::For_FoundNode(*conn, QStringLiteral("_1.1.1")).recordCount(), 1);
    EXPECT_EQ(database::For_FoundNode(*conn, QStringLiteral("_7")).recordCount(), 0);
    EXPECT_EQ(database::For_FoundNode(*conn, QStringLiteral("_1' OR '1'='1")).recordCount(), 0);
    EXPECT_EQ(database::For_FoundNode(*conn, QString()).recordCount(), 0);
}

TEST_P(Procedures, SearchNodeListMatchesAndOrders) {
    auto& classes = fixture->formulary.Classifications;
    QString key = QStringLiteral("_3");
    ASSERT_TRUE(classes.AddClassification(fixture->node(QStringLiteral("_0")), key,
                                          QStringLiteral("Solutions 0.9% w_v"), 0));
    key = QStringLiteral("_4");
    ASSERT_TRUE(classes.AddClassification(fixture->node(QStringLiteral("_0")), key,
                                          QStringLiteral("Anti-néoplasiques"), 0));
    key = QStringLiteral("_5");
    ASSERT_TRUE(classes.AddClassification(fixture->node(QStringLiteral("_0")), key,
                                          QStringLiteral("Glucose-5% infusions"), 0));
    key = QStringLiteral("_6");
    ASSERT_TRUE(classes.AddClassification(fixture->node(QStringLiteral("_0")), key,
                                          QStringLiteral("Hauptstraße ward \U0001F48A stock"), 0));
    const QString ward = QStringLiteral("Hauptstraße ward \U0001F48A stock");

    const struct {
        const char* key;
        QStringList names;
    } cases[] = {
        {"amox",
         {QStringLiteral("Amoxicillin"), QStringLiteral("Amoxicillin 250 mg/5 mL suspension"),
          QStringLiteral("Amoxicillin 500 mg capsule")}},
        {"CHILDREN'S", {QStringLiteral("Children's Paracetamol 120 mg/5 mL suspension")}},
        {"%", {QStringLiteral("Glucose-5% infusions"), QStringLiteral("Solutions 0.9% w_v")}},
        {"_", {QStringLiteral("Solutions 0.9% w_v")}},
        {"9%", {QStringLiteral("Solutions 0.9% w_v")}},
        {"NÉO", {QStringLiteral("Anti-néoplasiques")}},
        {"néo", {QStringLiteral("Anti-néoplasiques")}},
        {"anti",
         {QStringLiteral("Anti-infective medicines"), QStringLiteral("Anti-néoplasiques"),
          QStringLiteral("Antibacterials")}},
        {"-5%", {QStringLiteral("Glucose-5% infusions")}},
        {"traß", {ward}},
        {"STRASSE", {}},
        {"\U0001F48A", {ward}},
        // Two code points in three UTF-16 units: too short for a trigram.
        {" \U0001F48A", {ward}},
        {"D \U0001F48A S", {ward}},
        {"\U0001F48A\U0001F48A\U0001F48A", {}},
        {"ibuprofen", {}}, // a generic name and an item that are in no place of the tree
        {"", {}},
    };
    for (const auto& c : cases) {
        const db::Recordset rs = database::For_SearchNodeList(*conn, QString::fromUtf8(c.key));
        EXPECT_EQ(column(rs, QStringLiteral("ItemName")), c.names) << c.key;
    }
    const db::Recordset rs = database::For_SearchNodeList(*conn, QStringLiteral("antibacterials"));
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.text(QStringLiteral("ParentName")), QStringLiteral("Anti-infective medicines"));
    EXPECT_EQ(rs.text(QStringLiteral("Node_Key")), QStringLiteral("_1.1"));
    EXPECT_TRUE(database::For_SearchNodeList(*conn, QStringLiteral("pain"))
                    .isNull(QStringLiteral("ParentName")));
}

// The trigram indexes only narrow: after every kind of change a search
// finds what a scan of the stored folded names finds, in the same order.
TEST_P(Procedures, IndexedSearchesFindWhatAScanFinds) {
    auto& f = fixture->formulary;
    const auto scanNodes = [&](const QString& key) {
        const db::Recordset all =
            conn->query(QStringLiteral("SELECT Node_Key, name_folded FROM inventory.tbFormularyNode"
                                       " WHERE node_type <> '0' ORDER BY name_folded, Node_Key"));
        QStringList keys;
        for (int row = 0; row < all.recordCount(); ++row)
            if (all.value(row, 1).toString().contains(db::foldText(key)))
                keys << all.value(row, 0).toString();
        return keys;
    };
    const auto scanDrugs = [&](qint64 generic, const QString& key) {
        const db::Recordset all = f.Generics.OtherDrugs(generic, 3, {}, 0);
        QStringList items;
        for (int row = 0; row < all.recordCount(); ++row)
            if (db::foldText(all.value(row, 0).toString()).contains(db::foldText(key)) ||
                db::foldText(all.value(row, 1).toString()).contains(db::foldText(key)))
                items << all.value(row, 3).toString();
        return items;
    };
    const auto scanGenerics = [&](const QString& key) {
        const db::Recordset all = f.Generics.ListGeneric({});
        QStringList codes;
        for (int row = 0; row < all.recordCount(); ++row)
            if (db::foldText(all.value(row, 1).toString()).contains(db::foldText(key)))
                codes << all.value(row, 0).toString();
        return codes;
    };
    const qint64 paracetamol = fixture->generic.value(QStringLiteral("Paracetamol"));
    const auto agree = [&](const char* after) {
        for (const QString& key :
             {QStringLiteral("amox"), QStringLiteral("CILLIN 5"), QStringLiteral("tamol"),
              QStringLiteral("mg/5"), QStringLiteral("cefaz"), QStringLiteral("ceftr"),
              QStringLiteral("ßig"), QStringLiteral("ntib"), QStringLiteral("ward"),
              QStringLiteral("\U0001F48A\U0001F48A\U0001F48A")}) {
            EXPECT_EQ(column(database::For_SearchNodeList(*conn, key), QStringLiteral("Node_Key")),
                      scanNodes(key))
                << after << ": " << qPrintable(key);
            EXPECT_EQ(
                column(f.Generics.OtherDrugs(paracetamol, 3, key, 0), QStringLiteral("ItemID")),
                scanDrugs(paracetamol, key))
                << after << ": " << qPrintable(key);
            EXPECT_EQ(column(f.Generics.ListGeneric(key), QStringLiteral("Code")),
                      scanGenerics(key))
                << after << ": " << qPrintable(key);
        }
    };
    agree("the fixture");

    QString key = QStringLiteral("_3");
    ASSERT_TRUE(f.Classifications.AddClassification(
        fixture->node(QStringLiteral("_0")), key,
        QStringLiteral("Große Station \U0001F48A\U0001F48A\U0001F48A ward"), 0));
    qint64 code = 0;
    ASSERT_TRUE(f.Generics.NewGeneric(QStringLiteral("Cefazolin"), &code));
    QString genericKey = key + QStringLiteral(".1");
    ASSERT_TRUE(f.Generics.AddGeneric(fixture->node(key), genericKey, {}, code));
    agree("adds");

    ASSERT_TRUE(f.Generics.RenameGeneric(fixture->generic.value(QStringLiteral("Ceftriaxone")),
                                         QStringLiteral("Cefazolin sodium")));
    ASSERT_TRUE(f.Classifications.RenameClassification(fixture->node(QStringLiteral("_1.1")),
                                                       QStringLiteral("Antibiotics ßig")));
    agree("renames");

    QString moved = key + QStringLiteral(".2");
    ASSERT_TRUE(f.Generics.AddGeneric(fixture->node(key), moved, {},
                                      fixture->generic.value(QStringLiteral("Ceftriaxone"))));
    QString drugKey = QStringLiteral("_2.1.3");
    ASSERT_TRUE(f.Drugs.AddDrug(fixture->node(QStringLiteral("_2.1")), drugKey, {},
                                QStringLiteral("AMX500")));
    agree("moves");

    ASSERT_TRUE(f.Drugs.DeleteDrug(QStringLiteral("AMX250S")));
    ASSERT_TRUE(f.Generics.DeleteGeneric(code));
    ASSERT_TRUE(f.Generics.DeleteGeneric(fixture->generic.value(QStringLiteral("Ceftriaxone"))));
    ASSERT_TRUE(f.Classifications.DeleteClassification(fixture->node(key)));
    agree("deletes");

    database::saveItems(f.connection(),
                        {{QStringLiteral("AMX500"),
                          QStringLiteral("Amoxicillin ßig"),
                          QStringLiteral("1 g mg/5 tablet"),
                          {},
                          {},
                          {},
                          {}},
                         {QStringLiteral("NEW1"),
                          QStringLiteral("Amoxicillin"),
                          QStringLiteral("125 mg/5 mL \U0001F48A\U0001F48A\U0001F48A"),
                          {},
                          {},
                          {},
                          {}}});
    agree("an import");
}

TEST_P(Procedures, TraceParentWritesTheNodeAndItsAncestors) {
    database::For_TraceParent(*conn, QStringLiteral("_1.1.1.2"));
    EXPECT_EQ(tracedPath(*conn),
              (QStringList{QStringLiteral("_1"), QStringLiteral("_1.1"), QStringLiteral("_1.1.1"),
                           QStringLiteral("_1.1.1.2")}));
    database::For_TraceParent(*conn, QStringLiteral("_2"));
    EXPECT_EQ(tracedPath(*conn), QStringList{QStringLiteral("_2")});
    database::For_TraceParent(*conn, QStringLiteral("_5.5"));
    EXPECT_TRUE(tracedPath(*conn).isEmpty());
}

// Two workstations tracing and preparing reports at once each see their own rows.
TEST_P(Procedures, SessionsDoNotSeeEachOthersRows) {
    auto other = database->connect();
    database::beginSession(*other, QStringLiteral("E2"));
    database::For_TraceParent(*conn, QStringLiteral("_1.1.1.1"));
    database::For_TraceParent(*other, QStringLiteral("_2.1.2"));
    EXPECT_EQ(tracedPath(*conn).size(), 4);
    EXPECT_EQ(tracedPath(*other), (QStringList{QStringLiteral("_2"), QStringLiteral("_2.1"),
                                               QStringLiteral("_2.1.2")}));

    database::Formulary_NodeLevel(*conn);
    database::Formulary_Generate(*conn);
    QString key = QStringLiteral("_3");
    ASSERT_TRUE(fixture->formulary.Classifications.AddClassification(
        fixture->node(QStringLiteral("_0")), key, QStringLiteral("Vitamins"), 0));
    database::Formulary_NodeLevel(*other);
    database::Formulary_Generate(*other);
    const QString count =
        QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyReport WHERE session_id = ?");
    const qint64 mine = conn->query(count, {conn->sessionId()}).field(0).toLongLong();
    EXPECT_EQ(other->query(count, {other->sessionId()}).field(0).toLongLong(), mine + 1);

    database::endSession(*other);
    EXPECT_EQ(conn->query(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyReport"))
                  .field(0)
                  .toLongLong(),
              mine);
    EXPECT_EQ(tracedPath(*conn).size(), 4);
}

TEST_P(Procedures, ReportPreparationBuildsPathsAndLines) {
    conn->execute(
        QStringLiteral("INSERT INTO inventory.tbFormularyOtherDetails (GenericID, OtherDetails) "
                       "VALUES (?, ?)"),
        {fixture->generic.value(QStringLiteral("Amoxicillin")), QStringLiteral("Restricted")});
    database::Formulary_NodeLevel(*conn);
    database::Formulary_NodeLevel(*conn); // a second run replaces the first
    const db::Recordset levels = conn->query(
        QStringLiteral(
            "SELECT Node_Key, Node_Level, ClassificationPath FROM inventory.tbFormularyNodeLevel"
            " WHERE session_id = ? ORDER BY path_folded"),
        {conn->sessionId()});
    EXPECT_EQ(column(levels, QStringLiteral("ClassificationPath")),
              (QStringList{QStringLiteral("Anti-infective medicines"),
                           QStringLiteral("Anti-infective medicines > Antibacterials"),
                           QStringLiteral("Medicines for pain")}));

    database::Formulary_Generate(*conn);
    const db::Recordset lines = conn->query(
        QStringLiteral("SELECT ClassificationPath, GenericName, DrugName, OtherDetails FROM "
                       "inventory.tbFormularyReport"
                       " WHERE session_id = ? ORDER BY path_folded, generic_folded, drug_folded"),
        {conn->sessionId()});
    EXPECT_EQ(column(lines, QStringLiteral("DrugName")),
              (QStringList{QString(), QStringLiteral("Amoxicillin 250 mg/5 mL suspension"),
                           QStringLiteral("Amoxicillin 500 mg capsule"),
                           QStringLiteral("Children's Paracetamol 120 mg/5 mL suspension"),
                           QStringLiteral("Paracetamol 500 mg tablet")}));
    EXPECT_EQ(column(lines, QStringLiteral("GenericName")).mid(0, 3),
              (QStringList{QStringLiteral("Ceftriaxone"), QStringLiteral("Amoxicillin"),
                           QStringLiteral("Amoxicillin")}));
    EXPECT_EQ(column(lines, QStringLiteral("OtherDetails"))[1], QStringLiteral("Restricted"));
}

TEST_P(Procedures, DeleteGenericRefusesWhatTheTreeStillNames) {
    conn->execute(QStringLiteral("INSERT INTO inventory.tbFormularyOtherDetails (GenericID, "
                                 "OtherDetails) VALUES (?, ?)"),
                  {fixture->generic.value(QStringLiteral("Ibuprofen")), QStringLiteral("x")});
    using R = database::DeleteGenericResult;
    const struct {
        qint64 code;
        R result;
    } cases[] = {
        {fixture->generic.value(QStringLiteral("Amoxicillin")), R::HasDrugs},
        {fixture->generic.value(QStringLiteral("Ceftriaxone")), R::UnderClassification},
        {987654, R::NotFound},
        {fixture->generic.value(QStringLiteral("Ibuprofen")), R::Deleted},
        {fixture->generic.value(QStringLiteral("Ibuprofen")), R::NotFound},
    };
    // As the administration tool: the fixture's session has no user whose rights would decide.
    const auto tool = database->connect();
    for (const auto& c : cases)
        EXPECT_EQ(database::Delete_Generic(*tool, c.code).field(QStringLiteral("result")).toInt(),
                  int(c.result))
            << c.code;
    EXPECT_EQ(conn->query(QStringLiteral("SELECT * FROM inventory.tbFormularyOtherDetails"))
                  .recordCount(),
              0);
    EXPECT_EQ(conn->query(QStringLiteral("SELECT * FROM inventory.tbforgeneric")).recordCount(), 3);
}

TEST_P(Procedures, ListUserFindsByLastName) {
    const QString insert =
        QStringLiteral("INSERT INTO inventory.tbUser (employeecode, username, firstname, lastname, "
                       "lastname_folded, initials,"
                       " rightsclass, passwordhash) VALUES (?, ?, ?, ?, ?, 'X', '', ?)");
    // A server keeps no password in the table.
    const QVariant hash =
        GetParam() == db::Engine::SQLite ? QVariant(QStringLiteral("h")) : QVariant();
    conn->execute(insert, {QStringLiteral("E9"), QStringLiteral("obrien"), QStringLiteral("Ann"),
                           QStringLiteral("O'Brien"), QStringLiteral("o'brien"), hash});
    conn->execute(insert, {QStringLiteral("E3"), QStringLiteral("brown"), QStringLiteral("Bob"),
                           QStringLiteral("Brown"), QStringLiteral("brown"), hash});
    EXPECT_EQ(column(database::sp_Inv_ListUser(*conn, QString()), QStringLiteral("name")),
              (QStringList{QStringLiteral("Brown, Bob"), QStringLiteral("O'Brien, Ann")}));
    const db::Recordset rs = database::sp_Inv_ListUser(*conn, QStringLiteral("O'B"));
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.field(0).toString(), QStringLiteral("E9"));
    EXPECT_EQ(database::sp_Inv_ListUser(*conn, QStringLiteral("%")).recordCount(), 0);
}

FORMULARY_ENGINE_TESTS(Procedures);
