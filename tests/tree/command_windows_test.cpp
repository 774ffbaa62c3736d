#include "main_window_test.h"

#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QDialog>
#include <QTest>

using test_support::MainWindowTest;

namespace {

class CommandWindowsTest : public MainWindowTest {};

} // namespace

// Every command that opens another window reaches it from the menus, and a
// double click on a drug shows its medicine details.
TEST_P(CommandWindowsTest, EachCommandOpensItsWindow) {
    addUser(QStringLiteral("chief"), QStringLiteral("CH"), QStringLiteral("AA"), true);
    setRights(QStringLiteral("chief"), true);
    frmFormulary& w = open(QStringLiteral("chief"));
    for (const char* key : {"_1", "_1.1", "_1.1.1"})
        click(QLatin1String(key));

    const struct {
        const char* key;
        QAction* item;
        const char* window;
        bool exportQuestion;
    } cases[] = {
        {"_1.1", w.mnuNewGeneric, "frmList", false},
        {"_1.1.1", w.mnuNewDrug, "frmDrugList", false},
        {"_1.1.1", w.mnuOther, "frmDrugInformation", false},
        {"_1", w.mnuGenericFiles, "frmGeneric", false},
        {"_1", w.mnuFindEntry, "frmFind", false},
        {"_1", w.mnuUserSettings, "frmUserSettings", false},
        {"_1", w.mnuFormularyReport, "frmView", true},
        {"_1", w.mnuDrugsWOGeneric, "frmView", true},
        {"_1", w.mnuDrugsWODetails, "frmView", true},
        {"_1.1.1", w.mnuHistory, "frmHistory", false},
        {"_1", w.mnuAuditTrail, "frmAuditRange", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window);
        click(QLatin1String(c.key));
        if (c.exportQuestion)
            script.answerNext(ui::Answer::No);
        script.onModal(QLatin1String(c.window), [](QDialog&) {});
        ASSERT_TRUE(test_support::chooseFromMenus(*c.item));
        settle();
        ASSERT_FALSE(script.modalsShown().isEmpty());
        EXPECT_EQ(script.modalsShown().last(), QLatin1String(c.window));
    }

    click(QStringLiteral("_1.1.1.1"));
    script.onModal(QStringLiteral("frmMedDetails"), [](QDialog&) {});
    QTreeWidgetItem* drug = node(QStringLiteral("_1.1.1.1"));
    const QPoint at = w.treFormulary->visualItemRect(drug).center();
    QTest::mouseDClick(w.treFormulary->viewport(), Qt::LeftButton, {}, at);
    settle();
    EXPECT_EQ(script.modalsShown().last(), QStringLiteral("frmMedDetails"));
    EXPECT_FALSE(script.exitCode());
}

FORMULARY_ENGINE_TESTS(CommandWindowsTest);
