#include "core/LoadUserSettings.h"
#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"

using test_support::LoggedInRunTest;

class LoadUserSettingsTest : public LoggedInRunTest {
protected:
    void store(const QVariantList& rights) {
        conn->execute(QStringLiteral("DELETE FROM inventory.tbforUserSettings"));
        if (!rights.isEmpty())
            conn->execute(QStringLiteral("INSERT INTO inventory.tbforUserSettings (userid,"
                                         " isClassification, isDrug, isGeneric, isOtherDetails)"
                                         " VALUES ('E-pharmacist', ?, ?, ?, ?)"),
                          rights);
    }
    static std::vector<bool> loaded() {
        return {mdlFormulary.isClassification, mdlFormulary.isDrug, mdlFormulary.isGeneric,
                mdlFormulary.isOtherDetails};
    }
};

TEST_P(LoadUserSettingsTest, ReadsEachRightFromItsOwnColumnAndNullOrNoRowIsNone) {
    Main();
    ASSERT_TRUE(mdlFormulary.objMainWindow);
    const QVariant null(QMetaType::fromType<bool>());
    const struct {
        const char* stored;
        QVariantList rights; // isClassification, isDrug, isGeneric, isOtherDetails
        std::vector<bool> expected;
    } cases[] = {
        {"all", {true, true, true, true}, {true, true, true, true}},
        {"classification", {true, false, false, false}, {true, false, false, false}},
        {"drug", {false, true, false, false}, {false, true, false, false}},
        {"generic", {false, false, true, false}, {false, false, true, false}},
        {"other details", {false, false, false, true}, {false, false, false, true}},
        {"Nulls", {null, null, null, null}, {false, false, false, false}},
        {"no row", {}, {false, false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        mdlFormulary.isClassification = mdlFormulary.isDrug = true;
        mdlFormulary.isGeneric = mdlFormulary.isOtherDetails = true;
        store(c.rights);
        LoadUserSettings();
        EXPECT_EQ(loaded(), c.expected);
    }
}

TEST_P(LoadUserSettingsTest, ALookOnlyUserIsNotAuthorizedWhateverTheRights) {
    addUser(QStringLiteral("viewer"), QStringLiteral("VW"), QStringLiteral("BB"));
    const struct {
        const char* user;
        bool right;
        bool authorized;
    } cases[] = {
        {"pharmacist", true, true},
        {"pharmacist", false, false},
        {"viewer", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + (c.right ? " with" : " without") + " the right");
        mdlFormulary.clear();
        logInAs(QLatin1String(c.user));
        Main();
        ASSERT_TRUE(mdlFormulary.objMainWindow);
        const auto messages = script.messages().size();
        if (!c.authorized)
            script.answerNext(ui::Answer::OK);
        EXPECT_EQ(Authorized(c.right), c.authorized);
        ASSERT_EQ(script.messages().size(), messages + (c.authorized ? 0 : 1));
        if (!c.authorized) {
            EXPECT_EQ(script.messages().back().text, QStringLiteral("Not authorized!"));
            EXPECT_EQ(script.messages().back().icon, ui::Icon::Information);
            EXPECT_EQ(script.messages().back().buttons, ui::Buttons::OK);
        }
    }
}

FORMULARY_ENGINE_TESTS(LoadUserSettingsTest);
