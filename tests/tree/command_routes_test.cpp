#include "main_window_test.h"

#include "core/mdlFormulary.h"
#include "editors/frmEntry.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

using test_support::MainWindowTest;

namespace {

enum class Command { Add, Rename, Delete };
enum class Route { Menu, Toolbar, Key, RightClick };
enum class Outcome { Changed, NotAuthorized, Nothing };

const char* name(Command c) {
    return c == Command::Add ? "add" : c == Command::Rename ? "rename" : "delete";
}
const char* name(Route r) {
    switch (r) {
    case Route::Menu:
        return "menu";
    case Route::Toolbar:
        return "toolbar";
    case Route::Key:
        return "key";
    case Route::RightClick:
        return "right-click";
    }
    return "";
}

} // namespace

class CommandRoutesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
        setRights(QStringLiteral("viewer"), true); // the rights class alone holds them back
        addUser(QStringLiteral("clerk"), QStringLiteral("CK"), QStringLiteral("AA"));
        script.setUnscriptedHandler([this](const QString& what) { unscripted << what; });
    }

    // Runs the command on the target by the route, answering what the
    // expected outcome needs; what else came up is in `unscripted`.
    void run(Command command, Route route, const QString& target, const QString& newName,
             Outcome expected) {
        frmFormulary& w = window();
        if (expected == Outcome::NotAuthorized)
            script.answerNext(ui::Answer::OK);
        if (expected == Outcome::Changed && command == Command::Add)
            script.onModal(QStringLiteral("frmEntry"), [newName](QDialog& d) {
                QTest::keyClicks(static_cast<frmEntry&>(d).txtNewClassification, newName);
                static_cast<frmEntry&>(d).cmdOK->click();
            });
        if (expected == Outcome::Changed && command == Command::Delete)
            script.answerNext(ui::Answer::Yes);

        QAction* item = command == Command::Add      ? w.mnuNewClassification
                        : command == Command::Rename ? w.mnuRename
                                                     : w.mnuDelete;
        if (route != Route::RightClick)
            click(target);
        switch (route) {
        case Route::Menu:
            test_support::chooseFromMenus(*item);
            break;
        case Route::Toolbar:
            clickToolbar(command);
            break;
        case Route::Key:
            QApplication::setActiveWindow(&w); // as the window system does after a dialog
            QTest::keyClick(w.treFormulary,
                            command == Command::Add      ? Qt::Key_C
                            : command == Command::Rename ? Qt::Key_Space
                                                         : Qt::Key_Delete,
                            command == Command::Add ? Qt::ControlModifier : Qt::NoModifier);
            break;
        case Route::RightClick:
            rightClick(target, item->objectName());
            break;
        }
        settle();
        if (QLineEdit* editor = labelEditor()) {
            editor->selectAll();
            QTest::keyClicks(editor, newName);
            QTest::keyClick(editor, Qt::Key_Return);
            settle();
        }
    }

    // Toolbar clicks as a user makes them: a disabled toolbar or button takes none.
    void clickToolbar(Command command) {
        frmFormulary& w = window();
        if (command == Command::Add) {
            // The drop-down list is a menu of its own; its entry is reached
            // when the toolbar, the button and the entry are enabled.
            QAction* entry = w.tbFormularyButtonMenu(1);
            if (w.tbFormulary->isEnabled() && w.tbFormularyButton(1)->isEnabled() &&
                entry->isEnabled())
                entry->trigger();
            return;
        }
        QWidget* button =
            w.tbFormulary->widgetForAction(w.tbFormularyButton(command == Command::Rename ? 4 : 3));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QLineEdit* labelEditor() {
        for (auto* edit : window().treFormulary->findChildren<QLineEdit*>())
            if (edit->isVisible())
                return edit;
        return nullptr;
    }

    bool changed(Command command, const QString& target, const QString& newName) {
        if (command == Command::Add)
            return !conn->query(QStringLiteral("SELECT 1 FROM inventory.tbForClassification"
                                               " WHERE ClassificationName = ?"),
                                {newName})
                        .eof();
        if (command == Command::Rename)
            return storedName(target) == newName;
        return storedName(target).isEmpty() && !node(target);
    }

    QStringList unscripted;
};

TEST_P(CommandRoutesTest, WhoMayChangeWhatByEveryRoute) {
    // One column a command (add, rename, delete): C changed, N "Not
    // authorized!" and nothing changed, - nothing happens at all.
    // The look-only viewer holds all four rights: the rights class alone
    // holds it back. A selection enables its menus and Space and Delete reach
    // the commands, which refuse; its toolbar and right-click menu are off,
    // and so is Add/Remove with its shortcuts. The clerk has no rights stored.
    const struct {
        const char* user;
        std::map<Route, const char*> routes;
    } table[] = {
        {"pharmacist",
         {{Route::Menu, "CCC"},
          {Route::Toolbar, "CCC"},
          {Route::Key, "CCC"},
          {Route::RightClick, "CCC"}}},
        {"viewer",
         {{Route::Menu, "-NN"},
          {Route::Toolbar, "---"},
          {Route::Key, "-NN"},
          {Route::RightClick, "---"}}},
        {"clerk",
         {{Route::Menu, "NNN"},
          {Route::Toolbar, "NNN"},
          {Route::Key, "NNN"},
          {Route::RightClick, "NNN"}}},
    };
    const Command commands[] = {Command::Add, Command::Rename, Command::Delete};
    for (const auto& row : table) {
        const QString user = QLatin1String(row.user);
        for (const auto& [route, outcomes] : row.routes) {
            // One leaf classification for each rename and delete.
            std::map<Command, QString> leaves;
            for (Command command : {Command::Rename, Command::Delete})
                leaves[command] = addClassification(
                    QStringLiteral("_0"),
                    QStringLiteral("%1 %2 %3").arg(user, name(route), name(command)));
            open(user); // each route from a fresh start: the states depend on what went before
            for (std::size_t i = 0; i < std::size(commands); ++i) {
                const Command command = commands[i];
                const Outcome outcome = outcomes[i] == 'C'   ? Outcome::Changed
                                        : outcomes[i] == 'N' ? Outcome::NotAuthorized
                                                             : Outcome::Nothing;
                const std::string label =
                    user.toStdString() + " " + name(command) + " by " + name(route);
                SCOPED_TRACE(label);
                const QString target =
                    command == Command::Add ? QStringLiteral("_0") : leaves[command];
                const QString newName = QStringLiteral("New ") + QString::fromStdString(label);
                const auto messages = script.messages().size();
                const auto modals = script.modalsShown().size();

                run(command, route, target, newName, outcome);

                EXPECT_EQ(changed(command, target, newName), outcome == Outcome::Changed);
                const bool refused =
                    script.messages().size() == messages + 1 &&
                    script.messages().back().text == QLatin1String("Not authorized!");
                EXPECT_EQ(refused, outcome == Outcome::NotAuthorized);
                if (outcome != Outcome::Changed) {
                    EXPECT_EQ(script.modalsShown().size(), modals);
                }
                EXPECT_TRUE(unscripted.isEmpty()) << unscripted.join(", ").toStdString();
                unscripted.clear();
            }
        }
    }
}

// A shortcut works wherever its command is enabled, also under a disabled
// "&Add/Remove": a drug turns that menu off but offers Other Details.
TEST_P(CommandRoutesTest, ShortcutsFollowTheirCommandNotTheirParentMenu) {
    frmFormulary& w = open();
    for (const char* key : {"_1", "_1.1", "_1.1.1"})
        click(QLatin1String(key));
    rightClick(QStringLiteral("_1.1.1.1"));
    ASSERT_FALSE(w.mnuNew->menuAction()->isEnabled());
    ASSERT_TRUE(w.mnuOther->isEnabled());
    QApplication::setActiveWindow(&w); // as the window system does after a pop-up
    script.onModal(QStringLiteral("frmDrugInformation"), [](QDialog&) {});
    QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
    settle();
    EXPECT_EQ(script.modalsShown(), QStringList{QStringLiteral("frmDrugInformation")});

    // As reported: a right click on a drug, Refresh Tree, the root, Ctrl+C.
    rightClick(QStringLiteral("_1.1.1.1"));
    ASSERT_TRUE(test_support::chooseFromMenus(*w.mnuRefresh));
    click(QStringLiteral("_0"));
    script.onModal(QStringLiteral("frmEntry"), [](QDialog& d) {
        QTest::keyClicks(static_cast<frmEntry&>(d).txtNewClassification,
                         QStringLiteral("Vaccines"));
        static_cast<frmEntry&>(d).cmdOK->click();
    });
    QApplication::setActiveWindow(&w);
    QTest::keyClick(w.treFormulary, Qt::Key_C, Qt::ControlModifier);
    settle();
    EXPECT_EQ(script.modalsShown().size(), 2);
    EXPECT_EQ(node(QStringLiteral("_3"))->text(0), QStringLiteral("Vaccines"));
    EXPECT_TRUE(unscripted.isEmpty()) << unscripted.join(", ").toStdString();
}

// The Menu key and Shift+F10 open the right-click menu on the selected node,
// which is read first like a right-clicked one; Shift+F10 only with Shift.
TEST_P(CommandRoutesTest, TheMenuKeysOpenTheContextMenuOnTheSelectedNode) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool opens;
    } cases[] = {
        {Qt::Key_Menu, Qt::NoModifier, true},
        {Qt::Key_F10, Qt::ShiftModifier, true},
        {Qt::Key_F10, Qt::NoModifier, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QKeySequence(int(c.modifiers) | c.key).toString().toStdString());
        frmFormulary& w = open();
        click(QStringLiteral("_2"));
        w.treFormulary->setCurrentItem(node(QStringLiteral("_1"))); // not read yet
        test_support::setAllCommands(w, false);
        const auto popups = script.popupsShown().size();
        if (c.opens) {
            script.chooseNext(QStringLiteral("mnuDelete"));
            script.answerNext(ui::Answer::OK);
        }

        QTest::keyClick(w.treFormulary, c.key, c.modifiers);
        settle();

        EXPECT_EQ(script.popupsShown().size(), popups + (c.opens ? 1 : 0));
        EXPECT_EQ(!childKeys(QStringLiteral("_1")).isEmpty(), c.opens);
        EXPECT_EQ(test_support::commandStates(w), c.opens ? "++++--++" : "--------");
        if (c.opens) {
            ASSERT_FALSE(script.messages().empty());
            EXPECT_EQ(script.messages().back().text,
                      QStringLiteral("You can not delete this classification at the moment."));
        }
        EXPECT_TRUE(unscripted.isEmpty()) << unscripted.join(", ").toStdString();
        unscripted.clear();
    }
}

FORMULARY_ENGINE_TESTS(CommandRoutesTest);
