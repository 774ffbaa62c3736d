#include "core/mdlFormulary.h"

#include "core/frmSplash.h"
#include "platform/app_error.h"
#include "platform/it_log.h"
#include "platform/ui/message_box.h"
#include "platform/ui/show_now.h"
#include "tree/frmFormulary.h"

#include <QApplication>

FormularyModule mdlFormulary;

FormularyModule::FormularyModule() = default;
FormularyModule::~FormularyModule() = default;

void FormularyModule::releaseComponents() {
    objCurrentUser.reset();
    objFormulary.reset();
}

void FormularyModule::clear() {
    objMainWindow.reset();
    releaseComponents();
    FindInProgress = false;
    strCompany.clear();
    strAddress1.clear();
    isClassification = isGeneric = isDrug = isOtherDetails = false;
    loginPrompt = {};
}

namespace {

// Seconds a statement on the user's connection may run.
constexpr int CommandTimeout = 240;

bool connectToServer(FormularyModule& m) {
    if (!m.objCurrentUser->Connected()) {
        const QString why = m.objCurrentUser->connectError();
        if (!why.isEmpty())
            it_log::report(why);
        return false;
    }
    m.objCurrentUser->sqlconnection().setCommandTimeout(CommandTimeout);
    if (!m.objFormulary->Connect(m.objCurrentUser->connectionstr()))
        return false;
    // The tree's changes are the user's too: an embedded database checks
    // their rights by the session (a server by the log-in).
    m.objFormulary->connection().setSessionId(m.objCurrentUser->sqlconnection().sessionId());
    return true;
}

} // namespace

void Main() try {
    FormularyModule& m = mdlFormulary;
    m.objFormulary = std::make_unique<formulary_data::Formulary>();
    m.objCurrentUser = std::make_unique<current_user::CurrentUser>();
    if (m.loginPrompt)
        m.objCurrentUser->setLoginPrompt(m.loginPrompt);
    m.objCurrentUser->PasswordDeptCode = QStringLiteral("62");
    m.objCurrentUser->ShowMain();
    m.FindInProgress = false;

    auto splash = std::make_unique<frmSplash>();
    ui::showNow(*splash);
    QCoreApplication::processEvents();

    if (connectToServer(m)) {
        m.objMainWindow = std::make_unique<frmFormulary>();
        m.objMainWindow->Form_Load();
        splash.reset();
        m.objMainWindow->show();
    } else {
        splash.reset();
        ui::MessageBox::show(QStringLiteral("Program was unable to connect to server."), {},
                             ui::Buttons::OK, ui::Icon::Critical);
        m.releaseComponents();
    }
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("mdlFormulary.Main"));
}
