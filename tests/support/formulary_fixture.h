#pragma once

#include "components/formulary_data/formulary.h"
#include "support/test_database.h"

#include <QHash>

namespace test_support {

// A small formulary, made through the component, that the tests share:
//   _1   Anti-infective medicines            classification
//   _1.1   Antibacterials                    classification
//   _1.1.1   Amoxicillin                     generic name
//   _1.1.1.1   AMX500  Amoxicillin 500 mg capsule
//   _1.1.1.2   AMX250S Amoxicillin 250 mg/5 mL suspension
//   _1.2   Ceftriaxone                       generic name (no drugs)
//   _2   Medicines for pain                  classification
//   _2.1   Paracetamol                       generic name
//   _2.1.1   PCM500  Paracetamol 500 mg tablet
//   _2.1.2   CPCM120 Children's Paracetamol 120 mg/5 mL suspension
// Ibuprofen is a generic name under no classification; IBU400 and ETO100
// (Étoposide) are stock items under no generic name.
struct FormularyFixture {
    explicit FormularyFixture(const QString& target);

    // The node with the key as stored now: what a workstation that shows it saw.
    database::NodeIdentity node(const QString& key);

    formulary_data::Formulary formulary;
    QHash<QString, qint64> generic;        // generic name -> code
    QHash<QString, qint64> classification; // classification name -> id
};

// A test on every engine with the shared small formulary in a fresh database.
class FormularyTest : public EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<FormularyFixture> fixture;
};

} // namespace test_support
