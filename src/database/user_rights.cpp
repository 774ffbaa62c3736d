#include "database/user_rights.h"

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
    ChangeTarget target{Entry::UserRights, userId};
    return runChange(c, target, [&] {
        c.execute(
            QStringLiteral("INSERT INTO inventory.tbforUserSettings (userid, %1)"
                           " VALUES (?, ?) ON CONFLICT (userid) DO UPDATE SET %1 = excluded.%1")
                .arg(column(right)),
            {userId, value});
        return true;
    });
}

bool SetAllRights(db::Connection& c, const QString& userId, bool value) {
    if (onServer(c))
        return serverChange(c, QStringLiteral("user_rights_set_all"), {userId, value}).toBool();
    ChangeTarget target{Entry::UserRights, userId};
    return runChange(c, target, [&] {
        c.execute(QStringLiteral(
                      "INSERT INTO inventory.tbforUserSettings"
                      " (userid, isClassification, isDrug, isGeneric, isOtherDetails)"
                      " VALUES (?, ?, ?, ?, ?) ON CONFLICT (userid) DO UPDATE SET"
                      " isClassification = excluded.isClassification, isDrug = excluded.isDrug,"
                      " isGeneric = excluded.isGeneric, isOtherDetails = excluded.isOtherDetails"),
                  {userId, value, value, value, value});
        return true;
    });
}

} // namespace database
