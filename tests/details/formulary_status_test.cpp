#include "tree/main_window_test.h"

#include "core/mdlFormulary.h"
#include "database/formulary_status.h"
#include "database/user_rights.h"
#include "details/frmFormularyStatus.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

// "Formulary Status" as a user reaches it: by the Formulary menu, the
// right-click menu and its shortcut; saved for the users whose rights allow
// it, shown read-only to the others, refused by the database when the
// window's idea of the rights is wrong; the tree's marks and tooltips.
using test_support::MainWindowTest;
using namespace database::formulary_status;

namespace {

enum class Route { FormularyMenu, RightClick, Shortcut };

const QString kGeneric = QStringLiteral("_2.1"); // Paracetamol, two drugs
const QString kDrug = QStringLiteral("_2.1.1");  // PCM500

class FormularyStatusTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_EQ(addRestriction(*conn, QStringLiteral("Specialist only")), CategoryResult::Done);
        addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
        setRights(QStringLiteral("viewer"), true); // the rights class alone holds them back
        addUser(QStringLiteral("genericist"), QStringLiteral("GN"), QStringLiteral("AA"));
        ASSERT_TRUE(database::SaveUserRight(*conn, QStringLiteral("E-genericist"),
                                            database::Right::Generic, true));
    }

    // Opens the window on the node by the route; what it showed, after the
    // handler has done its part.
    struct Shown {
        bool opened = false;
        QString title;
        bool okEnabled = false;
        QString status;
    };
    Shown openStatus(const QString& key, Route route,
                     const std::function<void(frmFormularyStatus&)>& act = {}) {
        Shown shown;
        script.onModal(QStringLiteral("frmFormularyStatus"), [&](QDialog& dialog) {
            auto& window = static_cast<frmFormularyStatus&>(dialog);
            shown = {true, window.windowTitle(), window.cmdOK->isEnabled(),
                     window.cboStatus->currentText()};
            if (act)
                act(window);
        });
        click(key);
        switch (route) {
        case Route::FormularyMenu:
            EXPECT_TRUE(test_support::chooseFromMenus(*window().mnuStatus));
            break;
        case Route::RightClick:
            rightClick(key, QStringLiteral("mnuStatus"));
            break;
        case Route::Shortcut:
            QApplication::setActiveWindow(&window()); // as the window system does after a dialog
            QTest::keyClick(window().treFormulary, Qt::Key_T, Qt::ControlModifier);
            break;
        }
        settle();
        return shown;
    }

    static void decide(frmFormularyStatus& w, const QString& status, const QString& restriction,
                       const QDate& decided) {
        w.cboStatus->setCurrentText(status);
        w.cboRestriction->setCurrentText(restriction);
        if (decided.isValid())
            w.dtpDecidedOn->setDate(decided);
        w.txtReference->setText(QStringLiteral("P&T 11/2026"));
    }

    Status stored(database::Entry entry, const QVariant& id) {
        return read(*conn, entry, id).status;
    }

    static void shows(QTreeWidgetItem* n, Status status, const QString& tip) {
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(ui::KeyedTree::markOf(n), quint8(status)) << n->text(0).toStdString();
        EXPECT_EQ(n->toolTip(0), tip) << n->text(0).toStdString();
    }

    // Opens the tree down to Paracetamol's drugs.
    void showParacetamol() {
        click(QStringLiteral("_2"));
        click(kGeneric);
    }

    qint64 paracetamol() const { return fixture->generic.value(QStringLiteral("Paracetamol")); }
};

} // namespace

TEST_P(FormularyStatusTest, EachUserChangesOnlyWhatTheirRightsAllowByEveryRoute) {
    const struct {
        const char* user;
        const char* key;
        Route route;
        bool saves;
    } cases[] = {
        {"pharmacist", "_2.1", Route::FormularyMenu, true},
        {"pharmacist", "_2.1.1", Route::RightClick, true},
        {"genericist", "_2.1", Route::Shortcut, true},
        {"genericist", "_2.1.1", Route::FormularyMenu, false},
        {"viewer", "_2.1", Route::RightClick, false},
        {"viewer", "_2.1.1", Route::Shortcut, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.key);
        for (const QString& onFormulary : {kGeneric, kDrug})
            ASSERT_TRUE(save(*conn, fixture->node(onFormulary), {}));
        open(QLatin1String(c.user));
        showParacetamol();
        const QString key = QLatin1String(c.key);
        const bool drug = key == kDrug;
        const QVariant id = drug ? QVariant(QStringLiteral("PCM500")) : QVariant(paracetamol());
        const database::Entry entry = drug ? database::Entry::Drug : database::Entry::GenericName;
        const Shown shown = openStatus(key, c.route, [&](frmFormularyStatus& w) {
            decide(w, QStringLiteral("Non-formulary"), {}, QDate(2026, 11, 4));
            w.cmdOK->click();
        });
        EXPECT_TRUE(shown.opened);
        EXPECT_EQ(shown.okEnabled, c.saves);
        EXPECT_EQ(shown.title, QStringLiteral("Formulary Status - ") + node(key)->text(0));
        EXPECT_EQ(shown.status, QStringLiteral("Formulary"));
        EXPECT_EQ(stored(entry, id), c.saves ? Status::NonFormulary : Status::Formulary);
        shows(node(key), c.saves ? Status::NonFormulary : Status::Formulary,
              c.saves ? QStringLiteral("Non-formulary") : QString());
    }
}

TEST_P(FormularyStatusTest, TheDatabaseRefusesAUserTheWindowWronglyTrusts) {
    addUser(QStringLiteral("clerk"), QStringLiteral("CK"), QStringLiteral("AA"));
    open(QStringLiteral("clerk"));
    // As a window would that read the rights before they were taken away.
    mdlFormulary.isGeneric = true;
    showParacetamol();
    script.answerNext(ui::Answer::OK);
    const Shown shown = openStatus(kGeneric, Route::FormularyMenu, [&](frmFormularyStatus& w) {
        decide(w, QStringLiteral("Withdrawn"), {}, QDate(2026, 11, 4));
        w.cmdOK->click();
    });
    EXPECT_TRUE(shown.okEnabled);
    ASSERT_FALSE(script.messages().empty());
    EXPECT_TRUE(script.messages().back().text.contains(QStringLiteral("no right to change")))
        << script.messages().back().text.toStdString();
    EXPECT_EQ(stored(database::Entry::GenericName, paracetamol()), Status::Formulary);
    shows(node(kGeneric), Status::Formulary, {});
}

TEST_P(FormularyStatusTest, MissingFieldsAreAskedForAndNothingIsSaved) {
    open();
    showParacetamol();
    const struct {
        const char* status;
        const char* restriction;
        QDate decided;
        const char* message;
    } cases[] = {
        {"Restricted", "", QDate(2026, 11, 4), "Please choose the restriction category."},
        {"Under review", "", QDate(2026, 11, 4),
         "Please enter the date by which the review is due."},
        {"Withdrawn", "", QDate(), "Please enter the date of the committee's decision."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        script.answerNext(ui::Answer::OK);
        bool stillOpen = false;
        openStatus(kGeneric, Route::FormularyMenu, [&](frmFormularyStatus& w) {
            decide(w, QLatin1String(c.status), QLatin1String(c.restriction), c.decided);
            w.cmdOK->click();
            stillOpen = w.isVisible();
        });
        EXPECT_TRUE(stillOpen);
        ASSERT_FALSE(script.messages().empty());
        EXPECT_EQ(script.messages().back().text, QLatin1String(c.message));
    }
    EXPECT_EQ(stored(database::Entry::GenericName, paracetamol()), Status::Formulary);
}

TEST_P(FormularyStatusTest, MarksAndTooltipsFollowTheStatusAndTheGenericNamesPassesToItsDrugs) {
    open();
    showParacetamol();
    openStatus(kDrug, Route::FormularyMenu, [&](frmFormularyStatus& w) {
        decide(w, QStringLiteral("Restricted"), QStringLiteral("Specialist only"),
               QDate(2026, 11, 4));
        w.cmdOK->click();
    });
    shows(node(kDrug), Status::Restricted, QStringLiteral("Restricted: Specialist only"));
    openStatus(kGeneric, Route::FormularyMenu, [&](frmFormularyStatus& w) {
        decide(w, QStringLiteral("Withdrawn"), {}, QDate(2026, 11, 4));
        w.cmdOK->click();
    });
    shows(node(kGeneric), Status::Withdrawn, QStringLiteral("Withdrawn"));
    for (const char* drug : {"_2.1.1", "_2.1.2"})
        shows(node(QLatin1String(drug)), Status::Withdrawn,
              QStringLiteral("Withdrawn (generic name)"));
    // The drug's window says why the tree shows the generic name's status.
    bool inheritedShown = false;
    openStatus(kDrug, Route::FormularyMenu, [&](frmFormularyStatus& w) {
        inheritedShown = !w.lblInherited->isHidden();
        EXPECT_EQ(w.cboStatus->currentText(), QStringLiteral("Restricted"));
    });
    EXPECT_TRUE(inheritedShown);

    // Loaded again, the tree shows what is stored; back on the formulary,
    // the drug shows its own status again.
    script.answerNext(ui::Answer::Yes); // "This may take some time."
    ASSERT_TRUE(test_support::chooseFromMenus(*window().mnuLoadAll));
    settle();
    shows(node(kGeneric), Status::Withdrawn, QStringLiteral("Withdrawn"));
    shows(node(kDrug), Status::Withdrawn, QStringLiteral("Withdrawn (generic name)"));
    openStatus(kGeneric, Route::FormularyMenu, [&](frmFormularyStatus& w) {
        decide(w, QStringLiteral("Formulary"), {}, {});
        w.cmdOK->click();
    });
    shows(node(kGeneric), Status::Formulary, {});
    shows(node(kDrug), Status::Restricted, QStringLiteral("Restricted: Specialist only"));
    shows(node(QStringLiteral("_2.1.2")), Status::Formulary, {});
    // Every mark is a picture of its own, unlike the plain one.
    const QImage plain =
        window().treFormulary->picture(QStringLiteral("tablet")).pixmap(16).toImage();
    std::vector<QImage> seen{plain};
    for (Status s :
         {Status::Restricted, Status::NonFormulary, Status::UnderReview, Status::Withdrawn}) {
        const QImage marked = window()
                                  .treFormulary->picture(QStringLiteral("tablet"), quint8(s))
                                  .pixmap(16)
                                  .toImage();
        EXPECT_EQ(std::count(seen.begin(), seen.end(), marked), 0) << statusWord(s).toStdString();
        seen.push_back(marked);
    }
}

TEST_P(FormularyStatusTest, TheItemComesAfterTheOthersAndOnlyForGenericNamesAndDrugs) {
    open();
    const QList<QAction*> items = window().mnuPopup->actions();
    EXPECT_EQ(items.indexOf(window().mnuStatus), items.indexOf(window().mnuHistory) + 1);
    EXPECT_EQ(window().mnuStatus->text(), QStringLiteral("Formulary &Status"));
    for (const auto& [key, enabled] : {std::pair{"_2", false}, std::pair{"_2.1", true},
                                       std::pair{"_2.1.1", true}, std::pair{"_0", false}}) {
        click(QLatin1String(key));
        EXPECT_EQ(window().mnuStatus->isEnabled(), enabled) << key;
    }
    // No other item of the window takes its shortcut.
    for (QAction* other : window().findChildren<QAction*>()) {
        if (other == window().mnuStatus)
            continue;
        EXPECT_NE(other->shortcut(), window().mnuStatus->shortcut())
            << other->objectName().toStdString();
    }
}

FORMULARY_ENGINE_TESTS(FormularyStatusTest);
