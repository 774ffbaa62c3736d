#include "editors/editor_test.h"

#include "core/mdlFormulary.h"
#include "editors/editor_commands.h"
#include "editors/frmGeneric.h"
#include "editors/frmGenericEntry.h"
#include "platform/ui/flex_grid.h"
#include "tree/frmFormulary.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItem>

namespace {

const QString NotAuthorized = QStringLiteral("Not authorized!");

frmGeneric& asList(QDialog& dialog) {
    return static_cast<frmGeneric&>(dialog);
}

frmGenericEntry& asEntry(QDialog& dialog) {
    return static_cast<frmGenericEntry&>(dialog);
}

void selectName(frmGeneric& window, const QString& name) {
    clickCell(*window.flexMSHList, rowOf(*window.flexMSHList, 1, name), 1);
}

} // namespace

class frmGenericTest : public EditorTest {
protected:
    QStringList genericNames() {
        QStringList names;
        for (db::Recordset rs = conn->query(QStringLiteral(
                 "select genericname from inventory.tbforgeneric order by genericname"));
             !rs.eof(); rs.moveNext())
            names << rs.text(QStringLiteral("genericname"));
        return names;
    }
};

TEST_P(frmGenericTest, SearchTypesUpperCaseAndTheListFollowsEveryKeystroke) {
    start({.generic = true});
    const std::vector<std::pair<char, QStringList>> keystrokes{
        {'c', {"Amoxicillin", "Ceftriaxone", "Paracetamol"}},
        {'e', {"Ceftriaxone", "Paracetamol"}},
        {'t', {"Paracetamol"}},
        {'z', {""}},
    };
    script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
        frmGeneric& window = asList(dialog);
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Build Generic Name"));
        EXPECT_EQ(window.flexMSHList->textMatrix(1, 1), QStringLiteral("Amoxicillin"));
        EXPECT_EQ(column(*window.flexMSHList, 1),
                  QStringList({"Amoxicillin", "Ceftriaxone", "Ibuprofen", "Paracetamol"}));
        EXPECT_EQ(column(*window.flexMSHList, 0)[0],
                  QString::number(fixture->generic[QStringLiteral("Amoxicillin")]));
        QString typed;
        for (const auto& [key, names] : keystrokes) {
            QTest::keyClick(window.txtSearch, key);
            typed += QChar::fromLatin1(key).toUpper();
            EXPECT_EQ(window.txtSearch->text(), typed);
            EXPECT_EQ(column(*window.flexMSHList, 1), names) << typed.toStdString();
        }
        window.cmdClose->click();
    });

    mnuGenericFiles_Click(*main);

    EXPECT_EQ(script.modalsShown(), QStringList{QStringLiteral("frmGeneric")});
    EXPECT_TRUE(script.messages().empty());
}

TEST_P(frmGenericTest, NewNamesAreEnteredOneAfterAnotherAndDuplicatesRefused) {
    start({.generic = true});
    script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
        frmGeneric& window = asList(dialog);
        EXPECT_FALSE(window.Update());
        QTest::keyClicks(window.txtSearch, QStringLiteral("o"));
        script.onModal(QStringLiteral("frmGenericEntry"), [&](QDialog& entryDialog) {
            frmGenericEntry& entry = asEntry(entryDialog);
            EXPECT_EQ(entry.Frame1->title(), QStringLiteral("Enter New Generic Name"));
            EXPECT_TRUE(entry.txtEntry->text().isEmpty());
            EXPECT_FALSE(entry.cmdSave->isEnabled());
            QTest::keyClicks(entry.txtEntry, QStringLiteral("   "));
            EXPECT_FALSE(entry.cmdSave->isEnabled());

            // Tested without the blanks, stored with them.
            entry.txtEntry->setText(QStringLiteral("  Omeprazole "));
            EXPECT_TRUE(entry.cmdSave->isEnabled());
            entry.cmdSave->click();
            EXPECT_TRUE(entry.txtEntry->text().isEmpty());
            EXPECT_FALSE(entry.cmdSave->isEnabled());
            EXPECT_EQ(entry.focusWidget(), entry.txtEntry);
            EXPECT_TRUE(column(*window.flexMSHList, 1).contains(QStringLiteral("  Omeprazole ")));

            script.answerNext(ui::Answer::OK);
            entry.txtEntry->setText(QStringLiteral(" Ibuprofen "));
            entry.cmdSave->click();
            EXPECT_EQ(entry.txtEntry->text(), QStringLiteral(" Ibuprofen "));

            entry.txtEntry->setText(QStringLiteral("Ranitidine"));
            entry.cmdSave->click();
            entry.cmdClose->click();
        });
        window.cmdNew->click();
        EXPECT_TRUE(window.Update());
        window.cmdClose->click();
    });

    mnuGenericFiles_Click(*main);

    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Generic name exists."));
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::Information);
    EXPECT_EQ(genericNames(), QStringList({"  Omeprazole ", "Amoxicillin", "Ceftriaxone",
                                           "Ibuprofen", "Paracetamol", "Ranitidine"}));
}

TEST_P(frmGenericTest, NewClosedWithoutSavingStillReportsAnUpdate) {
    start({.generic = true});
    bool update = false;
    script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
        frmGeneric& window = asList(dialog);
        script.onModal(QStringLiteral("frmGenericEntry"),
                       [](QDialog& entry) { asEntry(entry).cmdClose->click(); });
        window.cmdNew->click();
        update = window.Update();
        window.cmdClose->click();
    });

    mnuGenericFiles_Click(*main);

    EXPECT_TRUE(update);
    EXPECT_EQ(genericNames().size(), 4);
}

// An editor colours its current row only: the row left loses its colours.
TEST_P(frmGenericTest, OnlyTheCurrentRowIsColoured) {
    start({.generic = true});
    openAll();
    script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
        frmGeneric& window = asList(dialog);
        ui::FlexGrid& grid = *window.flexMSHList;
        const int paracetamol = rowOf(grid, 1, QStringLiteral("Paracetamol"));
        const int ibuprofen = rowOf(grid, 1, QStringLiteral("Ibuprofen"));
        selectName(window, QStringLiteral("Paracetamol"));
        selectName(window, QStringLiteral("Ibuprofen"));
        EXPECT_TRUE(grid.rowHighlighted(ibuprofen));
        EXPECT_FALSE(grid.rowHighlighted(paracetamol));
        window.cmdClose->click();
    });
    mnuGenericFiles_Click(*main);
}

TEST_P(frmGenericTest, RenameStoresTheNameAndTheMainTreeShowsIt) {
    start({.generic = true});
    openAll();
    script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
        frmGeneric& window = asList(dialog);
        selectName(window, QStringLiteral("Paracetamol"));
        script.onModal(QStringLiteral("frmGenericEntry"), [&](QDialog& entryDialog) {
            frmGenericEntry& entry = asEntry(entryDialog);
            EXPECT_EQ(entry.Frame1->title(), QStringLiteral("Rename Generic Name"));
            EXPECT_EQ(entry.txtEntry->text(), QStringLiteral("Paracetamol"));
            EXPECT_TRUE(entry.cmdSave->isEnabled());
            entry.txtEntry->setText(QStringLiteral("Acetaminophen"));
            entry.cmdSave->click();
            EXPECT_FALSE(entry.isVisible());
        });
        window.cmdRename->click();
        EXPECT_TRUE(window.Update());
        EXPECT_EQ(column(*window.flexMSHList, 1),
                  QStringList({"Acetaminophen", "Amoxicillin", "Ceftriaxone", "Ibuprofen"}));
        window.cmdClose->click();
    });

    mnuGenericFiles_Click(*main);

    EXPECT_EQ(childTexts(QStringLiteral("_2")), QStringList{"Acetaminophen"});
    EXPECT_EQ(childTexts(QStringLiteral("_1.1")), QStringList{"Amoxicillin"});
    EXPECT_EQ(parentOfGeneric(QStringLiteral("Acetaminophen")), QStringLiteral("_2"));
    EXPECT_TRUE(script.messages().empty());
}

TEST_P(frmGenericTest, DeleteAsksAndTheDatabaseRefusesNamesStillInTheTree) {
    start({.generic = true});
    struct Case {
        QString name;
        ui::Answer answer;
        QString refusal;
        bool deleted;
    };
    const std::vector<Case> cases{
        {"Ibuprofen", ui::Answer::No, {}, false},
        {"Ceftriaxone", ui::Answer::Yes,
         "You can't delete Ceftriaxone because it is under a classification.", false},
        {"Amoxicillin", ui::Answer::Yes,
         "You can't delete Amoxicillin because drugs are already assigned to it.", false},
        {"Ibuprofen", ui::Answer::Yes, {}, true},
    };
    script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
        frmGeneric& window = asList(dialog);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name.toStdString());
            selectName(window, c.name);
            script.answerNext(c.answer);
            if (!c.refusal.isEmpty())
                script.answerNext(ui::Answer::OK);
            window.cmdDelete->click();
            const QStringList shown = takeMessages();
            ASSERT_GE(shown.size(), 1);
            EXPECT_EQ(shown[0], QStringLiteral("Are you sure to delete this generic?"));
            EXPECT_EQ(shown.mid(1), c.refusal.isEmpty() ? QStringList() : QStringList{c.refusal});
            EXPECT_EQ(window.Update(), c.answer == ui::Answer::Yes);
            EXPECT_EQ(column(*window.flexMSHList, 1).contains(c.name), !c.deleted);
            EXPECT_EQ(genericNames().contains(c.name), !c.deleted);
        }
        window.cmdClose->click();
    });

    mnuGenericFiles_Click(*main);

    EXPECT_EQ(script.messages()[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::Question);
}

TEST_P(frmGenericTest, ChangesNeedTheRightAndMoreThanLookingAndARow) {
    addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
    struct Case {
        const char* who;
        QString user;
        Rights rights;
    };
    for (const Case& c : {Case{"no right", QStringLiteral("pharmacist"), Rights{}},
                          Case{"look only", QStringLiteral("viewer"), Rights{.generic = true}}}) {
        SCOPED_TRACE(c.who);
        start(c.rights, c.user);
        script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
            frmGeneric& window = asList(dialog);
            selectName(window, QStringLiteral("Ibuprofen"));
            for (QPushButton* command : {window.cmdNew, window.cmdRename, window.cmdDelete}) {
                script.answerNext(ui::Answer::OK);
                command->click();
                EXPECT_EQ(takeMessages(), QStringList{NotAuthorized});
            }
            EXPECT_FALSE(window.Update());
            window.cmdClose->click();
        });
        mnuGenericFiles_Click(*main);
        EXPECT_EQ(script.modalsShown().count(QStringLiteral("frmGenericEntry")), 0);
        EXPECT_EQ(genericNames().size(), 4);
        mdlFormulary.clear();
        conn->execute(QStringLiteral("delete from inventory.tbforUserSettings"));
    }

    // With the right but nothing listed, Rename and Delete have no row to act on.
    start({.generic = true});
    script.onModal(QStringLiteral("frmGeneric"), [&](QDialog& dialog) {
        frmGeneric& window = asList(dialog);
        QTest::keyClicks(window.txtSearch, QStringLiteral("xyz"));
        EXPECT_EQ(window.flexMSHList->rows(), 2);
        window.cmdRename->click();
        window.cmdDelete->click();
        window.cmdClose->click();
    });
    mnuGenericFiles_Click(*main);
    EXPECT_TRUE(takeMessages().isEmpty());
    EXPECT_EQ(script.modalsShown().count(QStringLiteral("frmGenericEntry")), 0);
}

FORMULARY_ENGINE_TESTS(frmGenericTest);
