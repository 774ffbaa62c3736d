#include "components/current_user/user_store.h"
#include "database/formulary_status.h"
#include "database/hospital.h"
#include "database/other_details.h"
#include "database/user_rights.h"
#include "platform/app_error.h"
#include "support/formulary_fixture.h"
#include "support/log_in.h"

#include <functional>

// The change functions check the rights of the user they work for, on both
// engines: the server those of the log-in, the embedded database those of the
// connection's session. The windows check first; this is the second line.
namespace {

using database::Right;

const QString kPassword = QStringLiteral("rights-test secret");

struct User {
    const char* name;
    const char* rightsClass;
    bool admin;
    std::vector<Right> rights;
};

const User kUsers[] = {
    {"rt_all_four",
     "AA",
     false,
     {Right::Classification, Right::Generic, Right::Drug, Right::OtherDetails}},
    {"rt_generic_only", "AA", false, {Right::Generic}},
    {"rt_admin", "AA", true, {}},
    {"rt_look_only",
     "BB",
     true,
     {Right::Classification, Right::Generic, Right::Drug, Right::OtherDetails}},
};

struct Change {
    const char* what;
    std::vector<const char*> allowed; // the users who may
    std::function<bool(formulary_data::Formulary&, db::Connection&)> make;
};

class ChangeRights : public test_support::FormularyTest {
protected:
    void SetUp() override {
        FormularyTest::SetUp();
        for (const User& u : kUsers)
            ASSERT_TRUE(test_support::addUserWithRights(*conn, QLatin1String(u.name),
                                                        QLatin1String(u.rightsClass), u.admin,
                                                        u.rights, kPassword));
    }
};

} // namespace

TEST_P(ChangeRights, EachUserMakesOnlyTheChangesTheirRightsAllow) {
    const qint64 paracetamol = fixture->generic.value(QStringLiteral("Paracetamol"));
    const database::NodeIdentity paracetamolNode = fixture->node(QStringLiteral("_2.1"));
    const database::NodeIdentity drugNode = fixture->node(QStringLiteral("_1.1.1.1"));
    const database::formulary_status::Decision withdrawn{
        database::formulary_status::Status::Withdrawn, {}, {}, QDate(2026, 10, 1), {}, {}};
    const std::vector<Change> cases = {
        {"add a classification",
         {"rt_all_four"},
         [](formulary_data::Formulary& f, db::Connection&) {
             QString key = QStringLiteral("_9");
             return f.Classifications.AddClassification(f.NodeFormulary.RootIdentity(), key,
                                                        QStringLiteral("Vitamins"), 0, {});
         }},
        {"add a generic name",
         {"rt_all_four", "rt_generic_only"},
         [](formulary_data::Formulary& f, db::Connection&) {
             return f.Generics.NewGeneric(QStringLiteral("Zinc"), nullptr);
         }},
        {"remove a drug",
         {"rt_all_four"},
         [](formulary_data::Formulary& f, db::Connection&) {
             return f.Drugs.DeleteDrug(QStringLiteral("PCM500"));
         }},
        {"write other details",
         {"rt_all_four"},
         [&](formulary_data::Formulary&, db::Connection& own) {
             return database::SaveOtherDetails(own, paracetamol, QStringLiteral("With food"));
         }},
        {"grant a right",
         {"rt_admin"},
         [](formulary_data::Formulary&, db::Connection& own) {
             return database::SaveUserRight(own, QStringLiteral("E-rt_generic_only"), Right::Drug,
                                            true);
         }},
        {"record a generic name's status",
         {"rt_all_four", "rt_generic_only"},
         [&](formulary_data::Formulary&, db::Connection& own) {
             return database::formulary_status::save(own, paracetamolNode, withdrawn);
         }},
        {"record a drug's status",
         {"rt_all_four"},
         [&](formulary_data::Formulary&, db::Connection& own) {
             return database::formulary_status::save(own, drugNode, withdrawn);
         }},
        {"add a restriction category",
         {"rt_admin"},
         [](formulary_data::Formulary&, db::Connection& own) {
             return database::formulary_status::addRestriction(own, QStringLiteral("Specialist")) ==
                    database::formulary_status::CategoryResult::Done;
         }},
        {"change the hospital record",
         {"rt_admin"},
         [](formulary_data::Formulary&, db::Connection& own) {
             return database::saveHospital(own, {QStringLiteral("X"), QStringLiteral("Y"), {}});
         }},
    };
    for (const User& u : kUsers) {
        SCOPED_TRACE(u.name);
        const auto as = test_support::logIn(database->target(), QLatin1String(u.name), kPassword);
        for (const Change& change : cases) {
            SCOPED_TRACE(change.what);
            const bool allowed =
                std::any_of(change.allowed.begin(), change.allowed.end(),
                            [&](const char* n) { return qstrcmp(n, u.name) == 0; });
            try {
                EXPECT_TRUE(change.make(as->formulary, *as->own));
                EXPECT_TRUE(allowed) << "made without the right";
            } catch (const AppError& e) {
                EXPECT_FALSE(allowed) << e.description().toStdString();
                EXPECT_EQ(e.number(), AppError::PermissionDenied) << e.description().toStdString();
            }
        }
    }
}

FORMULARY_ENGINE_TESTS(ChangeRights);
