#include "components/current_user/user_store.h"
#include "database/other_details.h"
#include "database/procedures.h"
#include "database/user_rights.h"
#include "platform/app_error.h"
#include "support/formulary_fixture.h"
#include "support/test_database.h"

#include <functional>

namespace {

// Every stored row of the tables that changes write, sorted: two equal
// snapshots mean the database is exactly as it was.
QStringList snapshot(db::Connection& c) {
    static const char* const tables[] = {
        "inventory.tbFormularyNode",
        "inventory.tbForClassification",
        "inventory.tbforgeneric",
        "inventory.tbinvmaster",
        "inventory.tbFormularyOtherDetails",
        "inventory.tbforUserSettings",
        "inventory.tbUser",
        "patient_data.tbHospitalInfo",
    };
    QStringList rows;
    for (const char* table : tables) {
        const db::Recordset rs =
            c.query(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table)));
        for (int row = 0; row < rs.recordCount(); ++row) {
            QStringList cells{QLatin1String(table)};
            for (int column = 0; column < rs.fieldCount(); ++column) {
                const QVariant& value = rs.value(row, column);
                cells << (value.isNull() ? QStringLiteral("<null>") : value.toString());
            }
            rows << cells.join(QLatin1Char('|'));
        }
    }
    rows.sort();
    return rows;
}

class RefusedChanges : public test_support::FormularyTest {
public:
};

// Several of these refusals come after the change has written part of its
// work (a new name stored, an old node removed): all of it must be undone.
TEST_P(RefusedChanges, LeaveTheDatabaseExactlyAsItWas) {
    // The fixture is made anew for each case: reach it afresh each time.
    const auto f = [&]() -> formulary_data::Formulary& { return fixture->formulary; };
    const auto at = [&](const char* key) { return fixture->node(QLatin1String(key)); };
    const auto code = [&](const char* name) { return fixture->generic.value(QLatin1String(name)); };
    const current_user::UserRecord firstUser{
        QStringLiteral("E1"), QStringLiteral("first"), {}, {}, {}, QStringLiteral("AA"), false, 0};
    struct Case {
        const char* name;
        std::function<bool()> change; // answers whether the change was made
    };
    const std::vector<Case> cases = {
        {"a new classification whose key belongs to another parent",
         [&] {
             QString key = QStringLiteral("_1.9");
             return f().Classifications.AddClassification(at("_2"), key, QStringLiteral("New"), 0);
         }},
        {"a classification under a generic name",
         [&] {
             QString key = QStringLiteral("_2.1.9");
             return f().Classifications.AddClassification(at("_2.1"), key, QStringLiteral("New"),
                                                          0);
         }},
        {"a new generic name whose key belongs to another parent",
         [&] {
             QString key = QStringLiteral("_1.9");
             return f().Generics.AddGeneric(at("_2"), key, QStringLiteral("Tramadol"), 0);
         }},
        {"a generic name moved under a key of another parent",
         [&] {
             QString key = QStringLiteral("_1.9");
             return f().Generics.AddGeneric(at("_2"), key, {}, code("Ceftriaxone"));
         }},
        {"a generic name with drugs moved",
         [&] {
             QString key = QStringLiteral("_2.2");
             return f().Generics.AddGeneric(at("_2"), key, {}, code("Amoxicillin"));
         }},
        {"a drug moved under a key of another parent",
         [&] {
             QString key = QStringLiteral("_1.9");
             return f().Drugs.AddDrug(at("_2.1"), key, {}, QStringLiteral("AMX500"));
         }},
        {"a classification named with blanks only",
         [&] {
             QString key = QStringLiteral("_3");
             return f().Classifications.AddClassification(at("_0"), key, QStringLiteral("  "), 0);
         }},
        {"a classification renamed to blanks only",
         [&] { return f().Classifications.RenameClassification(at("_2"), QStringLiteral(" ")); }},
        {"a generic name of blanks only added to the list",
         [&] { return f().Generics.NewGeneric(QStringLiteral("\t "), nullptr); }},
        {"a classification with children deleted",
         [&] { return f().Classifications.DeleteClassification(at("_1")); }},
        {"a generic name's node renamed as a classification",
         [&] { return f().Classifications.RenameClassification(at("_2.1"), QStringLiteral("X")); }},
        {"a generic name under a classification deleted from the list",
         [&] {
             return database::Delete_Generic(*conn, code("Paracetamol"))
                        .field(QStringLiteral("result"))
                        .toInt() == int(database::DeleteGenericResult::Deleted);
         }},
        {"details of a generic name that does not exist (the database refuses)",
         [&] { return database::SaveOtherDetails(*conn, 999999, QStringLiteral("Text")); }},
        {"a user whose employee code another user has",
         [&] {
             current_user::UserRecord second = firstUser;
             second.username = QStringLiteral("second");
             EXPECT_THROW(current_user::addUser(*conn, second, QStringLiteral("pw-2")), AppError);
             return false;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        current_user::addUser(*conn, firstUser, QStringLiteral("pw-1"));
        const QStringList before = snapshot(*conn);
        EXPECT_FALSE(c.change());
        EXPECT_EQ(snapshot(*conn), before);
        // The connection is usable afterwards: nothing is left open.
        EXPECT_TRUE(database::SetAllRights(*conn, QStringLiteral("E9"), true));
    }
}

} // namespace

FORMULARY_ENGINE_TESTS(RefusedChanges);
