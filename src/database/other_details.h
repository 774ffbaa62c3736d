#pragma once

#include "platform/db/connection.h"

namespace database {

// The free-text details kept for a generic name, one text per generic name.

// The generic name's details; empty when none are kept.
QString ReadOtherDetails(db::Connection& connection, qint64 genericId);

// Stores the details as one change: a text stored meanwhile by another
// workstation is replaced, not doubled. False when the database refuses it
// (a generic name deleted meanwhile).
bool SaveOtherDetails(db::Connection& connection, qint64 genericId, const QString& details);

} // namespace database
