#pragma once

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace db {

// The rows of one statement, read at once (a client-side cursor), with a
// current row that moves like a cursor. Field names match without regard to
// case, because the server engines fold unquoted names differently.
class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList fields, std::vector<QVariant> values);

    bool isOpen() const { return m_open; }
    void close();

    int fieldCount() const { return int(m_fields.size()); }
    const QStringList& fieldNames() const { return m_fields; }
    int fieldIndex(const QString& name) const; // -1 when there is none

    int recordCount() const {
        return m_fields.isEmpty() ? 0 : int(m_values.size() / m_fields.size());
    }
    bool eof() const { return m_row >= recordCount(); }
    bool bof() const { return m_row < 0 || recordCount() == 0; }
    int position() const { return m_row; }

    void moveFirst() { m_row = 0; }
    void moveLast() { m_row = recordCount() - 1; }
    void moveNext();
    void movePrevious();
    void moveTo(int row);

    // Fields of the current row. Throws AppError at end of rows or for an unknown name.
    QVariant field(const QString& name) const;
    QVariant field(int index) const;
    bool isNull(const QString& name) const { return field(name).isNull(); }
    QString text(const QString& name) const { return field(name).toString(); }

    // Any row, for views that show the rows.
    const QVariant& value(int row, int column) const;

private:
    int currentRowChecked() const;

    QStringList m_fields;
    QHash<QString, int> m_index;
    std::vector<QVariant> m_values;
    int m_row = 0;
    bool m_open = false;
};

} // namespace db
