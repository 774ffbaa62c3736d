#include "tree/main_window_test.h"

#include "details/frmDrugInformation.h"
#include "history/frmHistory.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>

using test_support::MainWindowTest;

namespace {

enum class Route { FormularyMenu, RightClick };

const QString Gone = QStringLiteral("This entry no longer exists: another workstation has deleted "
                                    "or replaced it. It is taken out of the tree.");

class HistoryTest : public MainWindowTest {
protected:
    struct Shown {
        bool opened = false;
        QString title;
        std::vector<QStringList> rows; // as the grid shows them
        std::vector<QStringList> tips;
    };

    // Chooses History for the node by the route, as the user does.
    Shown history(const QString& key, Route route) {
        Shown shown;
        script.onModal(QStringLiteral("frmHistory"), [&](QDialog& dialog) {
            const QAbstractItemModel& grid = *static_cast<frmHistory&>(dialog).grdHistory->model();
            shown.opened = true;
            shown.title = dialog.windowTitle();
            for (int row = 0; row < grid.rowCount(); ++row) {
                QStringList cells, tips;
                for (int column = 0; column < grid.columnCount(); ++column) {
                    cells << grid.index(row, column).data().toString();
                    tips << grid.index(row, column).data(Qt::ToolTipRole).toString();
                }
                shown.rows.push_back(cells);
                shown.tips.push_back(tips);
            }
        });
        if (route == Route::FormularyMenu) {
            click(key);
            EXPECT_TRUE(test_support::chooseFromMenus(*window().mnuHistory));
        } else {
            rightClick(key, QStringLiteral("mnuHistory"));
        }
        settle();
        return shown;
    }

    // Renames the selected classification through its label, as the user does.
    void renameSelected(const QString& name) {
        ASSERT_TRUE(test_support::chooseFromMenus(*window().mnuRename));
        QLineEdit* editor = window().treFormulary->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
    }

    // Saves the selected generic name's other details through its window.
    void saveOtherDetails(const QString& text) {
        script.onModal(QStringLiteral("frmDrugInformation"), [&](QDialog& dialog) {
            auto& details = static_cast<frmDrugInformation&>(dialog);
            details.txtEntry->setPlainText(text);
            details.cmdSave->click();
        });
        script.answerNext(ui::Answer::OK);
        ASSERT_TRUE(test_support::chooseFromMenus(*window().mnuOther));
        settle();
    }
};

enum Column { When, Who, Workstation, What, Before, After };

bool newestFirst(const std::vector<QStringList>& rows) {
    return std::is_sorted(rows.begin(), rows.end(), [](const QStringList& a, const QStringList& b) {
        return a[When] > b[When];
    });
}

QString allCells(const std::vector<QStringList>& rows) {
    QStringList cells;
    for (const QStringList& row : rows)
        cells << row;
    return cells.join(QLatin1Char('\n'));
}

} // namespace

TEST_P(HistoryTest, EachKindOfEntryShowsItsOwnChangesNewestFirstByBothRoutes) {
    open();
    for (const char* key : {"_1", "_1.1", "_1.1.1"})
        click(QLatin1String(key));
    click(QStringLiteral("_1.1"));
    renameSelected(QStringLiteral("Antibacterial agents"));
    renameSelected(QStringLiteral("Antibiotics"));
    click(QStringLiteral("_1.1.1"));
    saveOtherDetails(QStringLiteral("Oral\n500 mg capsule"));

    for (const Route route : {Route::FormularyMenu, Route::RightClick}) {
        SCOPED_TRACE(route == Route::FormularyMenu ? "Formulary menu" : "right click");

        const Shown classification = history(QStringLiteral("_1.1"), route);
        ASSERT_TRUE(classification.opened);
        EXPECT_EQ(classification.title, QStringLiteral("History of Antibiotics"));
        ASSERT_GE(classification.rows.size(), 3u) << "the add and both renames";
        EXPECT_TRUE(newestFirst(classification.rows));
        EXPECT_EQ(classification.rows[0].mid(Who, 1), QStringList{"pharmacist"});
        EXPECT_EQ(classification.rows[0].mid(What),
                  (QStringList{"rename", "Antibacterial agents", "Antibiotics"}));
        EXPECT_EQ(classification.rows[1].mid(What),
                  (QStringList{"rename", "Antibacterials", "Antibacterial agents"}));
        EXPECT_FALSE(classification.rows[0][Workstation].isEmpty());

        // The details stay on one line of the grid and are whole in the tip.
        const Shown generic = history(QStringLiteral("_1.1.1"), route);
        ASSERT_TRUE(generic.opened);
        EXPECT_EQ(generic.title, QStringLiteral("History of Amoxicillin"));
        ASSERT_FALSE(generic.rows.empty());
        EXPECT_EQ(generic.rows[0][After], QStringLiteral("Oral \u00b7 500 mg capsule"));
        EXPECT_TRUE(generic.tips[0][After].contains(QStringLiteral("Oral\n500 mg capsule")));
        EXPECT_FALSE(allCells(generic.rows).contains(QStringLiteral("Antibiotics")));

        const Shown drug = history(QStringLiteral("_1.1.1.1"), route);
        ASSERT_TRUE(drug.opened);
        EXPECT_EQ(drug.title, QStringLiteral("History of Amoxicillin 500 mg capsule"));
        EXPECT_FALSE(drug.rows.empty()) << "placed under its generic name";
        EXPECT_FALSE(allCells(drug.rows).contains(QStringLiteral("Oral \u00b7 500 mg capsule")));
        EXPECT_FALSE(allCells(drug.rows).contains(QStringLiteral("Antibiotics")));
    }
}

TEST_P(HistoryTest, HistoryComesAfterTheOtherItemsForEveryEntryButTheRoot) {
    frmFormulary& w = open();
    click(QStringLiteral("_0"));
    EXPECT_FALSE(w.mnuHistory->isEnabled());
    for (const char* key : {"_1", "_1.1", "_1.1.1", "_1.1.1.1"}) {
        SCOPED_TRACE(key);
        click(QLatin1String(key));
        EXPECT_TRUE(w.mnuHistory->isEnabled());
    }

    QStringList shown;
    rightClick(QStringLiteral("_1"), [&](QMenu& menu) -> QAction* {
        for (const QAction* item : menu.actions())
            if (item->isVisible())
                shown << item->objectName();
        return nullptr;
    });
    EXPECT_EQ(shown, (QStringList{"mnuNew", "mnuSep1", "mnuDelete", "mnuRename", "mnuSep4",
                                  "mnuHistory", "mnuStatus"}));
    const QList<QAction*> bar = w.mnuPopup->actions();
    EXPECT_EQ(bar.indexOf(w.mnuHistory), bar.indexOf(w.mnuExit) + 2);
}

TEST_P(HistoryTest, AReusedKeyShowsOnlyTheHistoryOfTheEntryItNamesNow) {
    const QString key = addClassification(QStringLiteral("_0"), QStringLiteral("Leaf X"));
    open();
    click(key);
    // Another workstation deletes the entry shown and adds one that takes its key.
    ASSERT_TRUE(fixture->formulary.Classifications.DeleteClassification(fixture->node(key)));
    ASSERT_EQ(addClassification(QStringLiteral("_0"), QStringLiteral("Leaf Y")), key);

    script.answerNext(ui::Answer::OK);
    ASSERT_TRUE(test_support::chooseFromMenus(*window().mnuHistory));
    settle();
    EXPECT_TRUE(script.modalsShown().isEmpty());
    ASSERT_FALSE(script.messages().empty());
    EXPECT_EQ(script.messages().back().text, Gone);
    EXPECT_EQ(node(key), nullptr);

    ASSERT_TRUE(test_support::chooseFromMenus(*window().mnuRefresh));
    const Shown fresh = history(key, Route::RightClick);
    ASSERT_TRUE(fresh.opened);
    EXPECT_EQ(fresh.title, QStringLiteral("History of Leaf Y"));
    ASSERT_FALSE(fresh.rows.empty());
    EXPECT_FALSE(allCells(fresh.rows).contains(QStringLiteral("Leaf X")));
    EXPECT_TRUE(allCells(fresh.rows).contains(QStringLiteral("Leaf Y")));
}

FORMULARY_ENGINE_TESTS(HistoryTest);
