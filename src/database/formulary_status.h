#pragma once

#include "database/change.h"
#include "platform/db/connection.h"

#include <QDate>
#include <optional>

// What the Pharmacy and Therapeutics committee decided about a generic name
// or a drug: its formulary status, the restriction category when restricted,
// and when and where it was decided. The status belongs to the entry (the
// generic name's id, the stock item's itemid), not to its node key, so it
// follows the entry when it moves. An entry without a stored decision is on
// the formulary.
namespace database::formulary_status {

enum class Status : quint8 { Formulary, Restricted, NonFormulary, UnderReview, Withdrawn };

// "Formulary", "Restricted", "Non-formulary", "Under review", "Withdrawn":
// the window's words, stored as they are.
QString statusWord(Status status);
// The status of a stored word; Formulary for none.
Status statusOf(const QString& word);
inline constexpr Status AllStatuses[] = {Status::Formulary, Status::Restricted,
                                         Status::NonFormulary, Status::UnderReview,
                                         Status::Withdrawn};

struct Decision {
    Status status = Status::Formulary;
    QString restriction; // the category's name; for Restricted only
    QDate reviewBy;      // for Under review only
    QDate decidedOn;     // required for any status but Formulary
    QString note;
    QString reference; // the committee's minute
};

// Why the decision cannot be recorded, in the user's words; empty when it can.
QString problem(const Decision& decision);

// The stored decision of a generic name (Entry::GenericName, its id) or a
// drug (Entry::Drug, its itemid).
Decision read(db::Connection& connection, Entry entry, const QVariant& id);

// The status as the tree's tooltips show it: "Restricted: Specialist only",
// "Under review", "Withdrawn".
QString statusText(Status status, const QString& restriction);
// The status of such a text, and its restriction when it names one.
Status statusOfText(const QString& text, QString& restriction);

// The stored decision as the audit shows it in one line, e.g.
// "Restricted: Specialist only, decided 2026-11-04, minute P&T 2026/11", as
// an expression over the status row "s" and its category "r" that both
// engines evaluate, so that the server's change functions note the same.
const QString& decisionTextSql();

// Records the decision for the generic name or drug at the node the
// workstation saw, as one audited change. False when the node no longer
// holds that entry, the restriction category is gone, or the database
// refuses the decision; a user without the generic (generic names) or drug
// (drugs) right, or a look-only user, is refused with AppError::PermissionDenied.
bool save(db::Connection& connection, const NodeIdentity& node, const Decision& decision);

// What a change of the restriction categories met.
enum class CategoryResult : int { Done = 0, Taken = 1, NotFound = 2, InUse = 3, Invalid = 4 };

// The categories, by name.
QStringList restrictions(db::Connection& connection);

// Administrators only (anyone on an embedded database without a user's
// session, as the administration tool opens it). A name is compared as the
// lists match names: case-insensitively.
CategoryResult addRestriction(db::Connection& connection, const QString& name);
CategoryResult renameRestriction(db::Connection& connection, const QString& name,
                                 const QString& newName);
// Refused (InUse) while a generic name or drug is restricted to it.
CategoryResult removeRestriction(db::Connection& connection, const QString& name);

} // namespace database::formulary_status
