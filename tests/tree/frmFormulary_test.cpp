#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"
#include "platform/ui/panel_status_bar.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
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
    // E&xit ends the original items; History and Formulary Status follow
    // them after a separator.
    const QList<QAction*> items = mnuPopup->actions();
    ASSERT_GE(items.size(), 5);
    EXPECT_TRUE(items[items.size() - 5]->isSeparator());
    EXPECT_EQ(items[items.size() - 4]->objectName(), QStringLiteral("mnuExit"));
    EXPECT_EQ(items[items.size() - 4]->text(), QStringLiteral("E&xit"));
    EXPECT_TRUE(items[items.size() - 3]->isSeparator());
    EXPECT_EQ(items[items.size() - 2]->objectName(), QStringLiteral("mnuHistory"));
    EXPECT_EQ(items.last()->objectName(), QStringLiteral("mnuStatus"));

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

TEST_P(frmFormularyTest, MenusAndToolbarCarryTheirCaptionsShortcutsAndRoutes) {
    Main();
    ASSERT_TRUE(mdlFormulary.objMainWindow);
    frmFormulary& w = *mdlFormulary.objMainWindow;

    const struct {
        QAction* item;
        const char* caption;
        const char* shortcut;
        QMenu* parent;
    } items[] = {
        {w.mnuNewClassification, "&Classification", "Ctrl+C", w.mnuNew},
        {w.mnuNewGeneric, "&Generic", "Ctrl+G", w.mnuNew},
        {w.mnuNewDrug, "&Drug", "Ctrl+D", w.mnuNew},
        {w.mnuOther, "&Other Details", "Ctrl+R", w.mnuNew},
        {w.mnuDelete, "&Delete", "", w.mnuPopup},
        {w.mnuRename, "&Rename", "", w.mnuPopup},
        {w.mnuProperties, "&Properties", "", w.mnuPopup},
        {w.mnuExit, "E&xit", "", w.mnuPopup},
        {w.mnuGenericFiles, "&Generic Names", "", w.mnuBuildFile},
        {w.mnuFindEntry, "&Find Entry", "Ctrl+F", w.mnuFind},
        {w.mnuRefresh, "&Refresh Tree", "", w.mnuFind},
        {w.mnuLoadAll, "&Load All", "", w.mnuFind},
        {w.mnuUserSettings, "User Settings", "", w.mnuFind},
        {w.mnuFormularyReport, "&Formulary Structure", "", w.mnuReport},
        {w.mnuDrugsWOGeneric, "&Drugs with no Generic", "", w.mnuReport},
        {w.mnuDrugsWODetails, "&Drugs with other Details", "", w.mnuReport},
        {w.mnuHistory, "&History", "", w.mnuPopup},
        {w.mnuAuditTrail, "&Audit Trail", "", w.mnuReport},
        {w.mnuAbout, "&About", "", w.mnuHelp},
    };
    for (const auto& c : items) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(c.item->text(), QLatin1String(c.caption));
        EXPECT_EQ(c.item->shortcut(), QKeySequence(QLatin1String(c.shortcut)));
        EXPECT_TRUE(c.parent->actions().contains(c.item));
    }
    QStringList bar;
    for (const QAction* top : w.menuBar()->actions())
        bar << top->text();
    EXPECT_EQ(bar, (QStringList{"&Formulary", "&Build File", "&Options", "&Reports", "&Help"}));
    EXPECT_EQ(w.mnuNew->title(), QStringLiteral("&Add/Remove"));
    EXPECT_FALSE(w.mnuProperties->isVisible());
    EXPECT_FALSE(w.mnuSep2->isVisible());

    QStringList tips;
    for (int position = 1; position <= 7; ++position)
        tips << w.tbFormularyButton(position)->toolTip();
    EXPECT_EQ(tips,
              (QStringList{"New Entry", "", "Delete", "Rename", "", "Generic Name Buil File", ""}));
    EXPECT_TRUE(w.tbFormularyButton(2)->isSeparator());
    EXPECT_TRUE(w.tbFormularyButton(5)->isSeparator());
    QStringList entries;
    for (int entry = 1; entry <= 3; ++entry)
        entries << w.tbFormularyButtonMenu(entry)->text();
    EXPECT_EQ(entries, (QStringList{"Classification", "Generic", "Drug"}));

    // Buttons 6 and 7 and the drop-down entries reach the commands through
    // their menu items; a click on button 1 itself does nothing. Whatever
    // windows the commands open are closed unanswered.
    script.setUnscriptedHandler([](const QString&) {});
    QStringList reached;
    for (QAction* item : {w.mnuGenericFiles, w.mnuFindEntry, w.mnuNewGeneric, w.mnuNewDrug})
        QObject::connect(item, &QAction::triggered, item,
                         [&reached, item] { reached << item->objectName(); });
    QTest::mouseClick(w.tbFormulary->widgetForAction(w.tbFormularyButton(6)), Qt::LeftButton);
    QTest::mouseClick(w.tbFormulary->widgetForAction(w.tbFormularyButton(7)), Qt::LeftButton);
    w.mnuNewGeneric->setEnabled(true);
    w.tbFormularyButtonMenu(2)->setEnabled(true);
    w.tbFormularyButtonMenu(2)->trigger();
    w.tbFormularyButton(1)->trigger();
    EXPECT_EQ(reached, (QStringList{"mnuGenericFiles", "mnuFindEntry", "mnuNewGeneric"}));

    // Neither the menu bar nor the toolbar offers a menu of its own to hide the toolbar.
    for (QWidget* area :
         {static_cast<QWidget*>(w.menuBar()), static_cast<QWidget*>(w.tbFormulary)}) {
        SCOPED_TRACE(area->objectName().toStdString());
        const QPoint inside(area->width() - 2, area->height() / 2);
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, inside, area->mapToGlobal(inside));
        QApplication::sendEvent(area, &rightClick);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
}

FORMULARY_ENGINE_TESTS(frmFormularyTest);
