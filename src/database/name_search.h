#pragma once

#include "platform/db/connection.h"

namespace database {

// Searches of folded names: "contains", exact and alike on both engines. A
// key of three code points or more is looked up in a trigram index of the
// names, which only narrows: the comparison of the folded text decides.
// On a server the index is pg_trgm's GIN index of the column, which LIKE
// uses by itself; on the embedded engine an FTS5 table with the trigram
// tokenizer over the folded text (case-sensitive), kept in step by triggers.
// Shorter keys, which no trigram index narrows, scan with the engine's
// plain substring search.

// The indexed names a search may narrow by.
enum class NameIndex {
    None,
    Generics, // tbforgeneric; the row's column: its GenericID
    Items,    // tbinvmaster, name and description; the row's column: its rowid
    Nodes,    // tbFormularyNode; the row's column: its Node_Key
};

struct NameSearch {
    QString condition;
    QVariantList params;
};

// The condition that one of the folded columns contains the folded key; an
// empty key matches every row. With an index and the column that identifies
// the row for it, a long enough key is looked up there first.
NameSearch containsKey(db::Engine engine, const QStringList& columns, const QString& key,
                       NameIndex index = NameIndex::None, const QString& rowColumn = {});

// Whether the folded key is long enough for a trigram index.
bool indexedKey(const QString& foldedKey);

// Creates the trigram indexes of the folded names and fills them. On a
// server it needs pg_trgm, which it installs when the role may (CREATE on
// the database); otherwise it throws AppError saying what to ask for.
void createNameIndexes(db::Connection& connection);

} // namespace database
