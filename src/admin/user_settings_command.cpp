#include "admin/user_settings_command.h"

#include "admin/frmUserSettings.h"
#include "core/LoadUserSettings.h"
#include "core/mdlFormulary.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "tree/frmFormulary.h"

void mnuUserSettings_Click(frmFormulary& window) try {
    const bool administrator = mdlFormulary.objCurrentUser->checkusersettings();
    // An administrator who may only look is refused like any other change.
    if (administrator && Authorized(administrator)) {
        frmUserSettings settings(&window);
        settings.Form_Load();
        ui::showModal(settings);
    }
    LoadUserSettings();
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuUserSettings_Click"));
}
