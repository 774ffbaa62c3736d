#pragma once

#include "components/current_user/user_store.h"

// The user that the log-in tests log in as, with the password "right".
inline current_user::UserRecord paulaRees(const QString& rightsClass,
                                          const QString& initials = {}) {
    current_user::UserRecord u;
    u.employeecode = QStringLiteral("E100");
    u.username = QStringLiteral("pharmacist");
    u.firstname = QStringLiteral("Paula");
    u.lastname = QStringLiteral("Rees");
    u.initials = initials;
    u.rightsclass = rightsClass;
    u.isadmin = true;
    return u;
}
