#pragma once

#include "platform/db/connection.h"

namespace database {

// Each node keeps the name it shows and its folded form, copied from its
// classification, generic name or stock item, so that the tree loads and is
// searched without joins. Every writer of those names calls this afterwards.
// The root has no entry of its own and no name to bring in line.
enum class NodeKind { Classification, Generic, Drug, Root };

// Brings the nodes of that kind in line; with an id, only the node of that
// classification, generic name or stock item.
void syncNodeNames(db::Connection& connection, NodeKind kind, const QVariant& id = {});

// The statement that brings in line the node of one entry of that kind; its
// one value is the entry's id.
QString nodeNameSyncStatement(NodeKind kind);

// Brings in line the nodes of that kind whose id the SELECT answers.
void syncNodeNamesIn(db::Connection& connection, NodeKind kind, const QString& idSelect);

void syncAllNodeNames(db::Connection& connection);

} // namespace database
