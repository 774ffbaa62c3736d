#include "database/audit.h"

#include "database/user_rights.h"
#include "platform/db/text_match.h"

#include <pwd.h>
#include <unistd.h>

namespace database::audit {

namespace {

const QString kColumns = QStringLiteral(
    "changed_at, login_name, workstation, action, entry_kind, entry_id, node_key, entry_name,"
    " before_value, after_value");

// The table of the file that holds the entry: the hospital record lives apart.
QString tableOf(Entry entry) {
    return entry == Entry::Hospital ? QStringLiteral("patient_data.tbAudit")
                                    : QStringLiteral("inventory.tbAudit");
}

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::vector<Line> readLines(const db::Recordset& rs) {
    std::vector<Line> lines;
    lines.reserve(std::size_t(rs.recordCount()));
    for (int row = 0; row < rs.recordCount(); ++row) {
        const auto text = [&](int column) { return rs.value(row, column).toString(); };
        lines.push_back({QDateTime::fromMSecsSinceEpoch(rs.value(row, 0).toLongLong()), text(1),
                         text(2), text(3), text(4), text(5), text(6), text(7), text(8), text(9)});
    }
    return lines;
}

// An id or value as text, Null staying Null.
QVariant asText(const QVariant& value) {
    return value.isNull() ? QVariant() : QVariant(value.toString());
}

} // namespace

QString kindWord(Entry entry) {
    switch (entry) {
    case Entry::Classification:
        return QStringLiteral("classification");
    case Entry::GenericName:
        return QStringLiteral("generic name");
    case Entry::Drug:
        return QStringLiteral("drug");
    case Entry::OtherDetails:
        return QStringLiteral("other details");
    case Entry::UserRights:
        return QStringLiteral("user rights");
    case Entry::User:
        return QStringLiteral("user");
    case Entry::StockItem:
        return QStringLiteral("stock item");
    case Entry::Database:
        return QStringLiteral("database");
    case Entry::Restriction:
        return QStringLiteral("restriction category");
    case Entry::Hospital:
        break;
    }
    return QStringLiteral("hospital record");
}

const ServerStamp& serverStamp() {
    static const ServerStamp stamp{
        QStringLiteral("CAST(extract(epoch FROM now()) * 1000 AS BIGINT)"),
        QStringLiteral("CAST(session_user AS TEXT)"),
        QStringLiteral("concat_ws(' ', NULLIF(current_setting('application_name'), ''),"
                       " '(' || host(inet_client_addr()) || ')')")};
    return stamp;
}

QString timeText(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::vector<Line> history(db::Connection& c, Entry entry, const QVariant& id) {
    // A generic name's other details and a drug's stock item are part of its story.
    const Entry alongside = entry == Entry::GenericName ? Entry::OtherDetails
                            : entry == Entry::Drug      ? Entry::StockItem
                                                        : entry;
    return readLines(c.query(QStringLiteral("SELECT %1 FROM inventory.tbAudit"
                                            " WHERE entry_kind IN (?, ?) AND entry_id = ?"
                                            " ORDER BY changed_at DESC, audit_id DESC")
                                 .arg(kColumns),
                             {kindWord(entry), kindWord(alongside), id.toString()}));
}

std::vector<Line> trail(db::Connection& c, const QDateTime& since, const QDateTime& until,
                        const QString& user) {
    const qint64 from = since.isValid() ? since.toMSecsSinceEpoch() : 0;
    const qint64 to =
        until.isValid() ? until.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
    const QString where = QStringLiteral(" WHERE changed_at >= ? AND changed_at < ?"
                                         " AND (? = '' OR login_name = ?)");
    // A null text would be bound as NULL, which equals nothing.
    const QString who = user.isNull() ? QStringLiteral("") : user;
    const QVariantList values = {from, to, who, who};
    return readLines(c.query(QStringLiteral("SELECT %1 FROM (SELECT %1, audit_id FROM"
                                            " inventory.tbAudit%2 UNION ALL SELECT %1, audit_id"
                                            " FROM patient_data.tbAudit%2) a"
                                            " ORDER BY changed_at, audit_id")
                                 .arg(kColumns, where),
                             values + values));
}

void writeNotes(db::Connection& c, const QString& who, const std::vector<AuditNote>& notes) {
    for (const AuditNote& n : notes)
        c.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                      .arg(tableOf(n.entry), kColumns),
                  {nowMs(), who, db::workstationName(), n.action, kindWord(n.entry), asText(n.id),
                   db::nullIfEmpty(n.nodeKey), n.name, asText(n.before), asText(n.after)});
}

QString systemAccount() {
    const passwd* account = getpwuid(geteuid());
    const QString name =
        account ? QString::fromLocal8Bit(account->pw_name) : QString::number(geteuid());
    return QStringLiteral("%1 (system account)").arg(name);
}

void noteRows(db::Connection& c, const QString& select, const QVariantList& values,
              const QString& who) {
    // On a server the time, the log-in and the workstation are the server's
    // own; worked out once for all the lines, not once a line.
    const bool server = onServer(c);
    const ServerStamp& s = serverStamp();
    const QString stamp =
        server ? QStringLiteral("%1, %2, %3").arg(s.changedAt, s.loginName, s.workstation)
               : QStringLiteral("?, ?, ?");
    const QVariantList stampedValues =
        server ? values : QVariantList{nowMs(), who, db::workstationName()} + values;
    c.execute(QStringLiteral("WITH w (changed_at, login_name, workstation) AS MATERIALIZED"
                             " (SELECT %1) INSERT INTO inventory.tbAudit (changed_at, login_name,"
                             " workstation, action, entry_kind, entry_id, node_key, entry_name,"
                             " before_value, after_value) SELECT w.*, a.* FROM w, (%2) a")
                  .arg(stamp, select),
              stampedValues);
}

void noteImportedItems(db::Connection& c, const QString& staging, const QStringList& texts,
                       const QStringList& labels, const QString& who) {
    // The item's texts, one line each, so that a change of any of them shows.
    const auto itemText = [&](const QString& alias) {
        QStringList parts;
        for (qsizetype i = 0; i < texts.size(); ++i)
            parts << QStringLiteral("'%1: ' || COALESCE(%2.%3, '')")
                         .arg(labels.at(i), alias, texts.at(i));
        return parts.join(QStringLiteral(" || '\n' || "));
    };
    // The stored texts are looked up item by item: a join would read the
    // whole item master for a small file.
    noteRows(c,
             QStringLiteral("SELECT 'items imported', 'stock item', s.itemid, NULL, s.itemname,"
                            " (SELECT %1 FROM inventory.tbinvmaster m WHERE m.itemid = s.itemid),"
                            " %2 FROM %3 s")
                 .arg(itemText(QStringLiteral("m")), itemText(QStringLiteral("s")), staging),
             {}, who);
}

QString rightsText(db::Connection& c, const QString& userId) {
    const UserRights rights = ReadUserRights(c, userId);
    const auto yesNo = [](bool granted) {
        return granted ? QStringLiteral("Yes") : QStringLiteral("No");
    };
    return QStringLiteral("Classification: %1, Drug: %2, Generic: %3, Other Details: %4")
        .arg(yesNo(rights.isClassification), yesNo(rights.isDrug), yesNo(rights.isGeneric),
             yesNo(rights.isOtherDetails));
}

} // namespace database::audit
