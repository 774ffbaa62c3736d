#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"
#include "platform/ui/panel_status_bar.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <functional>

using test_support::LoggedInRunTest;

class frmFormularyTest : public LoggedInRunTest {
protected:
    qint64 sessions() {
        return conn->query(QStringLiteral("select count(*) as n from inventory.tbSession"))
            .field(QStringLiteral("n"))
            .toLongLong();
    }
};

TEST_P(frmFormularyTest, ShellHasTheNamedMenuAndStatusPanels) {
    Main();
    ASSERT_TRUE(mdlFormulary.objMainWindow);
    frmFormulary& window = *mdlFormulary.objMainWindow;

    auto* mnuPopup = window.findChild<QMenu*>(QStringLiteral("mnuPopup"));
    ASSERT_NE(mnuPopup, nullptr);
    EXPECT_EQ(mnuPopup->title(), QStringLiteral("&Formulary"));
    EXPECT_TRUE(window.menuBar()->actions().contains(mnuPopup->menuAction()));
    ASSERT_GE(mnuPopup->actions().size(), 2);
    EXPECT_EQ(mnuPopup->actions().last()->objectName(), QStringLiteral("mnuExit"));
    EXPECT_EQ(mnuPopup->actions().last()->text(), QStringLiteral("E&xit"));
    EXPECT_TRUE(mnuPopup->actions()[mnuPopup->actions().size() - 2]->isSeparator());

    ASSERT_EQ(window.staFormulary->panelCount(), 5);
    EXPECT_EQ(window.staFormulary->Panels(2).text(), QStringLiteral("PL"));
    // Insert follows the key; the lock keys cannot be read without X11.
    EXPECT_EQ(window.staFormulary->Panels(3).text(), QStringLiteral("INS"));
    EXPECT_FALSE(window.staFormulary->Panels(3).isEnabled());
    QTest::keyClick(window.windowHandle(), Qt::Key_Insert);
    EXPECT_TRUE(window.staFormulary->Panels(3).isEnabled());
    QTest::keyClick(window.windowHandle(), Qt::Key_Insert);
    EXPECT_FALSE(window.staFormulary->Panels(3).isEnabled());
    EXPECT_EQ(window.staFormulary->Panels(4).text(), QString());
    EXPECT_EQ(window.staFormulary->Panels(5).text(), QString());
}

TEST_P(frmFormularyTest, ExitAndCloseBoxReleaseBothComponents) {
    const std::vector<std::pair<const char*, std::function<void(frmFormulary&)>>> routes{
        {"E&xit", [](frmFormulary& w) { w.mnuExit->trigger(); }},
        {"close box", [](frmFormulary& w) { w.close(); }},
    };
    for (const auto& [route, unload] : routes) {
        SCOPED_TRACE(route);
        logInAs(QStringLiteral("pharmacist"));
        Main();
        ASSERT_TRUE(mdlFormulary.objMainWindow);
        EXPECT_EQ(sessions(), 1);

        unload(*mdlFormulary.objMainWindow);

        EXPECT_FALSE(mdlFormulary.objMainWindow->isVisible());
        EXPECT_FALSE(mdlFormulary.objCurrentUser);
        EXPECT_FALSE(mdlFormulary.objFormulary);
        EXPECT_EQ(sessions(), 0);
        mdlFormulary.clear();
    }
}

FORMULARY_ENGINE_TESTS(frmFormularyTest);
