#include "support/formulary_fixture.h"

#include "database/hospital.h"
#include "database/item_master.h"

#include <gtest/gtest.h>

namespace test_support {

namespace {

void require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("fixture step failed: ") + what);
}

} // namespace

FormularyFixture::FormularyFixture(const QString& target) {
    require(formulary.Connect(target), "connect");
    db::Connection& c = formulary.connection();
    database::saveItems(c, {
                               {QStringLiteral("AMX500"),
                                QStringLiteral("Amoxicillin"),
                                QStringLiteral("500 mg capsule"),
                                QStringLiteral("Infections"),
                                QStringLiteral("500 mg three times daily"),
                                QStringLiteral("Oral"),
                                {}},
                               {QStringLiteral("AMX250S"),
                                QStringLiteral("Amoxicillin"),
                                QStringLiteral("250 mg/5 mL suspension"),
                                {},
                                {},
                                {},
                                QStringLiteral("Add 60 mL water and shake")},
                               {QStringLiteral("PCM500"),
                                QStringLiteral("Paracetamol"),
                                QStringLiteral("500 mg tablet"),
                                QStringLiteral("Pain, fever"),
                                QStringLiteral("1 g every 6 hours"),
                                QStringLiteral("Oral"),
                                {}},
                               {QStringLiteral("CPCM120"),
                                QStringLiteral("Children's Paracetamol"),
                                QStringLiteral("120 mg/5 mL suspension"),
                                {},
                                {},
                                {},
                                {}},
                               {QStringLiteral("IBU400"),
                                QStringLiteral("Ibuprofen"),
                                QStringLiteral("400 mg tablet"),
                                {},
                                {},
                                {},
                                {}},
                               {QStringLiteral("ETO100"),
                                QStringLiteral("Étoposide"),
                                QStringLiteral("100 mg/5 mL injection"),
                                {},
                                {},
                                {},
                                {}},
                           });
    require(database::saveHospital(c, {QStringLiteral("SMGH"),
                                       QStringLiteral("St. Mary's General Hospital"),
                                       QStringLiteral("14 Harbour View Road")}),
            "hospital");

    auto& classes = formulary.Classifications;
    auto& generics = formulary.Generics;
    auto addClass = [&](const QString& parent, QString key, const QString& name) {
        require(classes.AddClassification(node(parent), key, name, 0), "classification");
        require(formulary.NodeFormulary.SearchNode(key), "classification lookup");
        classification.insert(name, formulary.NodeFormulary.Node_ID());
    };
    auto addGeneric = [&](const QString& parent, const QString& name) {
        qint64 code = 0;
        require(generics.NewGeneric(name, &code), "generic");
        generic.insert(name, code);
        if (!parent.isEmpty()) {
            QString key = parent +
                          (parent == QLatin1String("_0") ? QString() : QStringLiteral(".")) +
                          QString::number(formulary.NodeFormulary.ChildNumbers(parent).size() + 1);
            require(generics.AddGeneric(node(parent), key, name, code), "place generic");
        }
    };
    auto addDrug = [&](const QString& parent, QString key, const QString& item) {
        require(formulary.Drugs.AddDrug(node(parent), key, {}, item), "drug");
    };
    addClass(QStringLiteral("_0"), QStringLiteral("_1"),
             QStringLiteral("Anti-infective medicines"));
    addClass(QStringLiteral("_1"), QStringLiteral("_1.1"), QStringLiteral("Antibacterials"));
    addGeneric(QStringLiteral("_1.1"), QStringLiteral("Amoxicillin"));
    addDrug(QStringLiteral("_1.1.1"), QStringLiteral("_1.1.1.1"), QStringLiteral("AMX500"));
    addDrug(QStringLiteral("_1.1.1"), QStringLiteral("_1.1.1.2"), QStringLiteral("AMX250S"));
    addGeneric(QStringLiteral("_1"), QStringLiteral("Ceftriaxone"));
    addClass(QStringLiteral("_0"), QStringLiteral("_2"), QStringLiteral("Medicines for pain"));
    addGeneric(QStringLiteral("_2"), QStringLiteral("Paracetamol"));
    addDrug(QStringLiteral("_2.1"), QStringLiteral("_2.1.1"), QStringLiteral("PCM500"));
    addDrug(QStringLiteral("_2.1"), QStringLiteral("_2.1.2"), QStringLiteral("CPCM120"));
    addGeneric(QString(), QStringLiteral("Ibuprofen"));
}

database::NodeIdentity FormularyFixture::node(const QString& key) {
    return formulary.NodeFormulary.IdentityOf(key).value_or(
        database::NodeIdentity{key, database::NodeKind::Root, {}});
}

void FormularyTest::SetUp() {
    EngineTest::SetUp();
    fixture = std::make_unique<FormularyFixture>(database->target());
}

void FormularyTest::TearDown() {
    fixture.reset();
    EngineTest::TearDown();
}

} // namespace test_support
