#include "main_window_test.h"

#include "core/mdlFormulary.h"
#include "database/procedures.h"
#include "platform/app_error.h"
#include "platform/db/connection.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/panel_status_bar.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <functional>
#include <vector>

using test_support::MainWindowTest;
using test_support::ProgressWatch;

namespace {

bool progressWindowExists() {
    for (const QWidget* w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("frmLoad"))
            return true;
    return false;
}

// The database goes away under the run: a server ends the run's sessions,
// the embedded database's files are closed.
void loseDatabase(db::Engine engine, db::Connection& superuser) {
    for (db::Connection* c : {&mdlFormulary.objFormulary->connection(),
                              &mdlFormulary.objCurrentUser->sqlconnection()}) {
        if (engine == db::Engine::SQLite) {
            c->close();
            continue;
        }
        const QVariant pid = c->query(QStringLiteral("SELECT pg_backend_pid()")).field(0);
        ASSERT_TRUE(superuser.query(QStringLiteral("SELECT pg_terminate_backend(?, 2000)"), {pid})
                        .field(0)
                        .toBool());
    }
}

} // namespace

class TreeLoadTest : public MainWindowTest {};

TEST_P(TreeLoadTest, OpeningReadsTheFirstLevelWithTheProgressWindow) {
    ProgressWatch progress;
    frmFormulary& w = open();

    QTreeWidgetItem* root = node(QStringLiteral("_0"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(w.treFormulary->nodeAt(1), root);
    EXPECT_EQ(root->text(0), QStringLiteral("All Classification"));
    EXPECT_EQ(ui::KeyedTree::imageOf(root), QStringLiteral("smile"));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(childKeys(QStringLiteral("_0")), (QStringList{"_1", "_2"}));
    EXPECT_EQ(node(QStringLiteral("_1"))->text(0), QStringLiteral("Anti-infective medicines"));
    EXPECT_EQ(ui::KeyedTree::imageOf(node(QStringLiteral("_1"))), QStringLiteral("bookclose"));
    EXPECT_EQ(node(QStringLiteral("_1"))->childCount(), 0);

    ASSERT_EQ(progress.shown().size(), 1u);
    EXPECT_EQ(progress.shown()[0].title, QStringLiteral("Loading All Classifications..."));
    EXPECT_EQ(progress.shown()[0].maximum, 2);
    EXPECT_EQ(progress.shown()[0].lastValue, 2);
    EXPECT_FALSE(progressWindowExists());
    EXPECT_FALSE(mdlFormulary.FindInProgress);
    EXPECT_EQ(w.pos(), QPoint(0, 0));
    // Nothing is selected: only a classification can be added.
    EXPECT_EQ(test_support::commandStates(w), "+++--+--");
}

TEST_P(TreeLoadTest, OpeningANodeReadsItsChildrenOnceAndDrugsCarryTheirItem) {
    ProgressWatch progress;
    open();
    click(QStringLiteral("_1"));
    click(QStringLiteral("_1.1"));
    click(QStringLiteral("_1.1.1"));
    click(QStringLiteral("_1")); // opened already: nothing read

    EXPECT_EQ(childKeys(QStringLiteral("_1")), (QStringList{"_1.1", "_1.2"}));
    EXPECT_EQ(ui::KeyedTree::imageOf(node(QStringLiteral("_1.2"))), QStringLiteral("capsule"));
    QTreeWidgetItem* drug = node(QStringLiteral("_1.1.1.2"));
    ASSERT_NE(drug, nullptr);
    EXPECT_EQ(drug->text(0), QStringLiteral("Amoxicillin 250 mg/5 mL suspension"));
    EXPECT_EQ(ui::KeyedTree::imageOf(drug), QStringLiteral("tablet"));
    EXPECT_EQ(ui::KeyedTree::tagOf(drug), QStringLiteral("AMX250S"));
    EXPECT_TRUE(node(QStringLiteral("_1.1"))->isExpanded());

    std::vector<QString> titles;
    for (const auto& shown : progress.shown())
        titles.push_back(shown.title);
    EXPECT_EQ(titles, (std::vector<QString>{"Loading All Classifications...",
                                            "Loading Anti-infective medicines",
                                            "Loading Antibacterials", "Loading Amoxicillin"}));
    EXPECT_EQ(progress.shown()[1].maximum, 2);
    EXPECT_EQ(progress.shown()[1].firstValue, 0);
    EXPECT_EQ(progress.shown()[1].lastValue, 2);
}

TEST_P(TreeLoadTest, ANodeWithNothingUnderItStaysClosedAndShowsNoProgress) {
    ProgressWatch progress;
    open();
    click(QStringLiteral("_1"));
    click(QStringLiteral("_1.2")); // Ceftriaxone has no drugs

    EXPECT_EQ(node(QStringLiteral("_1.2"))->childCount(), 0);
    EXPECT_FALSE(node(QStringLiteral("_1.2"))->isExpanded());
    EXPECT_EQ(progress.shown().size(), 2u);
}

TEST_P(TreeLoadTest, FindInProgressHidesTheProgressWindowOnceAndIsClearedByAnyLoad) {
    // More rows than the bar's design maximum of 100.
    for (int i = 0; i < 101; ++i)
        addClassification(QStringLiteral("_2"), QStringLiteral("Pain class %1").arg(i));
    ProgressWatch progress;
    frmFormulary& w = open();
    const std::size_t atOpening = progress.shown().size();

    mdlFormulary.FindInProgress = true;
    click(QStringLiteral("_2"));
    EXPECT_EQ(node(QStringLiteral("_2"))->childCount(), 102);
    EXPECT_EQ(progress.shown().size(), atOpening);
    EXPECT_FALSE(mdlFormulary.FindInProgress);
    EXPECT_FALSE(progressWindowExists());

    mdlFormulary.FindInProgress = true;
    EXPECT_EQ(w.LoadTreeView(QStringLiteral("_1.2"), QStringLiteral("Ceftriaxone"), false), 0);
    EXPECT_FALSE(mdlFormulary.FindInProgress);

    click(QStringLiteral("_1")); // the next load shows it again
    EXPECT_EQ(progress.shown().size(), atOpening + 1);
}

// Such an entry can no longer be stored, but one stored earlier must still be
// seen, renamed and deleted.
TEST_P(TreeLoadTest, AnEntryStoredWithABlankNameShowsUnderAPlaceholder) {
    const QString blank = addClassification(QStringLiteral("_0"), QStringLiteral("Stored earlier"));
    // As before the database refused such names.
    conn->execute(
        GetParam() == db::Engine::SQLite
            ? QStringLiteral("DROP TRIGGER inventory.tbForClassification_name_not_blank_UPDATE")
            : QStringLiteral("ALTER TABLE inventory.tbForClassification"
                             " DROP CONSTRAINT tbForClassification_name_not_blank"));
    conn->execute(QStringLiteral("UPDATE inventory.tbForClassification SET ClassificationName = ?"
                                 " WHERE ClassificationName = ?"),
                  {QStringLiteral("   "), QStringLiteral("Stored earlier")});
    conn->execute(
        QStringLiteral("UPDATE inventory.tbFormularyNode SET NodeName = ? WHERE Node_Key = ?"),
        {QStringLiteral("   "), blank});
    ProgressWatch progress;
    frmFormulary& w = open();

    EXPECT_EQ(childKeys(QStringLiteral("_0")), (QStringList{"_1", "_2", blank}));
    EXPECT_EQ(node(blank)->text(0), QStringLiteral("(no name)"));
    ASSERT_EQ(progress.shown().size(), 1u);
    EXPECT_EQ(progress.shown()[0].lastValue, 3);

    click(blank);
    ASSERT_TRUE(test_support::chooseFromMenus(*w.mnuRename));
    QLineEdit* editor = w.treFormulary->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Vitamins"));
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(storedName(blank), QStringLiteral("Vitamins"));
    EXPECT_EQ(node(blank)->text(0), QStringLiteral("Vitamins"));
}

TEST_P(TreeLoadTest, LoadAllAsksFirstAndRebuildsTheWholeTree) {
    ProgressWatch progress;
    frmFormulary& w = open();
    click(QStringLiteral("_2"));
    const std::size_t before = progress.shown().size();

    script.answerNext(ui::Answer::No);
    w.mnuLoadAll->trigger();
    EXPECT_EQ(progress.shown().size(), before);
    EXPECT_TRUE(node(QStringLiteral("_2"))->isExpanded());

    script.answerNext(ui::Answer::Yes);
    w.mnuLoadAll->trigger();
    ASSERT_EQ(script.messages().size(), 2u);
    const ui::MessageShown& asked = script.messages()[1];
    EXPECT_EQ(asked.text, QStringLiteral("This may take some time.  Do you want to continue?"));
    EXPECT_EQ(asked.title, QStringLiteral("MESSAGE"));
    EXPECT_EQ(asked.buttons, ui::Buttons::YesNo);
    EXPECT_EQ(asked.icon, ui::Icon::Question);

    EXPECT_EQ(w.treFormulary->nodeCount(), 11);
    EXPECT_EQ(ui::KeyedTree::tagOf(node(QStringLiteral("_2.1.1"))), QStringLiteral("PCM500"));
    EXPECT_TRUE(node(QStringLiteral("_0"))->isExpanded());
    EXPECT_FALSE(node(QStringLiteral("_2"))->isExpanded());
    QTreeWidgetItem* opened = node(QStringLiteral("_1"));
    const qint64 closedPicture = opened->icon(0).cacheKey();
    opened->setExpanded(true); // an open classification shows the open book
    EXPECT_NE(opened->icon(0).cacheKey(), closedPicture);
    ASSERT_EQ(progress.shown().size(), before + 1);
    EXPECT_EQ(progress.shown().back().title, QStringLiteral("Loading Formulary Structure..."));
    EXPECT_EQ(progress.shown().back().maximum, 10);
    EXPECT_EQ(progress.shown().back().lastValue, 10);
}

TEST_P(TreeLoadTest, RefreshReadsTheFirstLevelAgain) {
    frmFormulary& w = open();
    click(QStringLiteral("_1"));
    addClassification(QStringLiteral("_0"), QStringLiteral("Vitamins"));

    w.mnuRefresh->trigger();

    EXPECT_EQ(childKeys(QStringLiteral("_0")), (QStringList{"_1", "_2", "_3"}));
    EXPECT_EQ(node(QStringLiteral("_1"))->childCount(), 0);
    EXPECT_EQ(w.staFormulary->Panels(1).text(),
              QStringLiteral("Choose an entry and right click for options."));
}

TEST_P(TreeLoadTest, ALookOnlyUserSeesTheTreeWithEditingDisabled) {
    addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
    setRights(QStringLiteral("viewer"), true);
    frmFormulary& w = open(QStringLiteral("viewer"));

    EXPECT_FALSE(w.tbFormulary->isEnabled());
    EXPECT_FALSE(w.mnuNew->menuAction()->isEnabled());
    EXPECT_FALSE(w.mnuDelete->isEnabled());
    EXPECT_FALSE(w.mnuRename->isEnabled());
    EXPECT_FALSE(w.mnuBuildFile->menuAction()->isEnabled());
    EXPECT_TRUE(w.mnuFind->menuAction()->isEnabled());
    EXPECT_TRUE(mdlFormulary.isClassification);

    click(QStringLiteral("_1"));
    EXPECT_EQ(childKeys(QStringLiteral("_1")), (QStringList{"_1.1", "_1.2"}));
}

TEST_P(TreeLoadTest, NodeFoundAsksTheServerAndNamesItselfInErrors) {
    frmFormulary& w = open();
    EXPECT_TRUE(w.NodeFound(QStringLiteral("_1.1.1")));
    EXPECT_FALSE(w.NodeFound(QStringLiteral("_9")));
    EXPECT_FALSE(w.NodeFound(QStringLiteral("_1' OR '1'='1")));
    EXPECT_FALSE(w.NodeFound(QString()));

    conn->execute(QStringLiteral("ALTER TABLE inventory.tbFormularyNode RENAME TO tbGone"));
    db::Connection& c = mdlFormulary.objCurrentUser->sqlconnection();
    long number = 0;
    try {
        database::For_FoundNode(c, QStringLiteral("_1"));
    } catch (const AppError& error) {
        number = error.number();
    }
    try {
        w.NodeFound(QStringLiteral("_1"));
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.source(), QStringLiteral("frmFormulary.NodeFound"));
        EXPECT_EQ(error.number(), number);
        EXPECT_TRUE(
            error.description().contains(QStringLiteral("tbFormularyNode"), Qt::CaseInsensitive))
            << error.description().toStdString();
    }
}

// The general error report names the routine of the window that met the
// failure, never the layer below it.
TEST_P(TreeLoadTest, ALostDatabaseIsReportedWithTheRoutineThatMetIt) {
    struct Case {
        const char* what;
        std::function<void()> before;
        std::function<void(frmFormulary&)> act;
        QString source;
    };
    const std::vector<Case> cases{
        {"a node opened", [] {}, [&](frmFormulary&) { click(QStringLiteral("_1")); },
         QStringLiteral("frmFormulary.LoadTreeView")},
        {"Refresh Tree", [] {},
         [](frmFormulary& w) { ASSERT_TRUE(test_support::chooseFromMenus(*w.mnuRefresh)); },
         QStringLiteral("frmFormulary.LoadTreeView")},
        {"a right click on an open node", [&] { click(QStringLiteral("_1")); },
         [&](frmFormulary&) { pressRight(QStringLiteral("_1")); },
         QStringLiteral("frmFormulary.treFormulary_RightClick")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frmFormulary& w = open();
        c.before();
        loseDatabase(GetParam(), *conn);
        const std::size_t before = script.messages().size();
        script.answerNext(ui::Answer::OK);
        c.act(w);

        ASSERT_EQ(script.messages().size(), before + 1);
        const QString report = script.messages().back().text;
        EXPECT_TRUE(report.startsWith(QStringLiteral("Error %1\n\n").arg(AppError::NotConnected)))
            << report.toStdString();
        EXPECT_TRUE(report.endsWith(QStringLiteral("\n\nSource: ") + c.source))
            << report.toStdString();
    }
}

FORMULARY_ENGINE_TESTS(TreeLoadTest);

// A database with no formulary at all.
class EmptyTreeTest : public test_support::LoggedInRunTest {};

TEST_P(EmptyTreeTest, OnlyTheRootAndClickingItSaysNoData) {
    ProgressWatch progress;
    Main();
    ASSERT_TRUE(mdlFormulary.objMainWindow);
    frmFormulary& w = *mdlFormulary.objMainWindow;
    ASSERT_EQ(w.treFormulary->nodeCount(), 1);
    EXPECT_TRUE(w.treFormulary->nodeAt(1)->isExpanded());
    EXPECT_TRUE(progress.shown().empty());

    w.mnuExit->setVisible(false); // as a right-click menu leaves it
    script.answerNext(ui::Answer::OK);
    w.treFormulary_NodeClick(w.treFormulary->nodeAt(1));

    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("No data!"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("MESSAGE"));
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::Information);
    EXPECT_EQ(w.treFormulary->nodeCount(), 1);
    EXPECT_FALSE(w.mnuExit->isVisible());
    EXPECT_TRUE(progress.shown().empty());
}

FORMULARY_ENGINE_TESTS(EmptyTreeTest);
