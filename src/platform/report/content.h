#pragma once

#include <QDate>
#include <QStringList>
#include <memory>
#include <vector>

namespace db {
class Recordset;
}

namespace report {

struct Definition;

// The rows a report read, as texts; a Null value is a null QString. Equal
// values in consecutive rows of a column share one string, so that the group
// columns of a large report cost little.
class Content {
public:
    Content() = default;
    explicit Content(const db::Recordset& rows);

    int rowCount() const { return m_rowCount; }
    int fieldCount() const { return int(m_fields.size()); }
    // -1 when the rows have no such field; names match without regard to case.
    int fieldIndex(const QString& name) const;
    const QString& cell(int row, int field) const {
        return m_cells[std::size_t(row) * m_fields.size() + std::size_t(field)];
    }

private:
    QStringList m_fields;
    std::vector<QString> m_cells;
    int m_rowCount = 0;
};

// What the pages and the exports show: the definition's layout bound to the
// fields of the rows, the texts of the page header, and the rows.
struct Document {
    struct Group {
        QString header;
        int field = -1;
        int noteField = -1; // -1: no note
        QString noteHeader;
    };
    struct Column {
        QString header;
        int field = -1;
        int width = 0; // twips
    };

    QString title;
    QString subtitle;
    QString hospitalName;
    QString hospitalAddress;
    QDate date;
    std::vector<Group> groups;
    std::vector<Column> columns;
    std::shared_ptr<const Content> content;

    // Throws AppError when the rows lack a field the definition names.
    static Document bind(const Definition& definition, std::shared_ptr<const Content> content);

    // The first group level whose value differs from the row above: headings
    // from that level down start at this row. 0 for the first row, the number
    // of groups when no group changes.
    int firstChangedGroup(int row) const;
    // Whether any detail column of the row has a value.
    bool hasDetail(int row) const;

    // The date as the page header shows it.
    QString dateText() const;
    // What a report without rows shows instead.
    static QString emptyText() { return QStringLiteral("There are no entries in this report."); }
};

} // namespace report
