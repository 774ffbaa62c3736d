#include "database/name_search.h"

#include "platform/app_error.h"
#include "platform/db/text_match.h"

namespace database {

using db::Connection;
using db::Engine;

namespace {

// The embedded engine's full-text tables: each named after its table with
// "_search", keyed by the row's id, over the text given for a row (the alias
// that stands for it in the template's place). The item master has no id of
// its own but its rowid, which nothing renumbers short of rebuilding the
// table (VACUUM, a table copied in an upgrade): fill its index anew then.
struct Indexed {
    const char* table;
    const char* rowid;
    const char* text;
    const char* watched; // the columns the text is made of
};

// A drug's node shows its item's name and description joined by one blank:
// indexing them so joined serves the item lists and Find alike.
constexpr Indexed kIndexed[] = {
    {"tbForClassification", "ClassificationID", "%1.name_folded", "name_folded"},
    {"tbforgeneric", "GenericID", "%1.name_folded", "name_folded"},
    {"tbinvmaster", "rowid", "%1.name_folded || ' ' || %1.description_folded",
     "name_folded, description_folded"},
};

// The server's trigram indexes, on the folded columns themselves.
constexpr std::pair<const char*, const char*> kServerIndexed[] = {
    {"tbFormularyNode", "name_folded"},
    {"tbforgeneric", "name_folded"},
    {"tbinvmaster", "name_folded"},
    {"tbinvmaster", "description_folded"},
};

QString searchTable(const char* table) {
    return QLatin1String(table) + QStringLiteral("_search");
}

// The row ids of a full-text table whose text holds every trigram asked for.
QString matching(const char* table) {
    const QString fts = searchTable(table);
    return QStringLiteral("SELECT rowid FROM inventory.%1 WHERE %1 MATCH ?").arg(fts);
}

// The keys of the nodes whose classification, generic name or item matches.
QString matchingNodes() {
    return QStringLiteral(
               "SELECT n.Node_Key FROM inventory.tbFormularyNode n WHERE n.ClassificationID IN (%1)"
               " UNION ALL SELECT n.Node_Key FROM inventory.tbFormularyNode n"
               " WHERE n.GenericID IN (%2)"
               " UNION ALL SELECT n.Node_Key FROM inventory.tbinvmaster i"
               " JOIN inventory.tbFormularyNode n ON n.itemid = i.itemid WHERE i.rowid IN (%3)")
        .arg(matching("tbForClassification"), matching("tbforgeneric"), matching("tbinvmaster"));
}

// An FTS5 query for the rows holding every trigram of the key, each quoted
// (quotes doubled). The tables keep no positions, which makes them far
// cheaper to write; the comparison of the text then decides.
QString trigramQuery(const QString& foldedKey) {
    const QList<uint> points = foldedKey.toUcs4();
    QStringList terms;
    for (qsizetype i = 0; i + 3 <= points.size(); ++i) {
        QString term =
            QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData() + i), 3);
        term.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        term = QLatin1Char('"') + term + QLatin1Char('"');
        if (!terms.contains(term))
            terms << term;
    }
    return terms.join(QStringLiteral(" AND "));
}

NameSearch embeddedSearch(const QStringList& columns, const QString& folded, NameIndex index,
                          const QString& rowColumn) {
    QStringList terms;
    NameSearch s;
    for (const QString& column : columns) {
        terms << QStringLiteral("instr(%1, ?) > 0").arg(column);
        s.params << folded;
    }
    s.condition = QLatin1Char('(') + terms.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    if (index == NameIndex::None || !indexedKey(folded))
        return s;
    const QString rows = index == NameIndex::Nodes      ? matchingNodes()
                         : index == NameIndex::Generics ? matching("tbforgeneric")
                                                        : matching("tbinvmaster");
    s.condition += QStringLiteral(" AND %1 IN (%2)").arg(rowColumn, rows);
    const int queries = index == NameIndex::Nodes ? 3 : 1;
    for (int i = 0; i < queries; ++i)
        s.params << trigramQuery(folded);
    return s;
}

// LIKE is what pg_trgm's index serves; strpos, which no index serves, keeps
// a short key's statement (and its cached plan) a plain scan.
NameSearch serverSearch(const QStringList& columns, const QString& key, const QString& folded) {
    const bool indexed = indexedKey(folded);
    QStringList terms;
    NameSearch s;
    for (const QString& column : columns) {
        terms << (indexed ? QStringLiteral("%1 LIKE ? ESCAPE '\\'")
                          : QStringLiteral("strpos(%1, ?) > 0"))
                     .arg(column);
        s.params << (indexed ? db::containsPattern(key) : QVariant(folded));
    }
    s.condition = QLatin1Char('(') + terms.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    return s;
}

void embeddedIndexes(Connection& c) {
    for (const Indexed& x : kIndexed) {
        const QString table = QLatin1String(x.table);
        const QString fts = searchTable(x.table);
        const QString text = QLatin1String(x.text);
        const QString rowid = QLatin1String(x.rowid);
        // Made anew, so that repeating the step changes nothing.
        for (const char* event : {"insert", "delete", "update"})
            c.execute(QStringLiteral("DROP TRIGGER IF EXISTS inventory.%1_search_%2")
                          .arg(table, QLatin1String(event)));
        c.execute(QStringLiteral("DROP TABLE IF EXISTS inventory.%1").arg(fts));
        c.execute(QStringLiteral("CREATE VIRTUAL TABLE inventory.%1 USING fts5(folded,"
                                 " content='', detail=none, tokenize='trigram case_sensitive 1')")
                      .arg(fts));
        c.execute(QStringLiteral("INSERT INTO inventory.%1 (rowid, folded) SELECT t.%2, %3"
                                 " FROM inventory.%4 t")
                      .arg(fts, rowid, text.arg(QStringLiteral("t")), table));
        const QString add = QStringLiteral("INSERT INTO %1 (rowid, folded) VALUES (NEW.%2, %3);")
                                .arg(fts, rowid, text.arg(QStringLiteral("NEW")));
        // A contentless table forgets a row given the text it was indexed with.
        const QString remove =
            QStringLiteral("INSERT INTO %1 (%1, rowid, folded) VALUES ('delete', OLD.%2, %3);")
                .arg(fts, rowid, text.arg(QStringLiteral("OLD")));
        QStringList changed;
        for (const QString& column : QString::fromLatin1(x.watched).split(QStringLiteral(", ")))
            changed << QStringLiteral("OLD.%1 <> NEW.%1").arg(column);
        c.execute(QStringLiteral("CREATE TRIGGER inventory.%1_search_insert AFTER INSERT ON %1"
                                 " BEGIN %2 END")
                      .arg(table, add));
        c.execute(QStringLiteral("CREATE TRIGGER inventory.%1_search_delete AFTER DELETE ON %1"
                                 " BEGIN %2 END")
                      .arg(table, remove));
        c.execute(QStringLiteral("CREATE TRIGGER inventory.%1_search_update AFTER UPDATE OF %2"
                                 " ON %1 WHEN %3 BEGIN %4 %5 END")
                      .arg(table, QLatin1String(x.watched), changed.join(QStringLiteral(" OR ")),
                           remove, add));
    }
}

// The schema pg_trgm is installed in, installing it when it is not.
QString trigramSchema(Connection& c) {
    const QString installed = QStringLiteral(
        "SELECT n.nspname FROM pg_extension e JOIN pg_namespace n ON n.oid = e.extnamespace"
        " WHERE e.extname = 'pg_trgm'");
    db::Recordset rs = c.query(installed);
    if (!rs.eof())
        return rs.field(0).toString();
    if (c.query(QStringLiteral("SELECT 1 FROM pg_available_extensions WHERE name = 'pg_trgm'"))
            .eof())
        throw AppError(AppError::SchemaTooOld,
                       QStringLiteral("The server lacks the PostgreSQL extension pg_trgm, which "
                                      "the formulary's search index needs. Install the server's "
                                      "contrib modules (on Debian they come with postgresql-15), "
                                      "then run \"formulary-admin upgrade\" again."));
    rs = c.query(QStringLiteral("SELECT current_user, current_database(),"
                                " has_database_privilege(current_database(), 'CREATE')"));
    if (!rs.field(2).toBool())
        throw AppError(AppError::PermissionDenied,
                       QStringLiteral("The formulary's search index needs the PostgreSQL "
                                      "extension pg_trgm, and the role %1 may not create it in "
                                      "the database %2. Ask the server's administrator to run "
                                      "\"CREATE EXTENSION pg_trgm\" in that database (or to grant "
                                      "CREATE on it to %1), then run \"formulary-admin upgrade\" "
                                      "again.")
                           .arg(rs.field(0).toString(), rs.field(1).toString()));
    c.execute(QStringLiteral("CREATE EXTENSION pg_trgm SCHEMA inventory"));
    return QStringLiteral("inventory");
}

void serverIndexes(Connection& c) {
    const QString schema = trigramSchema(c);
    for (const auto& [table, column] : kServerIndexed)
        c.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_%1_%2_trigram ON inventory.%1"
                                 " USING gin (%2 \"%3\".gin_trgm_ops)")
                      .arg(QLatin1String(table), QLatin1String(column), schema));
}

} // namespace

bool indexedKey(const QString& foldedKey) {
    return foldedKey.toUcs4().size() >= 3;
}

NameSearch containsKey(Engine engine, const QStringList& columns, const QString& key,
                       NameIndex index, const QString& rowColumn) {
    const QString folded = db::foldText(key);
    if (folded.isEmpty())
        return {QStringLiteral("1 = 1"), {}};
    if (engine == Engine::SQLite)
        return embeddedSearch(columns, folded, index, rowColumn);
    return serverSearch(columns, key, folded);
}

void createNameIndexes(Connection& c) {
    if (c.engine() == Engine::SQLite)
        embeddedIndexes(c);
    else
        serverIndexes(c);
}

} // namespace database
