#include "main_window_test.h"

#include "core/mdlFormulary.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QMenu>
#include <QTest>

using test_support::commandStates;
using test_support::expectedStates;
using test_support::MainWindowTest;
using test_support::setAllCommands;

// Columns of the rows below: Add/Remove, toolbar 1, Classification, Generic,
// Drug, Other Details, Delete, Rename; "+" on, "-" off, "=" kept.
class NodeSelectionTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
        setRights(QStringLiteral("viewer"), true);
    }

    // Opens the branches down to the drugs, so every kind of node shows.
    void openAll() {
        for (const char* key : {"_1", "_1.1", "_1.1.1"})
            click(QLatin1String(key));
    }
};

TEST_P(NodeSelectionTest, AClickSetsTheCommandsByTheNodesType) {
    const struct {
        const char* key;
        const char* row;
    } cases[] = {
        {"_0", "+++--=--"},       // the root: adding a classification is always offered
        {"_1.1", "++++-=++"},     // a classification
        {"_1.1.1", "++--+=--"},   // a generic name
        {"_1.1.1.1", "--====--"}, // a drug
    };
    frmFormulary& w = open();
    openAll();
    for (const char before : {'+', '-'}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.key) + " from " + before);
            setAllCommands(w, before == '+');
            w.mnuExit->setVisible(false);
            click(QLatin1String(c.key));
            EXPECT_EQ(commandStates(w), expectedStates(c.row, before));
            EXPECT_TRUE(w.mnuExit->isVisible());
            EXPECT_TRUE(w.mnuSep3->isVisible());
        }
    }
    EXPECT_TRUE(script.messages().empty());
}

TEST_P(NodeSelectionTest, ARightClickSetsTheCommandsByTypeAndRightsClassThenShowsTheMenu) {
    const struct {
        const char* user;
        const char* key;
        const char* row;
    } cases[] = {
        {"pharmacist", "_0", "+++-----"},     {"pharmacist", "_1.1", "++++--++"},
        {"pharmacist", "_1.1.1", "+=--++--"}, {"pharmacist", "_1.1.1.1", "--===+--"},
        {"viewer", "_0", "--------"},         {"viewer", "_1.1", "--------"},
        {"viewer", "_1.1.1", "-=--++--"},
    };
    for (const char* user : {"pharmacist", "viewer"}) {
        frmFormulary& w = open(QLatin1String(user));
        openAll();
        for (const char before : {'+', '-'}) {
            for (const auto& c : cases) {
                if (QLatin1String(c.user) != QLatin1String(user))
                    continue;
                SCOPED_TRACE(std::string(user) + " " + c.key + " from " + before);
                setAllCommands(w, before == '+');
                const auto popups = script.popupsShown().size();
                bool exitInPopup = true;
                rightClick(QLatin1String(c.key), [&](QMenu&) -> QAction* {
                    exitInPopup = w.mnuExit->isVisible() || w.mnuSep3->isVisible();
                    return nullptr;
                });
                EXPECT_EQ(commandStates(w), expectedStates(c.row, before));
                EXPECT_EQ(script.popupsShown().size(), popups + 1);
                EXPECT_EQ(w.treFormulary->currentItem(), node(QLatin1String(c.key)));
                // The pop-up has no "E&xit"; the menu bar has it again.
                EXPECT_FALSE(exitInPopup);
                EXPECT_TRUE(w.mnuExit->isVisible());
                EXPECT_TRUE(w.mnuSep3->isVisible());
            }
        }
    }
}

TEST_P(NodeSelectionTest, ARightClickReadsAnUnreadNodeFirst) {
    open();
    script.answerNext(ui::Answer::OK);
    rightClick(QStringLiteral("_1"), QStringLiteral("mnuDelete"));
    // The menu offered Delete; the command itself refuses a classification with children.
    EXPECT_EQ(childKeys(QStringLiteral("_1")), (QStringList{"_1.1", "_1.2"}));
    EXPECT_TRUE(node(QStringLiteral("_1"))->isExpanded());
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("You can not delete this classification at the moment."));
}

TEST_P(NodeSelectionTest, PressesThatAreNotRightClicksOnANodeShowNoMenu) {
    frmFormulary& w = open();
    click(QStringLiteral("_1"));
    const std::string states = commandStates(w);
    QTreeWidgetItem* selected = w.treFormulary->currentItem();
    ui::KeyedTree& tree = *w.treFormulary;
    const QPoint empty(tree.viewport()->width() / 2, tree.viewport()->height() - 2);
    ASSERT_EQ(tree.itemAt(empty), nullptr);

    QTest::mousePress(tree.viewport(), Qt::RightButton, {}, empty);
    const QPoint onNode = tree.visualItemRect(node(QStringLiteral("_2"))).center();
    QTest::mousePress(tree.viewport(), Qt::MiddleButton, {}, onNode);
    QTest::mouseRelease(tree.viewport(), Qt::MiddleButton, {}, onNode);

    EXPECT_TRUE(script.popupsShown().isEmpty());
    EXPECT_EQ(commandStates(w), states);
    EXPECT_EQ(tree.currentItem(), selected);
}

TEST_P(NodeSelectionTest, TheRootStaysOpenWhileItIsSelected) {
    frmFormulary& w = open();
    QTreeWidgetItem* root = node(QStringLiteral("_0"));
    click(QStringLiteral("_0"));
    w.treFormulary->collapseItem(root);
    EXPECT_TRUE(root->isExpanded());

    click(QStringLiteral("_1"));
    w.treFormulary->collapseItem(root);
    EXPECT_FALSE(root->isExpanded());
}

TEST_P(NodeSelectionTest, MovingWithTheKeysSelectsAsAClick) {
    frmFormulary& w = open();
    click(QStringLiteral("_0"));
    QTest::keyClick(w.treFormulary, Qt::Key_Down);
    settle();

    EXPECT_EQ(w.treFormulary->currentItem(), node(QStringLiteral("_1")));
    EXPECT_EQ(childKeys(QStringLiteral("_1")), (QStringList{"_1.1", "_1.2"}));
    EXPECT_EQ(commandStates(w), "++++-+++");
}

TEST_P(NodeSelectionTest, ANodeGoneFromTheServerReadsNothingAndKeepsTheCommands) {
    frmFormulary& w = open();
    const QString leaf = addClassification(QStringLiteral("_0"), QStringLiteral("Short-lived"));
    w.mnuRefresh->trigger();
    click(QStringLiteral("_2"));
    click(QStringLiteral("_2.1")); // a generic name
    const std::string states = commandStates(w);
    ASSERT_TRUE(fixture->formulary.Classifications.DeleteClassification(fixture->node(leaf)));

    click(leaf);

    EXPECT_EQ(node(leaf)->childCount(), 0);
    EXPECT_EQ(commandStates(w), states);
}

FORMULARY_ENGINE_TESTS(NodeSelectionTest);
