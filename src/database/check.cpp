#include "database/check.h"

#include "database/schema.h"
#include "database/server_changes.h"
#include "database/server_roles.h"

namespace database::check {

namespace {

// A question of the data on both engines: each row it answers is a finding,
// told by the text with the row's columns in place of %1, %2, ...
struct Question {
    const char* kind;
    const char* text;
    const char* sql;
};

const Question kData[] = {
    {"orphan", "tree node %1 stands under %2, which does not exist",
     "SELECT n.Node_Key, n.Node_Parent FROM inventory.tbFormularyNode n"
     " WHERE n.Node_Parent IS NOT NULL AND NOT EXISTS (SELECT 1 FROM inventory.tbFormularyNode p"
     " WHERE p.Node_Key = n.Node_Parent) ORDER BY n.Node_Key"},
    {"orphan", "tree node %1 names an entry that does not exist",
     "SELECT n.Node_Key FROM inventory.tbFormularyNode n WHERE (n.node_type = '1' AND NOT EXISTS"
     " (SELECT 1 FROM inventory.tbForClassification c WHERE c.ClassificationID ="
     " n.ClassificationID)) OR (n.node_type = '2' AND NOT EXISTS (SELECT 1 FROM"
     " inventory.tbforgeneric g WHERE g.GenericID = n.GenericID)) OR (n.node_type = '3' AND NOT"
     " EXISTS (SELECT 1 FROM inventory.tbinvmaster i WHERE i.itemid = n.itemid))"
     " ORDER BY n.Node_Key"},
    {"orphan", "tree node %1 (type %2) stands under %3 (type %4), where it does not belong",
     "SELECT n.Node_Key, n.node_type, p.Node_Key, p.node_type FROM inventory.tbFormularyNode n"
     " JOIN inventory.tbFormularyNode p ON p.Node_Key = n.Node_Parent"
     " WHERE n.Node_Level <> p.Node_Level + 1 OR NOT ((n.node_type = '1' AND p.node_type IN"
     " ('0', '1')) OR (n.node_type = '2' AND p.node_type = '1') OR (n.node_type = '3' AND"
     " p.node_type = '2')) ORDER BY n.Node_Key"},
    {"orphan", "classification %1 \"%2\" has no place in the tree",
     "SELECT c.ClassificationID, c.ClassificationName FROM inventory.tbForClassification c"
     " WHERE NOT EXISTS (SELECT 1 FROM inventory.tbFormularyNode n"
     " WHERE n.ClassificationID = c.ClassificationID) ORDER BY c.ClassificationID"},
    {"orphan", "other details of generic name %1, which does not exist",
     "SELECT o.GenericID FROM inventory.tbFormularyOtherDetails o WHERE NOT EXISTS"
     " (SELECT 1 FROM inventory.tbforgeneric g WHERE g.GenericID = o.GenericID)"
     " ORDER BY o.GenericID"},
    {"orphan", "rights of employee code %1, which no user has",
     "SELECT s.userid FROM inventory.tbforUserSettings s WHERE NOT EXISTS"
     " (SELECT 1 FROM inventory.tbUser u WHERE u.employeecode = s.userid) ORDER BY s.userid"},
    {"duplicate", "%1 classifications are named \"%2\"",
     "SELECT COUNT(*), MIN(ClassificationName) FROM inventory.tbForClassification"
     " GROUP BY name_folded HAVING COUNT(*) > 1 ORDER BY name_folded"},
    {"duplicate", "%1 generic names are named \"%2\"",
     "SELECT COUNT(*), MIN(genericname) FROM inventory.tbforgeneric"
     " GROUP BY name_folded HAVING COUNT(*) > 1 ORDER BY name_folded"},
};

// Server questions, each asked with the users group, the writer group and
// the database's own name filled in. Their rows are findings, as above.
const Question kServer[] = {
    {"grant", "%1 cannot read %2",
     "SELECT '{USERS}', n.nspname || '.' || c.relname FROM pg_class c JOIN pg_namespace n ON"
     " n.oid = c.relnamespace WHERE n.nspname IN ('inventory', 'patient_data')"
     " AND c.relkind IN ('r', 'p') AND NOT has_table_privilege('{USERS}', c.oid, 'SELECT')"
     " ORDER BY 2"},
    {"grant", "%1 may write %2 itself, not through the change functions",
     "SELECT '{USERS}', n.nspname || '.' || c.relname FROM pg_class c JOIN pg_namespace n ON"
     " n.oid = c.relnamespace WHERE n.nspname IN ('inventory', 'patient_data')"
     " AND c.relkind IN ('r', 'p') AND NOT (n.nspname = 'inventory' AND c.relname IN"
     " ({SESSION_TABLES})) AND (has_table_privilege('{USERS}', c.oid, 'INSERT')"
     " OR has_table_privilege('{USERS}', c.oid, 'UPDATE')"
     " OR has_table_privilege('{USERS}', c.oid, 'DELETE')) ORDER BY 2"},
    {"grant", "%1 cannot write %2",
     "SELECT '{CHANGES}', n.nspname || '.' || c.relname FROM pg_class c JOIN pg_namespace n ON"
     " n.oid = c.relnamespace WHERE n.nspname IN ('inventory', 'patient_data')"
     " AND c.relkind IN ('r', 'p') AND NOT has_table_privilege('{CHANGES}', c.oid, 'INSERT')"
     " ORDER BY 2"},
    {"grant", "%1 has no row-level rules",
     "SELECT n.nspname || '.' || c.relname FROM pg_class c JOIN pg_namespace n ON"
     " n.oid = c.relnamespace WHERE ((n.nspname = 'inventory' AND c.relname IN"
     " ({SESSION_TABLES})) OR c.relname = 'tbaudit') AND n.nspname IN ('inventory',"
     " 'patient_data') AND (NOT c.relrowsecurity OR NOT EXISTS (SELECT 1 FROM pg_policy p"
     " WHERE p.polrelid = c.oid)) ORDER BY 1"},
    {"grant", "anyone may connect to the database %1 or make temporary tables in it",
     "SELECT current_database() WHERE has_database_privilege('public', current_database(),"
     " 'CONNECT') OR has_database_privilege('public', current_database(), 'TEMP')"},
    {"grant", "%1 cannot connect to the database",
     "SELECT '{USERS}' WHERE NOT has_database_privilege('{USERS}', current_database(),"
     " 'CONNECT')"},
};

// The text with %1, %2, ... replaced by the row's columns in one pass, so
// that a value holding "%2" stays as it is.
QString filled(const QString& text, const db::Recordset& rs, int row) {
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int column =
            i + 1 < text.size() && text[i] == QLatin1Char('%') ? text[i + 1].digitValue() - 1 : -1;
        if (column < 0 || column >= rs.fieldCount()) {
            result += text[i];
            continue;
        }
        result += rs.value(row, column).toString();
        ++i;
    }
    return result;
}

void ask(db::Connection& c, const Question& q, const QString& sql, std::vector<Finding>& findings) {
    const db::Recordset rs = c.query(sql);
    for (int row = 0; row < rs.recordCount(); ++row)
        findings.push_back({QLatin1String(q.kind), filled(QLatin1String(q.text), rs, row)});
}

// The groups of this database, by their part of the name.
QString group(db::Connection& c, const char* part) {
    return c.query(QStringLiteral("SELECT current_database() || '_%1'").arg(QLatin1String(part)))
        .field(0)
        .toString();
}

QStringList missingGroups(db::Connection& c) {
    QStringList missing;
    for (const char* part : {"users", "admins", "keeper", "changes"})
        if (const QString name = group(c, part); !server_roles::roleExists(c, name))
            missing << name;
    return missing;
}

void checkFunctions(db::Connection& c, const QString& users, std::vector<Finding>& findings) {
    auto all = server_changes::functions();
    for (auto& f : server_roles::functions())
        all.push_back(std::move(f));
    for (const auto& [function, usersCall] : all) {
        const db::Recordset rs =
            c.query(QStringLiteral("SELECT has_function_privilege(?, p.oid, 'EXECUTE'),"
                                   " has_function_privilege('public', p.oid, 'EXECUTE')"
                                   " FROM pg_proc p WHERE p.oid = to_regprocedure(?)"),
                    {users, function});
        const auto grant = [&](const QString& text) {
            findings.push_back({QStringLiteral("grant"), text});
        };
        if (rs.eof())
            findings.push_back(
                {QStringLiteral("function"), function + QStringLiteral(" is missing")});
        else if (usersCall && !rs.field(0).toBool())
            grant(QStringLiteral("%1 cannot call %2").arg(users, function));
        else if (!usersCall && rs.field(0).toBool())
            grant(QStringLiteral("%1 may call %2 itself").arg(users, function));
        else if (rs.field(1).toBool())
            grant(QStringLiteral("anyone may call %1").arg(function));
    }
}

void checkServer(db::Connection& c, std::vector<Finding>& findings) {
    const QStringList missing = missingGroups(c);
    for (const QString& name : missing)
        findings.push_back(
            {QStringLiteral("grant"), QStringLiteral("the role %1 is missing").arg(name)});
    if (!missing.isEmpty())
        return;
    const QString users = group(c, "users");
    const QString sessionTables = QLatin1Char('\'') +
                                  server_changes::sessionTables().join(QStringLiteral("', '")) +
                                  QLatin1Char('\'');
    for (const Question& q : kServer)
        ask(c, q,
            QString::fromLatin1(q.sql)
                .replace(QLatin1String("{USERS}"), users)
                .replace(QLatin1String("{CHANGES}"), group(c, "changes"))
                .replace(QLatin1String("{SESSION_TABLES}"), sessionTables),
            findings);
    checkFunctions(c, users, findings);
    for (const QString& name : server_roles::usersWithoutLogin(c))
        findings.push_back({QStringLiteral("log-in"),
                            QStringLiteral("the user %1 has no log-in on the server").arg(name)});
}

} // namespace

std::vector<Finding> files(db::Connection& c) {
    std::vector<Finding> findings;
    if (c.engine() != db::Engine::SQLite)
        return findings;
    for (const char* schema : {"inventory", "patient_data"}) {
        const db::Recordset rs =
            c.query(QStringLiteral("PRAGMA %1.integrity_check").arg(QLatin1String(schema)));
        for (int row = 0; row < rs.recordCount(); ++row)
            if (const QString said = rs.value(row, 0).toString(); said != QLatin1String("ok"))
                findings.push_back({QStringLiteral("integrity"),
                                    QStringLiteral("%1.db: %2").arg(QLatin1String(schema), said)});
    }
    return findings;
}

std::vector<Finding> run(db::Connection& c) {
    std::vector<Finding> findings = files(c);
    const int version = schemaVersion(c);
    if (version != CurrentSchemaVersion) {
        findings.push_back(
            {QStringLiteral("schema"),
             version == 0 ? QStringLiteral("the database holds no formulary")
                          : QStringLiteral("schema %1, where this program knows schema %2 (%3)")
                                .arg(version)
                                .arg(CurrentSchemaVersion)
                                .arg(version < CurrentSchemaVersion
                                         ? QStringLiteral("run \"formulary-admin upgrade\"")
                                         : QStringLiteral("a newer program made it"))});
        if (version == 0)
            return findings;
    }
    for (const Question& q : kData)
        ask(c, q, QLatin1String(q.sql), findings);
    if (c.engine() == db::Engine::PostgreSQL)
        checkServer(c, findings);
    return findings;
}

} // namespace database::check
