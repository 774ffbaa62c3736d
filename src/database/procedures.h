#pragma once

#include "platform/db/connection.h"

// The stored procedures of the formulary database, written once for both
// engines as statements run through the data layer, and called by their names.
// Procedures that write rows for their caller keep them under the
// connection's session id.
namespace database {

// One row when the formulary tree holds a node with the key, none otherwise.
db::Recordset For_FoundNode(db::Connection& connection, const QString& nodeKey);

// The classifications, generic names and drugs whose name contains the text
// (case-insensitive, Unicode-aware, '%' and '_' taken literally), with
// ItemName, ParentName (Null under the root) and Node_Key, ordered by folded
// name, then key. An empty text finds nothing.
db::Recordset For_SearchNodeList(db::Connection& connection, const QString& searchText);

// Replaces this session's traced path by the key of the node and of its
// ancestors (without the root). A key that names no node leaves the path empty.
void For_TraceParent(db::Connection& connection, const QString& nodeKey);

// This session's traced path, ancestors before their descendants.
QStringList TracedPath(db::Connection& connection);

// Report preparation, step 1: this session's classifications with their level
// and their path from the root ("Parent > Child").
void Formulary_NodeLevel(db::Connection& connection);

// Report preparation, step 2: this session's report lines, one per drug (or
// per generic name without drugs, or classification without generic names),
// with each generic name's other details.
void Formulary_Generate(db::Connection& connection);

// What Delete_Generic did, in the one row it returns (column "result").
enum class DeleteGenericResult { Deleted = 0, UnderClassification = 1, HasDrugs = 2, NotFound = 3 };

// Deletes a generic name from the master list, with its other details. A
// generic name that still sits under a classification, or still has drugs, is
// refused: its node would point at nothing.
db::Recordset Delete_Generic(db::Connection& connection, qint64 genericCode);

// The users whose last name contains the text (all for an empty text): the
// employee number first, then the name.
db::Recordset sp_Inv_ListUser(db::Connection& connection, const QString& lastName);

} // namespace database
