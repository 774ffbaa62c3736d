#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "database/user_rights.h"
#include "details/details_commands.h"
#include "details/frmDrugInformation.h"
#include "details/frmMedDetails.h"
#include "platform/ui/keyed_tree.h"
#include "support/formulary_fixture.h"
#include "tree/frmFormulary.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using test_support::FormularyFixture;
using test_support::LoggedInRunTest;

namespace {

const QString NotAuthorized = QStringLiteral("Not authorized!");
const QString Saved = QStringLiteral("Data successfullly save!");
const QString EmptyText = QStringLiteral("Please insert value for Drug Other Details Information.");

// The tree path from the root to a node of the fixture, with the nodes' texts,
// as the main window shows them.
struct ShownNode {
    QString key;
    QString text;
};

const std::vector<ShownNode> FixtureNodes = {
    {QStringLiteral("_0"), QStringLiteral("Formulary")},
    {QStringLiteral("_1"), QStringLiteral("Anti-infective medicines")},
    {QStringLiteral("_1.1"), QStringLiteral("Antibacterials")},
    {QStringLiteral("_1.1.1"), QStringLiteral("Amoxicillin")},
    {QStringLiteral("_1.1.1.1"), QStringLiteral("Amoxicillin 500 mg capsule")},
    {QStringLiteral("_1.1.1.2"), QStringLiteral("Amoxicillin 250 mg/5 mL suspension")},
    {QStringLiteral("_1.2"), QStringLiteral("Ceftriaxone")},
};

QString parentKey(const QString& key) {
    if (key == QLatin1String("_0"))
        return {};
    const qsizetype dot = key.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QStringLiteral("_0") : key.left(dot);
}

class DetailsTest : public LoggedInRunTest {
protected:
    void SetUp() override {
        LoggedInRunTest::SetUp();
        fixture = std::make_unique<FormularyFixture>(database->target());
        // The right shown to the window is set per test; the database holds them all.
        ASSERT_TRUE(database::SetAllRights(*conn, QStringLiteral("E-pharmacist"), true));
    }

    frmFormulary& logIn(bool otherDetailsRight = true) {
        Main();
        mdlFormulary.isOtherDetails = otherDetailsRight;
        return *mdlFormulary.objMainWindow;
    }

    // Shows the node (and its ancestors) in the tree when the tree does not
    // yet, and selects it.
    QTreeWidgetItem* select(frmFormulary& window, const QString& key) {
        ui::KeyedTree& tree = *window.treFormulary;
        for (const ShownNode& shown : FixtureNodes) {
            if ((key == shown.key || key.startsWith(shown.key + QLatin1Char('.')) ||
                 shown.key == QLatin1String("_0")) &&
                !tree.node(shown.key)) {
                // As the tree loads a node: the picture of its kind, its entry's id as the tag.
                const auto stored = fixture->formulary.NodeFormulary.IdentityOf(shown.key);
                const bool entry = stored && stored->type != database::NodeKind::Root;
                const QString image =
                    entry ? NodeImageKey(database::nodeTypeOf(stored->type)) : QString();
                ui::KeyedTree::setTag(
                    tree.addNode(parentKey(shown.key), shown.key, shown.text, image),
                    entry ? stored->id.toString() : QString());
            }
        }
        QTreeWidgetItem* node = tree.node(key);
        tree.setCurrentItem(node);
        return node;
    }

    qint64 generic(const char* name) const { return fixture->generic.value(QLatin1String(name)); }

    db::Recordset storedDetails(qint64 genericId) {
        return conn->query(QStringLiteral("SELECT OtherDetails FROM "
                                          "inventory.tbFormularyOtherDetails WHERE GenericID = ?"),
                           {genericId});
    }

    std::unique_ptr<FormularyFixture> fixture;
};

frmDrugInformation& details(QDialog& dialog) {
    return dynamic_cast<frmDrugInformation&>(dialog);
}

frmMedDetails& medicine(QDialog& dialog) {
    return dynamic_cast<frmMedDetails&>(dialog);
}

} // namespace

TEST_P(DetailsTest, OtherDetailsAreInsertedThenUpdatedInOneRow) {
    frmFormulary& window = logIn();
    select(window, QStringLiteral("_1.1.1"));
    QString shownAtSecondOpening;
    script.onModal(QStringLiteral("frmDrugInformation"), [](QDialog& d) {
        frmDrugInformation& form = details(d);
        EXPECT_EQ(form.windowTitle(), QStringLiteral(" Drug Details"));
        EXPECT_TRUE(form.txtEntry->toPlainText().isEmpty());
        QTest::keyClicks(form.txtEntry, QStringLiteral("Oral; 500 mg capsule, 'forte' 100%"));
        form.cmdSave->click();
        EXPECT_FALSE(form.isVisible());
    });
    script.onModal(QStringLiteral("frmDrugInformation"), [&](QDialog& d) {
        frmDrugInformation& form = details(d);
        shownAtSecondOpening = form.txtEntry->toPlainText();
        form.txtEntry->setPlainText(QStringLiteral("Oral; 250 mg/5 mL suspension"));
        form.cmdSave->click();
    });

    script.answerNext(ui::Answer::OK);
    script.answerNext(ui::Answer::OK);

    mnuOther_Click(window);
    mnuOther_Click(window);

    EXPECT_EQ(shownAtSecondOpening, QStringLiteral("Oral; 500 mg capsule, 'forte' 100%"));
    ASSERT_EQ(script.messages().size(), 2u);
    for (const ui::MessageShown& shown : script.messages()) {
        EXPECT_EQ(shown.text, Saved);
        EXPECT_EQ(shown.title, QStringLiteral("MESSAGE"));
        EXPECT_EQ(shown.icon, ui::Icon::Information);
        EXPECT_EQ(shown.buttons, ui::Buttons::OK);
    }
    db::Recordset stored = storedDetails(generic("Amoxicillin"));
    ASSERT_EQ(stored.recordCount(), 1);
    EXPECT_EQ(stored.text(QStringLiteral("OtherDetails")),
              QStringLiteral("Oral; 250 mg/5 mL suspension"));
}

TEST_P(DetailsTest, SecondFirstSaveUpdatesTheRowAnotherWorkstationStored) {
    frmFormulary& window = logIn();
    select(window, QStringLiteral("_1.2"));
    script.onModal(QStringLiteral("frmDrugInformation"), [&](QDialog& d) {
        frmDrugInformation& form = details(d);
        // Both found no row at load; the other workstation saves first.
        conn->execute(QStringLiteral("INSERT INTO inventory.tbFormularyOtherDetails"
                                     " (GenericID, OtherDetails) VALUES (?, ?)"),
                      {generic("Ceftriaxone"), QStringLiteral("IV, IM")});
        form.txtEntry->setPlainText(QStringLiteral("IV, IM; 1 g vial"));
        form.cmdSave->click();
    });
    script.answerNext(ui::Answer::OK);

    mnuOther_Click(window);

    db::Recordset stored = storedDetails(generic("Ceftriaxone"));
    ASSERT_EQ(stored.recordCount(), 1);
    EXPECT_EQ(stored.text(QStringLiteral("OtherDetails")), QStringLiteral("IV, IM; 1 g vial"));
}

TEST_P(DetailsTest, EmptyTextIsRefusedBlanksAreStoredCloseDiscards) {
    frmFormulary& window = logIn();
    select(window, QStringLiteral("_1.1.1"));
    bool stayedOpen = false;
    script.onModal(QStringLiteral("frmDrugInformation"), [&](QDialog& d) {
        frmDrugInformation& form = details(d);
        form.cmdSave->setFocus();
        form.cmdSave->click();
        stayedOpen = form.isVisible();
        EXPECT_EQ(form.focusWidget(), form.txtEntry);
        QTest::keyClicks(form.txtEntry, QStringLiteral("   "));
        form.cmdSave->click();
    });
    script.onModal(QStringLiteral("frmDrugInformation"), [](QDialog& d) {
        frmDrugInformation& form = details(d);
        form.txtEntry->setPlainText(QStringLiteral("edited, then dropped"));
        form.cmdClose->click();
    });
    script.answerNext(ui::Answer::OK);
    script.answerNext(ui::Answer::OK);

    mnuOther_Click(window);
    mnuOther_Click(window);

    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(script.messages().size(), 2u);
    EXPECT_EQ(script.messages()[0].text, EmptyText);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("MESSAGE"));
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::Exclamation);
    EXPECT_EQ(script.messages()[1].text, Saved);
    db::Recordset stored = storedDetails(generic("Amoxicillin"));
    ASSERT_EQ(stored.recordCount(), 1);
    EXPECT_EQ(stored.text(QStringLiteral("OtherDetails")), QStringLiteral("   "));
}

TEST_P(DetailsTest, OtherDetailsFollowTheGenericNameOfTheSelectedNode) {
    frmFormulary& window = logIn();
    conn->execute(QStringLiteral("INSERT INTO inventory.tbFormularyOtherDetails"
                                 " (GenericID, OtherDetails) VALUES (?, ?)"),
                  {generic("Amoxicillin"), QStringLiteral("Oral")});
    struct Case {
        const char* key;
        bool opens;
    };
    const Case cases[] = {
        {"_1.1.1", true},   // the generic name itself
        {"_1.1.1.2", true}, // a drug: its generic name
        {"_1.1", false},    // a classification
        {"_0", false},      // the root
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        select(window, QLatin1String(c.key));
        QString shown;
        if (c.opens) {
            script.onModal(QStringLiteral("frmDrugInformation"), [&](QDialog& d) {
                shown = details(d).txtEntry->toPlainText();
                EXPECT_EQ(details(d).GenericID(), QString::number(generic("Amoxicillin")));
            });
        }
        const qsizetype before = script.modalsShown().size();

        mnuOther_Click(window);

        EXPECT_EQ(script.modalsShown().size() - before, c.opens ? 1 : 0);
        EXPECT_EQ(shown, c.opens ? QStringLiteral("Oral") : QString());
    }
    EXPECT_TRUE(script.messages().empty());
    EXPECT_EQ(conn->query(QStringLiteral("SELECT GenericID FROM inventory.tbFormularyOtherDetails"))
                  .recordCount(),
              1);
}

TEST_P(DetailsTest, OtherDetailsNeedTheRightAndNoLookOnlyClass) {
    addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
    struct Case {
        const char* user;
        bool right;
    };
    for (const Case& c : {Case{"pharmacist", false}, Case{"viewer", true}}) {
        SCOPED_TRACE(c.user);
        logInAs(QLatin1String(c.user));
        frmFormulary& window = logIn(c.right);
        select(window, QStringLiteral("_1.1.1"));
        const std::size_t before = script.messages().size();
        script.answerNext(ui::Answer::OK);

        mnuOther_Click(window);

        ASSERT_EQ(script.messages().size(), before + 1);
        EXPECT_EQ(script.messages().back().text, NotAuthorized);
        EXPECT_EQ(script.messages().back().icon, ui::Icon::Information);
        EXPECT_EQ(script.messages().back().buttons, ui::Buttons::OK);
        EXPECT_TRUE(script.modalsShown().empty());
        mdlFormulary.clear();
    }
}

TEST_P(DetailsTest, MedicineDetailsOfChildlessNodes) {
    frmFormulary& window = logIn();
    struct Case {
        const char* key;
        QStringList texts; // item name, indication, dosage, administration, preparation
    };
    const Case cases[] = {
        {"_1.1.1.1",
         {QStringLiteral("Amoxicillin 500 mg capsule"), QStringLiteral("Infections"),
          QStringLiteral("500 mg three times daily"), QStringLiteral("Oral"), QString()}},
        {"_1.1.1.2",
         {QStringLiteral("Amoxicillin 250 mg/5 mL suspension"), QString(), QString(), QString(),
          QStringLiteral("Add 60 mL water and shake")}},
        // A generic name without drugs: no item code, four empty boxes.
        {"_1.2", {QStringLiteral("Ceftriaxone"), QString(), QString(), QString(), QString()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        select(window, QLatin1String(c.key));
        QStringList shown;
        bool locked = true;
        script.onModal(QStringLiteral("frmMedDetails"), [&](QDialog& d) {
            frmMedDetails& form = medicine(d);
            EXPECT_EQ(form.windowTitle(), QStringLiteral("Medicine Details"));
            shown = {form.txtItemName->text(), form.txtIndication->toPlainText(),
                     form.txtDosage->toPlainText(), form.txtAdministration->toPlainText(),
                     form.txtPreparation->toPlainText()};
            locked = form.txtItemName->isReadOnly() && form.txtIndication->isReadOnly() &&
                     form.txtDosage->isReadOnly() && form.txtAdministration->isReadOnly() &&
                     form.txtPreparation->isReadOnly();
        });

        treFormulary_DblClick(window);

        EXPECT_EQ(shown, c.texts);
        EXPECT_TRUE(locked);
    }
}

TEST_P(DetailsTest, MedicineDetailsWaitForAChildlessNode) {
    frmFormulary& window = logIn();
    select(window, QStringLiteral("_1.1.1.1"));
    select(window, QStringLiteral("_1.1.1"));

    treFormulary_DblClick(window);

    EXPECT_TRUE(script.modalsShown().empty());
}

TEST_P(DetailsTest, MedicineDetailsOfAnUnknownItemAreEmpty) {
    frmFormulary& window = logIn();
    frmMedDetails form(&window);
    form.ItemName = QStringLiteral("Gone");
    form.ItemCode = QStringLiteral("NO-SUCH-ITEM'");

    form.Form_Load();

    EXPECT_EQ(form.txtItemName->text(), QStringLiteral("Gone"));
    for (const QPlainTextEdit* box :
         {form.txtIndication, form.txtDosage, form.txtAdministration, form.txtPreparation})
        EXPECT_TRUE(box->toPlainText().isEmpty());
}

FORMULARY_ENGINE_TESTS(DetailsTest);
