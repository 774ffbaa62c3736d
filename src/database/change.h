#pragma once

#include "database/node_names.h"
#include "platform/db/connection.h"

#include <functional>
#include <vector>

namespace database {

// A tree entry as the workstation saw it. Node keys are reused, so a key
// alone does not name an entry: a tree change names its node by key, type
// and id together (the classification's or generic name's id, the stock
// item's itemid; 0 for the root).
struct NodeIdentity {
    QString key;
    NodeKind type = NodeKind::Root;
    QVariant id;
};

// The node type a kind of node is stored with: "1", "2", "3"; "0" for the root.
QString nodeTypeOf(NodeKind kind);

// Whether the stored node is the entry the workstation saw: of its kind, and
// with its id when it knew one.
bool sameEntry(const NodeIdentity& seen, const NodeIdentity& stored);

// The kinds of entry that changes are made to.
enum class Entry {
    Classification,
    GenericName,
    Drug,
    OtherDetails,
    UserRights,
    User,
    StockItem,
    Hospital,
    Database,    // the whole database, as a restore replaces it
    Restriction, // a restriction category of the formulary status
};

// One line of the audit that a change leaves: what it did to one entry, in
// the user's words ("add", "rename", "move", ...), and the value before and
// after (null where there is none).
struct AuditNote {
    Entry entry;
    QVariant id;
    QString action;
    QString name;
    QString nodeKey;
    QVariant before;
    QVariant after;
};

// What one change is made to: the entry's kind and id (empty until the work
// has made a new entry, which then sets it), and the audit notes the work
// leaves, which are written with the change.
struct ChangeTarget {
    ChangeTarget(Entry entryKind, QVariant entryId) : entry(entryKind), id(std::move(entryId)) {}

    Entry entry;
    QVariant id;
    std::vector<AuditNote> notes;
    QString who; // set by runChange for the work: the user making the change

    // A note on the target entry itself.
    void note(const QString& action, const QString& name, const QString& nodeKey,
              const QVariant& before, const QVariant& after) {
        notes.push_back({entry, id, action, name, nodeKey, before, after});
    }
};

// The one way every change to the embedded database is made: the work runs
// as one transaction and answers false when the rules refuse the change. A
// change the database refuses (an integrity rule) rolls back and answers
// false, as a refusal of the rules does; any other error is thrown. The
// target's audit notes are written in the same transaction. A user
// without the right for the entry (a look-only user for any) is refused with
// AppError::PermissionDenied; a connection without a user's session (the
// administration tool) is not checked, since whoever opens the files may.
bool runChange(db::Connection& connection, ChangeTarget& target, const std::function<bool()>& work);

// Changes run a second time since the program started, after meeting another
// workstation's change (for the stress figures).
qint64 changeRetries();

// On a server the same changes are made by the server's own function for
// each (see server_changes.h), which checks the rights of the log-in.
bool onServer(const db::Connection& connection);

// Calls the server's change function "inventory.<function>" with the values;
// its result, or null when an integrity rule refused the change. A refusal of
// the user's rights is thrown as AppError::PermissionDenied.
QVariant serverChange(db::Connection& connection, const QString& function,
                      const QVariantList& values);

} // namespace database
