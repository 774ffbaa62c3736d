#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"
#include "database/procedures.h"
#include "database/session.h"
#include "find/find_entry.h"
#include "find/frmFind.h"
#include "platform/ui/keyed_tree.h"
#include "support/formulary_fixture.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using test_support::FormularyFixture;
using test_support::LoggedInRunTest;

namespace {

// The tree as the user sees it: every node's key, with "+" when expanded,
// and "*" on the selected node.
QStringList treeState(const ui::KeyedTree& tree) {
    QStringList state;
    for (int i = 1; i <= tree.nodeCount(); ++i) {
        const QTreeWidgetItem* node = tree.nodeAt(i);
        state << ui::KeyedTree::keyOf(node) +
                     (node->isExpanded() ? QStringLiteral("+") : QString()) +
                     (tree.currentItem() == node ? QStringLiteral("*") : QString());
    }
    return state;
}

QString selectedKey(const frmFormulary& window) {
    const QTreeWidgetItem* node = window.treFormulary->currentItem();
    return node ? ui::KeyedTree::keyOf(node) : QString();
}

bool expanded(const frmFormulary& window, const QString& key) {
    const QTreeWidgetItem* node = window.treFormulary->node(key);
    return node && node->isExpanded();
}

// Searches and goes to the line whose hidden key is the one given.
ui::Script::ModalHandler goTo(const QString& typed, const QString& key) {
    return [typed, key](QDialog& d) {
        auto& form = dynamic_cast<frmFind&>(d);
        QTest::keyClicks(form.txtFind, typed);
        form.cmdFind->click();
        const QAbstractItemModel& lines = *form.lvFind->model();
        for (int row = 0; row < lines.rowCount(); ++row)
            if (lines.index(row, 2).data().toString() == key)
                form.lvFind->setCurrentIndex(lines.index(row, 0));
        form.cmdGo->click();
    };
}

ui::Script::ModalHandler searchThenClose(const QString& typed) {
    return [typed](QDialog& d) {
        auto& form = dynamic_cast<frmFind&>(d);
        QTest::keyClicks(form.txtFind, typed);
        form.cmdFind->click();
        form.cmdClose->click();
    };
}

class FindFlowTest : public LoggedInRunTest {
protected:
    void SetUp() override {
        LoggedInRunTest::SetUp();
        fixture = std::make_unique<FormularyFixture>(database->target());
    }

    frmFormulary& logIn() {
        Main();
        return *mdlFormulary.objMainWindow;
    }

    std::unique_ptr<FormularyFixture> fixture;
};

} // namespace

TEST_P(FindFlowTest, GoOnAnUnloadedDrugOpensItsBranchesAndSelectsIt) {
    frmFormulary& window = logIn();
    ASSERT_FALSE(window.treFormulary->node(QStringLiteral("_1.1")));
    // Another workstation traces its own entry while this one's window closes.
    auto other = database->connect();
    database::beginSession(*other, QStringLiteral("E-other"));
    script.onModal(QStringLiteral("frmFind"), [&](QDialog& d) {
        goTo(QStringLiteral("500 mg cap"), QStringLiteral("_1.1.1.1"))(d);
        database::For_TraceParent(*other, QStringLiteral("_2.1.2"));
    });

    mnuFindEntry_Click(window);

    EXPECT_EQ(selectedKey(window), QStringLiteral("_1.1.1.1"));
    for (const char* key : {"_1", "_1.1", "_1.1.1"})
        EXPECT_TRUE(expanded(window, QLatin1String(key))) << key;
    EXPECT_TRUE(window.treFormulary->node(QStringLiteral("_1.1.1.2")));
    EXPECT_FALSE(window.treFormulary->node(QStringLiteral("_2.1")));
    EXPECT_FALSE(mdlFormulary.FindInProgress);
    EXPECT_TRUE(script.messages().empty());
}

TEST_P(FindFlowTest, GoOnAnExpandedNodeOnlySelectsIt) {
    frmFormulary& window = logIn();
    window.treFormulary_NodeClick(window.treFormulary->node(QStringLiteral("_1")));
    window.treFormulary_NodeClick(window.treFormulary->node(QStringLiteral("_2")));
    // The last node click was on a generic name: no deleting.
    window.treFormulary_NodeClick(window.treFormulary->node(QStringLiteral("_2.1")));
    ASSERT_TRUE(expanded(window, QStringLiteral("_1")));
    ASSERT_FALSE(window.mnuDelete->isEnabled());
    script.onModal(QStringLiteral("frmFind"),
                   goTo(QStringLiteral("anti-inf"), QStringLiteral("_1")));

    mnuFindEntry_Click(window);

    EXPECT_EQ(selectedKey(window), QStringLiteral("_1"));
    EXPECT_TRUE(expanded(window, QStringLiteral("_1")));
    // Selected without the node-click handling.
    EXPECT_FALSE(window.mnuDelete->isEnabled());
}

TEST_P(FindFlowTest, CloseBeforeAnyGoLeavesTheTreeAsItWas) {
    frmFormulary& window = logIn();
    window.treFormulary_NodeClick(window.treFormulary->node(QStringLiteral("_2")));
    const QStringList before = treeState(*window.treFormulary);
    script.onModal(QStringLiteral("frmFind"), searchThenClose(QStringLiteral("amox")));

    mnuFindEntry_Click(window);

    EXPECT_EQ(treeState(*window.treFormulary), before);
}

// The window lives for the run: after a Go, closing a later opening opens the
// last traced path again.
TEST_P(FindFlowTest, CloseAfterAGoOpensTheLastPathAgain) {
    frmFormulary& window = logIn();
    script.onModal(QStringLiteral("frmFind"),
                   goTo(QStringLiteral("children"), QStringLiteral("_2.1.2")));
    mnuFindEntry_Click(window);
    ASSERT_EQ(selectedKey(window), QStringLiteral("_2.1.2"));
    window.treFormulary->node(QStringLiteral("_2"))->setExpanded(false);
    window.treFormulary->setCurrentItem(window.treFormulary->node(QStringLiteral("_0")));
    script.onModal(QStringLiteral("frmFind"), [](QDialog& d) {
        auto& form = dynamic_cast<frmFind&>(d);
        EXPECT_TRUE(form.txtFind->text().isEmpty());
        EXPECT_FALSE(form.cmdGo->isEnabled());
        form.cmdClose->click();
    });

    mnuFindEntry_Click(window);

    EXPECT_EQ(selectedKey(window), QStringLiteral("_2.1.2"));
    EXPECT_TRUE(expanded(window, QStringLiteral("_2")));
}

FORMULARY_ENGINE_TESTS(FindFlowTest);
