#pragma once

#include "database/change.h"
#include "platform/db/connection.h"

#include <QDateTime>
#include <vector>

// The audit history: who changed what, when, from which workstation, and
// what it was before. Every change writes its lines in its own transaction:
// on a server the server's change functions write them (recording the log-in
// that called), on the embedded database runChange writes the notes the
// change left on its target. Lines are kept by the entry's kind and id, since
// node keys are reused. Each SQLite file keeps its own lines (the hospital
// record's live with it in patient_data), so that a change and its lines
// commit together; a server keeps the same two tables.
namespace database::audit {

// The entry kinds as the audit names them: "classification", "generic name",
// "drug", "other details", "user rights", "user", "stock item",
// "hospital record", "database", "restriction category".
QString kindWord(Entry entry);

// One line of the audit as read back.
struct Line {
    QDateTime when; // local time
    QString who;
    QString workstation;
    QString action; // in the user's words: "add", "rename", "move", ...
    QString kind;   // kindWord()
    QString entryId;
    QString nodeKey;
    QString name;
    QString before;
    QString after;
};

// A server's own time, log-in and workstation of a line, as expressions: the
// audit tables' defaults, which the change functions' lines take.
struct ServerStamp {
    QString changedAt;
    QString loginName;
    QString workstation;
};
const ServerStamp& serverStamp();

// The time of a line as the windows and the administration tool show it: to
// the second, so that changes made close together stay apart.
QString timeText(const QDateTime& when);

// The changes of one entry, newest first: a generic name's with its other
// details, a drug's with its stock item.
std::vector<Line> history(db::Connection& connection, Entry entry, const QVariant& id);

// Every line from since up to (not including) until, oldest first; of one
// user only when user is not empty. A null since or until leaves that end open.
std::vector<Line> trail(db::Connection& connection, const QDateTime& since, const QDateTime& until,
                        const QString& user = {});

// Writes the notes of a change on the embedded database; on a server the
// change functions write their own. Within the change's transaction.
void writeNotes(db::Connection& connection, const QString& who,
                const std::vector<AuditNote>& notes);

// Who makes changes on a connection without a user's session (the
// administration tool on an embedded database): the system account.
QString systemAccount();

// Lines for many entries in one statement, as bulk loads write them: the
// select gives action, entry_kind, entry_id, node_key, entry_name,
// before_value and after_value. Who as for noteImportedItems.
void noteRows(db::Connection& connection, const QString& select, const QVariantList& values,
              const QString& who);

// One line per stock item in the staging table, which holds only new items
// and items whose texts (the columns named, shown under the labels) differ
// from the stored ones: "items imported", the texts before and after. One
// statement on both engines, before the items are merged. Who is the
// change's (a server records its own).
void noteImportedItems(db::Connection& connection, const QString& stagingTable,
                       const QStringList& texts, const QStringList& labels, const QString& who);

// The four rights of a user as the audit shows them, e.g.
// "Classification: Yes, Drug: No, Generic: No, Other Details: No".
QString rightsText(db::Connection& connection, const QString& userId);

} // namespace database::audit
