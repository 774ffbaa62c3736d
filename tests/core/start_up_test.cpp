#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"
#include "database/hospital.h"
#include "database/item_master.h"
#include "platform/ui/error_report.h"
#include "platform/ui/panel_status_bar.h"
#include "tree/frmFormulary.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>

using test_support::LoggedInRunTest;

namespace {

const QString NoServer = QStringLiteral("Program was unable to connect to server.");

bool splashShown() {
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("frmSplash") && window->isVisible())
            return true;
    return false;
}

bool splashExists() {
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("frmSplash"))
            return true;
    return false;
}

// What the run looked like when the failure message came up.
struct AtMessage {
    bool splash = true;
    bool formularyConnected = true;
    bool componentsHeld = false;
};

ui::Script::MessageAnswer noting(AtMessage& at) {
    return [&at](const ui::MessageShown&) {
        at.splash = splashShown();
        at.componentsHeld = mdlFormulary.objFormulary && mdlFormulary.objCurrentUser;
        at.formularyConnected = at.componentsHeld && mdlFormulary.objFormulary->isConnected();
        return ui::Answer::OK;
    };
}

void expectNoServerMessage(const ui::Script& script) {
    ASSERT_EQ(script.messages().size(), 1u);
    const ui::MessageShown& shown = script.messages()[0];
    EXPECT_EQ(shown.text, NoServer);
    EXPECT_EQ(shown.icon, ui::Icon::Critical);
    EXPECT_EQ(shown.buttons, ui::Buttons::OK);
    EXPECT_EQ(shown.title, ui::MessageBox::applicationTitle());
}

void expectRunEnded() {
    EXPECT_FALSE(mdlFormulary.objMainWindow);
    EXPECT_FALSE(mdlFormulary.objCurrentUser);
    EXPECT_FALSE(mdlFormulary.objFormulary);
    EXPECT_FALSE(splashExists());
}

} // namespace

class StartUpTest : public LoggedInRunTest {};

TEST_P(StartUpTest, LogInCancelledNeverConnectsAndSaysSo) {
    bool splashAtLogIn = true;
    mdlFormulary.loginPrompt = [&](const QString&) {
        splashAtLogIn = splashShown();
        return std::optional<current_user::Credentials>();
    };
    AtMessage at;
    script.answerNext(noting(at));

    Main();

    expectNoServerMessage(script);
    EXPECT_FALSE(splashAtLogIn);
    EXPECT_FALSE(at.splash);
    EXPECT_TRUE(at.componentsHeld);
    EXPECT_FALSE(at.formularyConnected);
    expectRunEnded();
}

TEST_P(StartUpTest, LogInOpensTheMainWindowWithTheHospitalAndInitials) {
    // First without a hospital record, then with one.
    for (const bool withHospital : {false, true}) {
        SCOPED_TRACE(withHospital);
        if (withHospital) {
            ASSERT_TRUE(database::saveHospital(*conn, {QStringLiteral("General Hospital"),
                                                       QStringLiteral("St Luke's General Hospital"),
                                                       QStringLiteral("12 Harbour Road")}));
        }
        mdlFormulary.strCompany = QStringLiteral("left over");
        logInAs(QStringLiteral("pharmacist"));

        Main();

        ASSERT_TRUE(mdlFormulary.objMainWindow);
        frmFormulary& window = *mdlFormulary.objMainWindow;
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarnvel - Formulary"));
        EXPECT_EQ(window.staFormulary->Panels(2).text(), QStringLiteral("PL"));
        EXPECT_EQ(mdlFormulary.strCompany,
                  withHospital ? QStringLiteral("St Luke's General Hospital") : QString());
        EXPECT_EQ(mdlFormulary.strAddress1,
                  withHospital ? QStringLiteral("12 Harbour Road") : QString());
        EXPECT_FALSE(mdlFormulary.FindInProgress);
        EXPECT_EQ(mdlFormulary.objCurrentUser->PasswordDeptCode, QStringLiteral("62"));
        EXPECT_EQ(mdlFormulary.objCurrentUser->sqlconnection().commandTimeout(), 240);
        EXPECT_TRUE(mdlFormulary.objFormulary->isConnected());
        EXPECT_FALSE(splashExists());
        EXPECT_TRUE(script.messages().empty());
        mdlFormulary.clear();
    }
}

TEST_P(StartUpTest, ErrorDuringStartUpGoesToTheErrorReport) {
    conn->execute(QStringLiteral("DROP TABLE patient_data.tbHospitalInfo"));
    script.answerNext(ui::Answer::OK);

    EXPECT_FALSE(ui::runCommand(Main));

    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::Critical);
    EXPECT_TRUE(
        script.messages()[0].text.contains(QStringLiteral("tbHospitalInfo"), Qt::CaseInsensitive));
    EXPECT_EQ(script.exitCode(), ui::ErrorExitCode);
    EXPECT_FALSE(splashExists());
}

FORMULARY_ENGINE_TESTS(StartUpTest);

TEST(StartUpWithoutServerTest, UnreachableDatabaseShowsNoLogInAndSaysSo) {
    ui::Script script;
    QTemporaryDir folder;
    qputenv("FORMULARY_DATABASE", folder.filePath(QStringLiteral("missing")).toUtf8());
    int prompts = 0;
    mdlFormulary.loginPrompt = [&](const QString&) {
        ++prompts;
        return std::optional<current_user::Credentials>();
    };
    AtMessage at;
    script.answerNext(noting(at));

    testing::internal::CaptureStderr();
    Main();
    const std::string printed = testing::internal::GetCapturedStderr();

    expectNoServerMessage(script);
    EXPECT_EQ(prompts, 0);
    EXPECT_FALSE(at.splash);
    EXPECT_FALSE(at.formularyConnected);
    EXPECT_NE(printed.find("formulary: "), std::string::npos) << printed;
    expectRunEnded();
    mdlFormulary.clear();
    qunsetenv("FORMULARY_DATABASE");
}
