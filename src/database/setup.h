#pragma once

#include "platform/db/connection.h"

#include <memory>

// Setting up a database for use: what the administration tool, the demo data
// and the generated formularies share.
namespace database {

// Opens the database named by the target (a folder or a postgresql:// URL),
// creating an embedded one when missing, and applies pending schema upgrades.
std::unique_ptr<db::Connection> openCreating(const QString& target);

// True when any part of a formulary is stored: a node besides the root, a
// classification, a generic name or a stock item.
bool holdsFormulary(db::Connection& connection);

// Throws AppError when the database holds a formulary already: the demo data
// and the generated formularies are written into an empty one only.
void requireEmptyFormulary(db::Connection& connection);

} // namespace database
