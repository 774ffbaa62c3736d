#pragma once

#include "platform/db/connection.h"

namespace database {

// The four rights each user (by employee code) may be given.
enum class Right { Classification, Drug, Generic, OtherDetails };

struct UserRights {
    bool isClassification = false;
    bool isDrug = false;
    bool isGeneric = false;
    bool isOtherDetails = false;
};

// The rights stored for the user; a user without a row, or a Null right,
// has the right not.
UserRights ReadUserRights(db::Connection& connection, const QString& userId);

// Grants or takes one right as one change; false when the database refuses it.
bool SaveUserRight(db::Connection& connection, const QString& userId, Right right, bool granted);

// Sets all four rights to the value as one change.
bool SetAllRights(db::Connection& connection, const QString& userId, bool granted);

} // namespace database
