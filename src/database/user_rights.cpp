#include "database/user_rights.h"

#include "database/audit.h"
#include "database/change.h"

namespace database {

namespace {

QString column(Right right) {
    static const char* const columns[] = {"isClassification", "isDrug", "isGeneric",
                                          "isOtherDetails"};
    return QLatin1String(columns[int(right)]);
}

bool granted(const db::Recordset& rs, Right right) {
    return !rs.eof() && rs.field(column(right)).toBool();
}

// Runs a write of the user's rights as one change, noted when the rights
// changed: the rights window writes back the shown rights unchanged.
bool changeRights(db::Connection& c, const QString& userId, const std::function<void()>& write) {
    ChangeTarget target{Entry::UserRights, userId};
    return runChange(c, target, [&] {
        const QString before = audit::rightsText(c, userId);
        write();
        if (const QString after = audit::rightsText(c, userId); after != before) {
            const db::Recordset user = c.query(
                QStringLiteral("SELECT username FROM inventory.tbUser WHERE employeecode = ?"),
                {userId});
            target.note(QStringLiteral("right changed"),
                        user.eof() ? QString() : user.text(QStringLiteral("username")), {}, before,
                        after);
        }
        return true;
    });
}

} // namespace

UserRights ReadUserRights(db::Connection& c, const QString& userId) {
    const db::Recordset rs =
        c.query(QStringLiteral("SELECT isClassification, isDrug, isGeneric, isOtherDetails"
                               " FROM inventory.tbforUserSettings WHERE userid = ?"),
                {userId});
    return {granted(rs, Right::Classification), granted(rs, Right::Drug),
            granted(rs, Right::Generic), granted(rs, Right::OtherDetails)};
}

// A user without a row gets one; the other rights of a new row stay Null.
bool SaveUserRight(db::Connection& c, const QString& userId, Right right, bool value) {
    if (onServer(c))
        return serverChange(c, QStringLiteral("user_right_save"), {userId, column(right), value})
            .toBool();
    return changeRights(c, userId, [&] {
        c.execute(
            QStringLiteral("INSERT INTO inventory.tbforUserSettings (userid, %1)"
                           " VALUES (?, ?) ON CONFLICT (userid) DO UPDATE SET %1 = excluded.%1")
                .arg(column(right)),
            {userId, value});
    });
}

bool SetAllRights(db::Connection& c, const QString& userId, bool value) {
    if (onServer(c))
        return serverChange(c, QStringLiteral("user_rights_set_all"), {userId, value}).toBool();
    return changeRights(c, userId, [&] {
        c.execute(QStringLiteral(
                      "INSERT INTO inventory.tbforUserSettings"
                      " (userid, isClassification, isDrug, isGeneric, isOtherDetails)"
                      " VALUES (?, ?, ?, ?, ?) ON CONFLICT (userid) DO UPDATE SET"
                      " isClassification = excluded.isClassification, isDrug = excluded.isDrug,"
                      " isGeneric = excluded.isGeneric, isOtherDetails = excluded.isOtherDetails"),
                  {userId, value, value, value, value});
    });
}

} // namespace database
