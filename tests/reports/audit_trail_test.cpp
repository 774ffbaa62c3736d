#include "reports/report_window_fixture.h"

#include "core/mdlFormulary.h"
#include "database/user_rights.h"
#include "reports/frmAuditRange.h"
#include "reports/frmView.h"
#include "tree/frmFormulary.h"
#include "tree/main_window_test.h"

#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>

using report_window_test::ReportWindowTest;

namespace {

class AuditTrailTest : public ReportWindowTest {
protected:
    // A change the logged-in pharmacist makes: the classification _2 renamed.
    void renameAsPharmacist(const QString& name) {
        ASSERT_TRUE(database::SetAllRights(*conn, QStringLiteral("E-pharmacist"), true));
        auto& shown = *mdlFormulary.objFormulary;
        ASSERT_TRUE(shown.NodeFormulary.SearchNode(QStringLiteral("_2")));
        ASSERT_TRUE(
            shown.Classifications.RenameClassification(shown.NodeFormulary.Identity(), name));
    }

    // Chooses "&Audit Trail" from the menu, lets choose() fill in the dialog
    // and press OK, and reads what the viewer shows. False when no viewer opened.
    bool runAuditTrail(const std::function<void(frmAuditRange&)>& choose) {
        script.onModal(QStringLiteral("frmAuditRange"), [&](QDialog& dialog) {
            auto& range = static_cast<frmAuditRange&>(dialog);
            choose(range);
            range.cmdOK->click();
        });
        script.answerNext(ui::Answer::No); // no export
        bool opened = false;
        script.onModal(QStringLiteral("frmView"), [&](QDialog& dialog) {
            auto& viewer = static_cast<frmView&>(dialog);
            opened = true;
            title = viewer.currentReport()->title();
            subtitle = viewer.currentReport()->subtitle();
            cells = cellsOf(*viewer.currentReport());
        });
        EXPECT_TRUE(test_support::chooseFromMenus(*window().mnuAuditTrail));
        return opened;
    }

    QString title, subtitle, cells;
};

const QString Today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));

} // namespace

TEST_P(AuditTrailTest, TheDialogOffersTheLastThirtyDaysAndEveryUser) {
    renameAsPharmacist(QStringLiteral("Analgesics"));
    QStringList offered;
    QDate from, to;
    ASSERT_TRUE(runAuditTrail([&](frmAuditRange& range) {
        from = range.dtpFrom->date();
        to = range.dtpTo->date();
        EXPECT_TRUE(range.dtpFrom->calendarPopup());
        for (int i = 0; i < range.cboUser->count(); ++i)
            offered << range.cboUser->itemText(i);
    }));

    EXPECT_EQ(to, QDate::currentDate());
    EXPECT_EQ(from.daysTo(to), 29);
    EXPECT_EQ(offered, (QStringList{"(all users)", "pharmacist"}));
    EXPECT_EQ(title, QStringLiteral("Audit Trail"));
    EXPECT_EQ(subtitle, QDate::currentDate().addDays(-29).toString(QStringLiteral("yyyy-MM-dd")) +
                            QStringLiteral(" to ") + Today + QStringLiteral(" \u00b7 all users"));
    // The fixture's own additions, made without a user's session, and the rename.
    EXPECT_TRUE(cells.contains(QStringLiteral("Anti-infective medicines")));
    EXPECT_TRUE(cells.contains(QStringLiteral("Analgesics")));
    EXPECT_TRUE(cells.contains(QStringLiteral("pharmacist")));
}

TEST_P(AuditTrailTest, TheDaysAndTheUserChooseTheLines) {
    renameAsPharmacist(QStringLiteral("Analgesics"));
    struct Case {
        const char* name;
        int fromDaysAgo, toDaysAgo;
        const char* user;
        bool rename, fixtureLines;
    };
    for (const Case& c : {
             Case{"today, all users", 0, 0, "(all users)", true, true},
             Case{"today, the pharmacist", 0, 0, "pharmacist", true, false},
             Case{"yesterday only", 1, 1, "(all users)", false, false},
             Case{"a user who changed nothing", 30, 0, "nobody", false, false},
         }) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(runAuditTrail([&](frmAuditRange& range) {
            range.dtpFrom->setDate(QDate::currentDate().addDays(-c.fromDaysAgo));
            range.dtpTo->setDate(QDate::currentDate().addDays(-c.toDaysAgo));
            range.cboUser->setCurrentText(QLatin1String(c.user));
        }));
        EXPECT_EQ(cells.contains(QStringLiteral("Analgesics")), c.rename) << cells.toStdString();
        EXPECT_EQ(cells.contains(QStringLiteral("Anti-infective medicines")), c.fixtureLines);
        EXPECT_TRUE(subtitle.endsWith(QString::fromLatin1(c.user) == QLatin1String("(all users)")
                                          ? QStringLiteral("all users")
                                          : QStringLiteral("user ") + QLatin1String(c.user)));
    }
}

TEST_P(AuditTrailTest, CancellingTheDialogShowsNoReport) {
    script.onModal(QStringLiteral("frmAuditRange"),
                   [](QDialog& dialog) { static_cast<frmAuditRange&>(dialog).cmdCancel->click(); });
    ASSERT_TRUE(test_support::chooseFromMenus(*window().mnuAuditTrail));
    EXPECT_EQ(script.modalsShown(), QStringList{QStringLiteral("frmAuditRange")});
}

FORMULARY_ENGINE_TESTS(AuditTrailTest);
