#include "platform/db/recordset.h"

#include "platform/app_error.h"
#include "platform/db/connection.h"
#include "platform/db/transaction.h"

#include <QRegularExpression>

namespace db {

namespace {

const QString kSource = QStringLiteral("db.Recordset");

// Table and column names come from the program, never from users; still,
// only plain identifiers may be put into a statement text.
void requireIdentifier(const QString& name) {
    static const QRegularExpression plain(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)?$"));
    if (!plain.match(name).hasMatch())
        throw AppError(AppError::InvalidArgument, QStringLiteral("Not a plain name: %1").arg(name),
                       kSource);
}

} // namespace

Recordset::Recordset(QStringList fields, std::vector<QVariant> values)
    : m_fields(std::move(fields)), m_values(std::move(values)), m_open(true) {
    for (int i = 0; i < m_fields.size(); ++i)
        m_index.insert(m_fields[i].toLower(), i);
}

void Recordset::close() {
    m_open = false;
    m_values.clear();
    m_row = 0;
}

int Recordset::fieldIndex(const QString& name) const {
    return m_index.value(name.toLower(), -1);
}

void Recordset::moveNext() {
    if (m_row < recordCount())
        ++m_row;
}

void Recordset::movePrevious() {
    if (m_row >= 0)
        --m_row;
}

void Recordset::moveTo(int row) {
    m_row = row;
}

int Recordset::currentRowChecked() const {
    if (m_row < 0 || m_row >= recordCount())
        throw AppError(
            3021,
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."),
            kSource);
    return m_row;
}

QVariant Recordset::field(const QString& name) const {
    const int column = fieldIndex(name);
    if (column < 0)
        throw AppError(3265, QStringLiteral("Item cannot be found in the collection: %1").arg(name),
                       kSource);
    return field(column);
}

QVariant Recordset::field(int index) const {
    if (index < 0 || index >= fieldCount())
        throw AppError(
            3265, QStringLiteral("Item cannot be found in the collection: %1").arg(index), kSource);
    return m_values[std::size_t(currentRowChecked()) * m_fields.size() + index];
}

const QVariant& Recordset::value(int row, int column) const {
    return m_values[std::size_t(row) * m_fields.size() + column];
}

QVariant& Recordset::cell(int row, int column) {
    return m_values[std::size_t(row) * m_fields.size() + column];
}

void Recordset::appendRow(std::vector<QVariant> row) {
    row.resize(m_fields.size());
    m_values.insert(m_values.end(), std::make_move_iterator(row.begin()),
                    std::make_move_iterator(row.end()));
}

UpdatableRecordset::UpdatableRecordset(Recordset rows, Connection& connection, QString table,
                                       QString keyColumn)
    : Recordset(std::move(rows)), m_connection(&connection), m_table(std::move(table)),
      m_keyColumn(std::move(keyColumn)) {
    if (!eof())
        m_originalKey = field(m_keyColumn);
}

UpdatableRecordset UpdatableRecordset::open(Connection& connection, const QString& table,
                                            const QString& keyColumn, const QVariant& key) {
    requireIdentifier(table);
    requireIdentifier(keyColumn);
    Recordset rows = connection.query(
        QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(table, keyColumn), {key});
    if (rows.fieldIndex(keyColumn) < 0)
        throw AppError(3265,
                       QStringLiteral("Item cannot be found in the collection: %1").arg(keyColumn),
                       kSource);
    return UpdatableRecordset(std::move(rows), connection, table, keyColumn);
}

void UpdatableRecordset::addNew() {
    appendRow({});
    moveLast();
    m_adding = true;
    m_changed.clear();
}

void UpdatableRecordset::setField(const QString& name, const QVariant& value) {
    const int column = fieldIndex(name);
    if (column < 0)
        throw AppError(3265, QStringLiteral("Item cannot be found in the collection: %1").arg(name),
                       kSource);
    cell(currentRowChecked(), column) = value;
    const QString canonical = fieldNames()[column];
    if (!m_changed.contains(canonical))
        m_changed << canonical;
}

void UpdatableRecordset::update() {
    const int row = currentRowChecked();
    if (m_changed.isEmpty())
        return;
    QVariantList values;
    for (const QString& name : m_changed)
        values << value(row, fieldIndex(name));
    Transaction transaction(*m_connection);
    if (m_adding) {
        QStringList marks;
        for (qsizetype i = 0; i < m_changed.size(); ++i)
            marks << QStringLiteral("?");
        m_connection->execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(m_table, m_changed.join(QStringLiteral(", ")),
                                       marks.join(QStringLiteral(", "))),
                              values);
    } else {
        QStringList sets;
        for (const QString& name : m_changed)
            sets << name + QStringLiteral(" = ?");
        values << m_originalKey;
        m_connection->execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                  .arg(m_table, sets.join(QStringLiteral(", ")), m_keyColumn),
                              values);
    }
    transaction.commit();
    m_adding = false;
    m_originalKey = value(row, fieldIndex(m_keyColumn));
    m_changed.clear();
}

} // namespace db
