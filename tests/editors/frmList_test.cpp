#include "editors/editor_test.h"

#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "editors/editor_commands.h"
#include "editors/frmGeneric.h"
#include "editors/frmGenericEntry.h"
#include "editors/frmList.h"
#include "platform/db/transaction.h"
#include "platform/ui/error_report.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/panel_status_bar.h"
#include "tree/frmFormulary.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItem>

namespace {

frmList& asList(QDialog& dialog) {
    return static_cast<frmList&>(dialog);
}

QString cantMove(const QString& name) {
    return QStringLiteral("You can't move ") + name +
           QStringLiteral(" because drugs are already assigned to it.");
}

} // namespace

class frmListTest : public EditorTest {
protected:
    // Opens the generic names of the classification, driven by the handler.
    void edit(const QString& key, const std::function<void(frmList&)>& handler) {
        select(key);
        script.onModal(QStringLiteral("frmList"),
                       [handler](QDialog& dialog) { handler(asList(dialog)); });
        mnuNewGeneric_Click(*main);
    }
};

TEST_P(frmListTest, OpensForAClassificationWithTheGenericNamesInAndOutsideIt) {
    start({.generic = true});
    QString status;
    edit(QStringLiteral("_2"), [&](frmList& window) {
        status = main->staFormulary->Panels(1).text();
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Generic Classification"));
        EXPECT_EQ(window.ItemID, fixture->classification[QStringLiteral("Medicines for pain")]);
        EXPECT_EQ(window.fraGeneric2->title(),
                  QStringLiteral("Generic Names under [Medicines for pain]"));
        EXPECT_EQ(column(*window.flexMSHList1, 1),
                  QStringList({"Amoxicillin", "Ceftriaxone", "Ibuprofen"}));
        EXPECT_EQ(column(*window.flexMSHList1, 5),
                  QStringList({"Antibacterials", "Anti-infective medicines", "no classification"}));
        EXPECT_EQ(column(*window.flexMSHList2, 1), QStringList{"Paracetamol"});
        for (ui::FlexGrid* list : {window.flexMSHList1, window.flexMSHList2}) {
            EXPECT_TRUE(list->isEnabled());
            EXPECT_EQ(list->cols(), 7);
            EXPECT_EQ(list->colWidth(0), 250);
            EXPECT_EQ(list->colWidth(3), 0);
            EXPECT_EQ(list->colWidth(TickColumn), 0);
            EXPECT_EQ(list->cellPicture(1, 0), 2);
        }
        for (QPushButton* b : {window.cmdAdd, window.cmdRemove, window.cmdClear1, window.cmdClear2})
            EXPECT_FALSE(b->isEnabled());

        // A search that finds nothing leaves a disabled list with one empty row.
        QTest::keyClicks(window.txtSearch2, QStringLiteral("zz"));
        EXPECT_EQ(window.flexMSHList2->rows(), 2);
        EXPECT_FALSE(window.flexMSHList2->isEnabled());
        QTest::keyClicks(window.txtSearch1, QStringLiteral("cef"));
        EXPECT_EQ(column(*window.flexMSHList1, 1), QStringList{"Ceftriaxone"});
        window.cmdCancel->click();
    });

    EXPECT_EQ(status, QStringLiteral("Loading Generic Names List..."));
    EXPECT_EQ(main->staFormulary->Panels(1).text(), QString());
    EXPECT_EQ(script.modalsShown(), QStringList{QStringLiteral("frmList")});
}

TEST_P(frmListTest, OpeningNeedsTheRightMoreThanLookingAndAClassification) {
    addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
    const std::vector<OpeningCase> cases{
        {"no right", QStringLiteral("pharmacist"), {}, QStringLiteral("_2"), true},
        {"look only", QStringLiteral("viewer"), {.generic = true}, QStringLiteral("_2"), true},
        {"generic name",
         QStringLiteral("pharmacist"),
         {.generic = true},
         QStringLiteral("_1.2"),
         false},
        {"root", QStringLiteral("pharmacist"), {.generic = true}, QStringLiteral("_0"), false},
    };
    expectNoWindowOpens(
        cases, [&] { open(QStringLiteral("_1")); }, mnuNewGeneric_Click);
}

TEST_P(frmListTest, TicksFollowTheMouseInTheBoxColumnAndTheSpaceKey) {
    start({.generic = true});
    edit(QStringLiteral("_2"), [&](frmList& window) {
        ui::FlexGrid& left = *window.flexMSHList1;
        tick(left, QStringLiteral("Ibuprofen"));
        EXPECT_EQ(ticked(left), QStringList{"Ibuprofen"});
        EXPECT_EQ(left.cellPicture(rowOf(left, 1, QStringLiteral("Ibuprofen")), 0), 1);
        EXPECT_FALSE(window.fraSearch1->isEnabled());
        EXPECT_TRUE(window.cmdAdd->isEnabled());
        EXPECT_TRUE(window.cmdClear1->isEnabled());

        // A click beside the box only moves; Space ticks the current row.
        clickCell(left, rowOf(left, 1, QStringLiteral("Amoxicillin")), 1);
        EXPECT_EQ(ticked(left), QStringList{"Ibuprofen"});
        QTest::keyClick(&left, Qt::Key_Space);
        EXPECT_EQ(ticked(left), QStringList({"Amoxicillin", "Ibuprofen"}));
        QTest::keyClick(&left, Qt::Key_Space);
        tick(left, QStringLiteral("Ibuprofen"));
        EXPECT_TRUE(ticked(left).isEmpty());
        EXPECT_EQ(left.cellPicture(rowOf(left, 1, QStringLiteral("Ibuprofen")), 0), 2);
        EXPECT_TRUE(window.fraSearch1->isEnabled());
        EXPECT_FALSE(window.cmdAdd->isEnabled());

        ui::FlexGrid& right = *window.flexMSHList2;
        tick(right, QStringLiteral("Paracetamol"));
        EXPECT_TRUE(window.cmdRemove->isEnabled());
        EXPECT_FALSE(window.fraSearch2->isEnabled());
        window.cmdClear2->click();
        EXPECT_TRUE(ticked(right).isEmpty());
        EXPECT_FALSE(window.cmdRemove->isEnabled());
        EXPECT_FALSE(window.cmdClear2->isEnabled());
        EXPECT_TRUE(window.fraSearch2->isEnabled());
        window.cmdCancel->click();
    });
    EXPECT_TRUE(script.messages().empty());
}

// A long classification name is cut short in the right frame's caption
// rather than widening it; the box columns stay in sight scrolled sideways.
TEST_P(frmListTest, ALongClassificationNameLeavesTheListsTheirWidths) {
    start({.generic = true});
    QSize window;
    int left = 0;
    edit(QStringLiteral("_2"), [&](frmList& shortName) {
        QCoreApplication::processEvents();
        window = shortName.size();
        left = shortName.fraGeneric1->width();
        shortName.cmdCancel->click();
    });
    const QString name(100, QLatin1Char('W'));
    ASSERT_TRUE(fixture->formulary.Classifications.RenameClassification(
        fixture->node(QStringLiteral("_2")), name));

    edit(QStringLiteral("_2"), [&](frmList& longName) {
        // The window laid out again for its captions.
        QCoreApplication::processEvents();
        EXPECT_EQ(longName.fraGeneric2->title(),
                  QStringLiteral("Generic Names under [") + name + QLatin1Char(']'));
        EXPECT_EQ(longName.size(), window);
        EXPECT_EQ(longName.fraGeneric1->width(), left);
        expectTickableScrolledSideways(*longName.flexMSHList1, QStringLiteral("Ibuprofen"), 5);
        expectTickableScrolledSideways(*longName.flexMSHList2, QStringLiteral("Paracetamol"), 5);
        longName.cmdCancel->click();
    });
}

// A dark palette: the row a click selects shows its text in the palette's
// highlighted-text colour, not in the (dark) base colour.
TEST_P(frmListTest, TheSelectedRowUsesThePalettesHighlightColours) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(40, 90, 200));
    dark.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    QApplication::setPalette(dark);
    start({.generic = true});
    edit(QStringLiteral("_2"), [&](frmList& window) {
        ui::FlexGrid& left = *window.flexMSHList1;
        clickCell(left, rowOf(left, 1, QStringLiteral("Amoxicillin")), 1);
        EXPECT_EQ(left.palette().color(QPalette::Highlight), dark.color(QPalette::Highlight));
        EXPECT_EQ(left.palette().color(QPalette::HighlightedText),
                  dark.color(QPalette::HighlightedText));
        window.cmdCancel->click();
    });
    QApplication::setPalette(before);
}

TEST_P(frmListTest, ClosingWithTicksAsksFirst) {
    start({.generic = true});
    edit(QStringLiteral("_2"), [&](frmList& window) {
        tick(*window.flexMSHList1, QStringLiteral("Ibuprofen"));
        for (const auto& close : std::vector<std::function<void()>>{
                 [&] { window.cmdCancel->click(); },
                 [&] { QTest::keyClick(&window, Qt::Key_Escape); }}) {
            script.answerNext(ui::Answer::Yes);
            close();
            EXPECT_TRUE(window.isVisible());
            EXPECT_EQ(ticked(*window.flexMSHList1), QStringList{"Ibuprofen"});
        }
        script.answerNext(ui::Answer::No);
        window.cmdCancel->click();
        EXPECT_FALSE(window.isVisible());
    });
    ASSERT_EQ(script.messages().size(), 3u);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("You checked some items. Would you like to process them first."));
    EXPECT_EQ(script.messages()[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::Information);
    EXPECT_EQ(parentOfGeneric(QStringLiteral("Ibuprofen")), QString());
}

TEST_P(frmListTest, AddPutsGenericNamesUnderTheClassificationAndTheTreeFollows) {
    start({.generic = true});
    open(QStringLiteral("_1"));
    open(QStringLiteral("_2"));
    // Amoxicillin's drugs were never loaded into the tree: the database knows them.
    edit(QStringLiteral("_2"), [&](frmList& window) {
        ui::FlexGrid& left = *window.flexMSHList1;
        // Declined: nothing changes and the ticks stay.
        tick(left, QStringLiteral("Ceftriaxone"));
        script.answerNext(ui::Answer::No);
        window.cmdAdd->click();
        EXPECT_EQ(takeMessages(),
                  QStringList{QStringLiteral("Ceftriaxone is already under the classification "
                                             "Anti-infective medicines. Do you wish to proceed?")});
        EXPECT_EQ(script.messages().back().title, QStringLiteral("Message"));
        EXPECT_EQ(ticked(left), QStringList{"Ceftriaxone"});
        EXPECT_EQ(parentOfGeneric(QStringLiteral("Ceftriaxone")), QStringLiteral("_1"));

        tick(left, QStringLiteral("Amoxicillin"));
        tick(left, QStringLiteral("Ibuprofen"));
        script.answerNext(ui::Answer::OK);
        script.answerNext(ui::Answer::Yes);
        window.cmdAdd->click();
        EXPECT_EQ(
            takeMessages(),
            QStringList({cantMove(QStringLiteral("Amoxicillin")),
                         QStringLiteral("Ceftriaxone is already under the classification "
                                        "Anti-infective medicines. Do you wish to proceed?")}));

        EXPECT_EQ(column(left, 1), QStringList{"Amoxicillin"});
        EXPECT_EQ(column(*window.flexMSHList2, 1),
                  QStringList({"Ceftriaxone", "Ibuprofen", "Paracetamol"}));
        EXPECT_TRUE(ticked(left).isEmpty());
        for (QPushButton* b : {window.cmdAdd, window.cmdRemove, window.cmdClear1, window.cmdClear2})
            EXPECT_FALSE(b->isEnabled());
        EXPECT_TRUE(window.fraSearch1->isEnabled());
        EXPECT_TRUE(window.txtSearch1->text().isEmpty());
        window.cmdCancel->click();
    });

    EXPECT_EQ(parentOfGeneric(QStringLiteral("Ceftriaxone")), QStringLiteral("_2"));
    EXPECT_EQ(parentOfGeneric(QStringLiteral("Ibuprofen")), QStringLiteral("_2"));
    EXPECT_EQ(parentOfGeneric(QStringLiteral("Amoxicillin")), QStringLiteral("_1.1"));
    EXPECT_EQ(childTexts(QStringLiteral("_2")),
              QStringList({"Paracetamol", "Ceftriaxone", "Ibuprofen"}));
    EXPECT_EQ(node(QStringLiteral("_2.2"))->text(0), QStringLiteral("Ceftriaxone"));
    EXPECT_EQ(node(QStringLiteral("_2.3"))->text(0), QStringLiteral("Ibuprofen"));
    EXPECT_EQ(childTexts(QStringLiteral("_1")), QStringList{"Antibacterials"});
    EXPECT_EQ(node(QStringLiteral("_1.2")), nullptr);
    EXPECT_TRUE(node(QStringLiteral("_2"))->isExpanded());
}

TEST_P(frmListTest, RemoveTakesGenericNamesAwayButNotThoseWithDrugs) {
    start({.generic = true});
    open(QStringLiteral("_1"));
    open(QStringLiteral("_2"));
    edit(QStringLiteral("_1"), [&](frmList& window) {
        tick(*window.flexMSHList2, QStringLiteral("Ceftriaxone"));
        window.cmdRemove->click();
        EXPECT_TRUE(window.flexMSHList2->textMatrix(1, 1).isEmpty());
        EXPECT_FALSE(window.flexMSHList2->isEnabled());
        const int row = rowOf(*window.flexMSHList1, 1, QStringLiteral("Ceftriaxone"));
        EXPECT_EQ(window.flexMSHList1->textMatrix(row, 5), QStringLiteral("no classification"));
        EXPECT_FALSE(window.cmdRemove->isEnabled());
        window.cmdCancel->click();
    });
    EXPECT_TRUE(takeMessages().isEmpty());
    EXPECT_EQ(parentOfGeneric(QStringLiteral("Ceftriaxone")), QString());
    EXPECT_EQ(node(QStringLiteral("_1.2")), nullptr);

    edit(QStringLiteral("_2"), [&](frmList& window) {
        tick(*window.flexMSHList2, QStringLiteral("Paracetamol"));
        script.answerNext(ui::Answer::OK);
        window.cmdRemove->click();
        EXPECT_EQ(ticked(*window.flexMSHList2), QStringList{"Paracetamol"});
        window.cmdClear2->click();
        window.cmdCancel->click();
    });
    EXPECT_EQ(takeMessages(), QStringList{QStringLiteral("You can't remove Paracetamol because "
                                                         "drugs are already assigned to it.")});
    EXPECT_EQ(parentOfGeneric(QStringLiteral("Paracetamol")), QStringLiteral("_2"));
    EXPECT_EQ(childTexts(QStringLiteral("_2")), QStringList{"Paracetamol"});
}

TEST_P(frmListTest, ChangesTheDatabaseRefusedAreReportedOnceAndLeaveTheTree) {
    QString vaccines = QStringLiteral("_3");
    ASSERT_TRUE(fixture->formulary.Classifications.AddClassification(
        fixture->node(QStringLiteral("_0")), vaccines, QStringLiteral("Vaccines"), 0));
    start({.generic = true});
    open(QStringLiteral("_1"));
    edit(QStringLiteral("_3"), [&](frmList& window) {
        // Another workstation deletes the classification meanwhile.
        ASSERT_TRUE(
            fixture->formulary.Classifications.DeleteClassification(fixture->node(vaccines)));
        tick(*window.flexMSHList1, QStringLiteral("Ceftriaxone"));
        tick(*window.flexMSHList1, QStringLiteral("Ibuprofen"));
        script.answerNext(ui::Answer::Yes);
        script.answerNext(ui::Answer::OK);
        window.cmdAdd->click();
        EXPECT_EQ(ticked(*window.flexMSHList1), QStringList({"Ceftriaxone", "Ibuprofen"}));
        window.cmdClear1->click();
        window.cmdCancel->click();
    });
    const QStringList shown = takeMessages();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1],
              QStringLiteral("These generic names could not be added:\n\nCeftriaxone\nIbuprofen"));
    EXPECT_EQ(script.messages().back().icon, ui::Icon::Exclamation);
    EXPECT_TRUE(childTexts(QStringLiteral("_3")).isEmpty());
    EXPECT_EQ(childTexts(QStringLiteral("_1")), QStringList({"Antibacterials", "Ceftriaxone"}));

    edit(QStringLiteral("_1"), [&](frmList& window) {
        tick(*window.flexMSHList2, QStringLiteral("Ceftriaxone"));
        const qint64 code = fixture->generic[QStringLiteral("Ceftriaxone")];
        ASSERT_TRUE(fixture->formulary.Generics.DeleteGeneric(code));
        script.answerNext(ui::Answer::OK);
        window.cmdRemove->click();
        window.cmdClear2->click();
        window.cmdCancel->click();
    });
    EXPECT_EQ(takeMessages(), QStringList{QStringLiteral(
                                  "These generic names could not be removed:\n\nCeftriaxone")});
}

// A change the database refuses while another writer holds the formulary is
// listed as not added; any other failure is a fault and reaches the general
// error report instead of that list.
TEST_P(frmListTest, OnlyRefusalsAreListedAsUnchanged) {
    start({.generic = true});
    db::Connection& component = mdlFormulary.objFormulary->connection();
    const bool sqlite = GetParam() == db::Engine::SQLite;
    component.execute(sqlite ? QStringLiteral("PRAGMA busy_timeout = 100")
                             : QStringLiteral("SET lock_timeout = 100"));
    edit(QStringLiteral("_2"), [&](frmList& window) {
        tick(*window.flexMSHList1, QStringLiteral("Ibuprofen"));
        {
            db::Transaction holder(*conn);
            if (!sqlite)
                conn->execute(
                    QStringLiteral("LOCK TABLE inventory.tbFormularyNode IN EXCLUSIVE MODE"));
            script.answerNext(ui::Answer::OK);
            window.cmdAdd->click();
        }
        EXPECT_EQ(ticked(*window.flexMSHList1), QStringList{"Ibuprofen"});
        component.close();
        script.answerNext(ui::Answer::OK);
        window.cmdAdd->click();
        window.cmdClear1->click();
        window.cmdCancel->click();
    });
    const auto& shown = script.messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text,
              QStringLiteral("These generic names could not be added:\n\nIbuprofen"));
    EXPECT_EQ(shown[1].icon, ui::Icon::Critical);
    EXPECT_TRUE(shown[1].text.contains(QStringLiteral("not connected")))
        << shown[1].text.toStdString();
    EXPECT_EQ(script.exitCode(), ui::ErrorExitCode);
}

TEST_P(frmListTest, BuildGenericsReloadsTheListsAndTheTreeShowsRenamedNames) {
    start({.generic = true});
    open(QStringLiteral("_2"));
    edit(QStringLiteral("_2"), [&](frmList& window) {
        script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
            auto& generic = static_cast<frmGeneric&>(dialog);
            clickCell(*generic.flexMSHList,
                      rowOf(*generic.flexMSHList, 1, QStringLiteral("Paracetamol")), 1);
            script.onModal(QStringLiteral("frmGenericEntry"), [](QDialog& entry) {
                auto& e = static_cast<frmGenericEntry&>(entry);
                e.txtEntry->setText(QStringLiteral("Acetaminophen"));
                e.cmdSave->click();
            });
            generic.cmdRename->click();
            script.onModal(QStringLiteral("frmGenericEntry"), [](QDialog& entry) {
                auto& e = static_cast<frmGenericEntry&>(entry);
                e.txtEntry->setText(QStringLiteral("Zinc"));
                e.cmdSave->click();
                e.cmdClose->click();
            });
            generic.cmdNew->click();
            generic.cmdClose->click();
        });
        window.Command1->click();
        EXPECT_EQ(column(*window.flexMSHList1, 1),
                  QStringList({"Amoxicillin", "Ceftriaxone", "Ibuprofen", "Zinc"}));
        EXPECT_EQ(column(*window.flexMSHList2, 1), QStringList{"Acetaminophen"});
        window.cmdCancel->click();
    });
    EXPECT_EQ(childTexts(QStringLiteral("_2")), QStringList{"Acetaminophen"});
}

FORMULARY_ENGINE_TESTS(frmListTest);
