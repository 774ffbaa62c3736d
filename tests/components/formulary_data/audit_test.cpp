#include "components/current_user/user_store.h"
#include "database/audit.h"
#include "database/formulary_status.h"
#include "database/hospital.h"
#include "database/item_master.h"
#include "database/other_details.h"
#include "database/procedures.h"
#include "database/user_rights.h"
#include "platform/app_error.h"
#include "platform/db/db_error.h"
#include "support/formulary_fixture.h"
#include "support/log_in.h"

#include <QSysInfo>
#include <functional>

// Every change leaves its audit lines, written with it by the change itself,
// on both engines in the same words: who, what, before and after.
namespace {

using database::Right;

const QString kPassword = QStringLiteral("audit-test secret");
const QString kEditor = QStringLiteral("au_editor"); // all four rights, administrator
const QString kViewer = QStringLiteral("au_viewer"); // may only look

const QString kNoRights =
    QStringLiteral("Classification: No, Drug: No, Generic: No, Other Details: No");

struct Expected {
    QString kind;
    QString action;
    QString name;
    QString before;
    QString after;
};

struct Case {
    const char* what;
    std::function<void()> make;
    std::vector<Expected> lines; // oldest first
};

class Audit : public test_support::FormularyTest {
protected:
    void SetUp() override {
        FormularyTest::SetUp();
        const std::vector<Right> all = {Right::Classification, Right::Generic, Right::Drug,
                                        Right::OtherDetails};
        ASSERT_TRUE(test_support::addUserWithRights(*conn, kEditor, QStringLiteral("AA"), true, all,
                                                    kPassword));
        ASSERT_TRUE(test_support::addUserWithRights(*conn, kViewer, QStringLiteral("BB"), false,
                                                    all, kPassword));
        editor = test_support::logIn(database->target(), kEditor, kPassword);
        newLines();
    }

    bool server() const { return GetParam() == db::Engine::PostgreSQL; }

    qint64 lineCount() {
        return conn
            ->query(QStringLiteral("SELECT (SELECT COUNT(*) FROM inventory.tbAudit) +"
                                   " (SELECT COUNT(*) FROM patient_data.tbAudit)"))
            .field(0)
            .toLongLong();
    }

    // The lines written since the last call, oldest first. Lines of the two
    // files written in one millisecond may come in either order, so the lines
    // seen before are told apart by their texts, not by their place.
    std::vector<database::audit::Line> newLines() {
        const auto all = database::audit::trail(*conn, {}, {});
        std::vector<database::audit::Line> fresh;
        std::vector<bool> matched(known.size());
        for (const auto& line : all) {
            std::size_t i = 0;
            while (i < known.size() && (matched[i] || !sameLine(known[i], line)))
                ++i;
            if (i < known.size())
                matched[i] = true;
            else
                fresh.push_back(line);
        }
        known = all;
        seen = qint64(all.size());
        return fresh;
    }

    static bool sameLine(const database::audit::Line& a, const database::audit::Line& b) {
        return a.when == b.when && a.who == b.who && a.action == b.action && a.kind == b.kind &&
               a.entryId == b.entryId && a.name == b.name && a.before == b.before &&
               a.after == b.after;
    }

    void expectLines(const std::vector<Expected>& expected, const QString& who) {
        const auto lines = newLines();
        ASSERT_EQ(lines.size(), expected.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto& l = lines[i];
            const Expected& e = expected[i];
            EXPECT_EQ(l.kind, e.kind);
            EXPECT_EQ(l.action, e.action);
            EXPECT_EQ(l.name, e.name);
            EXPECT_EQ(l.before, e.before);
            EXPECT_EQ(l.after, e.after);
            EXPECT_EQ(l.who, who);
            EXPECT_TRUE(l.workstation.contains(QSysInfo::machineHostName()))
                << l.workstation.toStdString();
            EXPECT_LE(qAbs(l.when.secsTo(QDateTime::currentDateTime())), 60);
        }
    }

    formulary_data::Formulary& f() { return editor->formulary; }
    db::Connection& own() { return *editor->own; }

    std::unique_ptr<test_support::LoggedIn> editor;
    qint64 seen = 0;
    std::vector<database::audit::Line> known;
};

QString itemName(db::Connection& c, const QString& itemId) {
    return c
        .query(QStringLiteral("SELECT itemname || ' ' || description FROM inventory.tbinvmaster"
                              " WHERE itemid = ?"),
               {itemId})
        .field(0)
        .toString();
}

} // namespace

TEST_P(Audit, EachChangeLeavesExactlyItsLines) {
    const QString g = QStringLiteral("generic name");
    const QString d = QStringLiteral("drug");
    const QString cls = QStringLiteral("classification");
    const QString u = QStringLiteral("user");
    const QString rc = QStringLiteral("restriction category");
    QString vitamins = QStringLiteral("_3");
    qint64 zinc = 0;
    const qint64 paracetamol = fixture->generic.value(QStringLiteral("Paracetamol"));
    const qint64 ibuprofen = fixture->generic.value(QStringLiteral("Ibuprofen"));
    const qint64 ceftriaxone = fixture->generic.value(QStringLiteral("Ceftriaxone"));
    const QString ibu = itemName(*conn, QStringLiteral("IBU400"));
    const QString pcm = itemName(*conn, QStringLiteral("PCM500"));
    const QString cpcm = itemName(*conn, QStringLiteral("CPCM120"));
    const QString amx = itemName(*conn, QStringLiteral("AMX500"));
    const auto hospital = database::readHospital(*conn);
    const QString hospitalBefore =
        hospital ? QStringList{hospital->clientName, hospital->company, hospital->address}.join(
                       QLatin1Char('\n'))
                 : QString();
    const QString everyRight =
        QStringLiteral("Classification: Yes, Drug: Yes, Generic: Yes, Other Details: Yes");
    const std::vector<Case> cases = {
        {"add a classification",
         [&] {
             ASSERT_TRUE(f().Classifications.AddClassification(
                 f().NodeFormulary.RootIdentity(), vitamins, QStringLiteral("Vitamins"), 0, {}));
         },
         {{cls, "add", "Vitamins", {}, "Vitamins"}}},
        {"rename it",
         [&] {
             ASSERT_TRUE(f().Classifications.RenameClassification(fixture->node(vitamins),
                                                                  QStringLiteral("Vitamins B")));
         },
         {{cls, "rename", "Vitamins B", "Vitamins", "Vitamins B"}}},
        {"rename it to the same name",
         [&] {
             ASSERT_TRUE(f().Classifications.RenameClassification(fixture->node(vitamins),
                                                                  QStringLiteral("Vitamins B")));
         },
         {}},
        {"delete it",
         [&] { ASSERT_TRUE(f().Classifications.DeleteClassification(fixture->node(vitamins))); },
         {{cls, "delete", "Vitamins B", "Vitamins B", {}}}},
        {"delete a classification that holds entries: refused",
         [&] {
             ASSERT_FALSE(
                 f().Classifications.DeleteClassification(fixture->node(QStringLiteral("_2"))));
         },
         {}},
        {"a new generic name",
         [&] { ASSERT_TRUE(f().Generics.NewGeneric(QStringLiteral("Zinc"), &zinc)); },
         {{g, "add", "Zinc", {}, "Zinc"}}},
        {"rename a generic name",
         [&] { ASSERT_TRUE(f().Generics.RenameGeneric(ibuprofen, QStringLiteral("Ibuprofen L"))); },
         {{g, "rename", "Ibuprofen L", "Ibuprofen", "Ibuprofen L"}}},
        {"assign it to a classification",
         [&] {
             QString key = QStringLiteral("_2.2");
             ASSERT_TRUE(f().Generics.AddGeneric(fixture->node(QStringLiteral("_2")), key,
                                                 QString(), ibuprofen));
         },
         {{g, "assign", "Ibuprofen L", {}, "Medicines for pain"}}},
        {"move one to another classification",
         [&] {
             QString key = QStringLiteral("_1.1.2");
             ASSERT_TRUE(f().Generics.AddGeneric(fixture->node(QStringLiteral("_1.1")), key,
                                                 QString(), ceftriaxone));
         },
         {{g, "move", "Ceftriaxone", "Anti-infective medicines", "Antibacterials"}}},
        {"remove it from its classification",
         [&] { ASSERT_TRUE(f().Generics.DeleteGeneric(ceftriaxone)); },
         {{g, "remove", "Ceftriaxone", "Antibacterials", {}}}},
        {"a generic name placed new",
         [&] {
             QString key = QStringLiteral("_2.3");
             ASSERT_TRUE(f().Generics.AddGeneric(fixture->node(QStringLiteral("_2")), key,
                                                 QStringLiteral("Codeine"), 0));
         },
         {{g, "add", "Codeine", {}, "Codeine"},
          {g, "assign", "Codeine", {}, "Medicines for pain"}}},
        {"delete a generic name with other details",
         [&] {
             ASSERT_TRUE(database::SaveOtherDetails(own(), zinc, QStringLiteral("Trace element")));
             newLines();
             ASSERT_EQ(database::Delete_Generic(own(), zinc).field(0).toInt(),
                       int(database::DeleteGenericResult::Deleted));
         },
         {{"other details", "delete", "Zinc", "Trace element", {}},
          {g, "delete", "Zinc", "Zinc", {}}}},
        {"assign a drug",
         [&] {
             QString key = QStringLiteral("_2.2.1");
             ASSERT_TRUE(f().Drugs.AddDrug(fixture->node(QStringLiteral("_2.2")), key, QString(),
                                           QStringLiteral("IBU400")));
         },
         {{d, "assign", ibu, {}, "Ibuprofen L"}}},
        {"move a drug",
         [&] {
             QString key = QStringLiteral("_2.2.2");
             ASSERT_TRUE(f().Drugs.AddDrug(fixture->node(QStringLiteral("_2.2")), key, QString(),
                                           QStringLiteral("PCM500")));
         },
         {{d, "move", pcm, "Paracetamol", "Ibuprofen L"}}},
        {"remove a drug",
         [&] { ASSERT_TRUE(f().Drugs.DeleteDrug(QStringLiteral("AMX500"))); },
         {{d, "remove", amx, "Amoxicillin", {}}}},
        {"other details saved, again unchanged, then changed",
         [&] {
             for (const char* text : {"With food", "With food", "After food\nwith water"})
                 ASSERT_TRUE(
                     database::SaveOtherDetails(own(), paracetamol, QString::fromUtf8(text)));
         },
         {{"other details", "details saved", "Paracetamol", {}, "With food"},
          {"other details", "details saved", "Paracetamol", "With food",
           "After food\nwith water"}}},
        {"a right granted, then written back unchanged",
         [&] {
             for (int i = 0; i < 2; ++i)
                 ASSERT_TRUE(database::SaveUserRight(own(), QStringLiteral("E-au_viewer"),
                                                     Right::Drug, false));
             ASSERT_TRUE(database::SetAllRights(own(), QStringLiteral("E-au_viewer"), false));
         },
         {{"user rights", "right changed", kViewer, everyRight,
           QStringLiteral("Classification: Yes, Drug: No, Generic: Yes, Other Details: Yes")},
          {"user rights", "right changed", kViewer,
           QStringLiteral("Classification: Yes, Drug: No, Generic: Yes, Other Details: Yes"),
           kNoRights}}},
        {"restriction categories",
         [&] {
             using namespace database::formulary_status;
             ASSERT_EQ(addRestriction(own(), QStringLiteral("Specialist")), CategoryResult::Done);
             ASSERT_EQ(renameRestriction(own(), QStringLiteral("SPECIALIST"),
                                         QStringLiteral("Specialist only")),
                       CategoryResult::Done);
             ASSERT_EQ(addRestriction(own(), QStringLiteral("Named patient")),
                       CategoryResult::Done);
             ASSERT_EQ(removeRestriction(own(), QStringLiteral("Named patient")),
                       CategoryResult::Done);
         },
         {{rc, "add", "Specialist", {}, "Specialist"},
          {rc, "rename", "Specialist only", "Specialist", "Specialist only"},
          {rc, "add", "Named patient", {}, "Named patient"},
          {rc, "delete", "Named patient", "Named patient", {}}}},
        {"the formulary status of a generic name and a drug; the same again",
         [&] {
             using namespace database::formulary_status;
             for (int i = 0; i < 2; ++i) {
                 ASSERT_TRUE(save(own(), fixture->node(QStringLiteral("_2.1")),
                                  {Status::Restricted,
                                   QStringLiteral("Specialist only"),
                                   {},
                                   QDate(2026, 11, 4),
                                   QStringLiteral("Pain team"),
                                   QStringLiteral("P&T 11/2026")}));
                 ASSERT_TRUE(save(
                     own(), fixture->node(QStringLiteral("_2.1.2")),
                     {Status::UnderReview, {}, QDate(2027, 1, 31), QDate(2026, 11, 4), {}, {}}));
             }
         },
         {{g, "status changed", "Paracetamol", "Formulary",
           "Restricted: Specialist only, decided 2026-11-04, minute P&T 11/2026 - Pain team"},
          {d, "status changed", cpcm, "Formulary",
           "Under review, review by 2027-01-31, decided 2026-11-04"}}},
        {"the hospital record",
         [&] {
             for (int i = 0; i < 2; ++i)
                 ASSERT_TRUE(database::saveHospital(own(), {QStringLiteral("St Luke's"),
                                                            QStringLiteral("Pharmacy"),
                                                            QStringLiteral("1 Main St")}));
         },
         {{"hospital record", "hospital record changed", "St Luke's", hospitalBefore,
           "St Luke's\nPharmacy\n1 Main St"}}},
        {"a user added",
         [&] {
             current_user::addUser(own(),
                                   {QStringLiteral("E-au_new"), QStringLiteral("au_new"),
                                    QStringLiteral("Ann"), QStringLiteral("Lee"), QString(),
                                    QStringLiteral("AA"), false, 0},
                                   kPassword);
         },
         {{u, "user added", "au_new", {}, "Ann Lee (AL), rights class AA"}}},
        {"the user's rights class, administrator flag and password",
         [&] {
             current_user::setRightsClass(own(), QStringLiteral("au_new"), QStringLiteral("bb"));
             current_user::setRightsClass(own(), QStringLiteral("au_new"), QStringLiteral("BB"));
             current_user::setAdministrator(own(), QStringLiteral("au_new"), true);
             current_user::setPassword(own(), QStringLiteral("au_new"), QStringLiteral("new one"));
         },
         {{u, "user changed", "au_new", "rights class AA", "rights class BB"},
          {u, "user changed", "au_new", "administrator: No", "administrator: Yes"},
          {u, "user changed", "au_new", {}, "password set"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        expectLines(c.lines, kEditor);
    }
    // The lines of an entry follow it, not its node key; a generic name's
    // include its other details.
    const auto history = database::audit::history(*conn, database::Entry::GenericName, ibuprofen);
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].action, QStringLiteral("assign"));
    EXPECT_EQ(history[1].action, QStringLiteral("rename"));
    EXPECT_EQ(history[2].action, QStringLiteral("add"));
    // ... and its formulary status.
    const auto details = database::audit::history(*conn, database::Entry::GenericName, paracetamol);
    ASSERT_GE(details.size(), 3u);
    EXPECT_EQ(details[0].action, QStringLiteral("status changed"));
    EXPECT_EQ(details[1].kind, QStringLiteral("other details"));
    EXPECT_EQ(details[1].after, QStringLiteral("After food\nwith water"));
}

TEST_P(Audit, ImportedItemsAreNotedOncePerNewOrChangedItem) {
    const auto unchanged = database::findItem(*conn, QStringLiteral("AMX250S")).value();
    database::StockItem changed = database::findItem(*conn, QStringLiteral("IBU400")).value();
    changed.dosage = QStringLiteral("400 mg three times daily");
    const database::StockItem added = {QStringLiteral("ZNC10"),
                                       QStringLiteral("Zinc"),
                                       QStringLiteral("10 mg tablet"),
                                       {},
                                       {},
                                       {},
                                       {}};
    database::saveItems(*conn, {unchanged, changed, added});
    const QString who =
        server() ? db::Target::parse(database->target()).user : database::audit::systemAccount();
    const QString kind = QStringLiteral("stock item");
    auto lines = newLines();
    std::sort(lines.begin(), lines.end(),
              [](const auto& a, const auto& b) { return a.entryId < b.entryId; });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].entryId, QStringLiteral("IBU400"));
    // Every text of the item, so that a change of any shows.
    EXPECT_EQ(lines[0].before, QStringLiteral("name: Ibuprofen\ndescription: 400 mg tablet\n"
                                              "indication: \ndosage: \nadministration: \n"
                                              "preparation: "));
    EXPECT_TRUE(lines[0].after.contains(QStringLiteral("\ndosage: 400 mg three times daily\n")));
    EXPECT_EQ(lines[1].entryId, QStringLiteral("ZNC10"));
    EXPECT_EQ(lines[1].before, QString());
    for (const auto& l : lines) {
        EXPECT_EQ(l.kind, kind);
        EXPECT_EQ(l.action, QStringLiteral("items imported"));
        EXPECT_EQ(l.who, who);
    }
}

// A refused change writes nothing; a line that cannot be written takes its
// change back with it.
TEST_P(Audit, NoLineWithoutItsChangeAndNoChangeWithoutItsLine) {
    const auto viewer = test_support::logIn(database->target(), kViewer, kPassword);
    EXPECT_THROW(viewer->formulary.Classifications.RenameClassification(
                     fixture->node(QStringLiteral("_2")), QStringLiteral("Pain")),
                 AppError);
    EXPECT_EQ(lineCount(), seen);

    if (server()) {
        conn->execute(
            QStringLiteral("CREATE FUNCTION inventory.refuse_line() RETURNS trigger"
                           " LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'full'; END $$"));
        conn->execute(QStringLiteral("CREATE TRIGGER refuse_line BEFORE INSERT ON inventory.tbAudit"
                                     " FOR EACH ROW EXECUTE FUNCTION inventory.refuse_line()"));
    } else {
        conn->execute(QStringLiteral("CREATE TRIGGER inventory.refuse_line BEFORE INSERT ON tbAudit"
                                     " BEGIN SELECT RAISE(FAIL, 'full'); END"));
    }
    bool renamed = true;
    try {
        renamed = f().Classifications.RenameClassification(fixture->node(QStringLiteral("_2")),
                                                           QStringLiteral("Pain"));
    } catch (const AppError&) {
        renamed = false;
    }
    EXPECT_FALSE(renamed);
    EXPECT_EQ(conn->query(QStringLiteral("SELECT NodeName FROM inventory.tbFormularyNode"
                                         " WHERE Node_Key = '_2'"))
                  .field(0)
                  .toString(),
              QStringLiteral("Medicines for pain"));
}

// On a server the users only read the audit, and only what they may see.
TEST_P(Audit, UsersCannotWriteTheAuditOnAServer) {
    if (!server())
        GTEST_SKIP() << "the embedded database has no log-ins";
    ASSERT_TRUE(f().Generics.NewGeneric(QStringLiteral("Zinc")));
    current_user::setRightsClass(own(), kViewer, QStringLiteral("BB"));
    for (const char* statement :
         {"INSERT INTO inventory.tbAudit (action, entry_kind) VALUES ('add', 'drug')",
          "INSERT INTO patient_data.tbAudit (action, entry_kind) VALUES ('add', 'drug')",
          "UPDATE inventory.tbAudit SET before_value = 'x'", "DELETE FROM inventory.tbAudit",
          "TRUNCATE inventory.tbAudit",
          "SELECT inventory.audit_write('drug', 'X', NULL, 'X', 'add', NULL, NULL)",
          "SELECT inventory.audit_user('au_viewer', 'user added', NULL, 'x')"}) {
        SCOPED_TRACE(statement);
        EXPECT_THROW(own().execute(QLatin1String(statement)), db::DbError);
    }
    const auto viewer = test_support::logIn(database->target(), kViewer, kPassword);
    const QString others = QStringLiteral("SELECT COUNT(*) FROM inventory.tbAudit"
                                          " WHERE entry_kind IN ('user', 'user rights')"
                                          " AND entry_name <> 'au_viewer'");
    EXPECT_GT(own().query(others).field(0).toInt(), 0) << "an administrator reads all";
    EXPECT_EQ(viewer->own->query(others).field(0).toInt(), 0) << "others read only their own";
    EXPECT_EQ(database::audit::history(
                  *viewer->own, database::Entry::GenericName,
                  f().Generics.ListGeneric(QStringLiteral("Zinc")).field(QStringLiteral("Code")))
                  .size(),
              1u);
}

FORMULARY_ENGINE_TESTS(Audit);
