#include "components/formulary_data/formulary.h"
#include "database/input_limits.h"
#include "platform/db/db_error.h"
#include "support/formulary_fixture.h"

namespace limits = database::limits;

namespace {

TEST(InputLimits, CountFoldedCharactersAndRefuseControlCharacters) {
    const QString emoji = QStringLiteral("\U0001F48A");
    const struct {
        const char* what;
        QString text;
        limits::Limit limit;
        const char* problem;
    } cases[] = {
        {"at the limit", QString(100, u'a'), limits::Name, ""},
        {"one over", QString(101, u'a'), limits::Name, "is longer than 100 characters"},
        {"decomposed, counted composed", QStringLiteral("e\u0301").repeated(100), limits::Name, ""},
        {"two units, one character", emoji.repeated(100), limits::Name, ""},
        {"a tab in a name", QStringLiteral("a\tb"), limits::Name, "holds a control character"},
        {"a C1 control", QStringLiteral("a\u0085b"), limits::Name, "holds a control character"},
        {"line breaks in item texts", QStringLiteral("a\r\n\tb"), limits::ItemText, ""},
        {"a bell in item texts", QStringLiteral("a\u0007b"), limits::ItemText,
         "holds a control character"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(limits::problem(c.text, c.limit), QLatin1String(c.problem)) << c.what;
}

class InputLimitsStored : public test_support::FormularyTest {};

} // namespace

// The database keeps the same limits: a name over them is refused (as a
// refusal, not an error that ends the program), whatever writes it.
TEST_P(InputLimitsStored, TheDatabaseRefusesTextsOverTheirLimits) {
    auto& f = fixture->formulary;
    QString key = QStringLiteral("_3");
    EXPECT_FALSE(f.Classifications.AddClassification(f.NodeFormulary.RootIdentity(), key,
                                                     QString(3000, u'x'), 0, {}));
    EXPECT_FALSE(f.Generics.NewGeneric(QStringLiteral("tab\there"), nullptr));
    EXPECT_TRUE(f.Classifications.AddClassification(f.NodeFormulary.RootIdentity(), key,
                                                    QString(100, u'x'), 0, {}));
    const struct {
        const char* what;
        const char* sql;
        QVariantList values;
    } direct[] = {
        {"item description",
         "UPDATE inventory.tbinvmaster SET description = ?, description_folded = ?"
         " WHERE itemid = 'PCM500'",
         {QString(256, u'd'), QString(256, u'd')}},
        {"item text",
         "UPDATE inventory.tbinvmaster SET Dosage = ? WHERE itemid = 'PCM500'",
         {QString(2001, u'd')}},
        {"item id",
         "UPDATE inventory.tbinvmaster SET itemid = ? WHERE itemid = 'ETO100'",
         {QString(51, u'i')}},
        // The ends of the ranges of control characters.
        {"unit separator in an item id",
         "UPDATE inventory.tbinvmaster SET itemid = ? WHERE itemid = 'ETO100'",
         {QStringLiteral("ETO\u001f")}},
        {"delete in an item name",
         "UPDATE inventory.tbinvmaster SET itemname = ?",
         {QStringLiteral("a\u007fb")}},
        {"C1 control in an item description",
         "UPDATE inventory.tbinvmaster SET description = ?, description_folded = ?",
         {QStringLiteral("a\u009fb"), QStringLiteral("a\u009fb")}},
        {"vertical tab in an item text",
         "UPDATE inventory.tbinvmaster SET Dosage = ?",
         {QStringLiteral("a\u000bb")}},
    };
    for (const auto& d : direct) {
        try {
            conn->execute(QLatin1String(d.sql), d.values);
            ADD_FAILURE() << d.what << ": stored";
        } catch (const db::DbError& e) {
            EXPECT_TRUE(e.isConstraintViolation()) << d.what << ": " << e.what();
        }
    }
    // Line breaks and tabs where they belong, and the first character past
    // the controls, are stored.
    conn->execute(QStringLiteral("UPDATE inventory.tbinvmaster SET Dosage = ?, itemname = ?"),
                  {QStringLiteral("1 g\r\n\tdaily"), QStringLiteral("no\u00a0break")});
}

FORMULARY_ENGINE_TESTS(InputLimitsStored);
