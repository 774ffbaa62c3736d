#pragma once

#include "database/change.h"
#include "database/name_search.h"
#include "platform/db/connection.h"

#include <QSet>
#include <optional>

namespace formulary_data {

// What the four objects of the component share: the shape of node keys and
// the writing of nodes, always inside the caller's transaction.
namespace node_store {

inline const QString RootKey = QStringLiteral("_0");

// A name of only blanks names nothing: an entry stored so could not be found
// or told apart in the tree and the lists.
inline bool isBlankName(const QString& name) {
    return name.trimmed().isEmpty();
}

// The key of the child numbered n under the parent ("_3" under "_0", "_3.1" under "_3").
QString childKey(const QString& parentKey, qint64 number);

// The child number of a key when it is a well-formed child key of the parent.
std::optional<qint64> childNumber(const QString& parentKey, const QString& key);

// The numbers of the parent's stored children.
QSet<qint64> childNumbers(db::Connection& c, const QString& parentKey);

struct StoredNode {
    QString key;
    QString parent;
    QString type;
    int level = 0;
    qint64 childCount = 0;
    QString entryId; // the classification's or generic name's id, the item's itemid
};

std::optional<StoredNode> find(db::Connection& c, const QString& key);

// The node as the workstation saw it: the node at its key when that is still
// of its kind and names its entry (an identity without an id names any).
// Keys are reused, so a key alone may name another entry by now.
std::optional<StoredNode> findAsSeen(db::Connection& c, const database::NodeIdentity& seen);

// Inserts a node under the parent. The key is the caller's: when another
// workstation took it meanwhile, the next free number is used and the key is
// changed to it. Returns false when the key is not a child key of the parent.
bool insert(db::Connection& c, const StoredNode& parent, QString& key, database::NodeKind kind,
            const QVariant& id);

// A node's identity as a server's change function takes it: key, type, id.
QVariantList seenValues(const database::NodeIdentity& seen);

// The key that a server's change function answered for a new node, taken
// into key; false when the change was refused (no key).
bool placed(QString& key, const QVariant& answer);

// Removes a node that has no children; false when it has or does not exist.
bool removeLeaf(db::Connection& c, const QString& key);

// What the audit says of a placement: the entry's name and its parent's.
struct NodeNames {
    QString name;
    QVariant parentName;
};
std::optional<NodeNames> namesAt(db::Connection& c, const QString& key);

// Notes on the target that its entry now stands at key: "assign", or "move"
// from where it was.
void notePlaced(db::Connection& c, database::ChangeTarget& target, const QString& key,
                const std::optional<NodeNames>& was);

// Removes the leaf at key as removeLeaf does, and notes "remove" on the target.
bool removeNoted(db::Connection& c, database::ChangeTarget& target, const QString& key);

// The condition of a list search on folded columns and its values, for a
// match scope of the list calls (see database::containsKey; the index and the
// row's column for it narrow a list of many rows). Throws AppError for an
// unknown scope.
using Match = database::NameSearch;
Match match(db::Engine engine, int scope, const QString& search, const QString& nameColumn,
            const QString& descriptionColumn = {},
            database::NameIndex index = database::NameIndex::None, const QString& rowColumn = {});

// The condition that leaves out withdrawn entries: those whose stored status
// is Withdrawn, found by the generic name's id or the stock item's itemid
// column named (either may be empty).
QString notWithdrawn(const QString& genericColumn, const QString& itemColumn = {});

} // namespace node_store
} // namespace formulary_data
