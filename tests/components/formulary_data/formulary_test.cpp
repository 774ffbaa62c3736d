#include "database/item_master.h"
#include "platform/app_error.h"
#include "support/formulary_fixture.h"
#include "support/test_database.h"

#include <functional>

using formulary_data::Formulary;

namespace {

class FormularyData : public test_support::FormularyTest {
public:
    Formulary& f() { return fixture->formulary; }
    db::Connection& connection() { return *conn; }
    qint64 generic(const char* name) { return fixture->generic.value(QLatin1String(name)); }

    // The whole stored tree as "key type name", parents first.
    QStringList tree() {
        db::Recordset rs = f().Classifications.LoadClassifications(QStringLiteral("_0"), true);
        QStringList lines;
        for (; !rs.eof(); rs.moveNext()) {
            const QString type = rs.text(QStringLiteral("node_type"));
            const QString name =
                rs.text(type == QLatin1String("1")   ? QStringLiteral("ClassificationName")
                        : type == QLatin1String("2") ? QStringLiteral("GenericName")
                                                     : QStringLiteral("DrugName"));
            lines << rs.text(QStringLiteral("Node_Key")) + QLatin1Char(' ') + type +
                         QLatin1Char(' ') + name;
        }
        return lines;
    }

    QString nodeAt(const QString& key) {
        return f().NodeFormulary.SearchNode(key)
                   ? f().NodeFormulary.node_type() + QLatin1Char(' ') +
                         f().NodeFormulary.NameOfNode()
                   : QStringLiteral("none");
    }
};

QStringList column(const db::Recordset& rs, int index) {
    QStringList values;
    for (int row = 0; row < rs.recordCount(); ++row)
        values << rs.value(row, index).toString();
    return values;
}

} // namespace

TEST_P(FormularyData, LoadsLevelsAndWholeBranchesParentsFirst) {
    db::Recordset level = f().Classifications.LoadClassifications(QStringLiteral("_0"), false);
    EXPECT_EQ(column(level, level.fieldIndex(QStringLiteral("Node_Key"))),
              (QStringList{QStringLiteral("_1"), QStringLiteral("_2")}));
    for (const char* field : {"node_type", "Node_Key", "Node_Parent", "ClassificationName",
                              "GenericName", "DrugName", "ItemID"})
        EXPECT_GE(level.fieldIndex(QLatin1String(field)), 0) << field;

    EXPECT_EQ(tree(), (QStringList{
                          QStringLiteral("_1 1 Anti-infective medicines"),
                          QStringLiteral("_2 1 Medicines for pain"),
                          QStringLiteral("_1.1 1 Antibacterials"),
                          QStringLiteral("_1.2 2 Ceftriaxone"),
                          QStringLiteral("_2.1 2 Paracetamol"),
                          QStringLiteral("_1.1.1 2 Amoxicillin"),
                          QStringLiteral("_2.1.2 3 Children's Paracetamol 120 mg/5 mL suspension"),
                          QStringLiteral("_2.1.1 3 Paracetamol 500 mg tablet"),
                          QStringLiteral("_1.1.1.2 3 Amoxicillin 250 mg/5 mL suspension"),
                          QStringLiteral("_1.1.1.1 3 Amoxicillin 500 mg capsule"),
                      }));
    db::Recordset branch = f().Classifications.LoadClassifications(QStringLiteral("_1.1"), true);
    EXPECT_EQ(column(branch, branch.fieldIndex(QStringLiteral("Node_Key"))),
              (QStringList{QStringLiteral("_1.1.1"), QStringLiteral("_1.1.1.2"),
                           QStringLiteral("_1.1.1.1")}));
    branch.moveLast();
    EXPECT_EQ(branch.text(QStringLiteral("ItemID")), QStringLiteral("AMX500"));
    EXPECT_EQ(
        f().Classifications.LoadClassifications(QStringLiteral("_1.1.1.1"), false).recordCount(),
        0);
}

// Every change answers whether it was made, and the lookups agree with it afterwards.
TEST_P(FormularyData, ChangesKeepEveryLookupConsistent) {
    struct Case {
        const char* name;
        std::function<bool(Formulary&)> change;
        bool made;
        std::function<void(FormularyData&)> check;
    };
    auto key = [](const char* k) { return QString::fromLatin1(k); };
    // A node as the workstation saw it before the change.
    auto at = [&](const QString& k) { return fixture->node(k); };
    const std::vector<Case> cases = {
        {"add a classification under a classification",
         [&](Formulary& f) {
             QString k = key("_1.3");
             return f.Classifications.AddClassification(at(key("_1")), k,
                                                        QStringLiteral("Antivirals"), 0);
         },
         true,
         [&](FormularyData& t) {
             EXPECT_EQ(t.nodeAt(key("_1.3")), QStringLiteral("1 Antivirals"));
         }},
        {"add a classification under a generic name",
         [&](Formulary& f) {
             QString k = key("_2.1.3");
             return f.Classifications.AddClassification(at(key("_2.1")), k, QStringLiteral("X"), 0);
         },
         false,
         [&](FormularyData& t) { EXPECT_EQ(t.nodeAt(key("_2.1.3")), QStringLiteral("none")); }},
        {"add a classification with a key of another parent",
         [&](Formulary& f) {
             QString k = key("_2.5");
             return f.Classifications.AddClassification(at(key("_1")), k, QStringLiteral("X"), 0);
         },
         false,
         [&](FormularyData& t) { EXPECT_EQ(t.nodeAt(key("_2.5")), QStringLiteral("none")); }},
        {"add a classification without a name",
         [&](Formulary& f) {
             QString k = key("_3");
             return f.Classifications.AddClassification(at(key("_0")), k, QString(), 0);
         },
         false, [&](FormularyData& t) { EXPECT_EQ(t.nodeAt(key("_3")), QStringLiteral("none")); }},
        {"rename a classification, blanks kept",
         [&](Formulary& f) {
             return f.Classifications.RenameClassification(at(key("_2")),
                                                           QStringLiteral(" Analgesics "));
         },
         true,
         [&](FormularyData& t) {
             EXPECT_TRUE(t.tree().contains(QStringLiteral("_2 1  Analgesics ")));
         }},
        {"rename a generic name's node as a classification",
         [&](Formulary& f) {
             return f.Classifications.RenameClassification(at(key("_2.1")), QStringLiteral("X"));
         },
         false,
         [&](FormularyData& t) {
             EXPECT_EQ(t.nodeAt(key("_2.1")), QStringLiteral("2 Paracetamol"));
         }},
        {"delete a classification with children",
         [&](Formulary& f) { return f.Classifications.DeleteClassification(at(key("_1"))); }, false,
         [&](FormularyData& t) { EXPECT_EQ(t.tree().size(), 10); }},
        {"delete a generic name's node as a classification",
         [&](Formulary& f) { return f.Classifications.DeleteClassification(at(key("_1.2"))); },
         false,
         [&](FormularyData& t) {
             EXPECT_EQ(t.nodeAt(key("_1.2")), QStringLiteral("2 Ceftriaxone"));
         }},
        {"delete an empty classification",
         [&](Formulary& f) {
             QString k = key("_3");
             return f.Classifications.AddClassification(at(key("_0")), k, QStringLiteral("Empty"),
                                                        0) &&
                    f.Classifications.DeleteClassification(at(k));
         },
         true,
         [&](FormularyData& t) {
             EXPECT_EQ(t.nodeAt(key("_3")), QStringLiteral("none"));
             EXPECT_EQ(t.connection()
                           .query(QStringLiteral("SELECT * FROM inventory.tbForClassification"))
                           .recordCount(),
                       3);
         }},
        {"move a generic name without drugs",
         [&](Formulary& f) {
             QString k = key("_2.2");
             return f.Generics.AddGeneric(at(key("_2")), k, {}, generic("Ceftriaxone"));
         },
         true,
         [&](FormularyData& t) {
             ASSERT_TRUE(t.f().Generics.SearchGeneric(t.generic("Ceftriaxone")));
             EXPECT_EQ(t.f().Generics.NodeKey(), key("_2.2"));
             EXPECT_EQ(t.nodeAt(key("_1.2")), QStringLiteral("none"));
         }},
        {"move a generic name away from its drugs",
         [&](Formulary& f) {
             QString k = key("_2.2");
             return f.Generics.AddGeneric(at(key("_2")), k, {}, generic("Amoxicillin"));
         },
         false,
         [&](FormularyData& t) {
             ASSERT_TRUE(t.f().Generics.SearchGeneric(t.generic("Amoxicillin")));
             EXPECT_EQ(t.f().Generics.NodeKey(), key("_1.1.1"));
             EXPECT_TRUE(t.f().Generics.HasDrugs(t.generic("Amoxicillin")));
         }},
        {"place a generic name under no classification yet",
         [&](Formulary& f) {
             QString k = key("_2.2");
             return f.Generics.AddGeneric(at(key("_2")), k, {}, generic("Ibuprofen"));
         },
         true,
         [&](FormularyData& t) {
             EXPECT_EQ(t.nodeAt(key("_2.2")), QStringLiteral("2 Ibuprofen"));
         }},
        {"place a generic name under a drug",
         [&](Formulary& f) {
             QString k = key("_2.1.1.1");
             return f.Generics.AddGeneric(at(key("_2.1.1")), k, {}, generic("Ibuprofen"));
         },
         false,
         [&](FormularyData& t) {
             EXPECT_FALSE(t.f().Generics.SearchGeneric(t.generic("Ibuprofen")));
         }},
        {"take a generic name with drugs out",
         [&](Formulary& f) { return f.Generics.DeleteGeneric(generic("Paracetamol")); }, false,
         [&](FormularyData& t) {
             EXPECT_TRUE(t.f().Generics.SearchGeneric(t.generic("Paracetamol")));
         }},
        {"take a generic name without drugs out",
         [&](Formulary& f) { return f.Generics.DeleteGeneric(generic("Ceftriaxone")); }, true,
         [&](FormularyData& t) {
             EXPECT_FALSE(t.f().Generics.SearchGeneric(t.generic("Ceftriaxone")));
             EXPECT_EQ(t.f().Generics.ListGeneric(QStringLiteral("ceftriaxone")).recordCount(), 1);
         }},
        {"move a drug to another generic name",
         [&](Formulary& f) {
             QString k = key("_1.1.1.3");
             return f.Drugs.AddDrug(at(key("_1.1.1")), k, {}, key("PCM500"));
         },
         true,
         [&](FormularyData& t) {
             ASSERT_TRUE(t.f().Drugs.SearchDrug(key("PCM500")));
             EXPECT_EQ(t.f().Drugs.NodeKey(), key("_1.1.1.3"));
             EXPECT_EQ(t.nodeAt(key("_2.1.1")), QStringLiteral("none"));
         }},
        {"place a drug under no generic name yet",
         [&](Formulary& f) {
             QString k = key("_1.2.1");
             return f.Drugs.AddDrug(at(key("_1.2")), k, {}, key("IBU400"));
         },
         true,
         [&](FormularyData& t) {
             EXPECT_EQ(t.nodeAt(key("_1.2.1")), QStringLiteral("3 Ibuprofen 400 mg tablet"));
         }},
        {"place a drug under a classification",
         [&](Formulary& f) {
             QString k = key("_2.2");
             return f.Drugs.AddDrug(at(key("_2")), k, {}, key("IBU400"));
         },
         false, [&](FormularyData& t) { EXPECT_FALSE(t.f().Drugs.SearchDrug(key("IBU400"))); }},
        {"place a stock item that does not exist",
         [&](Formulary& f) {
             QString k = key("_1.2.1");
             return f.Drugs.AddDrug(at(key("_1.2")), k, {}, key("NONE"));
         },
         false,
         [&](FormularyData& t) { EXPECT_EQ(t.nodeAt(key("_1.2.1")), QStringLiteral("none")); }},
        {"take a drug out", [&](Formulary& f) { return f.Drugs.DeleteDrug(key("AMX500")); }, true,
         [&](FormularyData& t) {
             EXPECT_FALSE(t.f().Drugs.SearchDrug(key("AMX500")));
             EXPECT_FALSE(t.f().Drugs.DeleteDrug(key("AMX500")));
             EXPECT_EQ(t.nodeAt(key("_1.1.1.1")), QStringLiteral("none"));
         }},
        {"an import renames a stock item that sits in the tree",
         [&](Formulary& f) {
             database::saveItems(f.connection(), {{key("AMX500"),
                                                   QStringLiteral("Amoxil"),
                                                   QStringLiteral("500 mg capsule"),
                                                   {},
                                                   {},
                                                   {},
                                                   {}}});
             return true;
         },
         true,
         [&](FormularyData& t) {
             EXPECT_EQ(t.nodeAt(key("_1.1.1.1")), QStringLiteral("3 Amoxil 500 mg capsule"));
             EXPECT_TRUE(t.tree().contains(QStringLiteral("_1.1.1.1 3 Amoxil 500 mg capsule")));
         }},
        {"rename a generic name in the master list",
         [&](Formulary& f) {
             return f.Generics.RenameGeneric(generic("Paracetamol"),
                                             QStringLiteral("Acetaminophen"));
         },
         true,
         [&](FormularyData& t) {
             EXPECT_EQ(t.nodeAt(key("_2.1")), QStringLiteral("2 Acetaminophen"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        EXPECT_EQ(c.change(f()), c.made);
        c.check(*this);
    }
}

TEST_P(FormularyData, KeyTakenByAnotherWorkstationGivesTheNextFreeKey) {
    Formulary other;
    ASSERT_TRUE(other.Connect(database->target()));
    QString mine = QStringLiteral("_2.2");
    QString theirs = QStringLiteral("_2.2");
    const database::NodeIdentity pain = fixture->node(QStringLiteral("_2"));
    ASSERT_TRUE(
        other.Classifications.AddClassification(pain, theirs, QStringLiteral("Opioids"), 0));
    ASSERT_TRUE(f().Classifications.AddClassification(pain, mine, QStringLiteral("NSAIDs"), 0));
    EXPECT_EQ(theirs, QStringLiteral("_2.2"));
    EXPECT_EQ(mine, QStringLiteral("_2.3"));
    EXPECT_EQ(nodeAt(mine), QStringLiteral("1 NSAIDs"));
    EXPECT_EQ(f().NodeFormulary.ChildNumbers(QStringLiteral("_2")), (QSet<qint64>{1, 2, 3}));
}

TEST_P(FormularyData, ListsFollowScopeAndFilter) {
    const qint64 antibacterials = fixture->classification.value(QStringLiteral("Antibacterials"));
    db::Recordset inside = f().Classifications.LoadGenerics(antibacterials, 1, QString());
    EXPECT_EQ(column(inside, 0), QStringList{QStringLiteral("Amoxicillin")});
    EXPECT_EQ(column(inside, 4), QStringList{QStringLiteral("Antibacterials")});
    EXPECT_EQ(column(inside, 2), QStringList{QString::number(generic("Amoxicillin"))});

    db::Recordset others = f().Classifications.OtherGenerics(antibacterials, 1, QString());
    EXPECT_EQ(column(others, 0),
              (QStringList{QStringLiteral("Ceftriaxone"), QStringLiteral("Ibuprofen"),
                           QStringLiteral("Paracetamol")}));
    EXPECT_EQ(column(others, 4), (QStringList{QStringLiteral("Anti-infective medicines"),
                                              QStringLiteral("no classification"),
                                              QStringLiteral("Medicines for pain")}));
    EXPECT_EQ(
        f().Classifications.OtherGenerics(antibacterials, 1, QStringLiteral("PROF")).recordCount(),
        1);

    const qint64 amoxicillin = generic("Amoxicillin");
    EXPECT_EQ(column(f().Generics.LoadDrugs(amoxicillin, 3, QString()), 3),
              (QStringList{QStringLiteral("AMX250S"), QStringLiteral("AMX500")}));
    EXPECT_EQ(f().Generics.LoadDrugs(amoxicillin, 3, QStringLiteral("CAPSULE")).recordCount(), 1);
    EXPECT_EQ(f().Generics.LoadDrugs(amoxicillin, 1, QStringLiteral("CAPSULE")).recordCount(), 0);

    const struct {
        int filter;
        QStringList items;
    } filters[] = {
        // Folded names compare byte by byte, so "étoposide" sorts after "paracetamol".
        {0,
         {QStringLiteral("CPCM120"), QStringLiteral("IBU400"), QStringLiteral("PCM500"),
          QStringLiteral("ETO100")}},
        {1,
         {QStringLiteral("CPCM120"), QStringLiteral("IBU400"), QStringLiteral("PCM500"),
          QStringLiteral("ETO100")}},
        {2, {QStringLiteral("IBU400"), QStringLiteral("ETO100")}},
        {3, {QStringLiteral("CPCM120"), QStringLiteral("PCM500")}},
    };
    for (const auto& c : filters) {
        const db::Recordset rs = f().Generics.OtherDrugs(amoxicillin, 1, QString(), c.filter);
        EXPECT_EQ(column(rs, 3), c.items) << c.filter;
    }
    const db::Recordset unclassified =
        f().Generics.OtherDrugs(amoxicillin, 1, QStringLiteral("ÉTO"), 2);
    ASSERT_EQ(unclassified.recordCount(), 1);
    EXPECT_EQ(column(unclassified, 2), QStringList{QStringLiteral("Unclassified")});

    EXPECT_THROW(f().Generics.OtherDrugs(amoxicillin, 1, QString(), 4), AppError);
    EXPECT_THROW(f().Generics.LoadDrugs(amoxicillin, 2, QString()), AppError);
    EXPECT_EQ(column(f().Generics.ListGeneric(QStringLiteral("o")), 1),
              (QStringList{QStringLiteral("Amoxicillin"), QStringLiteral("Ceftriaxone"),
                           QStringLiteral("Ibuprofen"), QStringLiteral("Paracetamol")}));
}

TEST_P(FormularyData, ConnectAnswersFalseWhenTheDatabaseCannotBeUsed) {
    Formulary other;
    EXPECT_FALSE(other.Connect(QStringLiteral("/nonexistent/folder")));
    EXPECT_FALSE(other.Connect(QStringLiteral("postgresql://nobody@127.0.0.1:1/x")));
    EXPECT_FALSE(other.isConnected());
    EXPECT_THROW(other.NodeFormulary.SearchNode(QStringLiteral("_1")), AppError);
}

FORMULARY_ENGINE_TESTS(FormularyData);
