#include "core/LoadUserSettings.h"

#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "platform/ui/message_box.h"

void LoadUserSettings() {
    FormularyModule& m = mdlFormulary;
    const db::Recordset rs = m.objCurrentUser->sqlconnection().query(
        QStringLiteral("select * from inventory.tbforUserSettings where userid = ?"),
        {m.objCurrentUser->employeecode()});
    if (rs.eof()) {
        m.isClassification = m.isDrug = m.isGeneric = m.isOtherDetails = false;
        return;
    }
    m.isClassification = IfNull(rs.field(QStringLiteral("isClassification")), false).toBool();
    m.isDrug = IfNull(rs.field(QStringLiteral("isDrug")), false).toBool();
    m.isGeneric = IfNull(rs.field(QStringLiteral("isGeneric")), false).toBool();
    m.isOtherDetails = IfNull(rs.field(QStringLiteral("isOtherDetails")), false).toBool();
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
