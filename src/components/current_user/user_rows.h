#pragma once

#include "components/current_user/user_store.h"
#include "platform/db/recordset.h"

namespace current_user {

// The columns of inventory.tbUser that make a UserRecord, for a SELECT list.
QString userColumns();

// The user of the current row of a recordset selected with userColumns().
UserRecord readUser(const db::Recordset& rows);

// User names are kept and compared case-folded, without surrounding blanks.
QString foldedUserName(const QString& userName);

} // namespace current_user
