#include "main_window_test.h"

#include "core/artwork.h"
#include "core/mdlFormulary.h"
#include "editors/frmEntry.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using test_support::MainWindowTest;

namespace {

// The entry dialog answered with a name (and description), as typed.
ui::Script::ModalHandler typeEntry(const QString& name, const QString& description = {}) {
    return [name, description](QDialog& dialog) {
        auto& entry = static_cast<frmEntry&>(dialog);
        QTest::keyClicks(entry.txtNewClassification, name);
        QTest::keyClicks(entry.txtDescription, description);
        entry.cmdOK->click();
    };
}

} // namespace

class TreeEditingTest : public MainWindowTest {
protected:
    // The open label editor of the tree, if any.
    QLineEdit* labelEditor() {
        for (auto* edit : window().treFormulary->findChildren<QLineEdit*>())
            if (edit->isVisible())
                return edit;
        return nullptr;
    }
    // Ends the open label edit with the text typed over the old one.
    void finishLabelEdit(const QString& text) {
        QLineEdit* editor = labelEditor();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        if (text.isEmpty())
            QTest::keyClick(editor, Qt::Key_Backspace);
        else
            QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
    }
    qint64 storedClassifications() {
        return conn
            ->query(QStringLiteral("SELECT COUNT(*) AS n FROM inventory.tbForClassification"))
            .field(QStringLiteral("n"))
            .toLongLong();
    }
};

TEST_P(TreeEditingTest, AddingPutsTheNewClassificationLastUnderTheSelectedNode) {
    frmFormulary& w = open();
    click(QStringLiteral("_1"));
    script.onModal(QStringLiteral("frmEntry"),
                   typeEntry(QStringLiteral("Antivirals"), QStringLiteral("HIV and hepatitis")));

    w.mnuNewClassification->trigger();

    // Two children shown, so _1.2 is tried first (taken), then _1.1, then upwards.
    EXPECT_EQ(childKeys(QStringLiteral("_1")), (QStringList{"_1.1", "_1.2", "_1.3"}));
    QTreeWidgetItem* added = node(QStringLiteral("_1.3"));
    EXPECT_EQ(added->text(0), QStringLiteral("Antivirals"));
    EXPECT_EQ(ui::KeyedTree::imageOf(added), QStringLiteral("bookclose"));
    EXPECT_EQ(w.treFormulary->currentItem(), node(QStringLiteral("_1")));
    EXPECT_TRUE(node(QStringLiteral("_1"))->isExpanded());
    EXPECT_EQ(storedName(QStringLiteral("_1.3")), QStringLiteral("Antivirals"));
    EXPECT_EQ(conn->query(QStringLiteral("SELECT Description FROM inventory.tbForClassification"
                                         " WHERE ClassificationName = 'Antivirals'"))
                  .text(QStringLiteral("Description")),
              QStringLiteral("HIV and hepatitis"));
    const frmEntry* entry = w.findChild<frmEntry*>();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->windowTitle(), QStringLiteral("Drug Classification Entry"));
}

TEST_P(TreeEditingTest, AClosedEntryDialogOrARefusedAddChangesNothing) {
    frmFormulary& w = open();
    click(QStringLiteral("_0"));
    const qint64 before = storedClassifications();
    script.onModal(QStringLiteral("frmEntry"), [](QDialog& d) {
        QTest::keyClicks(static_cast<frmEntry&>(d).txtNewClassification, QStringLiteral("Gone"));
        static_cast<frmEntry&>(d).cmdClose->click();
    });
    w.mnuNewClassification->trigger();
    script.onModal(QStringLiteral("frmEntry"), [](QDialog& d) {
        QTest::keyClicks(static_cast<frmEntry&>(d).txtNewClassification, QStringLiteral("Gone"));
        d.close(); // the close box
    });
    w.mnuNewClassification->trigger();
    EXPECT_EQ(childKeys(QStringLiteral("_0")), (QStringList{"_1", "_2"}));

    // A drug holds no classification: the command asks for no name there.
    for (const char* key : {"_2", "_2.1", "_2.1.1"})
        click(QLatin1String(key));
    w.mnuNewClassification->setEnabled(true);
    const auto modals = script.modalsShown().size();
    w.mnuNewClassification->trigger();
    EXPECT_EQ(script.modalsShown().size(), modals);

    // Another workstation deletes the parent while the name is typed: the
    // component refuses, the user is told and the stale node leaves the tree.
    const QString leaf = addClassification(QStringLiteral("_0"), QStringLiteral("Short-lived"));
    w.mnuRefresh->trigger();
    click(leaf);
    script.onModal(QStringLiteral("frmEntry"), [&](QDialog& d) {
        ASSERT_TRUE(fixture->formulary.Classifications.DeleteClassification(fixture->node(leaf)));
        typeEntry(QStringLiteral("Under a deleted one"))(d);
    });
    script.answerNext(ui::Answer::OK);
    w.mnuNewClassification->trigger();

    EXPECT_EQ(node(leaf), nullptr);
    EXPECT_EQ(storedClassifications(), before);
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Unable to add this classification."));
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::Exclamation);
}

TEST_P(TreeEditingTest, RenamingEditsTheLabelAndStoresAChangedName) {
    frmFormulary& w = open();
    click(QStringLiteral("_1"));
    click(QStringLiteral("_1.1"));
    ui::KeyedTree& tree = *w.treFormulary;

    // Unchanged, then with Escape: nothing stored.
    w.mnuRename->trigger();
    finishLabelEdit(QStringLiteral("Antibacterials"));
    w.mnuRename->trigger();
    ASSERT_NE(labelEditor(), nullptr);
    QTest::keyClicks(labelEditor(), QStringLiteral("xyz"));
    QTest::keyClick(labelEditor(), Qt::Key_Escape);
    settle();
    EXPECT_EQ(node(QStringLiteral("_1.1"))->text(0), QStringLiteral("Antibacterials"));

    // Empty, then blanks only: refused, the old text back and the label
    // edited again each time.
    QTest::keyClick(&tree, Qt::Key_Space);
    for (const QString& nothing : {QString(), QStringLiteral("   ")}) {
        SCOPED_TRACE(nothing.size());
        const auto messages = script.messages().size();
        script.answerNext(ui::Answer::OK);
        finishLabelEdit(nothing);
        ASSERT_EQ(script.messages().size(), messages + 1);
        EXPECT_EQ(script.messages().back().text, QStringLiteral("Please supply a name."));
        EXPECT_EQ(script.messages().back().icon, ui::Icon::Information);
        EXPECT_EQ(node(QStringLiteral("_1.1"))->text(0), QStringLiteral("Antibacterials"));
        EXPECT_EQ(storedName(QStringLiteral("_1.1")), QStringLiteral("Antibacterials"));
    }

    // Blanks around a name are kept; nothing is trimmed.
    finishLabelEdit(QStringLiteral(" Antibiotics "));
    EXPECT_EQ(node(QStringLiteral("_1.1"))->text(0), QStringLiteral(" Antibiotics "));
    EXPECT_EQ(storedName(QStringLiteral("_1.1")), QStringLiteral(" Antibiotics "));
    EXPECT_EQ(labelEditor(), nullptr);
    EXPECT_EQ(script.messages().size(), 2u);
}

// Deleted at another workstation while the label was edited.
TEST_P(TreeEditingTest, ARenameTheServerRefusesIsToldAndTheStaleNodeLeaves) {
    const QString leaf = addClassification(QStringLiteral("_0"), QStringLiteral("Vitamins"));
    frmFormulary& w = open();
    click(leaf);
    w.mnuRename->trigger();
    ASSERT_TRUE(fixture->formulary.Classifications.DeleteClassification(fixture->node(leaf)));
    script.answerNext(ui::Answer::OK);

    finishLabelEdit(QStringLiteral("Minerals"));

    EXPECT_EQ(node(leaf), nullptr);
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Unable to rename this classification."));
}

// The label takes no more than a name may hold, nor a control character.
TEST_P(TreeEditingTest, RenamingStopsAtTheNamesLimit) {
    frmFormulary& w = open();
    click(QStringLiteral("_1"));
    w.mnuRename->trigger();
    QLineEdit* editor = labelEditor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QString(105, u'v'));
    EXPECT_EQ(editor->text(), QString(100, u'v'));
    editor->insert(QStringLiteral("\u0007"));
    EXPECT_EQ(editor->text(), QString(100, u'v'));
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(storedName(QStringLiteral("_1")), QString(100, u'v'));
}

TEST_P(TreeEditingTest, TheTreeNeverStartsLabelEditingByItself) {
    frmFormulary& w = open();
    click(QStringLiteral("_1"));
    ui::KeyedTree& tree = *w.treFormulary;
    const QPoint label = tree.visualItemRect(node(QStringLiteral("_1"))).center();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, label);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, label);
    QTest::keyClick(&tree, Qt::Key_F2);
    QTest::keyClicks(&tree, QStringLiteral("Zz"));
    settle();
    EXPECT_EQ(labelEditor(), nullptr);
    EXPECT_FALSE(node(QStringLiteral("_1"))->flags() & Qt::ItemIsEditable);
}

TEST_P(TreeEditingTest, DeletingAsksFirstAndRefusesAClassificationWithChildren) {
    const QString leaf = addClassification(QStringLiteral("_2"), QStringLiteral("Migraine"));
    frmFormulary& w = open();
    click(QStringLiteral("_2"));

    script.answerNext(ui::Answer::OK);
    w.mnuDelete->trigger();
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("You can not delete this classification at the moment."));
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::None);

    click(leaf);
    script.answerNext(ui::Answer::No);
    w.mnuDelete->trigger();
    ASSERT_EQ(script.messages().size(), 2u);
    EXPECT_EQ(script.messages()[1].text,
              QStringLiteral("Are you sure to delete this classification?"));
    EXPECT_EQ(script.messages()[1].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(script.messages()[1].icon, ui::Icon::Critical);
    EXPECT_NE(node(leaf), nullptr);

    script.answerNext(ui::Answer::Yes);
    QTest::keyClick(w.treFormulary, Qt::Key_Delete);
    EXPECT_EQ(node(leaf), nullptr);
    EXPECT_EQ(storedName(leaf), QString());
    EXPECT_EQ(childKeys(QStringLiteral("_2")), (QStringList{"_2.1"}));
}

// The open book shows only while the classification is open and has children.
TEST_P(TreeEditingTest, AClassificationLeftEmptyShowsTheClosedBook) {
    const QString parent = addClassification(QStringLiteral("_0"), QStringLiteral("Vitamins"));
    const QString child = addClassification(parent, QStringLiteral("Vitamin D"));
    frmFormulary& w = open();
    const QHash<QString, QIcon> images = artwork::treeImages();
    const auto shows = [&](const QString& key, const char* image) {
        return node(key)->icon(0).pixmap(16).toImage() ==
               images.value(QLatin1String(image)).pixmap(16).toImage();
    };
    click(parent);
    ASSERT_TRUE(node(parent)->isExpanded());
    EXPECT_TRUE(shows(parent, "bookopen"));

    click(child);
    script.answerNext(ui::Answer::Yes);
    QTest::keyClick(w.treFormulary, Qt::Key_Delete);
    ASSERT_EQ(node(child), nullptr);
    EXPECT_TRUE(shows(parent, "bookclose"));

    click(parent);
    script.onModal(QStringLiteral("frmEntry"), typeEntry(QStringLiteral("Vitamin K")));
    ASSERT_TRUE(test_support::chooseFromMenus(*w.mnuNewClassification));
    EXPECT_EQ(childKeys(parent).size(), 1);
    EXPECT_TRUE(shows(parent, "bookopen"));
}

TEST_P(TreeEditingTest, ADeleteTheServerRefusesKeepsTheNode) {
    const QString leaf = addClassification(QStringLiteral("_0"), QStringLiteral("Vitamins"));
    frmFormulary& w = open();
    click(leaf);
    // Another workstation puts something under it meanwhile.
    addClassification(leaf, QStringLiteral("Vitamin D"));
    script.answerNext(ui::Answer::Yes);
    script.answerNext(ui::Answer::OK);

    w.mnuDelete->trigger();

    EXPECT_NE(node(leaf), nullptr);
    EXPECT_EQ(storedName(leaf), QStringLiteral("Vitamins"));
    ASSERT_EQ(script.messages().size(), 2u);
    EXPECT_EQ(script.messages()[1].text, QStringLiteral("Unable to delete this classification."));
}

TEST_P(TreeEditingTest, DeleteAndSpaceDoNothingOnNodesThatAreNotClassifications) {
    frmFormulary& w = open();
    for (const char* key : {"_2", "_2.1"})
        click(QLatin1String(key));
    for (const char* key : {"_0", "_2.1", "_2.1.1"}) {
        SCOPED_TRACE(key);
        click(QLatin1String(key));
        QTest::keyClick(w.treFormulary, Qt::Key_Delete);
        QTest::keyClick(w.treFormulary, Qt::Key_Space);
        w.mnuDelete->setEnabled(true);
        w.mnuDelete->trigger();
        settle();
        EXPECT_NE(node(QLatin1String(key)), nullptr);
        EXPECT_EQ(labelEditor(), nullptr);
    }
    EXPECT_TRUE(script.messages().empty());
    EXPECT_EQ(w.treFormulary->nodeCount(), 6);
}

FORMULARY_ENGINE_TESTS(TreeEditingTest);
