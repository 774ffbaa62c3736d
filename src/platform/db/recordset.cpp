#include "platform/db/recordset.h"

#include "platform/app_error.h"

namespace db {

namespace {} // namespace

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
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    return m_row;
}

QVariant Recordset::field(const QString& name) const {
    const int column = fieldIndex(name);
    if (column < 0)
        throw AppError(3265,
                       QStringLiteral("Item cannot be found in the collection: %1").arg(name));
    return field(column);
}

QVariant Recordset::field(int index) const {
    if (index < 0 || index >= fieldCount())
        throw AppError(3265,
                       QStringLiteral("Item cannot be found in the collection: %1").arg(index));
    return m_values[std::size_t(currentRowChecked()) * m_fields.size() + index];
}

const QVariant& Recordset::value(int row, int column) const {
    return m_values[std::size_t(row) * m_fields.size() + column];
}

} // namespace db
