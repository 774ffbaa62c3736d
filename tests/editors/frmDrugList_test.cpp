#include "editors/editor_test.h"

#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "database/item_master.h"
#include "editors/editor_commands.h"
#include "editors/frmDrugList.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/panel_status_bar.h"
#include "tree/frmFormulary.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidgetItem>

namespace {

const int ItemColumn = 4;

QStringList headers(const ui::FlexGrid& grid) {
    QStringList texts;
    for (int col = 1; col <= 3; ++col)
        texts << grid.model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
    return texts;
}

} // namespace

class frmDrugListTest : public EditorTest {
protected:
    // Opens the drugs of the generic name, driven by the handler.
    void edit(const QString& key, const std::function<void(frmDrugList&)>& handler) {
        select(key);
        script.onModal(QStringLiteral("frmDrugList"),
                       [handler](QDialog& dialog) { handler(static_cast<frmDrugList&>(dialog)); });
        mnuNewDrug_Click(*main);
    }

    // Loads the tree down to both generic names that have drugs.
    void openGenericNames() {
        for (const char* key : {"_1", "_1.1", "_1.1.1", "_2", "_2.1"})
            open(QString::fromLatin1(key));
    }
};

TEST_P(frmDrugListTest, OpensForAGenericNameWithItsFilteredAndSearchedLists) {
    start({.drug = true});
    openGenericNames();
    QString status;
    edit(QStringLiteral("_2.1"), [&](frmDrugList& window) {
        status = main->staFormulary->Panels(1).text();
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Drug Classification"));
        EXPECT_EQ(window.GenericID, fixture->generic[QStringLiteral("Paracetamol")]);
        EXPECT_EQ(window.fraDrug2->title(), QStringLiteral("&4. Drugs under [Paracetamol]"));
        EXPECT_TRUE(window.optAll->isChecked());
        ui::FlexGrid& left = *window.flexMSHList1;
        EXPECT_EQ(column(left, ItemColumn), QStringList({"AMX250S", "AMX500", "IBU400", "ETO100"}));
        EXPECT_EQ(column(left, 3),
                  QStringList({"Amoxicillin", "Amoxicillin", "Unclassified", "Unclassified"}));
        EXPECT_EQ(column(*window.flexMSHList2, ItemColumn), QStringList({"CPCM120", "PCM500"}));
        for (ui::FlexGrid* list : {&left, window.flexMSHList2}) {
            EXPECT_EQ(headers(*list), QStringList({"Drug Name ", "Description ", "Generic Name"}));
            EXPECT_EQ(list->colWidth(0), 250);
            EXPECT_EQ(list->colWidth(2), list->colWidth(1));
            EXPECT_EQ(list->colWidth(3), list->colWidth(1));
            for (const int hidden : {4, 5, TickColumn})
                EXPECT_EQ(list->colWidth(hidden), 0);
        }

        const std::vector<std::tuple<QRadioButton*, int, QStringList>> filters{
            {window.optClassified, 3, {"AMX250S", "AMX500"}},
            {window.optUnClassified, 2, {"IBU400", "ETO100"}},
            {window.optAll, 1, {"AMX250S", "AMX500", "IBU400", "ETO100"}},
        };
        for (const auto& [option, code, items] : filters) {
            option->click();
            EXPECT_EQ(window.CheckClassify(), code);
            EXPECT_EQ(column(left, ItemColumn), items);
        }

        // The left list searches names, the right one descriptions too.
        QTest::keyClicks(window.txtSearch1, QStringLiteral("ibu"));
        EXPECT_EQ(window.txtSearch1->text(), QStringLiteral("IBU"));
        EXPECT_EQ(column(left, ItemColumn), QStringList{"IBU400"});
        QTest::keyClicks(window.txtSearch1, QStringLiteral("x"));
        EXPECT_EQ(left.rows(), 2);
        EXPECT_FALSE(left.isEnabled());
        EXPECT_EQ(headers(left), QStringList({"Drug Name ", "Description ", "Generic Name"}));
        QTest::keyClicks(window.txtSearch2, QStringLiteral("tab"));
        EXPECT_EQ(column(*window.flexMSHList2, ItemColumn), QStringList{"PCM500"});
        window.cmdCancel->click();
    });

    EXPECT_EQ(status, QStringLiteral("Loading Drug List..."));
    EXPECT_EQ(main->staFormulary->Panels(1).text(), QString());
}

TEST_P(frmDrugListTest, OpeningNeedsTheRightMoreThanLookingAndAGenericName) {
    addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
    const std::vector<OpeningCase> cases{
        {"no right", QStringLiteral("pharmacist"), {.generic = true}, QStringLiteral("_2.1"), true},
        {"look only", QStringLiteral("viewer"), {.drug = true}, QStringLiteral("_2.1"), true},
        {"classification",
         QStringLiteral("pharmacist"),
         {.drug = true},
         QStringLiteral("_2"),
         false},
        {"drug", QStringLiteral("pharmacist"), {.drug = true}, QStringLiteral("_2.1.1"), false},
    };
    expectNoWindowOpens(
        cases, [&] { openGenericNames(); }, mnuNewDrug_Click);
}

// A long generic name is cut short in the right frame's caption rather than
// widening it; the box columns stay in sight scrolled sideways.
TEST_P(frmDrugListTest, ALongGenericNameLeavesTheListsTheirWidths) {
    start({.drug = true});
    openGenericNames();
    QSize window;
    int left = 0;
    edit(QStringLiteral("_2.1"), [&](frmDrugList& shortName) {
        QCoreApplication::processEvents();
        window = shortName.size();
        left = shortName.fraDrug1->width();
        shortName.cmdCancel->click();
    });
    const QString name(100, QLatin1Char('W'));
    ASSERT_TRUE(fixture->formulary.Generics.RenameGeneric(
        fixture->generic[QStringLiteral("Paracetamol")], name));

    edit(QStringLiteral("_2.1"), [&](frmDrugList& longName) {
        // The window laid out again for its captions.
        QCoreApplication::processEvents();
        EXPECT_EQ(longName.fraDrug2->title(),
                  QStringLiteral("&4. Drugs under [") + name + QLatin1Char(']'));
        EXPECT_EQ(longName.size(), window);
        EXPECT_EQ(longName.fraDrug1->width(), left);
        expectTickableScrolledSideways(*longName.flexMSHList1, QStringLiteral("Ibuprofen"), 3);
        expectTickableScrolledSideways(*longName.flexMSHList2, QStringLiteral("Paracetamol"), 3);
        longName.cmdCancel->click();
    });
}

TEST_P(frmDrugListTest, TicksFollowTheBoxColumnAndSpaceAndClosingAsksAboutThem) {
    start({.drug = true});
    openGenericNames();
    edit(QStringLiteral("_2.1"), [&](frmDrugList& window) {
        ui::FlexGrid& left = *window.flexMSHList1;
        tick(left, QStringLiteral("IBU400"), ItemColumn);
        clickCell(left, rowOf(left, ItemColumn, QStringLiteral("ETO100")), 1);
        EXPECT_EQ(ticked(left), QStringList{"Ibuprofen"});
        EXPECT_TRUE(window.cmdAdd->isEnabled());
        EXPECT_TRUE(window.cmdClear1->isEnabled());
        EXPECT_TRUE(window.fraSearch1->isEnabled());
        QTest::keyClick(&left, Qt::Key_Space);
        EXPECT_EQ(ticked(left), QStringList({"Ibuprofen", "Étoposide"}));
        window.cmdClear1->click();
        EXPECT_TRUE(ticked(left).isEmpty());
        EXPECT_FALSE(window.cmdAdd->isEnabled());
        EXPECT_EQ(window.focusWidget(), window.txtSearch1);

        ui::FlexGrid& right = *window.flexMSHList2;
        tick(right, QStringLiteral("PCM500"), ItemColumn);
        EXPECT_TRUE(window.cmdRemove->isEnabled());
        EXPECT_TRUE(window.cmdClear2->isEnabled());
        script.answerNext(ui::Answer::Yes);
        window.cmdCancel->click();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(ticked(right), QStringList{"Paracetamol"});
        script.answerNext(ui::Answer::No);
        window.cmdCancel->click();
        EXPECT_FALSE(window.isVisible());
    });
    EXPECT_EQ(takeMessages(),
              QStringList(2, QStringLiteral(
                                 "You checked some items. Would you like to process them first.")));
    EXPECT_EQ(parentOfDrug(QStringLiteral("PCM500")), QStringLiteral("_2.1"));
}

TEST_P(frmDrugListTest, AddPutsDrugsUnderTheGenericNameAndTheTreeFollows) {
    start({.drug = true});
    openGenericNames();
    edit(QStringLiteral("_2.1"), [&](frmDrugList& window) {
        ui::FlexGrid& left = *window.flexMSHList1;
        QTest::keyClicks(window.txtSearch2, QStringLiteral("child"));
        for (const char* item : {"AMX250S", "AMX500", "IBU400"})
            tick(left, QString::fromLatin1(item), ItemColumn);
        script.answerNext(ui::Answer::Yes);
        script.answerNext(ui::Answer::No);
        window.cmdAdd->click();
        const QString question =
            QStringLiteral("Amoxicillin already belongs to Amoxicillin. Do you wish to continue?");
        EXPECT_EQ(takeMessages(), QStringList({question, question}));
        EXPECT_EQ(script.messages().back().icon, ui::Icon::Question);
        EXPECT_EQ(column(left, ItemColumn), QStringList({"AMX500", "ETO100"}));
        EXPECT_EQ(column(*window.flexMSHList2, ItemColumn),
                  QStringList({"AMX250S", "CPCM120", "IBU400", "PCM500"}));
        EXPECT_TRUE(ticked(left).isEmpty());
        EXPECT_TRUE(window.txtSearch2->text().isEmpty());
        EXPECT_FALSE(window.cmdAdd->isEnabled());
        EXPECT_FALSE(window.cmdClear1->isEnabled());
        EXPECT_EQ(window.focusWidget(), window.txtSearch1);
        window.cmdCancel->click();
    });

    EXPECT_EQ(parentOfDrug(QStringLiteral("AMX250S")), QStringLiteral("_2.1"));
    EXPECT_EQ(parentOfDrug(QStringLiteral("IBU400")), QStringLiteral("_2.1"));
    EXPECT_EQ(parentOfDrug(QStringLiteral("AMX500")), QStringLiteral("_1.1.1"));
    EXPECT_EQ(
        childTexts(QStringLiteral("_2.1")),
        QStringList({"Children's Paracetamol 120 mg/5 mL suspension", "Paracetamol 500 mg tablet",
                     "Amoxicillin 250 mg/5 mL suspension", "Ibuprofen 400 mg tablet"}));
    EXPECT_EQ(ui::KeyedTree::tagOf(node(QStringLiteral("_2.1.3"))), QStringLiteral("AMX250S"));
    EXPECT_EQ(ui::KeyedTree::imageOf(node(QStringLiteral("_2.1.4"))), QStringLiteral("tablet"));
    EXPECT_EQ(childTexts(QStringLiteral("_1.1.1")), QStringList{"Amoxicillin 500 mg capsule"});
}

TEST_P(frmDrugListTest, RemoveTakesDrugsAwayWhateverTheirIds) {
    database::saveItems(*conn, {{QStringLiteral("40000"),
                                 QStringLiteral("Paracetamol"),
                                 QStringLiteral("1 g suppository"),
                                 {},
                                 {},
                                 {},
                                 {}}});
    QString key = QStringLiteral("_2.1.3");
    ASSERT_TRUE(fixture->formulary.Drugs.AddDrug(fixture->node(QStringLiteral("_2.1")), key, {},
                                                 QStringLiteral("40000")));
    start({.drug = true});
    openGenericNames();
    edit(QStringLiteral("_2.1"), [&](frmDrugList& window) {
        tick(*window.flexMSHList2, QStringLiteral("40000"), ItemColumn);
        tick(*window.flexMSHList2, QStringLiteral("PCM500"), ItemColumn);
        window.cmdRemove->click();
        EXPECT_EQ(column(*window.flexMSHList2, ItemColumn), QStringList{"CPCM120"});
        EXPECT_TRUE(column(*window.flexMSHList1, ItemColumn).contains(QStringLiteral("40000")));
        for (QPushButton* b : {window.cmdAdd, window.cmdRemove, window.cmdClear1, window.cmdClear2})
            EXPECT_FALSE(b->isEnabled());
        EXPECT_EQ(window.focusWidget(), window.txtSearch2);
        window.cmdCancel->click();
    });
    EXPECT_TRUE(takeMessages().isEmpty());
    EXPECT_EQ(parentOfDrug(QStringLiteral("40000")), QString());
    EXPECT_EQ(parentOfDrug(QStringLiteral("PCM500")), QString());
    EXPECT_EQ(childTexts(QStringLiteral("_2.1")),
              QStringList{"Children's Paracetamol 120 mg/5 mL suspension"});
}

TEST_P(frmDrugListTest, ChangesTheDatabaseRefusedAreReportedOnceAndLeaveTheTree) {
    start({.drug = true});
    openGenericNames();
    edit(QStringLiteral("_1.2"), [&](frmDrugList& window) {
        // Another workstation takes the generic name out of the tree meanwhile.
        ASSERT_TRUE(fixture->formulary.Generics.DeleteGeneric(
            fixture->generic[QStringLiteral("Ceftriaxone")]));
        tick(*window.flexMSHList1, QStringLiteral("IBU400"), ItemColumn);
        tick(*window.flexMSHList1, QStringLiteral("ETO100"), ItemColumn);
        script.answerNext(ui::Answer::OK);
        window.cmdAdd->click();
        window.cmdCancel->click();
    });
    EXPECT_EQ(takeMessages(),
              QStringList{QStringLiteral("These drugs could not be added:\n\nIbuprofen 400 mg "
                                         "tablet\nÉtoposide 100 mg/5 mL injection")});
    EXPECT_EQ(script.messages().back().icon, ui::Icon::Exclamation);
    EXPECT_TRUE(childTexts(QStringLiteral("_1.2")).isEmpty());

    edit(QStringLiteral("_2.1"), [&](frmDrugList& window) {
        tick(*window.flexMSHList2, QStringLiteral("PCM500"), ItemColumn);
        ASSERT_TRUE(fixture->formulary.Drugs.DeleteDrug(QStringLiteral("PCM500")));
        script.answerNext(ui::Answer::OK);
        window.cmdRemove->click();
        window.cmdCancel->click();
    });
    EXPECT_EQ(takeMessages(),
              QStringList{QStringLiteral(
                  "These drugs could not be removed:\n\nParacetamol 500 mg tablet")});
    EXPECT_EQ(childTexts(QStringLiteral("_2.1")).size(), 2);
}

FORMULARY_ENGINE_TESTS(frmDrugListTest);
