#pragma once

#include <QString>
#include <vector>

namespace report {

// A table of a report: its name in the definition, its location
// ("Database.owner.table") and, for the table the rows come from, the query.
// A query names tables as {Name} and the user's session as {session}; both
// are resolved when the report reads its rows, the session as a bound value.
struct TableDefinition {
    QString name;
    QString location;
    QString query;
};

// A group level: a heading each time the field's value changes, and
// optionally a note field shown under the heading (a generic name's other
// details).
struct GroupDefinition {
    QString field;
    QString header;
    QString noteField;
    QString noteHeader;
};

// A column of the detail lines; the width is in twips.
struct ColumnDefinition {
    QString field;
    QString header;
    int width = 0;
};

// A report definition file, in a line format of our own (a report without
// tables is given its rows by the program):
//
//   # comment
//   [report]
//   title = Formulary Structure
//   orientation = landscape                   (portrait when not given)
//   [table FormularyReport]
//   location = Inventory.dbo.tbFormularyReport
//   query = SELECT ... FROM {FormularyReport}
//       WHERE session_id = {session}          (indented lines continue a value)
//   [group ClassificationPath]
//   header = Classification
//   [column DrugName]
//   header = Drug
//   width = 5760
struct Definition {
    static constexpr int MaxGroupLevels = 4;

    QString title;
    QString orientation;
    std::vector<TableDefinition> tables;
    std::vector<GroupDefinition> groups;
    std::vector<ColumnDefinition> columns;

    // The table whose query gives the rows: the one table with a query.
    const TableDefinition& sourceTable() const;

    // Throws AppError naming the file and line of the first fault.
    static Definition parse(const QString& text, const QString& fileName);
    static Definition load(const QString& path);
};

} // namespace report
