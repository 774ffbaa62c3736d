#include "core/LoadUserSettings.h"

#include "core/mdlFormulary.h"
#include "database/user_rights.h"
#include "platform/app_error.h"
#include "platform/ui/message_box.h"

void LoadUserSettings() try {
    FormularyModule& m = mdlFormulary;
    const database::UserRights rights = database::ReadUserRights(m.objCurrentUser->sqlconnection(),
                                                                 m.objCurrentUser->employeecode());
    m.isClassification = rights.isClassification;
    m.isDrug = rights.isDrug;
    m.isGeneric = rights.isGeneric;
    m.isOtherDetails = rights.isOtherDetails;
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("mdlFormulary.LoadUserSettings"));
}

bool MayOnlyLook() {
    return mdlFormulary.objCurrentUser->UserRights() == QLatin1String("BB");
}

bool Authorized(bool right) {
    if (right && !MayOnlyLook())
        return true;
    ui::MessageBox::show(QStringLiteral("Not authorized!"), {}, ui::Buttons::OK,
                         ui::Icon::Information);
    return false;
}
