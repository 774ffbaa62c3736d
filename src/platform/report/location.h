#pragma once

#include <QString>

namespace report {

// Where a report table lives: "Database.owner.table". The database part
// names one of the formulary's databases, which are schemas to the data
// layer; the owner part is kept as written and not used.
struct Location {
    QString database;
    QString owner;
    QString table;

    // Throws AppError for a text that is not three parts, an unknown
    // database or a table name that is not a plain identifier.
    static Location parse(const QString& text);

    // The table as statements name it: "inventory.tbFormularyReport".
    QString qualifiedTable() const;
};

// The schema of a database named in a location or log-on, without regard to
// case ("Inventory" -> "inventory"). Throws AppError for an unknown name.
QString schemaOf(const QString& database);

// The location moved to another database: the part before the first "." is
// exchanged, owner and table stay.
QString withDatabase(const QString& location, const QString& database);

} // namespace report
