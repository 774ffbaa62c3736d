#include "database/formulary_status.h"
#include "platform/db/db_error.h"
#include "support/formulary_fixture.h"

// The committee's decisions on both engines: what a decision needs, what the
// database itself refuses, that a status stays with its entry, and the
// restriction categories.
namespace {

using namespace database::formulary_status;

class FormularyStatus : public test_support::FormularyTest {
protected:
    void SetUp() override {
        FormularyTest::SetUp();
        ASSERT_EQ(addRestriction(*conn, QStringLiteral("Specialist only")), CategoryResult::Done);
    }

    qint64 generic(const char* name) const { return fixture->generic.value(QLatin1String(name)); }
    qint64 storedRows() {
        return conn->query(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyStatus"))
            .field(0)
            .toLongLong();
    }
};

const QDate kDecided(2026, 11, 4);

} // namespace

TEST_P(FormularyStatus, ADecisionWithoutWhatItsStatusNeedsIsRefused) {
    const struct {
        const char* what;
        Decision decision;
        const char* problem;
    } cases[] = {
        {"restricted to no category",
         {Status::Restricted, {}, {}, kDecided, {}, {}},
         "Please choose the restriction category."},
        {"under review with no date",
         {Status::UnderReview, {}, {}, kDecided, {}, {}},
         "Please enter the date by which the review is due."},
        {"withdrawn with no decision date",
         {Status::Withdrawn, {}, {}, {}, {}, {}},
         "Please enter the date of the committee's decision."},
        {"non-formulary with no decision date",
         {Status::NonFormulary, {}, {}, {}, {}, {}},
         "Please enter the date of the committee's decision."},
        {"a reference of two lines",
         {Status::Withdrawn, {}, {}, kDecided, {}, "P&T\n12"},
         "The reference holds a control character."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(problem(c.decision), QLatin1String(c.problem));
        EXPECT_FALSE(save(*conn, fixture->node(QStringLiteral("_2.1")), c.decision));
    }
    EXPECT_TRUE(problem({}).isEmpty()) << "Formulary needs nothing";
    EXPECT_EQ(storedRows(), 0);
    // The database keeps the same rules for whoever writes the table.
    const QString insert = QStringLiteral(
        "INSERT INTO inventory.tbFormularyStatus (GenericID, itemid, status, RestrictionID,"
        " review_by, decided_on) VALUES (?, ?, ?, NULL, ?, ?)");
    const QVariant none;
    const QVariantList refused[] = {
        {generic("Paracetamol"), none, "Restricted", none, "2026-11-04"},
        {generic("Paracetamol"), none, "Under review", none, "2026-11-04"},
        {generic("Paracetamol"), none, "Withdrawn", none, none},
        {generic("Paracetamol"), none, "Gone", none, "2026-11-04"},
        {generic("Paracetamol"), "PCM500", "Withdrawn", none, "2026-11-04"},
        {none, none, "Withdrawn", none, "2026-11-04"},
    };
    for (const QVariantList& values : refused) {
        try {
            conn->execute(insert, values);
            ADD_FAILURE() << "stored: " << values.at(2).toString().toStdString();
        } catch (const db::DbError& e) {
            EXPECT_TRUE(e.isConstraintViolation()) << e.description().toStdString();
        }
    }
}

TEST_P(FormularyStatus, AStatusStaysWithItsEntryWhenItMovesAndAStaleNodeIsRefused) {
    const Decision restricted{
        Status::Restricted, QStringLiteral("Specialist only"), {},
        kDecided,           QStringLiteral("Pain team only"),  QStringLiteral("P&T 11/2026")};
    const database::NodeIdentity ceftriaxone = fixture->node(QStringLiteral("_1.2"));
    ASSERT_TRUE(save(*conn, ceftriaxone, restricted));
    const Decision back = read(*conn, database::Entry::GenericName, generic("Ceftriaxone"));
    EXPECT_EQ(back.status, Status::Restricted);
    EXPECT_EQ(back.restriction, restricted.restriction);
    EXPECT_EQ(back.decidedOn, kDecided);
    EXPECT_EQ(back.note, restricted.note);
    EXPECT_EQ(back.reference, restricted.reference);

    // Moved under another classification: a new key, the same decision.
    QString key = QStringLiteral("_2.2");
    ASSERT_TRUE(fixture->formulary.Generics.AddGeneric(fixture->node(QStringLiteral("_2")), key,
                                                       QString(), generic("Ceftriaxone")));
    EXPECT_EQ(read(*conn, database::Entry::GenericName, generic("Ceftriaxone")).status,
              Status::Restricted);
    // The old key seen by a workstation that did not follow the move.
    EXPECT_FALSE(save(*conn, ceftriaxone, {Status::Withdrawn, {}, {}, kDecided, {}, {}}));
    // A key of another entry's type, or with another id, is refused too.
    database::NodeIdentity wrongId = fixture->node(key);
    wrongId.id = generic("Paracetamol");
    EXPECT_FALSE(save(*conn, wrongId, {Status::Withdrawn, {}, {}, kDecided, {}, {}}));
    EXPECT_EQ(read(*conn, database::Entry::GenericName, generic("Ceftriaxone")).status,
              Status::Restricted);
    EXPECT_EQ(read(*conn, database::Entry::GenericName, generic("Paracetamol")).status,
              Status::Formulary);

    // A drug's own status, and back to the formulary: what only Restricted
    // and Under review hold is cleared.
    const database::NodeIdentity drug = fixture->node(QStringLiteral("_2.1.1"));
    ASSERT_TRUE(save(*conn, drug, {Status::UnderReview, {}, QDate(2027, 1, 31), kDecided, {}, {}}));
    EXPECT_EQ(read(*conn, database::Entry::Drug, QStringLiteral("PCM500")).reviewBy,
              QDate(2027, 1, 31));
    ASSERT_TRUE(save(*conn, drug, {Status::Formulary, {}, QDate(2027, 1, 31), {}, {}, {}}));
    const Decision formulary = read(*conn, database::Entry::Drug, QStringLiteral("PCM500"));
    EXPECT_EQ(formulary.status, Status::Formulary);
    EXPECT_FALSE(formulary.reviewBy.isValid());
}

TEST_P(FormularyStatus, CategoriesAreNamedOnceAndOneInUseStays) {
    EXPECT_EQ(addRestriction(*conn, QStringLiteral("SPECIALIST ONLY")), CategoryResult::Taken);
    EXPECT_EQ(addRestriction(*conn, QStringLiteral("   ")), CategoryResult::Invalid);
    EXPECT_EQ(addRestriction(*conn, QStringLiteral("Microbiology\napproval")),
              CategoryResult::Invalid);
    ASSERT_EQ(addRestriction(*conn, QStringLiteral("Microbiology approval")), CategoryResult::Done);
    EXPECT_EQ(renameRestriction(*conn, QStringLiteral("Outpatient"), QStringLiteral("X")),
              CategoryResult::NotFound);
    EXPECT_EQ(renameRestriction(*conn, QStringLiteral("microbiology approval"),
                                QStringLiteral("Specialist Only")),
              CategoryResult::Taken);
    EXPECT_EQ(restrictions(*conn), (QStringList{QStringLiteral("Microbiology approval"),
                                                QStringLiteral("Specialist only")}));

    ASSERT_TRUE(
        save(*conn, fixture->node(QStringLiteral("_2.1")),
             {Status::Restricted, QStringLiteral("Specialist only"), {}, kDecided, {}, {}}));
    EXPECT_EQ(removeRestriction(*conn, QStringLiteral("Specialist only")), CategoryResult::InUse);
    // Renamed, the entries restricted to it show the new name.
    ASSERT_EQ(renameRestriction(*conn, QStringLiteral("Specialist only"),
                                QStringLiteral("Consultant only")),
              CategoryResult::Done);
    EXPECT_EQ(read(*conn, database::Entry::GenericName, generic("Paracetamol")).restriction,
              QStringLiteral("Consultant only"));
    // A category removed meanwhile cannot be chosen.
    ASSERT_EQ(removeRestriction(*conn, QStringLiteral("Microbiology approval")),
              CategoryResult::Done);
    EXPECT_FALSE(
        save(*conn, fixture->node(QStringLiteral("_1.2")),
             {Status::Restricted, QStringLiteral("Microbiology approval"), {}, kDecided, {}, {}}));
    EXPECT_EQ(removeRestriction(*conn, QStringLiteral("Microbiology approval")),
              CategoryResult::NotFound);
}

FORMULARY_ENGINE_TESTS(FormularyStatus);
